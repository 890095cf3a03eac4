#include "Screenshot.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <unordered_set>

namespace
{
// Channel of a pixel value under a visual's mask, scaled to 8 bits.
std::uint32_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
    {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0)
    {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255UL / maximum);
}
} // namespace

bool CScreenshot::Capture(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0)
    {
        return false;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return false;
    }
    m_width = attributes.width;
    m_height = attributes.height;
    m_pixels.resize(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y)
    {
        for (int x = 0; x < m_width; ++x)
        {
            const unsigned long pixel = XGetPixel(image, x, y);
            m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                     static_cast<std::size_t>(x)] =
                (Channel(pixel, image->red_mask) << 16) | (Channel(pixel, image->green_mask) << 8) |
                Channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

std::uint32_t CScreenshot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
    {
        return 0;
    }
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                    static_cast<std::size_t>(x)];
}

PIXEL_RECT CScreenshot::Clip(PIXEL_RECT rect) const
{
    if (rect.width <= 0 || rect.height <= 0)
    {
        return PIXEL_RECT{0, 0, m_width, m_height};
    }
    const int left = std::clamp(rect.x, 0, m_width);
    const int top = std::clamp(rect.y, 0, m_height);
    const int right = std::clamp(rect.x + rect.width, 0, m_width);
    const int bottom = std::clamp(rect.y + rect.height, 0, m_height);
    return PIXEL_RECT{left, top, right - left, bottom - top};
}

double CScreenshot::NonBlackShare(PIXEL_RECT rect) const
{
    const PIXEL_RECT area = Clip(rect);
    long nonBlack = 0;
    for (int y = area.y; y < area.y + area.height; ++y)
    {
        for (int x = area.x; x < area.x + area.width; ++x)
        {
            nonBlack += Pixel(x, y) != 0 ? 1 : 0;
        }
    }
    const long total = static_cast<long>(area.width) * area.height;
    return total > 0 ? static_cast<double>(nonBlack) / static_cast<double>(total) : 0.0;
}

int CScreenshot::DistinctColours(PIXEL_RECT rect) const
{
    const PIXEL_RECT area = Clip(rect);
    std::unordered_set<std::uint32_t> colours;
    for (int y = area.y; y < area.y + area.height; ++y)
    {
        for (int x = area.x; x < area.x + area.width; ++x)
        {
            const std::uint32_t pixel = Pixel(x, y);
            colours.insert(((pixel >> 19) & 0x1F) << 10 | ((pixel >> 11) & 0x1F) << 5 |
                           ((pixel >> 3) & 0x1F));
        }
    }
    return static_cast<int>(colours.size());
}

int CScreenshot::ChangedPixels(const CScreenshot& other, PIXEL_RECT rect) const
{
    const PIXEL_RECT area = Clip(rect);
    int changed = 0;
    for (int y = area.y; y < area.y + area.height; ++y)
    {
        for (int x = area.x; x < area.x + area.width; ++x)
        {
            changed += Pixel(x, y) != other.Pixel(x, y) ? 1 : 0;
        }
    }
    return changed;
}
