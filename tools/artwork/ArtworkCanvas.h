// Drawing surface of the artwork generator: a cairo image surface drawn in logical
// pixels at a scale of 1 or 2, with the few primitives the editor's look is made of
// (rounded boxes, crisp 1-px lines, arcs, text through pango). Everything is a vector
// drawn at the target scale, never a scaled bitmap. Single-threaded (the generator).
#pragma once

#include "Gui/EditorLayout.h"

#include <cairo.h>

#include <string>
#include <vector>

struct ARTWORK_FONT
{
    double sizePx; // logical pixels (em size)
    bool bold;
    double letterSpacingPx; // extra space between letters, logical pixels
};

enum TEXT_ALIGN : int
{
    kAlignLeft,
    kAlignCentre,
    kAlignRight,
};

class CArtworkCanvas
{
  public:
    // A transparent canvas of widthPx x heightPx logical pixels at the given scale (1, 2).
    CArtworkCanvas(int widthPx, int heightPx, int scale);
    ~CArtworkCanvas();
    CArtworkCanvas(const CArtworkCanvas&) = delete;
    CArtworkCanvas& operator=(const CArtworkCanvas&) = delete;

    cairo_t* Context() { return m_cr; }
    int Scale() const { return m_scale; }

    void SetColour(LAYOUT_COLOUR colour, double alphaFactor = 1.0);
    void Fill(LAYOUT_COLOUR colour, double alphaFactor = 1.0);
    void FillRect(double x, double y, double w, double h, LAYOUT_COLOUR colour,
                  double alphaFactor = 1.0);
    // Path of a rectangle with rounded corners (radius clamped to half the smaller side).
    void RoundedRectPath(double x, double y, double w, double h, double radius);
    // A box: filled, then its edge as a crisp 1-px line just inside the rectangle.
    void Box(const LAYOUT_RECT& rect, double radius, LAYOUT_COLOUR fill, LAYOUT_COLOUR edge,
             double fillAlpha = 1.0, double edgeAlpha = 1.0);
    // Vertical gradient box (top colour to bottom colour) with an edge.
    void GradientBox(const LAYOUT_RECT& rect, double radius, LAYOUT_COLOUR top,
                     LAYOUT_COLOUR bottom, LAYOUT_COLOUR edge, double edgeAlpha = 1.0);
    // Crisp 1-px horizontal / vertical lines covering the pixel row / column given.
    void HLine(double x0, double x1, int y, LAYOUT_COLOUR colour, double alpha = 1.0);
    void VLine(int x, double y0, double y1, LAYOUT_COLOUR colour, double alpha = 1.0);

    // Text in "Arial" (fontconfig: Liberation Sans) inside rect, vertically centred.
    // Returns false if it does not fit the rectangle's width.
    bool Text(const LAYOUT_RECT& rect, const std::string& text, const ARTWORK_FONT& font,
              LAYOUT_COLOUR colour, TEXT_ALIGN align, double alphaFactor = 1.0);
    // The same, rotated to read from bottom to top, centred in rect.
    bool VerticalText(const LAYOUT_RECT& rect, const std::string& text, const ARTWORK_FONT& font,
                      LAYOUT_COLOUR colour, double alphaFactor = 1.0);
    // Logical width of a text in a font.
    double TextWidth(const std::string& text, const ARTWORK_FONT& font);

    // The canvas as PNG bytes (8-bit RGBA, straight alpha, no time stamp: the same
    // pixels always give the same bytes). Interlaced (Adam7) when asked: a film strip
    // whose frames are larger than deflate's 32 KiB window then still compresses one
    // frame against the next, since each pass holds a fraction of every frame. Empty on
    // failure.
    std::vector<unsigned char> EncodePng(bool interlaced = false);
    // Raw access for tests: ARGB32 pixel at device coordinates.
    unsigned int DevicePixel(int x, int y);
    cairo_surface_t* Surface() { return m_surface; }

  private:
    void* MakeLayout(const std::string& text, const ARTWORK_FONT& font);

    int m_scale;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
};

// Colour helpers.
LAYOUT_COLOUR Mix(LAYOUT_COLOUR a, LAYOUT_COLOUR b, double t);
LAYOUT_COLOUR Rgb(unsigned int hex);
// WCAG contrast ratio of two opaque colours (1 .. 21).
double Contrast(LAYOUT_COLOUR a, LAYOUT_COLOUR b);
// The colour, lightened towards white just enough to reach the ratio on the ground
// (an accent used for text).
LAYOUT_COLOUR Legible(LAYOUT_COLOUR colour, LAYOUT_COLOUR ground, double ratio = 4.5);
