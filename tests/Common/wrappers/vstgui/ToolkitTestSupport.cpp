#include "ToolkitTestSupport.h"

#include <cairo.h>

#include <cstdlib>
#include <deque>
#include <memory>

namespace ToolkitTest
{

namespace
{
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

struct STORED_PNG
{
    std::string name;
    std::vector<unsigned char> bytes;
    VSTGUI::RESOURCE_ENTRY entry;
};
} // namespace

std::vector<unsigned char> MakeStripPng(int width, int height, int frames,
                                        const std::vector<VSTGUI::CColor>& colours)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cairo = cairo_create(surface);
    const double band = static_cast<double>(height) / frames;
    for (int k = 0; k < frames; ++k)
    {
        const VSTGUI::CColor& c = colours[static_cast<size_t>(k) % colours.size()];
        cairo_set_source_rgba(cairo, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                              c.alpha / 255.0);
        cairo_rectangle(cairo, 0, k * band, width, band);
        cairo_fill(cairo);
    }
    cairo_destroy(cairo);
    std::vector<unsigned char> png;
    cairo_surface_write_to_png_stream(surface, AppendBytes, &png);
    cairo_surface_destroy(surface);
    return png;
}

void RegisterPng(const std::string& name, int scale, std::vector<unsigned char> png)
{
    // Kept for the process: the resource table points into them.
    static std::deque<STORED_PNG> stored;
    stored.push_back({name, std::move(png), {}});
    STORED_PNG& entry = stored.back();
    entry.entry = {entry.name.c_str(), scale, entry.bytes.data(),
                   static_cast<unsigned long>(entry.bytes.size())};
    VSTGUI::RegisterResources(&entry.entry, 1);
}

PIXEL PixelAt(VSTGUI::CFrame& frame, int x, int y)
{
    int width = 0;
    int height = 0;
    int stride = 0;
    const unsigned char* data = frame.getBackBufferPixels(width, height, stride);
    if (data == nullptr || x < 0 || y < 0 || x >= width || y >= height)
        return {0, 0, 0, 0};
    const auto argb = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    const std::uint8_t alpha = argb >> 24;
    auto unpremultiply = [alpha](std::uint32_t channel) -> std::uint8_t
    { return alpha == 0 ? 0 : static_cast<std::uint8_t>((channel * 255 + alpha / 2) / alpha); };
    return {unpremultiply((argb >> 16) & 0xff), unpremultiply((argb >> 8) & 0xff),
            unpremultiply(argb & 0xff), alpha};
}

bool IsColour(const PIXEL& pixel, const VSTGUI::CColor& colour, int tolerance)
{
    return std::abs(pixel.red - colour.red) <= tolerance &&
           std::abs(pixel.green - colour.green) <= tolerance &&
           std::abs(pixel.blue - colour.blue) <= tolerance &&
           std::abs(pixel.alpha - colour.alpha) <= tolerance;
}

int CountDifferent(VSTGUI::CFrame& frame, int x0, int y0, int x1, int y1,
                   const VSTGUI::CColor& background, int tolerance)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += IsColour(PixelAt(frame, x, y), background, tolerance) ? 0 : 1;
    return count;
}

void Click(VSTGUI::CFrame& frame, VSTGUI::CPoint at, long buttons, std::uint32_t timeMs)
{
    frame.platformOnMouseDown(at, buttons, timeMs);
    frame.platformOnMouseUp(at, buttons);
}

VSTGUI::CSyntheticEvent MouseEvent(VSTGUI::CSyntheticEvent::Type type, VSTGUI::CPoint where,
                                   long buttons)
{
    VSTGUI::CSyntheticEvent event;
    event.type = type;
    event.where = where;
    event.buttons = buttons;
    return event;
}

} // namespace ToolkitTest
