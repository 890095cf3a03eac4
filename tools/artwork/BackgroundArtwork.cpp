#include "BackgroundArtwork.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace
{
const LAYOUT_COLOUR kListField = Rgb(0x1A1D23);
const LAYOUT_COLOUR kListEdge = Rgb(0x3A404A);
const LAYOUT_COLOUR kReadOutEdge = Rgb(0x30353E);
const LAYOUT_COLOUR kEditorField = Rgb(0x15171C);
const LAYOUT_COLOUR kWhite{255, 255, 255, 255};
const LAYOUT_COLOUR kBlack{0, 0, 0, 255};

const ARTWORK_FONT kCaptionFont{10.0, false, 0.0};
const ARTWORK_FONT kTitleFont{10.5, true, 0.3};
const ARTWORK_FONT kGroupFont{10.0, true, 1.0};
const ARTWORK_FONT kHintFont{9.0, false, 0.0};
const ARTWORK_FONT kHeadingFont{9.0, true, 0.6};
const ARTWORK_FONT kNumberFont{9.0, false, 0.0};
const ARTWORK_FONT kWordmarkFont{22.0, true, 1.0};

std::string Upper(const char* text)
{
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

void Report(std::vector<std::string>& warnings, bool fits, const char* bitmapName,
            const std::string& text)
{
    if (!fits)
        warnings.push_back(std::string(bitmapName) + ": '" + text + "' does not fit");
}

// The accent line along a panel's top edge, inside its rounded corners.
void AccentTop(CArtworkCanvas& canvas, const LAYOUT_RECT& rect, LAYOUT_COLOUR accent)
{
    cairo_t* cr = canvas.Context();
    cairo_save(cr);
    canvas.RoundedRectPath(rect.x, rect.y, rect.width, rect.height, 6.0);
    cairo_clip(cr);
    canvas.FillRect(rect.x, rect.y, rect.width, 2, accent);
    cairo_restore(cr);
}
} // namespace

CBackgroundArtwork::TARGET CBackgroundArtwork::TargetOf(LAYOUT_SECTION section, int windowMode)
{
    if (section == kSectionMatrix)
        return kTargetMatrixPage;
    if (section == kSectionMaster && windowMode == kWindowCompact)
        return kTargetMasterView;
    return kTargetBackground;
}

std::unique_ptr<CArtworkCanvas> CBackgroundArtwork::Render(const LAYOUT_BITMAP& bitmap, int scale,
                                                           std::vector<std::string>& warnings)
{
    const int mode = bitmap.windowMode;
    TARGET target = kTargetBackground;
    LAYOUT_RECT origin{0, 0, bitmap.width, bitmap.height};
    if (bitmap.style == kBitmapPage)
    {
        target =
            std::strstr(bitmap.name, "Matrix") != nullptr ? kTargetMatrixPage : kTargetMasterView;
        origin =
            GetSectionRect(mode, target == kTargetMatrixPage ? kSectionMatrix : kSectionMaster);
    }
    auto canvas = std::make_unique<CArtworkCanvas>(bitmap.width, bitmap.height, scale);
    cairo_t* cr = canvas->Context();
    cairo_translate(cr, -origin.x, -origin.y);

    if (target == kTargetBackground)
    {
        // Window: a faint top-to-bottom gradient around the palette's background.
        canvas->GradientBox(origin, 0.0, Rgb(0x1E2128), Rgb(0x191C21), kBlack, 0.0);
    }
    else
    {
        canvas->Box(origin, 6.0, LayoutPalette::kSection, LayoutPalette::kEdge);
        if (target == kTargetMatrixPage)
        {
            AccentTop(*canvas, origin, GetAccentColour(kAccentMod));
            MatrixStripes(*canvas, mode);
            canvas->VLine(origin.x + 158, origin.y + 10, origin.Bottom() - 10,
                          LayoutPalette::kEdge);
        }
    }

    int count = 0;
    const LAYOUT_PANEL* panels = GetLayoutPanels(mode, count);
    for (int i = 0; i < count; ++i)
        if (TargetOf(panels[i].section, mode) == target)
            Panel(*canvas, panels[i]);

    const LAYOUT_CONTROL* controls = GetLayoutControls(mode, count);
    for (int i = 0; i < count; ++i)
        if (TargetOf(controls[i].section, mode) == target)
            Fields(*canvas, controls[i]);
    for (int i = 0; i < count; ++i)
    {
        const LAYOUT_CONTROL& c = controls[i];
        if (TargetOf(c.section, mode) != target || c.caption == nullptr)
            continue;
        // Captions of lists and buttons sit beside them: right-aligned towards them.
        const TEXT_ALIGN align = c.kind == kLayoutKnob               ? kAlignCentre
                                 : c.captionRect.Right() <= c.rect.x ? kAlignRight
                                                                     : kAlignCentre;
        Report(warnings,
               canvas->Text(c.captionRect, c.caption, kCaptionFont, LayoutPalette::kTextSecondary,
                            align),
               bitmap.name, c.caption);
    }

    const LAYOUT_TEXT* texts = GetLayoutTexts(mode, count);
    for (int i = 0; i < count; ++i)
        if (TargetOf(texts[i].section, mode) == target)
            Text(*canvas, texts[i], warnings, bitmap.name);
    return canvas;
}

void CBackgroundArtwork::Panel(CArtworkCanvas& canvas, const LAYOUT_PANEL& panel)
{
    const LAYOUT_COLOUR accent = GetAccentColour(panel.accent);
    switch (panel.style)
    {
    case kPanelSection:
        canvas.GradientBox(panel.rect, LayoutPalette::kCornerRadius, Rgb(0x22262D),
                           LayoutPalette::kSection, LayoutPalette::kEdge);
        break;
    case kPanelModule:
        canvas.GradientBox(panel.rect, LayoutPalette::kCornerRadius, Rgb(0x282C33),
                           LayoutPalette::kPanel, LayoutPalette::kEdge);
        AccentTop(canvas, panel.rect, accent);
        // Title bar separator.
        canvas.HLine(panel.rect.x + 8, panel.rect.Right() - 8, panel.rect.y + 29,
                     LayoutPalette::kEdge);
        break;
    case kPanelGroup:
        canvas.GradientBox(panel.rect, LayoutPalette::kCornerRadius, Rgb(0x282C33),
                           LayoutPalette::kPanel, LayoutPalette::kEdge);
        AccentTop(canvas, panel.rect, accent);
        canvas.HLine(panel.rect.x + 8, panel.rect.Right() - 8, panel.rect.y + 30,
                     LayoutPalette::kEdge);
        break;
    case kPanelField:
        ModEditorField(canvas, panel.rect);
        break;
    }
}

void CBackgroundArtwork::ModEditorField(CArtworkCanvas& canvas, const LAYOUT_RECT& rect)
{
    // The step / MSEG editor's ground: a length strip of 13 px on top (the editors draw
    // the playing cell into it), then the step area from 17 px down with a grid of 32
    // cells, a stronger line every four.
    canvas.Box(rect, 4.0, kEditorField, LayoutPalette::kEdge);
    const int cell = rect.width / 32;
    const LAYOUT_RECT strip{rect.x + 1, rect.y + 1, rect.width - 2, 12};
    canvas.FillRect(strip.x, strip.y, strip.width, strip.height, Rgb(0x1F2229));
    canvas.HLine(rect.x + 1, rect.Right() - 1, rect.y + 13, LayoutPalette::kEdge);
    const int top = rect.y + 17;
    const int bottom = rect.Bottom() - 1;
    for (int i = 1; i < 32; ++i)
    {
        const int x = rect.x + cell * i;
        const bool bar = i % 4 == 0;
        canvas.VLine(x, top, bottom, kWhite, bar ? 0.10 : 0.04);
        canvas.VLine(x, rect.y + (bar ? 2 : 8), rect.y + 13, kWhite, bar ? 0.25 : 0.12);
    }
    for (int q = 1; q < 4; ++q)
    {
        const int y = top + (bottom - top) * q / 4;
        canvas.HLine(rect.x + 1, rect.Right() - 1, y, kWhite, q == 2 ? 0.07 : 0.04);
    }
    static const char* const kBarNumbers[8] = {"1", "5", "9", "13", "17", "21", "25", "29"};
    for (int bar = 0; bar < 8; ++bar)
        canvas.Text({rect.x + cell * 4 * bar + 3, rect.y + 1, 2 * cell, 12}, kBarNumbers[bar],
                    ARTWORK_FONT{9.0, false, 0.0}, LayoutPalette::kTextSecondary, kAlignLeft, 0.8);
}

void CBackgroundArtwork::Fields(CArtworkCanvas& canvas, const LAYOUT_CONTROL& control)
{
    if (control.readOut)
        canvas.Box(control.readOutRect, 3.0, LayoutPalette::kField, kReadOutEdge);
    switch (control.kind)
    {
    case kLayoutList:
        canvas.Box(control.rect, control.rect.height > 20 ? 4.0 : 3.0, kListField, kListEdge);
        break;
    case kLayoutBrowser:
        canvas.Box(control.rect, 4.0, LayoutPalette::kField, kListEdge);
        break;
    case kLayoutSlider:
    {
        // The groove the depth handle travels in, with the zero mark at its centre.
        const LAYOUT_RECT groove{control.rect.x, control.rect.y + control.rect.height / 2 - 2,
                                 control.rect.width, 4};
        canvas.Box(groove, 2.0, LayoutPalette::kField, kReadOutEdge);
        break;
    }
    case kLayoutCorrelation:
        canvas.Box(control.rect, 2.0, Rgb(0x0F1114), Rgb(0x0F1114), 1.0, 0.0);
        canvas.HLine(control.rect.x, control.rect.Right(), control.rect.y + control.rect.height / 2,
                     kWhite, 0.3);
        break;
    default:
        break;
    }
}

void CBackgroundArtwork::Text(CArtworkCanvas& canvas, const LAYOUT_TEXT& text,
                              std::vector<std::string>& warnings, const char* bitmapName)
{
    // Accent-coloured text at least 4.5 : 1 on the panels it sits on.
    const LAYOUT_COLOUR accent = Legible(GetAccentColour(text.accent), LayoutPalette::kPanel);
    bool fits = true;
    switch (text.style)
    {
    case kTextCaption:
        fits = canvas.Text(text.rect, text.text, kCaptionFont, LayoutPalette::kTextSecondary,
                           kAlignCentre);
        break;
    case kTextTitle:
        fits = canvas.Text(text.rect, Upper(text.text), kTitleFont, accent, kAlignLeft);
        break;
    case kTextGroup:
        // A group's name runs up its left edge, with a separator before it.
        canvas.VLine(text.rect.x - 6, text.rect.y + 2, text.rect.Bottom() - 2,
                     LayoutPalette::kEdge);
        fits = canvas.VerticalText(text.rect, Upper(text.text), kGroupFont, accent);
        break;
    case kTextHint:
        fits =
            canvas.Text(text.rect, text.text, kHintFont, LayoutPalette::kTextSecondary, kAlignLeft);
        break;
    case kTextHeading:
        fits = canvas.Text(text.rect, Upper(text.text), kHeadingFont, LayoutPalette::kTextSecondary,
                           kAlignLeft);
        break;
    case kTextNumber:
        fits = canvas.Text(text.rect, text.text, kNumberFont, LayoutPalette::kTextSecondary,
                           kAlignRight);
        break;
    case kTextWordmark:
    {
        fits = canvas.Text(text.rect, text.text, kWordmarkFont, LayoutPalette::kText, kAlignLeft);
        // Under the name, a thin bar in the six module colours.
        const LAYOUT_ACCENT accents[6] = {kAccentFilter, kAccentDist,    kAccentDelay,
                                          kAccentLoFi,   kAccentFlanger, kAccentGlitch};
        const int segment = 12;
        for (int i = 0; i < 6; ++i)
            canvas.FillRect(text.rect.x + 1 + segment * i, text.rect.Bottom() + 1, segment - 2, 2,
                            GetAccentColour(accents[i]));
        break;
    }
    }
    Report(warnings, fits, bitmapName, text.text);
}

void CBackgroundArtwork::MatrixStripes(CArtworkCanvas& canvas, int windowMode)
{
    // Every other row on a faint band, so the eye follows a row across.
    for (int slot = 0; slot < 24; slot += 2)
    {
        const LAYOUT_CONTROL* power = FindLayoutControl(windowMode, 211 + slot);
        const LAYOUT_CONTROL* next = FindLayoutControl(windowMode, 211 + slot + 1);
        if (power == nullptr || next == nullptr)
            continue;
        // A row is 19 px high from 2 px above its power button; the band spans the pitch.
        const int pitch = next->rect.y - power->rect.y;
        const int rowTop = power->rect.y - 2;
        canvas.Box({power->rect.x - 22, rowTop - (pitch - 19) / 2, 390, pitch}, 3.0, kWhite, kWhite,
                   0.025, 0.0);
    }
}
