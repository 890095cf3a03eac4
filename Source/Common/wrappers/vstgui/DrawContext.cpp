#include "DrawContext.h"

#include "Bitmap.h"
#include "Font.h"
#include "GraphicsPath.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace VSTGUI
{

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Our angles (degrees, 0 at twelve o'clock, clockwise) in cairo's (radians, 0 at three
// o'clock, clockwise with y pointing down).
double ToCairoAngle(double degrees)
{
    return (degrees - 90.0) * kPi / 180.0;
}

double Channel(std::uint8_t value)
{
    return value / 255.0;
}

// The ellipse inside `rect` as a cairo path (current CTM unchanged afterwards).
void AddEllipsePath(cairo_t* cairo, const CRect& rect, double startRad, double endRad,
                    bool fullCircle)
{
    const double width = rect.getWidth();
    const double height = rect.getHeight();
    if (!(width > 0.0) || !(height > 0.0))
    {
        return;
    }
    cairo_save(cairo);
    cairo_translate(cairo, rect.left + width * 0.5, rect.top + height * 0.5);
    cairo_scale(cairo, width * 0.5, height * 0.5);
    if (fullCircle)
    {
        cairo_new_sub_path(cairo);
        cairo_arc(cairo, 0.0, 0.0, 1.0, 0.0, 2.0 * kPi);
        cairo_close_path(cairo);
    }
    else
    {
        cairo_arc(cairo, 0.0, 0.0, 1.0, startRad, endRad);
    }
    cairo_restore(cairo);
}
} // namespace

// Text machinery kept out of the header: a pango context per anti-aliasing mode and a cache of
// laid-out texts, so that a read-out redrawn with an unchanged text is not shaped again.
struct CDrawContextText
{
    struct ENTRY
    {
        unsigned long fontId;
        bool antialias;
        std::string text;
        PangoLayout* layout;
        unsigned long lastUse;
    };
    static constexpr size_t kMaxEntries = 256;

    PangoContext* context[2] = {nullptr, nullptr}; // [antialias]
    std::vector<ENTRY> entries;
    unsigned long useCounter = 0;

    ~CDrawContextText()
    {
        for (ENTRY& entry : entries)
        {
            g_object_unref(entry.layout);
        }
        for (PangoContext* c : context)
        {
            if (c != nullptr)
            {
                g_object_unref(c);
            }
        }
    }
};

CDrawContext::CDrawContext(_cairo_surface* surface, double scale)
    : m_surface(surface), m_scale(scale > 0.0 ? scale : 1.0)
{
    Init();
}

CDrawContext::CDrawContext(CBitmap* target) : m_targetBitmap(target), m_scale(1.0)
{
    if (m_targetBitmap != nullptr)
    {
        m_targetBitmap->remember();
        m_surface = static_cast<cairo_surface_t*>(m_targetBitmap->getTargetSurface());
    }
    Init();
}

void CDrawContext::Init()
{
    if (m_surface == nullptr)
    {
        // A context on nothing: draw calls are swallowed by a 1 x 1 scratch surface.
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        m_ownsSurface = true;
    }
    m_cairo = cairo_create(m_surface);
    cairo_scale(m_cairo, m_scale, m_scale);
    double width = 1.0;
    double height = 1.0;
    if (cairo_surface_get_type(m_surface) == CAIRO_SURFACE_TYPE_IMAGE)
    {
        width = cairo_image_surface_get_width(m_surface);
        height = cairo_image_surface_get_height(m_surface);
    }
    m_surfaceRect = CRect(0.0, 0.0, width / m_scale, height / m_scale);
    m_clip = m_surfaceRect;
    m_font = kNormalFont;
    m_font->remember();
}

CDrawContext::~CDrawContext()
{
    delete m_text;
    for (State& state : m_stateStack)
    {
        if (state.font != nullptr)
        {
            state.font->forget();
        }
    }
    if (m_font != nullptr)
    {
        m_font->forget();
    }
    cairo_destroy(m_cairo);
    if (m_ownsSurface)
    {
        cairo_surface_destroy(m_surface);
    }
    if (m_targetBitmap != nullptr)
    {
        cairo_surface_flush(m_surface);
        cairo_surface_mark_dirty(m_surface);
        m_targetBitmap->forget();
    }
}

void CDrawContext::setFont(CFontDesc* font, CCoord size, int style)
{
    CFontDesc* chosen = font != nullptr ? font : kNormalFont;
    if ((size > 0.0 && size != chosen->getSize()) || (style >= 0 && style != chosen->getStyle()))
    {
        // A variant of the font: a private copy (this context's reference only).
        auto* variant = static_cast<CFontDesc*>(chosen->newCopy());
        if (size > 0.0)
        {
            variant->setSize(size);
        }
        if (style >= 0)
        {
            variant->setStyle(style);
        }
        if (m_font != nullptr)
        {
            m_font->forget();
        }
        m_font = variant;
        return;
    }
    chosen->remember();
    if (m_font != nullptr)
    {
        m_font->forget();
    }
    m_font = chosen;
}

void CDrawContext::setGlobalAlpha(float alpha)
{
    if (!(alpha >= 0.0f))
    {
        alpha = 0.0f;
    }
    m_globalAlpha = alpha > 1.0f ? 1.0f : alpha;
}

void CDrawContext::setClipRect(const CRect& clip)
{
    CRect absolute(clip);
    absolute.offset(m_offset.x, m_offset.y);
    absolute.bound(m_surfaceRect);
    m_clip = absolute;
}

CRect& CDrawContext::getClipRect(CRect& clip) const
{
    clip = m_clip;
    clip.offset(-m_offset.x, -m_offset.y);
    return clip;
}

void CDrawContext::resetClipRect()
{
    m_clip = m_surfaceRect;
}

void CDrawContext::saveGlobalState()
{
    if (m_font != nullptr)
    {
        m_font->remember();
    }
    m_stateStack.push_back({m_frameColor, m_fillColor, m_fontColor, m_lineWidth, m_lineStyle,
                            m_drawMode, m_font, m_globalAlpha, m_offset, m_clip});
}

void CDrawContext::restoreGlobalState()
{
    if (m_stateStack.empty())
    {
        return;
    }
    const State state = m_stateStack.back();
    m_stateStack.pop_back();
    m_frameColor = state.frameColor;
    m_fillColor = state.fillColor;
    m_fontColor = state.fontColor;
    m_lineWidth = state.lineWidth;
    m_lineStyle = state.lineStyle;
    m_drawMode = state.drawMode;
    if (m_font != nullptr)
    {
        m_font->forget();
    }
    m_font = state.font; // the reference taken by saveGlobalState moves back
    m_globalAlpha = state.globalAlpha;
    m_offset = state.offset;
    m_clip = state.clip;
}

double CDrawContext::SnapToDevice(double absolute) const
{
    return std::round(absolute * m_scale) / m_scale;
}

CRect CDrawContext::SnapRectToDevice(const CRect& absolute) const
{
    return CRect(SnapToDevice(absolute.left), SnapToDevice(absolute.top),
                 SnapToDevice(absolute.right), SnapToDevice(absolute.bottom));
}

double CDrawContext::AlignStroke(double absolute) const
{
    const double deviceWidth = std::round(m_lineWidth * m_scale);
    const double device = absolute * m_scale;
    if (static_cast<long>(deviceWidth) % 2 == 1)
    {
        // An odd number of device pixels wide: the centre line runs through pixel centres.
        return (std::floor(device) + 0.5) / m_scale;
    }
    return std::round(device) / m_scale;
}

void CDrawContext::BeginDraw()
{
    cairo_save(m_cairo);
    const CRect clip = SnapRectToDevice(m_clip);
    cairo_new_path(m_cairo);
    cairo_rectangle(m_cairo, clip.left, clip.top, std::max(0.0, clip.getWidth()),
                    std::max(0.0, clip.getHeight()));
    cairo_clip(m_cairo);
    cairo_set_antialias(m_cairo, m_drawMode == kAntiAliasing ? CAIRO_ANTIALIAS_DEFAULT
                                                             : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(m_cairo, m_lineWidth);
    if (m_lineStyle == kLineOnOffDash)
    {
        const double dash = m_lineWidth;
        cairo_set_dash(m_cairo, &dash, 1, 0.0);
    }
    cairo_set_line_cap(m_cairo, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(m_cairo, CAIRO_LINE_JOIN_MITER);
}

void CDrawContext::EndDraw()
{
    cairo_new_path(m_cairo);
    cairo_restore(m_cairo);
}

void CDrawContext::SetSourceColor(const CColor& color)
{
    cairo_set_source_rgba(m_cairo, Channel(color.red), Channel(color.green), Channel(color.blue),
                          Channel(color.alpha) * m_globalAlpha);
}

void CDrawContext::FillAndStroke(CDrawStyle style)
{
    if (style == kDrawFilled || style == kDrawFilledAndStroked)
    {
        SetSourceColor(m_fillColor);
        if (style == kDrawFilledAndStroked)
        {
            cairo_fill_preserve(m_cairo);
        }
        else
        {
            cairo_fill(m_cairo);
        }
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked)
    {
        SetSourceColor(m_frameColor);
        cairo_stroke(m_cairo);
    }
}

void CDrawContext::moveTo(const CPoint& point)
{
    m_penPosition = CPoint(AbsX(point.x), AbsY(point.y));
}

void CDrawContext::lineTo(const CPoint& point)
{
    const CPoint from(m_penPosition.x - m_offset.x, m_penPosition.y - m_offset.y);
    drawLine(from, point);
    m_penPosition = CPoint(AbsX(point.x), AbsY(point.y));
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to)
{
    double x1 = AbsX(from.x);
    double y1 = AbsY(from.y);
    double x2 = AbsX(to.x);
    double y2 = AbsY(to.y);
    // Axis-aligned lines sit on the pixel grid across their direction (crisp); along it they
    // keep their ends.
    if (y1 == y2)
    {
        y1 = y2 = AlignStroke(y1);
    }
    else if (x1 == x2)
    {
        x1 = x2 = AlignStroke(x1);
    }
    BeginDraw();
    cairo_move_to(m_cairo, x1, y1);
    cairo_line_to(m_cairo, x2, y2);
    SetSourceColor(m_frameColor);
    cairo_stroke(m_cairo);
    EndDraw();
}

void CDrawContext::drawLines(const CPoint* points, int pairCount)
{
    if (points == nullptr)
    {
        return;
    }
    for (int i = 0; i < pairCount; ++i)
    {
        drawLine(points[2 * i], points[2 * i + 1]);
    }
}

void CDrawContext::drawPolygon(const CPoint* points, int count, CDrawStyle style)
{
    if (points == nullptr || count < 2)
    {
        return;
    }
    BeginDraw();
    cairo_move_to(m_cairo, AbsX(points[0].x), AbsY(points[0].y));
    for (int i = 1; i < count; ++i)
    {
        cairo_line_to(m_cairo, AbsX(points[i].x), AbsY(points[i].y));
    }
    if (style != kDrawStroked)
    {
        cairo_close_path(m_cairo);
    }
    FillAndStroke(style);
    EndDraw();
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style)
{
    CRect absolute(rect);
    absolute.offset(m_offset.x, m_offset.y);
    if (absolute.isEmpty())
    {
        return;
    }
    BeginDraw();
    if (style == kDrawFilled || style == kDrawFilledAndStroked)
    {
        const CRect fill = SnapRectToDevice(absolute);
        cairo_rectangle(m_cairo, fill.left, fill.top, fill.getWidth(), fill.getHeight());
        SetSourceColor(m_fillColor);
        cairo_fill(m_cairo);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked)
    {
        // The outline lies inside the rectangle: a 1 px frame covers its outermost pixels.
        const double half = m_lineWidth * 0.5;
        const CRect outer = SnapRectToDevice(absolute);
        cairo_rectangle(m_cairo, outer.left + half, outer.top + half,
                        std::max(0.0, outer.getWidth() - m_lineWidth),
                        std::max(0.0, outer.getHeight() - m_lineWidth));
        SetSourceColor(m_frameColor);
        cairo_stroke(m_cairo);
    }
    EndDraw();
}

void CDrawContext::drawEllipse(const CRect& rect, CDrawStyle style)
{
    CRect absolute(rect);
    absolute.offset(m_offset.x, m_offset.y);
    if (absolute.isEmpty())
    {
        return;
    }
    BeginDraw();
    if (style == kDrawFilled || style == kDrawFilledAndStroked)
    {
        AddEllipsePath(m_cairo, absolute, 0.0, 0.0, true);
        SetSourceColor(m_fillColor);
        cairo_fill(m_cairo);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked)
    {
        // The stroke stays inside the rectangle.
        CRect inner(absolute);
        inner.inset(m_lineWidth * 0.5, m_lineWidth * 0.5);
        AddEllipsePath(m_cairo, inner, 0.0, 0.0, true);
        SetSourceColor(m_frameColor);
        cairo_stroke(m_cairo);
    }
    EndDraw();
}

void CDrawContext::drawArc(const CRect& rect, double startDeg, double endDeg, CDrawStyle style)
{
    if (!std::isfinite(startDeg) || !std::isfinite(endDeg) || startDeg == endDeg)
    {
        return;
    }
    CRect absolute(rect);
    absolute.offset(m_offset.x, m_offset.y);
    if (absolute.isEmpty())
    {
        return;
    }
    // Clockwise from start to end: an end below the start wraps around once.
    double sweep = std::fmod(endDeg - startDeg, 360.0);
    if (sweep <= 0.0)
    {
        sweep += 360.0;
    }
    if (endDeg - startDeg >= 360.0)
    {
        sweep = 360.0;
    }
    const double startRad = ToCairoAngle(startDeg);
    const double endRad = startRad + sweep * kPi / 180.0;
    BeginDraw();
    if (style == kDrawFilled || style == kDrawFilledAndStroked)
    {
        const CPoint centre = absolute.getCenter();
        cairo_move_to(m_cairo, centre.x, centre.y);
        AddEllipsePath(m_cairo, absolute, startRad, endRad, false);
        cairo_close_path(m_cairo);
        SetSourceColor(m_fillColor);
        cairo_fill(m_cairo);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked)
    {
        CRect inner(absolute);
        inner.inset(m_lineWidth * 0.5, m_lineWidth * 0.5);
        cairo_new_path(m_cairo);
        AddEllipsePath(m_cairo, inner, startRad, endRad, false);
        SetSourceColor(m_frameColor);
        cairo_stroke(m_cairo);
    }
    EndDraw();
}

void CDrawContext::drawPoint(const CPoint& point, const CColor& color)
{
    const double x = AbsX(point.x);
    const double y = AbsY(point.y);
    BeginDraw();
    const double pixel = 1.0 / m_scale;
    cairo_rectangle(m_cairo, SnapToDevice(x), SnapToDevice(y),
                    pixel * std::max(1.0, std::round(m_scale)),
                    pixel * std::max(1.0, std::round(m_scale)));
    SetSourceColor(color);
    cairo_fill(m_cairo);
    EndDraw();
}

void* CDrawContext::ApplyTextLayout(const char* utf8Text, bool antialias)
{
    if (m_text == nullptr)
    {
        m_text = new CDrawContextText();
    }
    CDrawContextText& text = *m_text;
    PangoContext*& context = text.context[antialias ? 1 : 0];
    if (context == nullptr)
    {
        context = pango_cairo_create_context(m_cairo);
        cairo_font_options_t* options = cairo_font_options_create();
        // Unhinted metrics: text lays out the same at every scale.
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_antialias(options,
                                         antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
    }
    const unsigned long fontId = m_font->getFontId();
    ++text.useCounter;
    for (CDrawContextText::ENTRY& entry : text.entries)
    {
        if (entry.fontId == fontId && entry.antialias == antialias && entry.text == utf8Text)
        {
            entry.lastUse = text.useCounter;
            return entry.layout;
        }
    }
    CDrawContextText::ENTRY* slot = nullptr;
    if (text.entries.size() < CDrawContextText::kMaxEntries)
    {
        text.entries.push_back({fontId, antialias, std::string(), nullptr, 0});
        slot = &text.entries.back();
    }
    else
    {
        // Full: the least recently used entry makes room.
        slot = &text.entries.front();
        for (CDrawContextText::ENTRY& entry : text.entries)
        {
            if (entry.lastUse < slot->lastUse)
            {
                slot = &entry;
            }
        }
        g_object_unref(slot->layout);
    }
    slot->fontId = fontId;
    slot->antialias = antialias;
    slot->text = utf8Text;
    slot->lastUse = text.useCounter;
    slot->layout = pango_layout_new(context);
    pango_layout_set_single_paragraph_mode(slot->layout, TRUE);
    pango_layout_set_font_description(
        slot->layout, static_cast<const PangoFontDescription*>(m_font->getPangoDescription()));
    pango_layout_set_text(slot->layout, utf8Text, -1);
    return slot->layout;
}

void CDrawContext::drawString(const char* utf8Text, const CRect& rect, CHoriTxtAlign align,
                              bool antialias)
{
    if (utf8Text == nullptr || *utf8Text == '\0')
    {
        return;
    }
    CRect absolute(rect);
    absolute.offset(m_offset.x, m_offset.y);
    if (absolute.isEmpty())
    {
        return;
    }
    auto* layout = static_cast<PangoLayout*>(ApplyTextLayout(utf8Text, antialias));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double width = static_cast<double>(logical.width) / PANGO_SCALE;
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    double x = absolute.left;
    if (align == kCenterText)
    {
        x = absolute.left + (absolute.getWidth() - width) * 0.5;
    }
    else if (align == kRightText)
    {
        x = absolute.right - width;
    }
    const double y = absolute.top + (absolute.getHeight() - height) * 0.5;
    BeginDraw();
    cairo_rectangle(m_cairo, absolute.left, absolute.top, absolute.getWidth(),
                    absolute.getHeight());
    cairo_clip(m_cairo);
    // Whole device pixels: glyphs stay sharp and the picture scales exactly.
    cairo_move_to(m_cairo, SnapToDevice(x), SnapToDevice(y));
    SetSourceColor(m_fontColor);
    pango_cairo_show_layout(m_cairo, layout);
    EndDraw();
}

void CDrawContext::drawString(const char* utf8Text, const CPoint& point, bool antialias)
{
    if (utf8Text == nullptr || *utf8Text == '\0')
    {
        return;
    }
    auto* layout = static_cast<PangoLayout*>(ApplyTextLayout(utf8Text, antialias));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    BeginDraw();
    cairo_move_to(m_cairo, SnapToDevice(AbsX(point.x)), SnapToDevice(AbsY(point.y) - height * 0.5));
    SetSourceColor(m_fontColor);
    pango_cairo_show_layout(m_cairo, layout);
    EndDraw();
}

CCoord CDrawContext::getStringWidth(const char* utf8Text)
{
    if (utf8Text == nullptr || *utf8Text == '\0')
    {
        return 0.0;
    }
    auto* layout = static_cast<PangoLayout*>(ApplyTextLayout(utf8Text, true));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return static_cast<double>(logical.width) / PANGO_SCALE;
}

void CDrawContext::drawSurface(void* surface, double surfaceScale, const CRect& dest,
                               const CPoint& offset, float alpha)
{
    if (surface == nullptr || !(surfaceScale > 0.0))
    {
        return;
    }
    CRect absolute(dest);
    absolute.offset(m_offset.x, m_offset.y);
    if (absolute.isEmpty())
    {
        return;
    }
    const CRect snapped = SnapRectToDevice(absolute);
    BeginDraw();
    cairo_rectangle(m_cairo, snapped.left, snapped.top, snapped.getWidth(), snapped.getHeight());
    cairo_clip(m_cairo);
    cairo_translate(m_cairo, snapped.left - offset.x, snapped.top - offset.y);
    cairo_scale(m_cairo, 1.0 / surfaceScale, 1.0 / surfaceScale);
    cairo_set_source_surface(m_cairo, static_cast<cairo_surface_t*>(surface), 0.0, 0.0);
    float total = alpha * m_globalAlpha;
    if (!(total >= 0.0f))
    {
        total = 0.0f;
    }
    if (total >= 1.0f)
    {
        cairo_paint(m_cairo);
    }
    else
    {
        cairo_paint_with_alpha(m_cairo, total);
    }
    EndDraw();
}

CGraphicsPath* CDrawContext::createGraphicsPath()
{
    return new CGraphicsPath();
}

void CDrawContext::drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode)
{
    if (path == nullptr || path->isEmpty())
    {
        return;
    }
    BeginDraw();
    cairo_new_path(m_cairo);
    for (const CGraphicsPath::Element& element : path->getElements())
    {
        const CPoint* p = element.p;
        switch (element.type)
        {
        case CGraphicsPath::kBeginSubpath:
            cairo_new_sub_path(m_cairo);
            cairo_move_to(m_cairo, AbsX(p[0].x), AbsY(p[0].y));
            break;
        case CGraphicsPath::kLine:
            cairo_line_to(m_cairo, AbsX(p[0].x), AbsY(p[0].y));
            break;
        case CGraphicsPath::kBezierCurve:
            cairo_curve_to(m_cairo, AbsX(p[0].x), AbsY(p[0].y), AbsX(p[1].x), AbsY(p[1].y),
                           AbsX(p[2].x), AbsY(p[2].y));
            break;
        case CGraphicsPath::kRect:
            cairo_rectangle(m_cairo, AbsX(p[0].x), AbsY(p[0].y), p[1].x - p[0].x, p[1].y - p[0].y);
            break;
        case CGraphicsPath::kEllipse:
        {
            CRect box(AbsX(p[0].x), AbsY(p[0].y), AbsX(p[1].x), AbsY(p[1].y));
            AddEllipsePath(m_cairo, box, 0.0, 0.0, true);
            break;
        }
        case CGraphicsPath::kArc:
        {
            if (element.startDeg == element.endDeg)
            {
                break;
            }
            double sweep = std::fmod(element.endDeg - element.startDeg, 360.0);
            if (sweep <= 0.0)
            {
                sweep += 360.0;
            }
            const double startRad = ToCairoAngle(element.startDeg);
            CRect box(AbsX(p[0].x), AbsY(p[0].y), AbsX(p[1].x), AbsY(p[1].y));
            AddEllipsePath(m_cairo, box, startRad, startRad + sweep * kPi / 180.0, false);
            break;
        }
        case CGraphicsPath::kCloseSubpath:
            cairo_close_path(m_cairo);
            break;
        }
    }
    if (mode == kPathFilled)
    {
        SetSourceColor(m_fillColor);
        cairo_fill(m_cairo);
    }
    else
    {
        SetSourceColor(m_frameColor);
        cairo_stroke(m_cairo);
    }
    EndDraw();
}

void CDrawContext::clearRect(const CRect& rect)
{
    CRect absolute(rect);
    absolute.offset(m_offset.x, m_offset.y);
    const CRect snapped = SnapRectToDevice(absolute);
    if (snapped.isEmpty())
    {
        return;
    }
    cairo_save(m_cairo);
    cairo_set_operator(m_cairo, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(m_cairo, snapped.left, snapped.top, snapped.getWidth(), snapped.getHeight());
    cairo_fill(m_cairo);
    cairo_restore(m_cairo);
}

bool CDrawContext::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CDrawContext") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
