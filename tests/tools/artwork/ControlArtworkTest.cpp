#include "ControlArtwork.h"
#include "ArtworkRender.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>

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

TEST(CControlArtworkTest, PixelsShowTheStateOfEachFrameInItsAccent)
{
    // Probes at 1x: within `near` of an accent colour, or (near 0) more than 200 from it.
    // Medium knob: track radius 23 - 1.5 - 1.5 = 20 px, frames 46 px; at 350 degrees
    // (clockwise from three o'clock) the arc is lit from a value of (350 - 130) / 280 = 0.79 on.
    const double angle = 350.0 * M_PI / 180.0;
    const int arcX = static_cast<int>(23 + 20 * std::cos(angle));
    const int arcY = static_cast<int>(23 + 20 * std::sin(angle));
    const int lastKnob = 46 * 127, beforeKnob = 46 * static_cast<int>(127 * 0.70);
    const struct
    {
        const char* what;
        const char* bitmap;
        int x, y;
        LAYOUT_ACCENT accent;
        int near;
    } probes[] = {
        {"knob arc, last frame", "KnobMedFilter.png", arcX, lastKnob + arcY, kAccentFilter, 40},
        {"knob arc, value 0.70", "KnobMedFilter.png", arcX, beforeKnob + arcY, kAccentFilter, 0},
        {"knob arc, first frame", "KnobMedFilter.png", arcX, arcY, kAccentFilter, 0},
        {"toggle off (frame 0)", "ModSyncButton.png", 3, 10, kAccentMod, 0},
        {"toggle on (frame 1)", "ModSyncButton.png", 3, 20 + 10, kAccentMod, 60},
    };
    for (const auto& p : probes)
    {
        const int distance = Distance(PixelAt(*Render(p.bitmap, 1), p.x, p.y),
                                      GetAccentColour(p.accent));
        if (p.near > 0)
        {
            EXPECT_LT(distance, p.near) << p.what;
        }
        else
        {
            EXPECT_GT(distance, 200) << p.what;
        }
    }
    // Three selector positions of 60 px: frame k (20 px high) has position k lit.
    auto selector = Render("TremoloSelector.png", 1);
    for (int frame = 0; frame < 3; ++frame)
        for (int position = 0; position < 3; ++position)
        {
            const int distance = Distance(PixelAt(*selector, 60 * position + 4, 20 * frame + 4),
                                          GetAccentColour(kAccentMod));
            EXPECT_EQ(distance < 60, position == frame) << frame << " " << position;
            EXPECT_TRUE(distance < 60 || distance > 200) << frame << " " << position;
        }
    // Routing tile k is module code k (Filter, Dist, LoFi, Flanger, Delay, Tremolo, Glitch):
    // its colour bar sits 3 px into the 70 px tile, in both rows.
    const LAYOUT_ACCENT codes[7] = {kAccentFilter, kAccentDist,  kAccentLoFi,  kAccentFlanger,
                                    kAccentDelay,  kAccentMod,   kAccentGlitch};
    auto routing = Render("RoutingControl.png", 1);
    for (int code = 0; code < 7; ++code)
        for (int row = 0; row < 2; ++row)
            EXPECT_LT(Distance(PixelAt(*routing, 70 * code + 6, 24 * row + 12),
                               GetAccentColour(codes[code])),
                      40)
                << code << " " << row;
    // Below the knob's centre, between the end stops, nothing is drawn.
    EXPECT_EQ(PixelAt(*Render("KnobMedFilter.png", 1), 23, 45).alpha, 0);
}

TEST(CControlArtworkTest, MeterSegmentsRunGreenToRedAndDisabledButtonsAreDimmer)
{
    auto lit = Render("MainMeter.png", 1);
    const RGB bottom = PixelAt(*lit, 4, 74);
    const RGB top = PixelAt(*lit, 4, 0);
    const RGB gap = PixelAt(*lit, 4, 73);
    EXPECT_GT(bottom.green, bottom.red + 60) << "green at -48 dB";
    EXPECT_GT(top.red, top.green + 80) << "red above 0 dB";
    EXPECT_LT(gap.red + gap.green + gap.blue, 60) << "1-px gap between segments";
    EXPECT_LT(PixelAt(*Render("MainMeterOff.png", 1), 4, 74).green, bottom.green / 2)
        << "the off image is dim";

    auto brightest = [](const char* name) {
        auto canvas = Render(name, 1);
        int best = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 46; ++x)
            {
                const RGB p = PixelAt(*canvas, x, y);
                best = std::max(best, p.red + p.green + p.blue);
            }
        return best;
    };
    EXPECT_LT(brightest("UndoButtonDisabled.png") + 150, brightest("UndoButton.png"));
}

TEST(CControlArtworkTest, PngsDecodeWithCairoToTheDrawnPixelsInterlacedOrNot)
{
    // The toolkit decodes with cairo's PNG reader: both encodings give back the drawn strip
    // of frames (within 1 per channel: straight alpha is rounded once each way).
    auto canvas = Render("KnobSmlFilter.png", 2);
    const CTempDataFolder folder;
    const std::string path = folder.GetPath() + "/knob.png";
    for (bool interlaced : {false, true})
    {
        const std::vector<unsigned char> png = canvas->EncodePng(interlaced);
        ASSERT_FALSE(png.empty());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()),
                   static_cast<std::streamsize>(png.size()));
        cairo_surface_t* decoded = cairo_image_surface_create_from_png(path.c_str());
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
