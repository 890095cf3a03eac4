#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace VSTGUI;
using namespace ToolkitTest;

namespace
{
class CFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame = new CFrame(CRect(0, 0, 200, 100), &m_editor);
        m_editor.SetFrame(m_frame);
        ASSERT_TRUE(m_frame->openOffscreen(1.0));
    }
    void TearDown() override { m_frame->forget(); }
    CRecordingEditor m_editor;
    CFrame* m_frame = nullptr;
};

// Records what reaches it.
class CProbeView : public CView
{
public:
    explicit CProbeView(const CRect& size) : CView(size) {}
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override
    {
        lastButtons = buttons;
        return Note("down ", where, result);
    }
    CMouseEventResult onMouseMoved(CPoint& where, const long&) override
    {
        return Note("move ", where, kMouseEventHandled);
    }
    CMouseEventResult onMouseUp(CPoint& where, const long&) override
    {
        return Note("up ", where, kMouseEventHandled);
    }
    bool onWheel(const CPoint&, const float& distance, const long&) override
    {
        log += distance > 0 ? "wheel+ " : "wheel- ";
        return true;
    }
    std::string log;
    CPoint lastPoint;
    long lastButtons = 0;
    CMouseEventResult result = kMouseEventHandled;

private:
    CMouseEventResult Note(const char* what, const CPoint& where, CMouseEventResult answer)
    {
        log += what;
        lastPoint = where;
        return answer;
    }
};

class CObserver : public IMouseObserver
{
public:
    void onMouseEntered(CView* view, CFrame*) override { entered = view; }
    void onMouseExited(CView* view, CFrame*) override { exited = view; }
    void onMouseMoved(CFrame*, const CPoint&) override { ++moves; }
    void onMouseDown(CFrame*, const CPoint&) override { ++downs; }
    CView* entered = nullptr;
    CView* exited = nullptr;
    int moves = 0;
    int downs = 0;
};
} // namespace

TEST_F(CFrameTest, DirtyRectsMergeWhenTheUnionCostsNoMoreAndTheListIsCapped)
{
    m_frame->renderNow(); // empty the list
    m_frame->invalidateFrameRect(CRect(0, 0, 10, 10));
    m_frame->invalidateFrameRect(CRect(10, 0, 20, 10)); // adjacent: union = sum
    ASSERT_EQ(m_frame->getDirtyRects().size(), 1u);
    EXPECT_EQ(m_frame->getDirtyRects()[0], CRect(0, 0, 20, 10));
    m_frame->invalidateFrameRect(CRect(100, 50, 110, 60)); // far apart: union far larger
    EXPECT_EQ(m_frame->getDirtyRects().size(), 2u);
    m_frame->invalidateFrameRect(CRect(2, 2, 5, 5)); // inside the first
    EXPECT_EQ(m_frame->getDirtyRects().size(), 2u);
    m_frame->invalidateFrameRect(CRect(150, 90, 300, 300)); // clipped to the frame
    EXPECT_EQ(m_frame->getDirtyRects().back(), CRect(150, 90, 200, 100));
    m_frame->renderNow();
    for (int i = 0; i < 17; ++i)
        m_frame->invalidateFrameRect(CRect(i * 11, (i % 2) * 50, i * 11 + 2, (i % 2) * 50 + 2));
    ASSERT_EQ(m_frame->getDirtyRects().size(), 1u);
    EXPECT_EQ(m_frame->getDirtyRects()[0], CRect(0, 0, 178, 52));
}

TEST_F(CFrameTest, IdleRepaintsOnlyWhatChanged)
{
    auto* a = new CColourView(CRect(0, 0, 50, 50), kRedCColor);
    auto* b = new CColourView(CRect(100, 0, 150, 50), kBlueCColor);
    m_frame->addView(a);
    m_frame->addView(b);
    m_frame->idle();
    m_frame->resetPaintStatistics();
    a->draws = b->draws = 0;
    m_frame->idle(); // nothing dirty
    EXPECT_EQ(m_frame->getPaintStatistics().paintCount, 0);
    EXPECT_EQ(m_frame->getPaintStatistics().viewWalks, 0);
    b->setDirty(true);
    m_frame->idle();
    EXPECT_EQ(m_frame->getPaintStatistics().paintCount, 1);
    EXPECT_DOUBLE_EQ(m_frame->getPaintStatistics().paintedArea, 50.0 * 50.0);
    EXPECT_EQ(a->draws, 0);
    EXPECT_EQ(b->draws, 1);
    EXPECT_FALSE(b->isDirty());
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 125, 25), kBlueCColor));
}

TEST_F(CFrameTest, DirtyFlagFromAnotherThreadSurvivesThePaint)
{
    // Set dirty again (as by the audio thread) during its draw: the draw's "clean" must not win.
    class CLateView : public CColourView
    {
    public:
        using CColourView::CColourView;
        void draw(CDrawContext* context) override
        {
            CColourView::draw(context);
            if (draws == 1)
                setDirty(true); // as if the audio thread set a new value now
        }
    };
    auto* view = new CLateView(CRect(0, 0, 10, 10), kRedCColor);
    m_frame->addView(view);
    m_frame->idle();
    EXPECT_EQ(view->draws, 1);
    m_frame->idle();
    EXPECT_EQ(view->draws, 2);
}

TEST_F(CFrameTest, DoubleClickNeedsTimeDistanceAndSameButton)
{
    auto* probe = new CProbeView(CRect(0, 0, 200, 100));
    m_frame->addView(probe);
    const struct
    {
        const char* name;
        CPoint second;
        std::uint32_t delayMs;
        long button;
        bool doubleClick;
    } cases[] = {
        {"quick and close", {52, 53}, 200, kLButton, true},
        {"exactly 250 ms, 5 px", {55, 55}, 250, kLButton, true},
        {"too slow", {50, 50}, 251, kLButton, false},
        {"too far", {56, 50}, 100, kLButton, false},
        {"other button", {50, 50}, 100, kRButton, false},
    };
    std::uint32_t time = 5000;
    for (const auto& c : cases)
    {
        time += 10000;
        Click(*m_frame, CPoint(50, 50), kLButton, time);
        EXPECT_EQ(probe->lastButtons & kDoubleClick, 0) << c.name;
        Click(*m_frame, c.second, c.button, time + c.delayMs);
        EXPECT_EQ((probe->lastButtons & kDoubleClick) != 0, c.doubleClick) << c.name;
    }
    // A third quick press starts over.
    Click(*m_frame, CPoint(10, 10), kLButton, 90000);
    Click(*m_frame, CPoint(10, 10), kLButton, 90100);
    Click(*m_frame, CPoint(10, 10), kLButton, 90200);
    EXPECT_EQ(probe->lastButtons & kDoubleClick, 0);
}

TEST_F(CFrameTest, CapturedViewGetsMovesAndReleaseOutsideItself)
{
    auto* container = new CViewContainer(CRect(20, 20, 120, 80));
    auto* pressed = new CProbeView(CRect(10, 10, 30, 30)); // frame 30..50
    auto* other = new CProbeView(CRect(50, 10, 90, 30));
    container->addView(pressed);
    container->addView(other);
    m_frame->addView(container);
    m_frame->platformOnMouseDown(CPoint(35, 35), kLButton, 1);
    m_frame->platformOnMouseMoved(CPoint(190, 95), kLButton); // far outside
    m_frame->platformOnMouseUp(CPoint(80, 40), kLButton);     // over `other`
    EXPECT_EQ(pressed->log, "down move up ");
    EXPECT_EQ(other->log, "");
    // In the pressed view's parent (the container's) coordinates.
    EXPECT_EQ(pressed->lastPoint, CPoint(60, 20));
    m_frame->platformOnMouseMoved(CPoint(35, 35), 0);
    EXPECT_EQ(pressed->log, "down move up "); // capture over
}

TEST_F(CFrameTest, UnhandledPressFallsThroughAndUnwantedMovesAreNotSent)
{
    auto* below = new CProbeView(CRect(0, 0, 50, 50));
    auto* above = new CProbeView(CRect(0, 0, 50, 50));
    above->result = kMouseEventNotHandled;
    m_frame->addView(below);
    m_frame->addView(above);
    Click(*m_frame, CPoint(10, 10));
    EXPECT_EQ(above->log, "down ");
    EXPECT_EQ(below->log, "down up ");
    below->result = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    below->log.clear();
    m_frame->platformOnMouseDown(CPoint(10, 10), kLButton, 5000);
    m_frame->platformOnMouseMoved(CPoint(20, 20), kLButton);
    m_frame->platformOnMouseUp(CPoint(20, 20), kLButton);
    EXPECT_EQ(below->log, "down ");
}

TEST_F(CFrameTest, WheelGoesToTheViewUnderTheMouse)
{
    auto* left = new CProbeView(CRect(0, 0, 100, 100));
    auto* right = new CProbeView(CRect(100, 0, 200, 100));
    m_frame->addView(left);
    m_frame->addView(right);
    m_frame->platformOnWheel(CPoint(150, 50), 1.0f, false, 0);
    m_frame->platformOnWheel(CPoint(50, 50), -1.0f, false, 0);
    m_frame->platformOnWheel(CPoint(50, 50), 1.0f, true, 0); // horizontal: not a plain wheel
    EXPECT_EQ(right->log, "wheel+ ");
    EXPECT_EQ(left->log, "wheel- ");
}

TEST_F(CFrameTest, GetViewAtSearchesNestedContainers)
{
    auto* outer = new CViewContainer(CRect(10, 10, 110, 90));
    auto* inner = new CViewContainer(CRect(20, 20, 80, 60)); // frame 30..90 x 30..70
    auto* leaf = new CView(CRect(5, 5, 15, 15));             // frame 35..45
    inner->addView(leaf);
    outer->addView(inner);
    m_frame->addView(outer);
    EXPECT_EQ(m_frame->getViewAt(CPoint(40, 40), true), leaf);
    EXPECT_EQ(m_frame->getViewAt(CPoint(40, 40), false), outer);
    EXPECT_EQ(m_frame->getViewAt(CPoint(60, 60), true), inner); // inside, no child there
    EXPECT_EQ(m_frame->getViewAt(CPoint(150, 50), true), nullptr);
    CPoint point(5, 5);
    leaf->localToFrame(point);
    EXPECT_EQ(point, CPoint(35, 35));
    leaf->frameToLocal(point);
    EXPECT_EQ(point, CPoint(5, 5));
}

TEST_F(CFrameTest, MouseObserverSeesEnterExitMovesAndPresses)
{
    CObserver observer;
    m_frame->setMouseObserver(&observer);
    auto* a = new CView(CRect(0, 0, 50, 50));
    auto* b = new CView(CRect(50, 0, 100, 50));
    m_frame->addView(a);
    m_frame->addView(b);
    m_frame->platformOnMouseMoved(CPoint(10, 10), 0);
    EXPECT_EQ(observer.entered, a);
    m_frame->platformOnMouseMoved(CPoint(60, 10), 0);
    EXPECT_EQ(observer.exited, a);
    EXPECT_EQ(observer.entered, b);
    EXPECT_EQ(m_frame->getMouseOverView(), b);
    m_frame->removeView(b); // the observer must not keep a dangling hover view
    EXPECT_EQ(observer.exited, b);
    EXPECT_EQ(m_frame->getMouseOverView(), nullptr);
    m_frame->platformOnMouseDown(CPoint(10, 10), kLButton, 1);
    EXPECT_EQ(observer.downs, 1);
    EXPECT_EQ(observer.moves, 2);
    m_frame->setMouseObserver(nullptr);
}

TEST_F(CFrameTest, RemoveWithoutForgetAndAddAgainKeepsCountsBalanced)
{
    const long before = CBaseObject::GetLiveObjectCount();
    auto* container = new CViewContainer(CRect(0, 0, 100, 100));
    auto* view = new CView(CRect(0, 0, 10, 10));
    container->addView(view);
    m_frame->addView(container);
    EXPECT_TRUE(view->isAttached());
    EXPECT_EQ(view->getFrame(), m_frame);
    container->removeView(view, false);
    EXPECT_FALSE(view->isAttached());
    EXPECT_EQ(view->getNbReference(), 1);
    EXPECT_TRUE(container->addView(view));
    EXPECT_FALSE(container->addView(view)); // already a child
    EXPECT_TRUE(view->isAttached());
    EXPECT_EQ(view->getNbReference(), 1);
    m_frame->removeView(container); // with forget: both go
    EXPECT_EQ(CBaseObject::GetLiveObjectCount(), before);
}

TEST_F(CFrameTest, ChildrenDrawInZOrderClippedToThemselves)
{
    m_frame->setBackgroundColor(kBlackCColor);
    m_frame->addView(new CColourView(CRect(0, 0, 60, 60), kRedCColor));
    m_frame->addView(new CColourView(CRect(40, 40, 100, 100), kBlueCColor));
    auto* changed = new CColourView(CRect(40, 40, 100, 100), kGreenCColor);
    m_frame->addView(changed, m_frame->getView(1)); // below the blue one
    m_frame->renderNow();
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 20, 20), kRedCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 50, 50), kBlueCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 150, 50), kBlackCColor));
    m_frame->changeViewZOrder(changed, 2);
    m_frame->renderNow();
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 50, 50), kGreenCColor));
}

TEST_F(CFrameTest, ScaleTwoDrawsTheSamePictureAtTwiceThePixels)
{
    auto build = [](CFrame* frame)
    {
        frame->setBackgroundColor(CColor(0x25, 0x29, 0x2F));
        frame->addView(new CColourView(CRect(10, 10, 40, 30), kRedCColor));
        auto* label = new CTextLabel(CRect(50, 10, 190, 40), "Cutoff 440 Hz");
        label->setTransparency(true);
        frame->addView(label);
    };
    build(m_frame);
    m_frame->renderNow();
    auto* big = new CFrame(CRect(0, 0, 200, 100), nullptr);
    build(big);
    ASSERT_TRUE(big->openOffscreen(2.0));
    int width = 0, height = 0, stride = 0;
    ASSERT_NE(big->getBackBufferPixels(width, height, stride), nullptr);
    EXPECT_EQ(width, 400);
    EXPECT_EQ(height, 200);
    // Solid areas: identical colours at corresponding pixels.
    EXPECT_TRUE(IsColour(PixelAt(*big, 20, 20), kRedCColor));
    EXPECT_TRUE(IsColour(PixelAt(*big, 79, 59), kRedCColor));
    EXPECT_FALSE(IsColour(PixelAt(*big, 80, 60), kRedCColor));
    // Text: about four times as many inked pixels in the label at 2x.
    const CColor panel(0x25, 0x29, 0x2F);
    const int small = CountDifferent(*m_frame, 50, 10, 190, 40, panel);
    const int large = CountDifferent(*big, 100, 20, 380, 80, panel);
    EXPECT_GT(small, 50);
    EXPECT_NEAR(static_cast<double>(large) / small, 4.0, 1.2);
    big->forget();
}

TEST_F(CFrameTest, WritesAPng)
{
    const std::string path = ::testing::TempDir() + "vstgui_frame_test.png";
    ASSERT_TRUE(m_frame->writePNG(path.c_str()));
    char signature[8] = {};
    std::ifstream(path, std::ios::binary).read(signature, 8);
    std::remove(path.c_str());
    EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
    CFrame closed(CRect(0, 0, 10, 10), nullptr);
    EXPECT_FALSE(closed.writePNG(path.c_str()));
}

TEST_F(CFrameTest, CloseResizeAndOpenWithoutAWindowSystem)
{
    m_frame->addView(new CColourView(CRect(0, 0, 20, 20), kRedCColor));
    EXPECT_TRUE(m_frame->setSize(300, 150));
    int width = 0, height = 0, stride = 0;
    m_frame->getBackBufferPixels(width, height, stride);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 150);
    EXPECT_FALSE(m_frame->setSize(0, 10));
    m_frame->platformOnWindowGone();
    m_frame->idle(); // nothing happens, nothing breaks
    m_frame->close();
    m_frame->close();
    EXPECT_FALSE(m_frame->isOpen());
    m_frame->getView(0)->setDirty(true);
    m_frame->idle();
    EXPECT_TRUE(m_frame->openOffscreen(2.0)); // and opens again
    EXPECT_DOUBLE_EQ(m_frame->getScaleFactor(), 2.0);
    // No parent window (and possibly no display): refused, the frame stays usable.
    CFrame* frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
    EXPECT_FALSE(frame->open(nullptr, 1.0));
    EXPECT_FALSE(frame->isOpen());
    frame->forget();
}

TEST(CFrameBackgroundTest, BackgroundBitmapIsDrawnFromTheImageOfTheScale)
{
    // The 1x image is red, the 2x one blue.
    RegisterPng("FrameTestBackground.png", 1, MakeStripPng(20, 10, 1, {kRedCColor}));
    RegisterPng("FrameTestBackground.png", 2, MakeStripPng(40, 20, 1, {kBlueCColor}));
    for (double scale : {1.0, 2.0})
    {
        CBitmap* background = new CBitmap("FrameTestBackground.png");
        CFrame* frame = new CFrame(CRect(0, 0, 20, 10), nullptr);
        frame->setBackground(background);
        background->forget();
        ASSERT_TRUE(frame->openOffscreen(scale));
        const int s = static_cast<int>(scale);
        EXPECT_TRUE(IsColour(PixelAt(*frame, 10 * s, 5 * s), s == 1 ? kRedCColor : kBlueCColor))
            << scale;
        frame->forget();
    }
}

TEST_F(CFrameTest, OtherButtonsDuringADragAndLostReleases)
{
    auto* probe = new CProbeView(CRect(0, 0, 50, 50));
    m_frame->addView(probe);
    m_frame->platformOnMouseDown(CPoint(10, 10), kLButton, 1000);
    m_frame->platformOnMouseDown(CPoint(12, 12), kLButton | kRButton, 3000); // right too
    m_frame->platformOnMouseUp(CPoint(12, 12), kRButton);
    EXPECT_EQ(probe->log, "down "); // the drag goes on
    m_frame->platformOnMouseMoved(CPoint(20, 20), kLButton);
    EXPECT_EQ(probe->log, "down move ");
    // The left release never came; the next left press ends the old gesture first.
    m_frame->platformOnMouseDown(CPoint(30, 30), kLButton, 5000);
    EXPECT_EQ(probe->log, "down move up down ");
    m_frame->platformOnMouseUp(CPoint(30, 30), kLButton);
    EXPECT_EQ(probe->log, "down move up down up ");
}
