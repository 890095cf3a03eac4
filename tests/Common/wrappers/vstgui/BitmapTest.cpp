#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

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
