#include "BackgroundArtwork.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
// Pixels in a rectangle (logical, 1x) that differ clearly from its top-left corner:
// text drawn into an otherwise even field.
int InkPixels(CArtworkCanvas& canvas, const LAYOUT_RECT& rect, const LAYOUT_RECT& origin)
{
    const unsigned int ground = canvas.DevicePixel(rect.x - origin.x, rect.y - origin.y);
    int ink = 0;
    for (int y = rect.y; y < rect.Bottom(); ++y)
        for (int x = rect.x; x < rect.Right(); ++x)
        {
            const unsigned int p = canvas.DevicePixel(x - origin.x, y - origin.y);
            int difference = 0;
            for (int shift = 0; shift < 24; shift += 8)
                difference += std::abs(int((p >> shift) & 255) - int((ground >> shift) & 255));
            ink += difference > 60 ? 1 : 0;
        }
    return ink;
}

std::unique_ptr<CArtworkCanvas> Render(const char* name, std::vector<std::string>& warnings)
{
    const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(name);
    EXPECT_NE(bitmap, nullptr);
    return CBackgroundArtwork::Render(*bitmap, 1, warnings);
}
} // namespace

class CBackgroundArtworkTest : public ::testing::TestWithParam<const char*>
{
};

INSTANTIATE_TEST_SUITE_P(EveryBackground, CBackgroundArtworkTest,
                         ::testing::Values("Background.png", "cmpt_background.png",
                                           "MatrixView.png", "MatrixViewCmpt.png",
                                           "cmpt_master_view.png"));

TEST_P(CBackgroundArtworkTest, EveryCaptionAndTextIsDrawnAndFits)
{
    std::vector<std::string> warnings;
    auto canvas = Render(GetParam(), warnings);
    for (const std::string& warning : warnings)
        ADD_FAILURE() << warning;

    const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(GetParam());
    const int mode = bitmap->windowMode;
    LAYOUT_RECT origin{0, 0, bitmap->width, bitmap->height};
    CBackgroundArtwork::TARGET target = CBackgroundArtwork::kTargetBackground;
    if (bitmap->style == kBitmapPage)
    {
        target = std::string(GetParam()).find("Matrix") != std::string::npos
                     ? CBackgroundArtwork::kTargetMatrixPage
                     : CBackgroundArtwork::kTargetMasterView;
        origin =
            GetSectionRect(mode, target == CBackgroundArtwork::kTargetMatrixPage ? kSectionMatrix
                                                                                 : kSectionMaster);
    }
    int count = 0;
    const LAYOUT_CONTROL* controls = GetLayoutControls(mode, count);
    int captions = 0;
    for (int i = 0; i < count; ++i)
    {
        const LAYOUT_CONTROL& c = controls[i];
        if (c.caption == nullptr || CBackgroundArtwork::TargetOf(c.section, mode) != target)
            continue;
        ++captions;
        EXPECT_GT(InkPixels(*canvas, c.captionRect, origin), 6) << c.caption;
    }
    const LAYOUT_TEXT* texts = GetLayoutTexts(mode, count);
    for (int i = 0; i < count; ++i)
    {
        if (CBackgroundArtwork::TargetOf(texts[i].section, mode) != target)
            continue;
        ++captions;
        EXPECT_GT(InkPixels(*canvas, texts[i].rect, origin), 4) << texts[i].text;
    }
    EXPECT_GT(captions, 0);
}

// The background is the window, at both scales.
TEST(CBackgroundArtworkSizeTest, BackgroundsHaveTheWindowSizeAtBothScales)
{
    for (int mode : {int(kWindowNormal), int(kWindowCompact)})
        for (int scale = 1; scale <= 2; ++scale)
        {
            std::vector<std::string> warnings;
            auto canvas = CBackgroundArtwork::Render(
                *FindLayoutBitmap(mode == kWindowNormal ? "Background.png" : "cmpt_background.png"),
                scale, warnings);
            EXPECT_EQ(cairo_image_surface_get_width(canvas->Surface()),
                      GetWindowRect(mode).width * scale);
            EXPECT_EQ(cairo_image_surface_get_height(canvas->Surface()),
                      GetWindowRect(mode).height * scale);
        }
}

TEST(CBackgroundArtworkColourTest, ModuleTitlesAreInTheirAccentColours)
{
    std::vector<std::string> warnings;
    auto canvas = Render("Background.png", warnings);
    for (int m = 0; m < kModulePanelCount; ++m)
    {
        const LAYOUT_MODULE_PANEL panel = GetModulePanel(kWindowNormal, LAYOUT_MODULE(m));
        // The accent, lightened where needed to read at 4.5 : 1 on the panel.
        const LAYOUT_COLOUR raw = GetAccentColour(panel.accent);
        const LAYOUT_COLOUR accent = Legible(raw, LayoutPalette::kPanel);
        EXPECT_GE(Contrast(accent, LayoutPalette::kPanel), 4.5) << panel.title;
        EXPECT_LT(std::abs(accent.red - raw.red) + std::abs(accent.green - raw.green) +
                      std::abs(accent.blue - raw.blue),
                  90)
            << panel.title << " keeps its hue";
        // The brightest title pixel is close to the accent colour.
        int best = 1 << 20;
        for (int y = panel.rect.y + 6; y < panel.rect.y + 24; ++y)
            for (int x = panel.rect.x + 10; x < panel.rect.x + 60; ++x)
            {
                const unsigned int p = canvas->DevicePixel(x, y);
                const int distance = std::abs(int((p >> 16) & 255) - accent.red) +
                                     std::abs(int((p >> 8) & 255) - accent.green) +
                                     std::abs(int(p & 255) - accent.blue);
                best = std::min(best, distance);
            }
        EXPECT_LT(best, 30) << panel.title;
    }
}

TEST(CBackgroundArtworkColourTest, ContrastFollowsWcag)
{
    // White on black is 21 : 1; a colour on itself 1 : 1.
    EXPECT_NEAR(Contrast(LAYOUT_COLOUR{255, 255, 255, 255}, LAYOUT_COLOUR{0, 0, 0, 255}), 21.0,
                1e-9);
    EXPECT_NEAR(Contrast(LayoutPalette::kPanel, LayoutPalette::kPanel), 1.0, 1e-9);
    // The secondary text on the panels passes 4.5 : 1 as it is.
    EXPECT_GE(Contrast(LayoutPalette::kTextSecondary, LayoutPalette::kPanel), 4.5);
    const LAYOUT_COLOUR same = Legible(LayoutPalette::kText, LayoutPalette::kPanel);
    EXPECT_EQ(same.red, LayoutPalette::kText.red) << "already legible: unchanged";
}
