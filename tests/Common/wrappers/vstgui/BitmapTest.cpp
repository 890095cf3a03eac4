#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace VSTGUI;
using namespace ToolkitTest;

namespace
{
const std::vector<CColor> kStripColours = {kRedCColor, kGreenCColor, kBlueCColor, kWhiteCColor};

class CBitmapTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        RegisterPng("BitmapTestStrip.png", 1, MakeStripPng(10, 40, 4, kStripColours));
        // The 2x image differs in colour so that the tests see which one was drawn.
        RegisterPng(
            "BitmapTestStrip.png", 2,
            MakeStripPng(20, 80, 4, {kYellowCColor, kCyanCColor, kMagentaCColor, kBlackCColor}));
        RegisterPng("BitmapTestOdd.png", 1, MakeStripPng(10, 41, 1, {kRedCColor}));
        RegisterPng("BitmapTestOnly2x.png", 2, MakeStripPng(30, 20, 1, {kRedCColor}));
        std::vector<unsigned char> truncated = MakeStripPng(12, 8, 1, {kRedCColor});
        truncated.resize(40); // the header, no pixels
        RegisterPng("BitmapTestTruncated.png", 1, truncated);
        RegisterPng("BitmapTestNotPng.png", 1, std::vector<unsigned char>(64, 'x'));
    }
};
} // namespace

TEST_F(CBitmapTest, LogicalSizesAndWholeFilmStripFrames)
{
    const struct
    {
        const char* name;
        bool loaded;
        double width, height;
        int frames10, frames40, frames12; // frame counts for frames 10, 40 and 12 high
    } cases[] = {
        {"BitmapTestStrip.png", true, 10, 40, 4, 1, 0},
        {"BitmapTestOnly2x.png", true, 15, 10, 1, 0, 0},
        {"BitmapTestOdd.png", true, 10, 41, 0, 0, 0},
        {"BitmapTestTruncated.png", true, 12, 8, 0, 0, 0}, // size known from the header
        {"BitmapTestNotPng.png", false, 0, 0, 0, 0, 0},
        {"NoSuchImage.png", false, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CBitmap* bitmap = new CBitmap(c.name);
        EXPECT_EQ(bitmap->isLoaded(), c.loaded);
        if (c.loaded)
        {
            EXPECT_DOUBLE_EQ(bitmap->getWidth(), c.width);
            EXPECT_DOUBLE_EQ(bitmap->getHeight(), c.height);
        }
        EXPECT_EQ(bitmap->getFrameCount(10), c.frames10);
        EXPECT_EQ(bitmap->getFrameCount(40), c.frames40);
        EXPECT_EQ(bitmap->getFrameCount(12), c.frames12);
        EXPECT_EQ(bitmap->getFrameCount(0), 0);
        bitmap->forget();
    }
}

TEST_F(CBitmapTest, AnimKnobDrawsTheFrameOfItsValueAtOneAndTwoX)
{
    // The 1x strip is red, green, blue, white; the 2x one yellow, cyan, magenta, black. The
    // knob covers 5..15 logical; a strip that is not whole frames (41 px) draws nothing.
    const struct
    {
        const char* image;
        double scale;
        float value;
        bool inverse;
        int frame;
        CColor colour;
    } cases[] = {
        {"BitmapTestStrip.png", 1, 0.0f, false, 0, kRedCColor},
        {"BitmapTestStrip.png", 1, 1.0f, false, 3, kWhiteCColor},
        {"BitmapTestStrip.png", 1, 0.5f, false, 1, kGreenCColor}, // 1.5 snapped down
        {"BitmapTestStrip.png", 1, 0.99f, false, 2, kBlueCColor},
        {"BitmapTestStrip.png", 1, 2.0f, false, 3, kWhiteCColor}, // clamped
        {"BitmapTestStrip.png", 1, 0.0f, true, 3, kWhiteCColor},
        {"BitmapTestStrip.png", 1, 1.0f, true, 0, kRedCColor},
        {"BitmapTestStrip.png", 2, 1.0f / 3.0f, false, 1, kCyanCColor},
        {"BitmapTestOdd.png", 1, 0.0f, false, 0, kBlackCColor},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.image << " " << c.value << " inverse "
                                          << c.inverse << " at " << c.scale << "x");
        CBitmap* strip = new CBitmap(c.image);
        CFrame* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
        frame->setBackgroundColor(kBlackCColor);
        auto* knob = new CAnimKnob(CRect(5, 5, 15, 15), nullptr, 1, 4, 10, strip);
        strip->forget();
        EXPECT_EQ(knob->isStripValid(), !(c.colour == kBlackCColor));
        knob->setInverseBitmap(c.inverse);
        knob->setValue(c.value);
        frame->addView(knob);
        ASSERT_TRUE(frame->openOffscreen(c.scale));
        EXPECT_EQ(knob->getCurrentFrame(), c.frame);
        const int s = static_cast<int>(c.scale);
        EXPECT_TRUE(IsColour(PixelAt(*frame, 10 * s, 10 * s), c.colour));
        EXPECT_TRUE(IsColour(PixelAt(*frame, 15 * s - 1, 15 * s - 1), c.colour)) << "last row";
        EXPECT_EQ(IsColour(PixelAt(*frame, 15 * s, 15 * s), c.colour), c.colour == kBlackCColor);
        frame->forget();
    }
}

TEST_F(CBitmapTest, SharedDecodedImagesAndBalancedCounts)
{
    const long before = CBaseObject::GetLiveObjectCount();
    CBitmap* a = new CBitmap("BitmapTestStrip.png");
    CBitmap* b = new CBitmap("BitmapTestStrip.png");
    EXPECT_EQ(a->getSurface(1.0), b->getSurface(1.0));
    EXPECT_NE(a->getSurface(1.0), a->getSurface(2.0));
    auto* view = new CView(CRect(0, 0, 1, 1));
    view->setBackground(a);
    EXPECT_EQ(a->getNbReference(), 2);
    view->forget();
    a->forget();
    b->forget();
    EXPECT_EQ(CBaseObject::GetLiveObjectCount(), before);
}

namespace
{
// Eight frames of 10 x 10 in translucent colours (a band's premultiplied pixels must be
// cairo's own); the pixels of `frameIndex` drawn by a knob over black.
const std::vector<CColor> kTranslucent = {CColor(200, 100, 50, 128), CColor(10, 220, 30, 77),
                                          CColor(90, 90, 250, 255), CColor(255, 255, 255, 3)};

std::vector<std::uint32_t> RenderFrame(CBitmap* strip, int frameIndex)
{
    CFrame* frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
    frame->setBackgroundColor(kBlackCColor);
    auto* knob = new CAnimKnob(CRect(0, 0, 10, 10), nullptr, 1, 8, 10, strip);
    knob->setValue(static_cast<float>(frameIndex) / 7.0f);
    frame->addView(knob);
    std::vector<std::uint32_t> pixels;
    const bool open = frame->openOffscreen(1.0);
    for (int y = 0; open && y < 10; ++y)
        for (int x = 0; x < 10; ++x)
        {
            const PIXEL p = PixelAt(*frame, x, y);
            pixels.push_back((std::uint32_t(p.alpha) << 24) | (std::uint32_t(p.red) << 16) |
                             (std::uint32_t(p.green) << 8) | p.blue);
        }
    frame->forget();
    return pixels;
}
} // namespace

TEST_F(CBitmapTest, FramesOfATallStripDecodeOnlyTheirRowsUntilTheWholeImageIsCheaper)
{
    RegisterPng("BitmapTestTall.png", 1, MakeStripPng(10, 80, 8, kTranslucent));
    CBitmap* banded = new CBitmap("BitmapTestTall.png");
    const std::vector<std::uint32_t> frame2 = RenderFrame(banded, 2);
    const std::vector<std::uint32_t> frame5 = RenderFrame(banded, 5);
    EXPECT_EQ(banded->GetBandCount(), 2);
    EXPECT_FALSE(banded->IsDecoded(1));
    ASSERT_EQ(frame2.size(), 100u);
    EXPECT_NE(frame2, frame5);
    // The same frames from the whole image, which another bitmap decoded and now shares.
    CBitmap* whole = new CBitmap("BitmapTestTall.png");
    ASSERT_NE(whole->getSurface(1.0), nullptr);
    CBitmap* sharing = new CBitmap("BitmapTestTall.png");
    EXPECT_EQ(RenderFrame(sharing, 2), frame2);
    EXPECT_EQ(RenderFrame(sharing, 5), frame5);
    EXPECT_EQ(sharing->GetBandCount(), 0);
    EXPECT_TRUE(sharing->IsDecoded(1));
    banded->forget();
    whole->forget();
    sharing->forget();
    // A strip moved through many frames is decoded whole once.
    RegisterPng("BitmapTestTall8.png", 1, MakeStripPng(10, 80, 8, kTranslucent));
    CBitmap* strip = new CBitmap("BitmapTestTall8.png");
    for (int f = 0; f < CBitmap::kMaxBands; ++f)
    {
        RenderFrame(strip, f);
        RenderFrame(strip, f); // the same frame again needs no new band
        EXPECT_EQ(strip->GetBandCount(), f + 1);
    }
    const std::vector<std::uint32_t> last = RenderFrame(strip, CBitmap::kMaxBands);
    EXPECT_EQ(strip->GetBandCount(), 0);
    EXPECT_TRUE(strip->IsDecoded(1));
    EXPECT_EQ(last, RenderFrame(strip, CBitmap::kMaxBands)) << "drawn from the whole image";
    strip->forget();
}

TEST_F(CBitmapTest, ImagesWhosePixelsDoNotDecodeDrawNothing)
{
    std::vector<unsigned char> png = MakeStripPng(10, 80, 8, kTranslucent);
    png.resize(png.size() / 2);
    RegisterPng("BitmapTestTallTruncated.png", 1, png);
    CBitmap* strip = new CBitmap("BitmapTestTallTruncated.png");
    ASSERT_TRUE(strip->isLoaded());
    for (std::uint32_t pixel : RenderFrame(strip, 7))
        EXPECT_EQ(pixel & 0xFFFFFFu, 0u); // black: nothing drawn
    EXPECT_EQ(strip->GetBandCount(), 0);
    strip->forget();
    // A view background with the header and no pixels.
    CBitmap* broken = new CBitmap("BitmapTestTruncated.png");
    CFrame* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
    frame->setBackgroundColor(kBlackCColor);
    auto* view = new CView(CRect(0, 0, 12, 8));
    view->setBackground(broken);
    frame->addView(view);
    ASSERT_TRUE(frame->openOffscreen(1.0));
    EXPECT_EQ(broken->getSurface(1.0), nullptr);
    EXPECT_TRUE(IsColour(PixelAt(*frame, 5, 5), kBlackCColor));
    frame->forget();
    broken->forget();
}
