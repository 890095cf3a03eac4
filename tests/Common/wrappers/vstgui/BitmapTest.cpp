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
    }
};
} // namespace

TEST_F(CBitmapTest, LoadsByNameWithLogicalSizes)
{
    CBitmap* strip = new CBitmap("BitmapTestStrip.png");
    EXPECT_TRUE(strip->isLoaded());
    EXPECT_DOUBLE_EQ(strip->getWidth(), 10.0);
    EXPECT_DOUBLE_EQ(strip->getHeight(), 40.0);
    CBitmap* only2x = new CBitmap("BitmapTestOnly2x.png");
    EXPECT_DOUBLE_EQ(only2x->getWidth(), 15.0);
    EXPECT_DOUBLE_EQ(only2x->getHeight(), 10.0);
    CBitmap* missing = new CBitmap("NoSuchImage.png");
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getFrameCount(10), 0);
    strip->forget();
    only2x->forget();
    missing->forget();
}

TEST_F(CBitmapTest, FilmStripFrameCountMustBeWhole)
{
    CBitmap* strip = new CBitmap("BitmapTestStrip.png");
    CBitmap* odd = new CBitmap("BitmapTestOdd.png");
    EXPECT_EQ(strip->getFrameCount(10), 4);
    EXPECT_EQ(strip->getFrameCount(40), 1);
    EXPECT_EQ(strip->getFrameCount(12), 0);
    EXPECT_EQ(strip->getFrameCount(0), 0);
    EXPECT_EQ(odd->getFrameCount(10), 0);
    strip->forget();
    odd->forget();
}

TEST_F(CBitmapTest, AnimKnobShowsFirstAndLastFrameAtTheEnds)
{
    CBitmap* strip = new CBitmap("BitmapTestStrip.png");
    struct CASE
    {
        float value;
        bool inverse;
        int frame;
        CColor colour;
    };
    const CASE cases[] = {
        {0.0f, false, 0, kRedCColor},   {1.0f, false, 3, kWhiteCColor},
        {0.5f, false, 1, kGreenCColor},                                 // 1.5 snapped down
        {0.99f, false, 2, kBlueCColor}, {2.0f, false, 3, kWhiteCColor}, // clamped
        {0.0f, true, 3, kWhiteCColor},  {1.0f, true, 0, kRedCColor},
    };
    for (const CASE& c : cases)
    {
        CFrame* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
        auto* knob = new CAnimKnob(CRect(5, 5, 15, 15), nullptr, 1, 4, 10, strip);
        knob->setInverseBitmap(c.inverse);
        knob->setValue(c.value);
        frame->addView(knob);
        ASSERT_TRUE(frame->openOffscreen(1.0));
        EXPECT_EQ(knob->getCurrentFrame(), c.frame) << c.value << " inverse " << c.inverse;
        EXPECT_TRUE(IsColour(PixelAt(*frame, 10, 10), c.colour)) << c.value;
        EXPECT_TRUE(IsColour(PixelAt(*frame, 14, 14), c.colour)) << "last row of the frame";
        frame->forget();
    }
    strip->forget();
}

TEST_F(CBitmapTest, StripThatIsNotWholeFramesIsRefused)
{
    CBitmap* odd = new CBitmap("BitmapTestOdd.png");
    CFrame* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
    frame->setBackgroundColor(kBlackCColor);
    auto* knob = new CAnimKnob(CRect(0, 0, 10, 10), nullptr, 1, 4, 10, odd);
    EXPECT_FALSE(knob->isStripValid());
    frame->addView(knob);
    ASSERT_TRUE(frame->openOffscreen(1.0));
    EXPECT_TRUE(IsColour(PixelAt(*frame, 5, 5), kBlackCColor));
    frame->forget();
    odd->forget();
}

TEST_F(CBitmapTest, ScaleTwoUsesTheTwoXImageAtHalfSize)
{
    CBitmap* strip = new CBitmap("BitmapTestStrip.png");
    CFrame* frame = new CFrame(CRect(0, 0, 20, 20), nullptr);
    auto* knob = new CAnimKnob(CRect(5, 5, 15, 15), nullptr, 1, 4, 10, strip);
    knob->setValue(1.0f / 3.0f); // frame 1
    frame->addView(knob);
    ASSERT_TRUE(frame->openOffscreen(2.0));
    EXPECT_TRUE(IsColour(PixelAt(*frame, 10, 10), kCyanCColor));
    EXPECT_TRUE(IsColour(PixelAt(*frame, 29, 29), kCyanCColor));
    EXPECT_FALSE(IsColour(PixelAt(*frame, 30, 30), kCyanCColor));
    frame->forget();
    strip->forget();
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

TEST_F(CBitmapTest, SizeFromTheHeaderAndBadImagesDrawNothing)
{
    std::vector<unsigned char> png = MakeStripPng(12, 8, 1, {kRedCColor});
    std::vector<unsigned char> truncated(png.begin(), png.begin() + 40); // header, no pixels
    RegisterPng("BitmapTestTruncated.png", 1, truncated);
    RegisterPng("BitmapTestNotPng.png", 1, std::vector<unsigned char>(64, 'x'));
    CBitmap* broken = new CBitmap("BitmapTestTruncated.png");
    CBitmap* notPng = new CBitmap("BitmapTestNotPng.png");
    EXPECT_TRUE(broken->isLoaded()); // known from the header
    EXPECT_DOUBLE_EQ(broken->getWidth(), 12.0);
    EXPECT_DOUBLE_EQ(broken->getHeight(), 8.0);
    EXPECT_FALSE(notPng->isLoaded());

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
    notPng->forget();
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
    if (frame->openOffscreen(1.0))
    {
        for (int y = 0; y < 10; ++y)
        {
            for (int x = 0; x < 10; ++x)
            {
                const PIXEL p = PixelAt(*frame, x, y);
                pixels.push_back((std::uint32_t(p.alpha) << 24) | (std::uint32_t(p.red) << 16) |
                                 (std::uint32_t(p.green) << 8) | p.blue);
            }
        }
    }
    frame->forget();
    return pixels;
}
} // namespace

TEST_F(CBitmapTest, OneFrameOfATallStripDecodesOnlyItsRowsWithTheWholeImagesPixels)
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
}

TEST_F(CBitmapTest, AStripMovedThroughManyFramesIsDecodedWholeOnce)
{
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

TEST_F(CBitmapTest, ATruncatedStripDrawsNoFrame)
{
    std::vector<unsigned char> png = MakeStripPng(10, 80, 8, kTranslucent);
    png.resize(png.size() / 2);
    RegisterPng("BitmapTestTallTruncated.png", 1, png);
    CBitmap* strip = new CBitmap("BitmapTestTallTruncated.png");
    ASSERT_TRUE(strip->isLoaded());
    for (std::uint32_t pixel : RenderFrame(strip, 7))
    {
        EXPECT_EQ(pixel & 0xFFFFFFu, 0u); // black: nothing drawn
    }
    EXPECT_EQ(strip->GetBandCount(), 0);
    strip->forget();
}
