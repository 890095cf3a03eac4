#include "ControlArtwork.h"
#include "ArtworkRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace
{
struct RGB
{
    int red, green, blue, alpha;
};

// Un-premultiplied colour of a device pixel.
RGB PixelAt(CArtworkCanvas& canvas, int x, int y)
{
    const unsigned int argb = canvas.DevicePixel(x, y);
    const int alpha = argb >> 24;
    auto channel = [alpha](unsigned int value)
    { return alpha == 0 ? 0 : static_cast<int>(std::lround(value * 255.0 / alpha)); };
    return {channel((argb >> 16) & 255), channel((argb >> 8) & 255), channel(argb & 255), alpha};
}

int Distance(RGB pixel, LAYOUT_COLOUR colour)
{
    return std::abs(pixel.red - colour.red) + std::abs(pixel.green - colour.green) +
           std::abs(pixel.blue - colour.blue);
}

std::unique_ptr<CArtworkCanvas> Render(const char* name, int scale)
{
    const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(name);
    EXPECT_NE(bitmap, nullptr) << name;
    std::vector<std::string> warnings;
    auto canvas = CControlArtwork::Render(*bitmap, scale, warnings);
    EXPECT_TRUE(warnings.empty()) << name;
    return canvas;
}
} // namespace

TEST(CControlArtworkTest, EveryControlBitmapIsAWholeStripAtBothScalesAndItsTextsFit)
{
    int count = 0;
    const LAYOUT_BITMAP* bitmaps = GetLayoutBitmaps(count);
    for (int i = 0; i < count; ++i)
    {
        if (bitmaps[i].style == kBitmapBackground || bitmaps[i].style == kBitmapPage)
            continue;
        for (int scale = 1; scale <= 2; ++scale)
        {
            std::vector<std::string> warnings;
            auto canvas = CControlArtwork::Render(bitmaps[i], scale, warnings);
            cairo_surface_t* surface = canvas->Surface();
            EXPECT_EQ(cairo_image_surface_get_width(surface), bitmaps[i].width * scale)
                << bitmaps[i].name;
            EXPECT_EQ(cairo_image_surface_get_height(surface),
                      bitmaps[i].height * bitmaps[i].frames * scale)
                << bitmaps[i].name;
            EXPECT_EQ(cairo_status(canvas->Context()), CAIRO_STATUS_SUCCESS) << bitmaps[i].name;
            for (const std::string& warning : warnings)
                ADD_FAILURE() << warning;
        }
    }
}

TEST(CControlArtworkTest, SameInputGivesTheSameBytes)
{
    for (const char* name : {"KnobMedFilter.png", "TremoloSelector.png", "RoutingControl.png"})
    {
        std::vector<std::string> warnings;
        const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(name);
        const std::vector<unsigned char> first = RenderArtworkPng(*bitmap, 2, warnings);
        const std::vector<unsigned char> second = RenderArtworkPng(*bitmap, 2, warnings);
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first, second) << name;
        // A PNG signature.
        EXPECT_EQ(first[1], 'P');
        EXPECT_EQ(first[2], 'N');
        EXPECT_EQ(first[3], 'G');
    }
}

TEST(CControlArtworkTest, KnobFramesSweepTheValueArcInTheAccentColour)
{
    // Medium knob: track radius 23 - 1.5 - 1.5 = 20 px. At 350 degrees (clockwise from
    // three o'clock) the arc is lit from a value of (350 - 130) / 280 = 0.79 on.
    auto canvas = Render("KnobMedFilter.png", 1);
    const double angle = 350.0 * M_PI / 180.0;
    const int x = static_cast<int>(23 + 20 * std::cos(angle));
    const int y = static_cast<int>(23 + 20 * std::sin(angle));
    const LAYOUT_COLOUR accent = GetAccentColour(kAccentFilter);
    const int frames = 128;
    const int lastFrameY = 46 * (frames - 1);
    const int beforeFrameY = 46 * static_cast<int>((frames - 1) * 0.70);
    EXPECT_LT(Distance(PixelAt(*canvas, x, lastFrameY + y), accent), 40);
    EXPECT_GT(Distance(PixelAt(*canvas, x, beforeFrameY + y), accent), 200);
    EXPECT_GT(Distance(PixelAt(*canvas, x, y), accent), 200);
    // Below the knob's centre, between the end stops, nothing is drawn.
    EXPECT_EQ(PixelAt(*canvas, 23, 45).alpha, 0);
}

TEST(CControlArtworkTest, ToggleLightsInItsAccentOnlyWhenOn)
{
    auto canvas = Render("ModSyncButton.png", 1);
    const LAYOUT_COLOUR accent = GetAccentColour(kAccentMod);
    // Left inside edge, away from the text: frame 0 off, frame 1 (20 px down) on.
    EXPECT_GT(Distance(PixelAt(*canvas, 3, 10), accent), 200);
    EXPECT_LT(Distance(PixelAt(*canvas, 3, 20 + 10), accent), 60);
}

TEST(CControlArtworkTest, SelectorFrameLightsItsOwnPosition)
{
    // Three positions of 60 px: frame k has position k lit.
    auto canvas = Render("TremoloSelector.png", 1);
    const LAYOUT_COLOUR accent = GetAccentColour(kAccentMod);
    for (int frame = 0; frame < 3; ++frame)
        for (int position = 0; position < 3; ++position)
        {
            const RGB pixel = PixelAt(*canvas, 60 * position + 4, 20 * frame + 4);
            if (position == frame)
                EXPECT_LT(Distance(pixel, accent), 60) << frame << " " << position;
            else
                EXPECT_GT(Distance(pixel, accent), 200) << frame << " " << position;
        }
}

TEST(CControlArtworkTest, MeterSegmentsRunGreenToRedFromTheBottomWithGaps)
{
    auto lit = Render("MainMeter.png", 1);
    auto unlit = Render("MainMeterOff.png", 1);
    const RGB bottom = PixelAt(*lit, 4, 74);
    const RGB top = PixelAt(*lit, 4, 0);
    const RGB gap = PixelAt(*lit, 4, 73);
    EXPECT_GT(bottom.green, bottom.red + 60) << "green at -48 dB";
    EXPECT_GT(top.red, top.green + 80) << "red above 0 dB";
    EXPECT_LT(gap.red + gap.green + gap.blue, 60) << "1-px gap between segments";
    const RGB dim = PixelAt(*unlit, 4, 74);
    EXPECT_LT(dim.green, bottom.green / 2) << "the off image is dim";
}

TEST(CControlArtworkTest, RoutingTilesFollowTheModuleCodes)
{
    // Tile k is module code k (Filter 0, Dist 1, LoFi 2, Flanger 3, Delay 4, Tremolo 5,
    // Glitch 6): its colour bar sits 3 px into the tile.
    auto canvas = Render("RoutingControl.png", 1);
    const LAYOUT_ACCENT accents[7] = {kAccentFilter, kAccentDist, kAccentLoFi,  kAccentFlanger,
                                      kAccentDelay,  kAccentMod,  kAccentGlitch};
    for (int code = 0; code < 7; ++code)
    {
        for (int row = 0; row < 2; ++row)
        {
            const RGB bar = PixelAt(*canvas, 70 * code + 2 + 4, 24 * row + 12);
            EXPECT_LT(Distance(bar, GetAccentColour(accents[code])), 40) << code << " " << row;
        }
    }
}

TEST(CControlArtworkTest, DisabledButtonsAreDimmerThanEnabledOnes)
{
    auto enabled = Render("UndoButton.png", 1);
    auto disabled = Render("UndoButtonDisabled.png", 1);
    auto brightest = [](CArtworkCanvas& canvas)
    {
        int best = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 46; ++x)
            {
                const RGB p = PixelAt(canvas, x, y);
                best = std::max(best, p.red + p.green + p.blue);
            }
        return best;
    };
    EXPECT_LT(brightest(*disabled) + 150, brightest(*enabled));
}

namespace
{
struct PNG_READER
{
    const std::vector<unsigned char>* bytes;
    size_t at;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length)
{
    auto* reader = static_cast<PNG_READER*>(closure);
    if (reader->at + length > reader->bytes->size())
        return CAIRO_STATUS_READ_ERROR;
    std::copy_n(reader->bytes->data() + reader->at, length, data);
    reader->at += length;
    return CAIRO_STATUS_SUCCESS;
}
} // namespace

TEST(CControlArtworkTest, PngsDecodeWithCairoToTheDrawnPixelsInterlacedOrNot)
{
    // The toolkit decodes with cairo's PNG reader: both encodings must give back the
    // drawn pixels (within 1 per channel: straight alpha is rounded once each way).
    auto canvas = Render("KnobSmlFilter.png", 2);
    for (bool interlaced : {false, true})
    {
        const std::vector<unsigned char> png = canvas->EncodePng(interlaced);
        ASSERT_FALSE(png.empty());
        PNG_READER reader{&png, 0};
        cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
        ASSERT_EQ(cairo_surface_status(decoded), CAIRO_STATUS_SUCCESS);
        const int width = cairo_image_surface_get_width(decoded);
        const int height = cairo_image_surface_get_height(decoded);
        ASSERT_EQ(width, 52);
        ASSERT_EQ(height, 52 * 64);
        const int stride = cairo_image_surface_get_stride(decoded);
        const unsigned char* data = cairo_image_surface_get_data(decoded);
        int worst = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                const auto got = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
                const unsigned int want = canvas->DevicePixel(x, y);
                for (int shift = 0; shift < 32; shift += 8)
                    worst = std::max(
                        worst, std::abs(int((got >> shift) & 255) - int((want >> shift) & 255)));
            }
        EXPECT_LE(worst, 1) << (interlaced ? "interlaced" : "plain");
        cairo_surface_destroy(decoded);
    }
}
