// The aim line the editor draws on top of everything (its postDraw) while an aim button
// is dragged: a 2-pixel translucent white line from the button's centre to the mouse, or
// to the centre of the parameter control under the mouse, which then also gets a marker
// circle that grows over each pulse period. The editor counts the pulse down in its idle.
// User-interface thread.
#pragma once

#include "vstgui/Color.h"
#include "vstgui/Geometry.h"

#include <cstdint>

namespace VSTGUI
{
class CControl;
class CDrawContext;
class CFrame;
class CView;
} // namespace VSTGUI

namespace AimOverlay
{
constexpr int kPulsePeriodMs = 500;
constexpr int kMarkerGrowth = 7;   // pixels the marker grows over one period
constexpr int kMarkerMinRadius = 2;
constexpr VSTGUI::CCoord kLineWidth = 2;
inline constexpr VSTGUI::CColor kColor{255, 255, 255, 190};

// The control with a parameter tag (0..311) under `where` (frame coordinates), searching
// nested containers; null if the view there is something else.
VSTGUI::CControl* FindParameterControlAt(const VSTGUI::CFrame* frame, const VSTGUI::CPoint& where);
// The centre of `view` in frame coordinates.
VSTGUI::CPoint CentreInFrame(const VSTGUI::CView* view);
// The editor's idle: counts the pulse down by the milliseconds since lastTicks (frame
// ticks, updated to nowTicks); below 0 it starts a new period at kPulsePeriodMs.
int AdvancePulse(int countdownMs, std::uint32_t& lastTicks, std::uint32_t nowTicks);
// Marker radius for the time left in the pulse period (kPulsePeriodMs down to 0).
int MarkerRadius(int pulseCountdownMs);
// Draws the line (and marker) from `aim` to `mouse` (frame coordinates). Restores the
// context's line width, colours and draw mode.
void Draw(VSTGUI::CDrawContext* context, const VSTGUI::CFrame* frame, const VSTGUI::CView* aim,
          const VSTGUI::CPoint& mouse, int pulseCountdownMs);
} // namespace AimOverlay
