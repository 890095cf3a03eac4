#include "ModulationKnob.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/ControlGestureListener.h"
#include "Common/wrappers/EffectEditor.h"
#include "Morvex.h"
#include "vstgui/Bitmap.h"
#include "vstgui/DrawContext.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
constexpr CColor kArcColour(255, 110, 0, 255);
} // namespace

const KNOB_MOD_STYLE MEDIUM_KNOB_MOD_STYLE = {kArcColour, 3, 23};
const KNOB_MOD_STYLE SMALL_KNOB_MOD_STYLE = {kArcColour, 3, 13};
const KNOB_MOD_STYLE BIG_KNOB_MOD_STYLE = {kArcColour, 3, 40};
const KNOB_MOD_STYLE DEF_MOD_STYLE = {kArcColour, 3, 15};

CModulationKnob::CModulationKnob(CBaseEffect* effect, const CRect& stripRect,
                                 CControlListener* listener, long tag, int subPixmaps,
                                 CCoord heightOfOneImage, CBitmap* background,
                                 const KNOB_MOD_STYLE* style)
    : CBaseAnimKnob(CRect(stripRect).inset(-kArcMargin, -kArcMargin), listener, tag, subPixmaps,
                    heightOfOneImage, background),
      m_effect(effect), m_style(style ? style : &DEF_MOD_STYLE)
{
    // Fine drags (Shift) ten times finer.
    setZoomFactor(10.0f);
}

// ---------------------------------------------------------------------------------------------
// Matrix slots

int CModulationKnob::GetModDepthParamID()
{
    if (!m_effect)
        return -1;
    int slots[kNumMatrixSlots];
    int count = 0;
    for (int s = 0; s < kNumMatrixSlots; ++s)
    {
        const int target =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxTarget + s, false, false, 0));
        const int source =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxSource + s, false, false, 0));
        if (target == getTag() && source >= 0)
            slots[count++] = s;
    }
    if (count == 0)
    {
        m_modIndex = 0;
        return -1;
    }
    m_modIndex = std::min<long long>(std::max<long long>(m_modIndex, 0), count - 1);
    return kMtxDepth + slots[m_modIndex];
}

float CModulationKnob::GetModDepth()
{
    const int id = GetModDepthParamID();
    if (id < 0)
        return 0.0f;
    return 2.0f * m_effect->GetParameterScaled(id, false, false, 0) - 1.0f;
}

void CModulationKnob::SetModDepth(float depth)
{
    const int id = GetModDepthParamID();
    if (id < 0)
        return;
    depth = std::min(1.0f, std::max(-1.0f, depth));
    m_effect->SetParameterScaled(id, (depth + 1.0f) * 0.5f);
    const float stored = m_effect->GetParameterScaled(id, false, false, 0);
    m_effect->HostSetParameterAutomated(id, stored);
    if (IEffectEditor* editor = m_effect->GetEditor())
        editor->OnSetParameter(id, stored);
}

void CModulationKnob::OnModDepthChanged(int slot)
{
    if (!m_effect || slot < 0 || slot >= kNumMatrixSlots)
        return;
    long long matching = 0;
    for (int s = 0; s <= slot; ++s)
    {
        const int target =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxTarget + s, false, false, 0));
        const int source =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxSource + s, false, false, 0));
        if (target == getTag() && source >= 0)
            ++matching;
    }
    m_modIndex = matching > 0 ? matching - 1 : 0;
    setDirty(true);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void CModulationKnob::GetArcAngles(float value, float depth, double& startDeg, double& endDeg)
{
    // Degrees clockwise from three o'clock; the toolkit counts from twelve o'clock.
    const double a = kStartAngle + kRangeAngle * value;
    const double m = std::min(kStartAngle + kRangeAngle,
                              std::max(kStartAngle, a + kRangeAngle * depth));
    startDeg = std::min(a, m) + 90.0;
    endDeg = std::max(a, m) + 90.0;
}

void CModulationKnob::draw(CDrawContext* context)
{
    const CRect inner = CRect(getViewSize()).inset(kArcMargin, kArcMargin);
    CBitmap* strip = getBackground();
    if (strip && isStripValid())
    {
        const CPoint offset(0, getCurrentFrame() * getHeightOfOneImage());
        strip->draw(context, inner, offset);
    }
    double startDeg = 0.0;
    double endDeg = 0.0;
    const float value = std::min(1.0f, std::max(0.0f, getValue()));
    GetArcAngles(value, GetModDepth(), startDeg, endDeg);
    if (endDeg > startDeg)
    {
        const CColor colour = context->getFrameColor();
        const CCoord width = context->getLineWidth();
        const CDrawMode mode = context->getDrawMode();
        context->setFrameColor(m_style->color);
        context->setLineWidth(m_style->width);
        context->setDrawMode(kAntiAliasing);
        const CPoint centre = getViewSize().getCenter();
        const CCoord r = m_style->radius;
        context->drawArc(CRect(centre.x - r, centre.y - r, centre.x + r, centre.y + r), startDeg,
                         endDeg, kDrawStroked);
        context->setFrameColor(colour);
        context->setLineWidth(width);
        context->setDrawMode(mode);
    }
    setDirty(false);
}

// ---------------------------------------------------------------------------------------------
// Mouse

CMouseEventResult CModulationKnob::onMouseDown(CPoint& where, const long& buttons)
{
    m_depthDragged = false;
    m_dragDepthId = -1;
    m_pressPoint = where;
    const CMouseEventResult result = CBaseAnimKnob::onMouseDown(where, buttons);
    if (m_contextDown && !ControlGestures::IsDoubleClick(buttons))
        m_startDepth = GetModDepth();
    return result;
}

CMouseEventResult CModulationKnob::onMouseMoved(CPoint& where, const long& buttons)
{
    if (!m_pressed || !m_contextDown)
        return CBaseAnimKnob::onMouseMoved(where, buttons);
    // Right and up both deepen.
    const double delta = (where.x - m_pressPoint.x) + (m_pressPoint.y - where.y);
    if (!m_depthDragged && std::fabs(delta) >= kDepthDragThreshold)
    {
        m_depthDragged = true;
        m_dragDepthId = GetModDepthParamID();
        if (m_dragDepthId >= 0)
            m_effect->HostBeginEdit(m_dragDepthId);
    }
    if (m_depthDragged && m_dragDepthId >= 0)
    {
        const float before = GetModDepth();
        SetModDepth(m_startDepth + static_cast<float>(delta) * kDepthPerPixel);
        if (GetModDepth() != before)
            invalid();
    }
    return kMouseEventHandled;
}

CMouseEventResult CModulationKnob::onMouseUp(CPoint& where, const long& buttons)
{
    if (!m_pressed)
        return kMouseEventNotHandled;
    if (m_contextDown && m_depthDragged && m_dragDepthId >= 0)
        m_effect->HostEndEdit(m_dragDepthId);
    // A depth drag is not the context click that opens the modulation menu.
    if (m_depthDragged)
        m_contextDown = false;
    m_depthDragged = false;
    m_dragDepthId = -1;
    return CBaseAnimKnob::onMouseUp(where, buttons);
}

bool CModulationKnob::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CModulationKnob") || CBaseAnimKnob::isTypeOf(type);
}
