#include "AimOverlay.h"

#include "Common/wrappers/BaseEffect.h"
#include "vstgui/Control.h"
#include "vstgui/DrawContext.h"
#include "vstgui/Frame.h"

#include <cmath>

using namespace VSTGUI;

namespace AimOverlay
{
CControl* FindParameterControlAt(const CFrame* frame, const CPoint& where)
{
    if (!frame)
        return nullptr;
    auto* control = dynamic_cast<CControl*>(frame->getViewAt(where, true));
    if (!control || control->getTag() < 0 || control->getTag() >= kNumParameters)
        return nullptr;
    return control;
}

CPoint CentreInFrame(const CView* view)
{
    const CRect& size = view->getViewSize();
    CPoint centre(size.left + size.getWidth() * 0.5, size.top + size.getHeight() * 0.5);
    // A view's size is in its parent's coordinates: convert through the parent.
    if (const CView* parent = view->getParentView())
        parent->localToFrame(centre);
    return centre;
}

int AdvancePulse(int countdownMs, std::uint32_t& lastTicks, std::uint32_t nowTicks)
{
    // Unsigned difference: right across the tick counter's wrap.
    const std::uint32_t elapsedMs = nowTicks - lastTicks;
    lastTicks = nowTicks;
    if (elapsedMs >= static_cast<std::uint32_t>(kPulsePeriodMs) * 2u)
        return kPulsePeriodMs; // a long pause (or the first call): a fresh period
    countdownMs -= static_cast<int>(elapsedMs);
    return countdownMs < 0 ? kPulsePeriodMs : countdownMs;
}

int MarkerRadius(int pulseCountdownMs)
{
    const double left = static_cast<double>(pulseCountdownMs) / kPulsePeriodMs;
    return static_cast<int>(std::trunc((1.0 - left) * kMarkerGrowth)) + kMarkerMinRadius;
}

void Draw(CDrawContext* context, const CFrame* frame, const CView* aim, const CPoint& mouse,
          int pulseCountdownMs)
{
    if (!context || !aim)
        return;
    context->saveGlobalState();
    context->setOffset(CPoint(0, 0));
    context->resetClipRect();
    context->setLineWidth(kLineWidth);
    context->setDrawMode(kAntiAliasing);
    context->setFrameColor(kColor);
    context->setFillColor(kColor);
    const CPoint from = CentreInFrame(aim);
    CPoint to = mouse;
    const CControl* target = FindParameterControlAt(frame, mouse);
    if (target)
        to = CentreInFrame(target);
    context->drawLine(from, to);
    if (target)
    {
        const CCoord r = MarkerRadius(pulseCountdownMs);
        context->drawEllipse(CRect(to.x - r, to.y - r, to.x + r, to.y + r), kDrawFilled);
    }
    context->restoreGlobalState();
}
} // namespace AimOverlay
