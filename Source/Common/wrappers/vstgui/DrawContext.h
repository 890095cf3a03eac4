// Drawing onto a cairo image surface in logical coordinates. All coordinates given to a draw
// context are relative to its offset (the origin of the container being drawn, see
// getOffset/setOffset) and multiplied by the scale factor underneath. One-pixel stroked lines
// and rectangle outlines with whole-number coordinates are pixel-aligned (crisp) at 1x and 2x.
// UI thread only: every cairo call happens on the thread that paints.
#pragma once

#include "BaseObject.h"
#include "Color.h"
#include "Geometry.h"

#include <vector>

struct _cairo;
struct _cairo_surface;

namespace VSTGUI
{

class CBitmap;
class CFontDesc;
class CGraphicsPath;
struct CDrawContextText;

class CDrawContext : public CBaseObject
{
public:
    enum PathDrawMode
    {
        kPathFilled = 0,
        kPathStroked,
    };

    // Draws on `surface` (a cairo_surface_t*, not owned: it must outlive the context) whose
    // pixels are logical size x scale.
    CDrawContext(_cairo_surface* surface, double scale);
    // Draws into a blank CBitmap's 1x image (scale 1). The bitmap is remembered.
    explicit CDrawContext(CBitmap* target);
    ~CDrawContext() override;
    CDrawContext(const CDrawContext&) = delete;

    // The cairo_t* (for the platform layer and special drawing; restore what you change).
    _cairo* getCairo() const
    {
        return m_cairo;
    }
    double getScaleFactor() const
    {
        return m_scale;
    }

    // --- state ---
    void setFrameColor(const CColor& color)
    {
        m_frameColor = color;
    }
    CColor getFrameColor() const
    {
        return m_frameColor;
    }
    void setFillColor(const CColor& color)
    {
        m_fillColor = color;
    }
    CColor getFillColor() const
    {
        return m_fillColor;
    }
    void setFontColor(const CColor& color)
    {
        m_fontColor = color;
    }
    CColor getFontColor() const
    {
        return m_fontColor;
    }
    // Logical pixels (1 = one pixel at 1x, two at 2x).
    void setLineWidth(CCoord width)
    {
        m_lineWidth = width > 0.0 ? width : 1.0;
    }
    CCoord getLineWidth() const
    {
        return m_lineWidth;
    }
    void setLineStyle(CLineStyle style)
    {
        m_lineStyle = style;
    }
    CLineStyle getLineStyle() const
    {
        return m_lineStyle;
    }
    // kAliasing: no anti-aliasing (hard pixel edges); kAntiAliasing: smooth edges (default).
    void setDrawMode(CDrawMode mode)
    {
        m_drawMode = mode;
    }
    CDrawMode getDrawMode() const
    {
        return m_drawMode;
    }
    // Remembers the font (null: the default 12 px Arial).
    void setFont(CFontDesc* font, CCoord size = 0.0, int style = -1);
    CFontDesc* getFont() const
    {
        return m_font;
    }
    // 0..1; multiplies everything drawn.
    void setGlobalAlpha(float alpha);
    float getGlobalAlpha() const
    {
        return m_globalAlpha;
    }
    // Origin of the current container in frame coordinates.
    void setOffset(const CPoint& offset)
    {
        m_offset = offset;
    }
    CPoint getOffset() const
    {
        return m_offset;
    }
    // Clip rectangle in current (offset) coordinates; drawing outside it is discarded.
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;
    CRect getClipRect() const
    {
        CRect clip;
        return getClipRect(clip);
    }
    // Back to the whole surface.
    void resetClipRect();
    // Saves colours, line width and style, draw mode, font, alpha, offset and clip; restore
    // brings back the last saved state. Calls must pair.
    void saveGlobalState();
    void restoreGlobalState();

    // --- lines and shapes (frame colour for strokes, fill colour for fills) ---
    void moveTo(const CPoint& point);
    void lineTo(const CPoint& point); // draws from the pen position and moves the pen
    void drawLine(const CPoint& from, const CPoint& to);
    // Separate segments: pairs of points (from, to), count = number of pairs.
    void drawLines(const CPoint* points, int pairCount);
    // A polyline through `count` points; closed and fillable with a style other than stroked.
    void drawPolygon(const CPoint* points, int count, CDrawStyle style = kDrawStroked);
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
    // Arc of the ellipse inside rect. Angles in degrees, 0 at twelve o'clock, increasing
    // clockwise; the arc runs clockwise from start to end (end below start adds 360). With
    // start == end nothing is drawn. Filled arcs are pie slices from the centre.
    void drawArc(const CRect& rect, double startDeg, double endDeg,
                 CDrawStyle style = kDrawStroked);
    void drawPoint(const CPoint& point, const CColor& color);

    // --- text (font colour, current font) ---
    // One line, vertically centred in rect, aligned horizontally, clipped to rect.
    void drawString(const char* utf8Text, const CRect& rect, CHoriTxtAlign align = kCenterText,
                    bool antialias = true);
    // One line whose left edge is at point.x, vertically centred on point.y (not clipped).
    void drawString(const char* utf8Text, const CPoint& point, bool antialias = true);
    // Width in logical pixels of the text in the current font.
    CCoord getStringWidth(const char* utf8Text);

    // --- bitmaps (CBitmap::draw calls this) ---
    // Draws `surface` (cairo_surface_t* whose pixels are logical size x surfaceScale) into
    // dest, reading from `offset` (logical, in the image), alpha 0..1.
    void drawSurface(void* surface, double surfaceScale, const CRect& dest, const CPoint& offset,
                     float alpha);

    // --- paths ---
    CGraphicsPath* createGraphicsPath(); // one reference for the caller
    void drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode = kPathFilled);

    // Fills `rect` with transparent black, ignoring alpha and blending (the frame's repaint).
    void clearRect(const CRect& rect);

    bool isTypeOf(const char* type) const override;

private:
    struct State
    {
        CColor frameColor, fillColor, fontColor;
        CCoord lineWidth;
        CLineStyle lineStyle;
        CDrawMode drawMode;
        CFontDesc* font;
        float globalAlpha;
        CPoint offset;
        CRect clip;
    };

    void Init();
    // Saves cairo's state and applies clip, anti-aliasing, line width and dashes.
    void BeginDraw();
    void EndDraw();
    void SetSourceColor(const CColor& color);
    // Fills with the fill colour and/or strokes with the frame colour the current path.
    void FillAndStroke(CDrawStyle style);
    // Absolute logical x / y of a coordinate relative to the offset.
    double AbsX(double x) const
    {
        return x + m_offset.x;
    }
    double AbsY(double y) const
    {
        return y + m_offset.y;
    }
    // Absolute logical coordinate moved onto the device-pixel grid for a stroke of the current
    // line width: centres on a pixel for odd device widths, on an edge for even ones.
    double AlignStroke(double absolute) const;
    // Absolute logical coordinate rounded to the nearest device-pixel edge.
    double SnapToDevice(double absolute) const;
    CRect SnapRectToDevice(const CRect& absolute) const;
    // The PangoLayout* of the text in the current font, from the cache or made now.
    void* ApplyTextLayout(const char* utf8Text, bool antialias);

    _cairo* m_cairo = nullptr;
    _cairo_surface* m_surface = nullptr;
    bool m_ownsSurface = false;
    CBitmap* m_targetBitmap = nullptr;
    double m_scale = 1.0;
    CRect m_surfaceRect; // logical
    CColor m_frameColor = kBlackCColor;
    CColor m_fillColor = kWhiteCColor;
    CColor m_fontColor = kWhiteCColor;
    CCoord m_lineWidth = 1.0;
    CLineStyle m_lineStyle = kLineSolid;
    CDrawMode m_drawMode = kAntiAliasing;
    CFontDesc* m_font = nullptr;
    float m_globalAlpha = 1.0f;
    CPoint m_offset;
    CRect m_clip;         // frame (absolute) logical coordinates
    CPoint m_penPosition; // absolute logical
    std::vector<State> m_stateStack;
    CDrawContextText* m_text = nullptr; // pango context and layout cache
};

} // namespace VSTGUI
