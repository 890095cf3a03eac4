#include "ControlArtwork.h"

#include <cmath>

namespace
{
constexpr double kDegrees = M_PI / 180.0;

// Control palette beyond the shared one.
const LAYOUT_COLOUR kButtonTop = Rgb(0x343A44);
const LAYOUT_COLOUR kButtonBottom = Rgb(0x2A2F37);
const LAYOUT_COLOUR kButtonEdge = Rgb(0x454C58);
const LAYOUT_COLOUR kPressedTop = Rgb(0x22262C);
const LAYOUT_COLOUR kPressedBottom = Rgb(0x2A2E35);
const LAYOUT_COLOUR kButtonText = Rgb(0xD5D9DE);
const LAYOUT_COLOUR kDarkText = Rgb(0x15171B);
const LAYOUT_COLOUR kTrack = Rgb(0x3A404A);
const LAYOUT_COLOUR kPointer = Rgb(0xF2F4F6);
const LAYOUT_COLOUR kIconOff = Rgb(0x7D848E);
const LAYOUT_COLOUR kBlack{0, 0, 0, 255};
const LAYOUT_COLOUR kWhite{255, 255, 255, 255};

const ARTWORK_FONT kButtonFont{9.0, true, 0.4};
const ARTWORK_FONT kLetterFont{11.0, true, 0.0};

// Faces: "TEXT" (the same in both states) or "OFF|ON" (one text per state or position).
std::vector<std::string> SplitFace(const char* face)
{
    std::vector<std::string> parts;
    if (face == nullptr)
        return parts;
    std::string rest = face;
    size_t bar;
    while ((bar = rest.find('|')) != std::string::npos)
    {
        parts.push_back(rest.substr(0, bar));
        rest = rest.substr(bar + 1);
    }
    parts.push_back(rest);
    return parts;
}

void Report(std::vector<std::string>& warnings, bool fits, const LAYOUT_BITMAP& bitmap,
            const std::string& text)
{
    if (!fits)
        warnings.push_back(std::string(bitmap.name) + ": '" + text + "' does not fit");
}

// Frame f of a strip: draw in the frame's own coordinates, clipped to it.
class CFrameScope
{
  public:
    CFrameScope(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame)
        : m_cr(canvas.Context())
    {
        cairo_save(m_cr);
        cairo_translate(m_cr, 0, double(bitmap.height) * frame);
        cairo_rectangle(m_cr, 0, 0, bitmap.width, bitmap.height);
        cairo_clip(m_cr);
    }
    ~CFrameScope() { cairo_restore(m_cr); }
    CFrameScope(const CFrameScope&) = delete;
    CFrameScope& operator=(const CFrameScope&) = delete;

  private:
    cairo_t* m_cr;
};

void Arc(cairo_t* cr, double cx, double cy, double radius, double fromDeg, double toDeg)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, radius, fromDeg * kDegrees, toDeg * kDegrees);
}
} // namespace

std::unique_ptr<CArtworkCanvas> CControlArtwork::Render(const LAYOUT_BITMAP& bitmap, int scale,
                                                        std::vector<std::string>& warnings)
{
    auto canvas =
        std::make_unique<CArtworkCanvas>(bitmap.width, bitmap.height * bitmap.frames, scale);
    for (int frame = 0; frame < bitmap.frames; ++frame)
    {
        CFrameScope scope(*canvas, bitmap, frame);
        switch (bitmap.style)
        {
        case kBitmapKnob:
            Knob(*canvas, bitmap, bitmap.frames > 1 ? double(frame) / (bitmap.frames - 1) : 0.0);
            break;
        case kBitmapPower:
        case kBitmapToggle:
        case kBitmapKick:
        case kBitmapKickDisabled:
            Button(*canvas, bitmap, frame, warnings);
            break;
        case kBitmapSegments:
        case kBitmapSegmentsVertical:
            Segments(*canvas, bitmap, frame, warnings);
            break;
        case kBitmapTabs:
            Tabs(*canvas, bitmap, frame, warnings);
            break;
        case kBitmapAim:
            Aim(*canvas, bitmap, frame);
            break;
        case kBitmapDice:
            Dice(*canvas, bitmap, frame);
            break;
        case kBitmapMeterOn:
        case kBitmapMeterOff:
            Meter(*canvas, bitmap, bitmap.style == kBitmapMeterOn);
            break;
        case kBitmapRouting:
            Routing(*canvas, bitmap, frame, warnings);
            break;
        case kBitmapHandle:
            Handle(*canvas, bitmap);
            break;
        case kBitmapBrowser:
            Browser(*canvas, bitmap, frame);
            break;
        case kBitmapPopup:
            Popup(*canvas, bitmap, warnings);
            break;
        case kBitmapPopupFill:
            PopupFill(*canvas, bitmap);
            break;
        case kBitmapBackground:
        case kBitmapPage:
            warnings.push_back(std::string(bitmap.name) + ": not a control bitmap");
            break;
        }
    }
    return canvas;
}

void CControlArtwork::Knob(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, double value)
{
    cairo_t* cr = canvas.Context();
    const double size = bitmap.width;
    const double c = size / 2.0;
    const double trackWidth = size < 30 ? 2.5 : size < 50 ? 3.0 : 4.0;
    const double trackRadius = c - trackWidth / 2.0 - 1.5;
    const double bodyRadius = trackRadius - trackWidth / 2.0 - (size < 30 ? 1.8 : 3.0);
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);

    // Soft shadow under the body.
    cairo_arc(cr, c, c + 1.0, bodyRadius + 0.8, 0, 2 * M_PI);
    canvas.Fill(kBlack, 0.45);

    // Body: a light source at the upper left.
    cairo_pattern_t* body = cairo_pattern_create_radial(
        c - bodyRadius * 0.35, c - bodyRadius * 0.45, 0.0, c, c, bodyRadius * 1.25);
    cairo_pattern_add_color_stop_rgb(body, 0.0, 0x4C / 255.0, 0x53 / 255.0, 0x5D / 255.0);
    cairo_pattern_add_color_stop_rgb(body, 0.55, 0x2E / 255.0, 0x33 / 255.0, 0x3A / 255.0);
    cairo_pattern_add_color_stop_rgb(body, 1.0, 0x1E / 255.0, 0x21 / 255.0, 0x26 / 255.0);
    cairo_arc(cr, c, c, bodyRadius, 0, 2 * M_PI);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, c, c, bodyRadius - 0.5, 0, 2 * M_PI);
    canvas.SetColour(Rgb(0x0E1013), 0.9);
    cairo_stroke(cr);
    Arc(cr, c, c, bodyRadius - 1.5, 200.0, 340.0);
    canvas.SetColour(kWhite, 0.10);
    cairo_stroke(cr);

    // Track and value arcs over the knob's 280-degree travel.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, trackWidth);
    Arc(cr, c, c, trackRadius, 130.0, 410.0);
    canvas.SetColour(kTrack);
    cairo_stroke(cr);
    const double angle = KnobAngleDegrees(value);
    if (value > 0.0)
    {
        Arc(cr, c, c, trackRadius, 130.0, angle);
        canvas.SetColour(accent);
        cairo_stroke(cr);
    }

    // Pointer.
    const double pointerWidth = size < 30 ? 1.6 : size < 50 ? 2.2 : 2.8;
    const double inner = bodyRadius * (size < 30 ? 0.15 : 0.3);
    const double outer = bodyRadius - (size < 30 ? 1.5 : 2.5);
    const double dx = std::cos(angle * kDegrees);
    const double dy = std::sin(angle * kDegrees);
    cairo_set_line_width(cr, pointerWidth);
    cairo_move_to(cr, c + dx * inner, c + dy * inner);
    cairo_line_to(cr, c + dx * outer, c + dy * outer);
    canvas.SetColour(kPointer);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void CControlArtwork::Button(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                             std::vector<std::string>& warnings)
{
    const LAYOUT_RECT box{0, 0, bitmap.width, bitmap.height};
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);
    const bool on = frame == 1;
    const double radius = bitmap.height <= 16 ? 3.0 : 4.0;
    const std::vector<std::string> faces = SplitFace(bitmap.face);
    const std::string face =
        faces.empty() ? std::string() : faces[std::min<size_t>(frame, faces.size() - 1)];
    const ARTWORK_FONT font = face.size() == 1 ? kLetterFont : kButtonFont;

    switch (bitmap.style)
    {
    case kBitmapPower:
    {
        if (on)
            canvas.GradientBox(box, radius, Mix(kButtonBottom, accent, 0.22),
                               Mix(kButtonBottom, accent, 0.12), accent, 0.85);
        else
            canvas.GradientBox(box, radius, kButtonTop, kButtonBottom, kButtonEdge);
        cairo_t* cr = canvas.Context();
        const double cx = bitmap.width / 2.0;
        const double cy = bitmap.height / 2.0 + 0.5;
        const double r = std::min(bitmap.width, bitmap.height) * 0.24;
        cairo_set_line_width(cr, bitmap.height <= 16 ? 1.4 : 1.7);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        Arc(cr, cx, cy, r, -55.0, 235.0);
        cairo_move_to(cr, cx, cy - r - 1.2);
        cairo_line_to(cr, cx, cy - 0.8);
        canvas.SetColour(on ? accent : kIconOff);
        cairo_stroke(cr);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        break;
    }
    case kBitmapToggle:
        if (on)
        {
            canvas.GradientBox(box, radius, Mix(accent, kWhite, 0.08), Mix(accent, kBlack, 0.12),
                               Mix(accent, kWhite, 0.3));
            Report(warnings, canvas.Text(box, face, font, kDarkText, kAlignCentre), bitmap, face);
        }
        else
        {
            canvas.GradientBox(box, radius, kButtonTop, kButtonBottom, kButtonEdge);
            Report(warnings, canvas.Text(box, face, font, kButtonText, kAlignCentre), bitmap, face);
        }
        break;
    case kBitmapKick:
    case kBitmapKickDisabled:
    {
        const bool disabled = bitmap.style == kBitmapKickDisabled;
        const bool pressed = on && !disabled;
        if (disabled)
            canvas.Box(box, radius, Rgb(0x262A30), Rgb(0x30353D));
        else if (pressed)
            canvas.GradientBox(box, radius, kPressedTop, kPressedBottom,
                               bitmap.accent == kAccentNeutral ? Rgb(0x5A6270) : accent);
        else
            canvas.GradientBox(box, radius, kButtonTop, kButtonBottom, kButtonEdge);
        const LAYOUT_COLOUR ink = pressed ? kWhite : kButtonText;
        const double inkAlpha = disabled ? 0.32 : 1.0;
        if (!face.empty() && face[0] == '@')
        {
            cairo_push_group(canvas.Context());
            Icon(canvas, face, bitmap.width / 2.0, bitmap.height / 2.0 + (pressed ? 0.5 : 0.0),
                 ink);
            cairo_pop_group_to_source(canvas.Context());
            cairo_paint_with_alpha(canvas.Context(), inkAlpha);
        }
        else
        {
            LAYOUT_RECT textBox = box;
            textBox.y += pressed ? 1 : 0;
            Report(warnings, canvas.Text(textBox, face, font, ink, kAlignCentre, inkAlpha), bitmap,
                   face);
        }
        break;
    }
    default:
        break;
    }
}

void CControlArtwork::Icon(CArtworkCanvas& canvas, const std::string& icon, double cx, double cy,
                           LAYOUT_COLOUR colour)
{
    cairo_t* cr = canvas.Context();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 1.6);
    canvas.SetColour(colour);
    if (icon == "@prev" || icon == "@next")
    {
        const double d = icon == "@prev" ? -1.0 : 1.0;
        cairo_move_to(cr, cx - 1.5 * d, cy - 4.0);
        cairo_line_to(cr, cx + 2.0 * d, cy);
        cairo_line_to(cr, cx - 1.5 * d, cy + 4.0);
        cairo_stroke(cr);
    }
    else if (icon == "@close")
    {
        cairo_move_to(cr, cx - 3.5, cy - 3.5);
        cairo_line_to(cr, cx + 3.5, cy + 3.5);
        cairo_move_to(cr, cx + 3.5, cy - 3.5);
        cairo_line_to(cr, cx - 3.5, cy + 3.5);
        cairo_stroke(cr);
    }
    else if (icon == "@more")
    {
        for (int i = -1; i <= 1; ++i)
        {
            cairo_arc(cr, cx + 5.0 * i, cy, 1.5, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    }
    else if (icon == "@gear")
    {
        // Eight teeth around a ring, with a hole.
        const int teeth = 8;
        const double outer = 7.0, inner = 5.2;
        for (int i = 0; i < teeth * 2; ++i)
        {
            const double a0 = (i * 360.0 / (teeth * 2) - 90.0 - 360.0 / (teeth * 4)) * kDegrees;
            const double a1 = a0 + 360.0 / (teeth * 2) * kDegrees;
            const double r = (i % 2 == 0) ? outer : inner;
            if (i == 0)
                cairo_move_to(cr, cx + r * std::cos(a0), cy + r * std::sin(a0));
            else
                cairo_line_to(cr, cx + r * std::cos(a0), cy + r * std::sin(a0));
            cairo_line_to(cr, cx + r * std::cos(a1), cy + r * std::sin(a1));
        }
        cairo_close_path(cr);
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, cx, cy, 2.3, 2 * M_PI, 0);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

void CControlArtwork::Segments(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                               std::vector<std::string>& warnings)
{
    const std::vector<std::string> faces = SplitFace(bitmap.face);
    const int count = static_cast<int>(faces.size());
    const bool vertical = bitmap.style == kBitmapSegmentsVertical;
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);
    canvas.Box({0, 0, bitmap.width, bitmap.height}, 4.0, Rgb(0x1A1D23), LayoutPalette::kEdge);
    for (int i = 0; i < count; ++i)
    {
        LAYOUT_RECT cell =
            vertical
                ? LAYOUT_RECT{0, bitmap.height * i / count, bitmap.width, bitmap.height / count}
                : LAYOUT_RECT{bitmap.width * i / count, 0, bitmap.width / count, bitmap.height};
        const bool lit = i == frame;
        if (lit)
        {
            const LAYOUT_RECT inset{cell.x + 2, cell.y + 2, cell.width - 4, cell.height - 4};
            canvas.GradientBox(inset, 3.0, Mix(accent, kWhite, 0.08), Mix(accent, kBlack, 0.12),
                               Mix(accent, kWhite, 0.3));
        }
        else if (i > 0 && frame != i - 1)
        {
            if (vertical)
                canvas.HLine(cell.x + 4, cell.Right() - 4, cell.y, LayoutPalette::kEdge);
            else
                canvas.VLine(cell.x, cell.y + 4, cell.Bottom() - 4, LayoutPalette::kEdge);
        }
        const LAYOUT_COLOUR ink = lit ? kDarkText : LayoutPalette::kTextSecondary;
        bool fits;
        if (vertical && bitmap.width < 30)
            fits = canvas.VerticalText(cell, faces[i], kButtonFont, ink);
        else
            fits = canvas.Text({cell.x + 2, cell.y, cell.width - 4, cell.height}, faces[i],
                               kButtonFont, ink, kAlignCentre);
        Report(warnings, fits, bitmap, faces[i]);
    }
}

void CControlArtwork::Tabs(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                           std::vector<std::string>& warnings)
{
    const int tabs = bitmap.frames;
    const int pitch = bitmap.width / tabs;
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);
    for (int i = 0; i < tabs; ++i)
    {
        const LAYOUT_RECT tab{pitch * i, 0, pitch - 4, bitmap.height};
        const bool lit = i == frame;
        if (lit)
        {
            canvas.GradientBox(tab, 4.0, Rgb(0x3A404B), Rgb(0x30353E), accent, 0.9);
            canvas.FillRect(tab.x + 4, tab.Bottom() - 3, tab.width - 8, 2, accent);
        }
        else
        {
            canvas.GradientBox(tab, 4.0, Rgb(0x2A2E35), Rgb(0x24282E), LayoutPalette::kEdge);
        }
        // The aim dot covers the right end of the tab (from x 40): the text stays left of it.
        const std::string text = "MOD " + std::to_string(i + 1);
        Report(warnings,
               canvas.Text({tab.x + 8, 0, 32, bitmap.height}, text, kButtonFont,
                           lit ? kWhite : LayoutPalette::kTextSecondary, kAlignLeft),
               bitmap, text);
    }
}

void CControlArtwork::Aim(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame)
{
    cairo_t* cr = canvas.Context();
    const double c = bitmap.width / 2.0;
    const std::string kind = bitmap.face != nullptr ? bitmap.face : "normal";
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);
    const bool pressed = frame == 1;
    if (kind == "disabled")
    {
        cairo_set_line_width(cr, 1.5);
        cairo_arc(cr, c, c, 5.25, 0, 2 * M_PI);
        canvas.SetColour(Rgb(0x6A717B));
        cairo_stroke(cr);
        cairo_arc(cr, c, c, pressed ? 2.8 : 2.0, 0, 2 * M_PI);
        canvas.Fill(Rgb(0x6A717B));
        return;
    }
    // A soft halo, the ring and the dot; the tremolo look has a light centre.
    cairo_arc(cr, c, c, 7.5, 0, 2 * M_PI);
    canvas.Fill(accent, pressed ? 0.35 : 0.18);
    cairo_set_line_width(cr, 1.5);
    cairo_arc(cr, c, c, 5.25, 0, 2 * M_PI);
    canvas.SetColour(accent);
    cairo_stroke(cr);
    cairo_arc(cr, c, c, pressed ? 3.6 : 3.0, 0, 2 * M_PI);
    canvas.Fill(accent);
    if (kind == "tremolo")
    {
        cairo_arc(cr, c, c, 1.6, 0, 2 * M_PI);
        canvas.Fill(kWhite);
    }
}

void CControlArtwork::Dice(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame)
{
    const bool pressed = frame == 1;
    const double side = 14.0;
    const double x = std::floor((bitmap.width - side) / 2.0);
    const double y = std::floor((bitmap.height - side) / 2.0);
    const LAYOUT_RECT die{int(x), int(y), int(side), int(side)};
    if (pressed)
        canvas.Box(die, 3.0, Rgb(0xE8EAED), Rgb(0xFFFFFF));
    else
        canvas.GradientBox(die, 3.0, Rgb(0x3A404A), Rgb(0x2E333B), Rgb(0x646C78));
    const LAYOUT_COLOUR pip = pressed ? Rgb(0x1B1E24) : Rgb(0xC9CED4);
    cairo_t* cr = canvas.Context();
    const double pips[5][2] = {{-3.5, -3.5}, {3.5, -3.5}, {0, 0}, {-3.5, 3.5}, {3.5, 3.5}};
    for (const auto& p : pips)
    {
        cairo_arc(cr, x + side / 2 + p[0], y + side / 2 + p[1], 1.35, 0, 2 * M_PI);
        canvas.Fill(pip);
    }
}

void CControlArtwork::Meter(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, bool lit)
{
    // 38 segments of 1 px with 1-px gaps from the bottom up, over -48 .. +8 dB: green,
    // yellow from -6 dB, red above 0 dB.
    constexpr int kSegments = 38;
    constexpr double kMinDb = -48.0, kMaxDb = 8.0;
    canvas.FillRect(0, 0, bitmap.width, bitmap.height, Rgb(0x0F1114));
    for (int i = 0; i < kSegments; ++i)
    {
        const double db = kMinDb + (kMaxDb - kMinDb) * (i + 1.0) / kSegments;
        const LAYOUT_COLOUR colour = db > 0.0    ? Rgb(0xFF5252)
                                     : db > -6.0 ? Rgb(0xFFD54F)
                                                 : Rgb(0x66D17A);
        const int y = bitmap.height - 2 * i - 1;
        if (y < 0)
            break;
        canvas.FillRect(1, y, bitmap.width - 2, 1, colour, lit ? 1.0 : 0.16);
    }
}

void CControlArtwork::Routing(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame,
                              std::vector<std::string>& warnings)
{
    // Module codes 0..6 from left to right; row 0 at rest, row 1 while dragged.
    struct TILE
    {
        const char* name;
        LAYOUT_ACCENT accent;
    };
    const TILE tiles[7] = {{"FILTER", kAccentFilter}, {"DIST", kAccentDist},
                           {"LO-FI", kAccentLoFi},    {"FLANGER", kAccentFlanger},
                           {"DELAY", kAccentDelay},   {"TREMOLO", kAccentMod},
                           {"GLITCH", kAccentGlitch}};
    const int pitch = bitmap.width / 7;
    const bool dragged = frame == 1;
    for (int i = 0; i < 7; ++i)
    {
        const LAYOUT_COLOUR accent = GetAccentColour(tiles[i].accent);
        const LAYOUT_RECT tile{pitch * i + 2, 1, pitch - 4, bitmap.height - 2};
        if (dragged)
        {
            cairo_t* cr = canvas.Context();
            canvas.RoundedRectPath(tile.x, tile.y + 1, tile.width, tile.height, 4.0);
            canvas.SetColour(kBlack, 0.5);
            cairo_fill(cr);
            canvas.GradientBox(tile, 4.0, Rgb(0x454C58), Rgb(0x3A404B), accent);
        }
        else
        {
            canvas.GradientBox(tile, 4.0, Rgb(0x30353E), Rgb(0x292D34), Rgb(0x3F4651));
        }
        canvas.FillRect(tile.x + 3, tile.y + 5, 3, tile.height - 10, accent);
        Report(warnings,
               canvas.Text({tile.x + 8, tile.y, tile.width - 14, tile.height}, tiles[i].name,
                           kButtonFont, dragged ? kWhite : kButtonText, kAlignCentre),
               bitmap, tiles[i].name);
        // Grip: a column of dots at the right end, the sign of a tile that moves.
        for (int row = 0; row < 3; ++row)
            canvas.FillRect(tile.Right() - 4, tile.y + 7 + 3 * row, 1, 1,
                            LayoutPalette::kTextSecondary, dragged ? 0.9 : 0.6);
    }
}

void CControlArtwork::Handle(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap)
{
    const LAYOUT_RECT box{1, 1, bitmap.width - 2, bitmap.height - 2};
    canvas.GradientBox(box, 2.5, Rgb(0xE6E8EB), Rgb(0xAEB4BB), Rgb(0x15171B), 0.8);
    canvas.VLine(bitmap.width / 2, 5, bitmap.height - 5, Rgb(0x6A717B));
}

void CControlArtwork::Browser(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap, int frame)
{
    // Drawn over the browser's own text: transparent but for the menu chevron, and an
    // outline while the menu is open.
    const bool open = frame == 1;
    const LAYOUT_COLOUR accent = bitmap.accent == kAccentNeutral ? LayoutPalette::kLayerListText
                                                                 : GetAccentColour(bitmap.accent);
    if (open)
    {
        cairo_t* cr = canvas.Context();
        canvas.RoundedRectPath(0.5, 0.5, bitmap.width - 1.0, bitmap.height - 1.0, 3.5);
        canvas.SetColour(accent);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    cairo_t* cr = canvas.Context();
    const double cx = bitmap.width - 12.0;
    const double cy = bitmap.height / 2.0;
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, cx - 3.5, cy - 1.5);
    cairo_line_to(cr, cx, cy + 2.0);
    cairo_line_to(cr, cx + 3.5, cy - 1.5);
    canvas.SetColour(open ? accent : LayoutPalette::kTextSecondary);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

void CControlArtwork::Popup(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap,
                            std::vector<std::string>& warnings)
{
    // The pop-up shows the top kModPopupHeaderHeight px, one row fill per slot, then
    // this image again from kModPopupBottomOffset down.
    const LAYOUT_COLOUR accent = GetAccentColour(bitmap.accent);
    const LAYOUT_RECT all{0, 0, bitmap.width, bitmap.height};
    canvas.Box(all, 6.0, Rgb(0x262A31), Rgb(0x4A515C));
    canvas.Text({14, 10, bitmap.width - 28, 16}, "MODULATION TARGETS",
                ARTWORK_FONT{11.0, true, 0.6}, accent, kAlignLeft);
    canvas.Text({14, 30, bitmap.width - 28, 12}, "Click the background to close.",
                ARTWORK_FONT{9.0, false, 0.0}, LayoutPalette::kTextSecondary, kAlignLeft);
    const ARTWORK_FONT heading{9.0, true, 0.4};
    Report(
        warnings,
        canvas.Text({46, 60, 28, 12}, "ON", heading, LayoutPalette::kTextSecondary, kAlignCentre),
        bitmap, "ON");
    canvas.Text({80, 60, 120, 12}, "TARGET", heading, LayoutPalette::kTextSecondary, kAlignLeft);
    canvas.Text({206, 60, 60, 12}, "DEPTH", heading, LayoutPalette::kTextSecondary, kAlignLeft);
    canvas.HLine(8, bitmap.width - 8, kModPopupHeaderHeight - 2, LayoutPalette::kEdge);
    // The unused row slot between header and bottom: plain panel, like a row fill.
    canvas.FillRect(1, kModPopupHeaderHeight, bitmap.width - 2,
                    kModPopupBottomOffset - kModPopupHeaderHeight, Rgb(0x262A31));
}

void CControlArtwork::PopupFill(CArtworkCanvas& canvas, const LAYOUT_BITMAP& bitmap)
{
    // One row: the panel between the pop-up's side edges, a faint line at its foot.
    canvas.FillRect(0, 0, bitmap.width, bitmap.height, Rgb(0x262A31));
    canvas.VLine(0, 0, bitmap.height, Rgb(0x4A515C));
    canvas.VLine(bitmap.width - 1, 0, bitmap.height, Rgb(0x4A515C));
    canvas.HLine(12, bitmap.width - 12, bitmap.height - 1, LayoutPalette::kEdge, 0.6);
}
