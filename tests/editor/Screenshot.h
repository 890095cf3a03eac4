// The pixels of a window as the X server shows them (XGetImage, children of the same depth
// included), as 0xRRGGBB values, with the measures the end-to-end tests use.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

struct PIXEL_RECT
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class CScreenshot
{
public:
    // Captures the whole of `window`. False when the window cannot be read.
    bool Capture(Display* display, Window window);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel at (x, y); 0 outside the picture.
    std::uint32_t Pixel(int x, int y) const;

    // Share (0..1) of pixels in `rect` (the whole image when empty) that are not black.
    double NonBlackShare(PIXEL_RECT rect = {}) const;
    // Pixels in `rect` (whole image when empty) but not in `skip` that differ from `other`.
    int ChangedPixels(const CScreenshot& other, PIXEL_RECT rect = {}, PIXEL_RECT skip = {}) const;
    // Bounding box of the pixels outside `skip` that differ from `other`; empty if none.
    PIXEL_RECT ChangedBox(const CScreenshot& other, PIXEL_RECT skip = {}) const;

private:
    PIXEL_RECT Clip(PIXEL_RECT rect) const;
    // Calls visit(x, y) for every pixel of `rect` (the whole image when empty).
    template <typename VISIT>
    void Visit(PIXEL_RECT rect, VISIT visit) const;

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};
