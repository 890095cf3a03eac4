// Helpers for the toolkit's tests: PNG resources made on the fly, pixel reads from an offscreen
// frame, a recording listener and editor interface, and synthetic mouse events.
#pragma once

#include "vstgui/vstgui.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ToolkitTest
{
// PNG bytes of a width x height image: `frames` horizontal bands of equal height, band k
// filled with colours[k % colours.size()].
std::vector<unsigned char> MakeStripPng(int width, int height, int frames,
                                        const std::vector<VSTGUI::CColor>& colours);
// Registers PNGs under names (kept alive for the process); scale 1 or 2.
void RegisterPng(const std::string& name, int scale, std::vector<unsigned char> png);

struct PIXEL
{
    std::uint8_t red, green, blue, alpha;
};
// The back buffer pixel at device coordinates (unpremultiplied).
PIXEL PixelAt(VSTGUI::CFrame& frame, int x, int y);
bool IsColour(const PIXEL& pixel, const VSTGUI::CColor& colour, int tolerance = 2);
// Pixels in the device rectangle [x0, x1) x [y0, y1) that differ from `background`.
int CountDifferent(VSTGUI::CFrame& frame, int x0, int y0, int x1, int y1,
                   const VSTGUI::CColor& background, int tolerance = 8);

class CRecordingListener : public VSTGUI::CControlListener
{
public:
    void valueChanged(VSTGUI::CControl* control) override { changes.push_back(control->getValue()); }
    std::vector<float> changes;
};

class CRecordingEditor : public VSTGUI::VSTGUIEditorInterface
{
public:
    void beginEdit(long index) override { log += "b" + std::to_string(index) + " "; }
    void endEdit(long index) override { log += "e" + std::to_string(index) + " "; }
    void SetFrame(VSTGUI::CFrame* frame) { m_frame = frame; }
    std::string log;
};

// A view that fills its size with one colour and counts its draws.
class CColourView : public VSTGUI::CView
{
public:
    CColourView(const VSTGUI::CRect& size, const VSTGUI::CColor& colour)
        : CView(size), m_colour(colour)
    {
    }
    void draw(VSTGUI::CDrawContext* context) override
    {
        context->setFillColor(m_colour);
        context->drawRect(getViewSize(), VSTGUI::kDrawFilled);
        ++draws;
        setDirty(false);
    }
    int draws = 0;

private:
    VSTGUI::CColor m_colour;
};

// Press and release at `at`.
void Click(VSTGUI::CFrame& frame, VSTGUI::CPoint at, long buttons = VSTGUI::kLButton,
           std::uint32_t timeMs = 0);
// Scripted input for modal loops.
VSTGUI::CSyntheticEvent MouseEvent(VSTGUI::CSyntheticEvent::Type type, VSTGUI::CPoint where,
                                   long buttons = VSTGUI::kLButton);
} // namespace ToolkitTest
