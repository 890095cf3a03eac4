#include "StepAnimKnob.h"

#include "BaseEffect.h"

using namespace VSTGUI;

int CStepAnimKnob::s_wheelCount = 0;

CStepAnimKnob::CStepAnimKnob(CBaseEffect* effect, const CRect& size, CControlListener* listener,
                             long tag, int subPixmaps, CCoord heightOfOneImage,
                             CBitmap* background)
    : CBaseAnimKnob(size, listener, tag, subPixmaps, heightOfOneImage, background),
      m_effect(effect)
{
}

void CStepAnimKnob::ResetWheelCount()
{
    s_wheelCount = 0;
}

bool CStepAnimKnob::onWheel(const CPoint& /*where*/, const float& distance, const long& /*buttons*/)
{
    s_wheelCount = (s_wheelCount + 1) % kWheelEventsPerStep;
    if (s_wheelCount != 0 || distance == 0.0f || !m_effect)
        return true;
    const int id = static_cast<int>(getTag());
    const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
    if (!info)
        return true;
    float unscaled = m_effect->ScaledValueToUnscaled(id, getValue()) + (distance > 0.0f ? 1.0f : -1.0f);
    if (unscaled < info->min)
        unscaled = info->min;
    if (unscaled > info->max)
        unscaled = info->max;
    float scaled = m_effect->UnscaledValueToScaled(id, unscaled);
    scaled = scaled < 0.0f ? 0.0f : (scaled > 1.0f ? 1.0f : scaled);
    setValue(scaled);
    beginEdit();
    if (getListener())
        getListener()->valueChanged(this);
    endEdit();
    if (isDirty())
        invalid();
    return true;
}

bool CStepAnimKnob::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CStepAnimKnob") || CBaseAnimKnob::isTypeOf(type);
}
