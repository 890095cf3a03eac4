#include "ArtworkCanvas.h"

#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>

namespace
{
void WritePngBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}
} // namespace

LAYOUT_COLOUR Mix(LAYOUT_COLOUR a, LAYOUT_COLOUR b, double t)
{
    auto lerp = [t](std::uint8_t x, std::uint8_t y)
    { return static_cast<std::uint8_t>(std::lround(x + (y - x) * t)); };
    return {lerp(a.red, b.red), lerp(a.green, b.green), lerp(a.blue, b.blue),
            lerp(a.alpha, b.alpha)};
}

LAYOUT_COLOUR Rgb(unsigned int hex)
{
    return {static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
            static_cast<std::uint8_t>(hex), 255};
}

double Contrast(LAYOUT_COLOUR a, LAYOUT_COLOUR b)
{
    // Relative luminance of sRGB (WCAG 2).
    auto luminance = [](LAYOUT_COLOUR c)
    {
        auto linear = [](std::uint8_t v)
        {
            const double x = v / 255.0;
            return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

LAYOUT_COLOUR Legible(LAYOUT_COLOUR colour, LAYOUT_COLOUR ground, double ratio)
{
    const LAYOUT_COLOUR white{255, 255, 255, colour.alpha};
    for (int step = 0; step <= 20; ++step)
    {
        const LAYOUT_COLOUR candidate = Mix(colour, white, step * 0.05);
        if (Contrast(candidate, ground) >= ratio)
            return candidate;
    }
    return white;
}

CArtworkCanvas::CArtworkCanvas(int widthPx, int heightPx, int scale)
    : m_scale(scale),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPx * scale, heightPx * scale)),
      m_cr(cairo_create(m_surface))
{
    cairo_scale(m_cr, scale, scale);
}

CArtworkCanvas::~CArtworkCanvas()
{
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

void CArtworkCanvas::SetColour(LAYOUT_COLOUR colour, double alphaFactor)
{
    cairo_set_source_rgba(m_cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                          colour.alpha / 255.0 * alphaFactor);
}

void CArtworkCanvas::Fill(LAYOUT_COLOUR colour, double alphaFactor)
{
    SetColour(colour, alphaFactor);
    cairo_fill(m_cr);
}

void CArtworkCanvas::FillRect(double x, double y, double w, double h, LAYOUT_COLOUR colour,
                              double alphaFactor)
{
    cairo_rectangle(m_cr, x, y, w, h);
    Fill(colour, alphaFactor);
}

void CArtworkCanvas::RoundedRectPath(double x, double y, double w, double h, double radius)
{
    const double r = std::max(0.0, std::min(radius, std::min(w, h) / 2.0));
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, x + w - r, y + r, r, -M_PI / 2.0, 0.0);
    cairo_arc(m_cr, x + w - r, y + h - r, r, 0.0, M_PI / 2.0);
    cairo_arc(m_cr, x + r, y + h - r, r, M_PI / 2.0, M_PI);
    cairo_arc(m_cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(m_cr);
}

void CArtworkCanvas::Box(const LAYOUT_RECT& rect, double radius, LAYOUT_COLOUR fill,
                         LAYOUT_COLOUR edge, double fillAlpha, double edgeAlpha)
{
    RoundedRectPath(rect.x, rect.y, rect.width, rect.height, radius);
    Fill(fill, fillAlpha);
    if (edgeAlpha > 0.0)
    {
        // Half a pixel inside: the 1-px line covers whole device pixels at 1x and 2x.
        RoundedRectPath(rect.x + 0.5, rect.y + 0.5, rect.width - 1.0, rect.height - 1.0,
                        radius - 0.5);
        SetColour(edge, edgeAlpha);
        cairo_set_line_width(m_cr, 1.0);
        cairo_stroke(m_cr);
    }
}

void CArtworkCanvas::GradientBox(const LAYOUT_RECT& rect, double radius, LAYOUT_COLOUR top,
                                 LAYOUT_COLOUR bottom, LAYOUT_COLOUR edge, double edgeAlpha)
{
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, rect.y, 0, rect.Bottom());
    cairo_pattern_add_color_stop_rgba(gradient, 0, top.red / 255.0, top.green / 255.0,
                                      top.blue / 255.0, top.alpha / 255.0);
    cairo_pattern_add_color_stop_rgba(gradient, 1, bottom.red / 255.0, bottom.green / 255.0,
                                      bottom.blue / 255.0, bottom.alpha / 255.0);
    RoundedRectPath(rect.x, rect.y, rect.width, rect.height, radius);
    cairo_set_source(m_cr, gradient);
    cairo_fill(m_cr);
    cairo_pattern_destroy(gradient);
    if (edgeAlpha > 0.0)
    {
        RoundedRectPath(rect.x + 0.5, rect.y + 0.5, rect.width - 1.0, rect.height - 1.0,
                        radius - 0.5);
        SetColour(edge, edgeAlpha);
        cairo_set_line_width(m_cr, 1.0);
        cairo_stroke(m_cr);
    }
}

void CArtworkCanvas::HLine(double x0, double x1, int y, LAYOUT_COLOUR colour, double alpha)
{
    FillRect(x0, y, x1 - x0, 1.0, colour, alpha);
}

void CArtworkCanvas::VLine(int x, double y0, double y1, LAYOUT_COLOUR colour, double alpha)
{
    FillRect(x, y0, 1.0, y1 - y0, colour, alpha);
}

void* CArtworkCanvas::MakeLayout(const std::string& text, const ARTWORK_FONT& font)
{
    PangoLayout* layout = pango_cairo_create_layout(m_cr);
    // Grey-scale anti-aliasing, slight hinting and whole-pixel metrics: crisp at 1x, and no
    // dependence on the desktop's sub-pixel settings.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);

    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, "Arial");
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(description, font.sizePx * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    if (font.letterSpacingPx != 0.0)
    {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_letter_spacing_new(static_cast<int>(
                                               std::lround(font.letterSpacingPx * PANGO_SCALE))));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
    }
    pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

double CArtworkCanvas::TextWidth(const std::string& text, const ARTWORK_FONT& font)
{
    PangoLayout* layout = static_cast<PangoLayout*>(MakeLayout(text, font));
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    g_object_unref(layout);
    // Letter spacing adds space after the last letter too; it is not part of the text.
    return (logical.width - font.letterSpacingPx * PANGO_SCALE) / double(PANGO_SCALE);
}

bool CArtworkCanvas::Text(const LAYOUT_RECT& rect, const std::string& text,
                          const ARTWORK_FONT& font, LAYOUT_COLOUR colour, TEXT_ALIGN align,
                          double alphaFactor)
{
    PangoLayout* layout = static_cast<PangoLayout*>(MakeLayout(text, font));
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    const double width = (logical.width - font.letterSpacingPx * PANGO_SCALE) / double(PANGO_SCALE);
    const double height = logical.height / double(PANGO_SCALE);
    double x = rect.x;
    if (align == kAlignCentre)
        x = rect.x + (rect.width - width) / 2.0;
    else if (align == kAlignRight)
        x = rect.Right() - width;
    // The baseline on a whole logical pixel keeps horizontal strokes crisp at both scales.
    const double baseline = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
    const double y = std::floor(rect.y + (rect.height - height) / 2.0 + baseline + 0.5) - baseline;
    x = std::floor(x + 0.5);
    cairo_move_to(m_cr, x, y);
    SetColour(colour, alphaFactor);
    pango_cairo_show_layout(m_cr, layout);
    g_object_unref(layout);
    return width <= rect.width + 0.5;
}

bool CArtworkCanvas::VerticalText(const LAYOUT_RECT& rect, const std::string& text,
                                  const ARTWORK_FONT& font, LAYOUT_COLOUR colour,
                                  double alphaFactor)
{
    PangoLayout* layout = static_cast<PangoLayout*>(MakeLayout(text, font));
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    const double width = (logical.width - font.letterSpacingPx * PANGO_SCALE) / double(PANGO_SCALE);
    const double height = logical.height / double(PANGO_SCALE);
    cairo_save(m_cr);
    // Rotated a quarter turn anticlockwise: the text's x runs up the rectangle.
    const double centreX = rect.x + rect.width / 2.0;
    const double centreY = rect.y + rect.height / 2.0;
    const double baseline = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
    cairo_translate(m_cr, std::floor(centreX - height / 2.0 + baseline + 0.5) - baseline,
                    std::floor(centreY + width / 2.0 + 0.5));
    cairo_rotate(m_cr, -M_PI / 2.0);
    cairo_move_to(m_cr, 0, 0);
    SetColour(colour, alphaFactor);
    pango_cairo_show_layout(m_cr, layout);
    cairo_restore(m_cr);
    g_object_unref(layout);
    return width <= rect.height + 0.5 && height <= rect.width + 2.0;
}

std::vector<unsigned char> CArtworkCanvas::EncodePng(bool interlaced)
{
    cairo_surface_flush(m_surface);
    const int width = cairo_image_surface_get_width(m_surface);
    const int height = cairo_image_surface_get_height(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    if (data == nullptr || width <= 0 || height <= 0)
        return {};

    // cairo keeps premultiplied native-endian ARGB; PNG wants straight RGBA bytes.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
    {
        const auto* in = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        unsigned char* out = rgba.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, out += 4)
        {
            const std::uint32_t pixel = in[x];
            const unsigned int alpha = pixel >> 24;
            auto straight = [alpha](unsigned int premultiplied)
            { return static_cast<unsigned char>((premultiplied * 255 + alpha / 2) / alpha); };
            if (alpha == 0)
            {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            out[0] = straight((pixel >> 16) & 255);
            out[1] = straight((pixel >> 8) & 255);
            out[2] = straight(pixel & 255);
            out[3] = static_cast<unsigned char>(alpha);
        }
    }
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y)
        rows[y] = rgba.data() + static_cast<size_t>(y) * width * 4;

    std::vector<unsigned char> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr)
    {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    // libpng reports errors by longjmp: only plain data is live across this point.
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &bytes, WritePngBytes, nullptr);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

unsigned int CArtworkCanvas::DevicePixel(int x, int y)
{
    cairo_surface_flush(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(m_surface) ||
        y >= cairo_image_surface_get_height(m_surface))
        return 0;
    return *reinterpret_cast<const unsigned int*>(data + y * stride + x * 4);
}
