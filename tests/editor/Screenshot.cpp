#include "Screenshot.h"

#include <X11/Xutil.h>

#include <algorithm>

namespace
{
// Channel of a pixel value under a visual's mask, scaled to 8 bits.
std::uint32_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0)
        ++shift;
    return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255UL / (mask >> shift));
}

bool Inside(const PIXEL_RECT& rect, int x, int y)
{
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}
} // namespace

template <typename VISIT>
void CScreenshot::Visit(PIXEL_RECT rect, VISIT visit) const
{
    const PIXEL_RECT area = Clip(rect);
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x)
            visit(x, y);
}

bool CScreenshot::Capture(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    m_width = attributes.width;
    m_height = attributes.height;
    m_pixels.clear();
    Visit({},
          [&](int x, int y)
          {
              const unsigned long pixel = XGetPixel(image, x, y);
              m_pixels.push_back((Channel(pixel, image->red_mask) << 16) |
                                 (Channel(pixel, image->green_mask) << 8) |
                                 Channel(pixel, image->blue_mask));
          });
    XDestroyImage(image);
    return true;
}

std::uint32_t CScreenshot::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                    static_cast<std::size_t>(x)];
}

PIXEL_RECT CScreenshot::Clip(PIXEL_RECT rect) const
{
    if (rect.width <= 0 || rect.height <= 0)
        return PIXEL_RECT{0, 0, m_width, m_height};
    const int left = std::clamp(rect.x, 0, m_width);
    const int top = std::clamp(rect.y, 0, m_height);
    return PIXEL_RECT{left, top, std::clamp(rect.x + rect.width, 0, m_width) - left,
                      std::clamp(rect.y + rect.height, 0, m_height) - top};
}

double CScreenshot::NonBlackShare(PIXEL_RECT rect) const
{
    long nonBlack = 0;
    Visit(rect, [&](int x, int y) { nonBlack += Pixel(x, y) != 0 ? 1 : 0; });
    const PIXEL_RECT area = Clip(rect);
    const long total = static_cast<long>(area.width) * area.height;
    return total > 0 ? static_cast<double>(nonBlack) / static_cast<double>(total) : 0.0;
}

int CScreenshot::ChangedPixels(const CScreenshot& other, PIXEL_RECT rect, PIXEL_RECT skip) const
{
    int changed = 0;
    Visit(rect,
          [&](int x, int y)
          { changed += Pixel(x, y) != other.Pixel(x, y) && !Inside(skip, x, y) ? 1 : 0; });
    return changed;
}

PIXEL_RECT CScreenshot::ChangedBox(const CScreenshot& other, PIXEL_RECT skip) const
{
    int left = m_width, top = m_height, right = -1, bottom = -1;
    Visit({},
          [&](int x, int y)
          {
              if (Pixel(x, y) == other.Pixel(x, y) || Inside(skip, x, y))
                  return;
              left = std::min(left, x), right = std::max(right, x);
              top = std::min(top, y), bottom = std::max(bottom, y);
          });
    return right < 0 ? PIXEL_RECT{} : PIXEL_RECT{left, top, right - left + 1, bottom - top + 1};
}
