// The step editor: loading on the square-root scale, handle and length drags within
// their limits, painting ramps and erasing, the shuffled positions the stepper plays,
// and one undo step per press.
#include "Gui/ModEditorHost.h"
#include "Gui/StepperControl.h"
#include "Processing/Modulators/Stepper.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace VSTGUI;

namespace
{
// 640 x 200 at (20, 20): 20 px per step; step area y 37..219 (182 px high).
constexpr CCoord kLeft = 20, kTop = 20, kWidth = 640, kHeight = 200;
constexpr CCoord kCell = kWidth / 32;
constexpr CCoord kAreaTop = kTop + 17, kAreaBottom = kTop + kHeight - 1;
constexpr CCoord kAreaHeight = kAreaBottom - kAreaTop;

class CCountingHost : public IModEditorHost, public CControlListener
{
public:
    void AddStepperUndoItem() override { ++stepperUndos; }
    void AddMsegUndoItem() override { ++msegUndos; }
    void valueChanged(CControl*) override { ++changes; }
    int stepperUndos = 0;
    int msegUndos = 0;
    int changes = 0;
};

class CStepperControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        m_control = new CStepperControl(CRect(kLeft, kTop, kLeft + kWidth, kTop + kHeight),
                                        &m_host, 100004, &m_host);
        m_frame.addView(m_control);
        LoadEvenSteps(1.0f);
    }
    void TearDown() override { m_frame.close(); }

    // 32 one-unit steps (the reset pattern) at one stored level.
    void LoadEvenSteps(float level)
    {
        float positions[32], levels[32];
        for (int k = 0; k < 32; ++k)
        {
            positions[k] = static_cast<float>(k + 1);
            levels[k] = level;
        }
        m_control->Load(positions, levels);
    }
    // Frame x in the middle of step unit `unit`; frame y of a shown level.
    static CCoord CellX(double unit) { return kLeft + kCell * unit + kCell / 2; }
    static CCoord LevelY(double shown) { return kAreaBottom - shown * kAreaHeight; }
    // Red channel of the back buffer (premultiplied; the fill's red shows where bars are).
    int RedAt(CCoord x, CCoord y)
    {
        m_frame.renderNow();
        int width = 0, height = 0, stride = 0;
        const unsigned char* pixels = m_frame.getBackBufferPixels(width, height, stride);
        return pixels[static_cast<int>(y) * stride + static_cast<int>(x) * 4 + 2];
    }

    CCountingHost m_host;
    CFrame m_frame{CRect(0, 0, 700, 260), nullptr};
    CStepperControl* m_control = nullptr;
};
} // namespace

TEST_F(CStepperControlTest, AnEndPositionOfMinusOneEndsThePattern)
{
    std::vector<float> positions(32, 7.0f), levels(32, 0.5f);
    positions[0] = 1.0f;
    positions[1] = 2.5f;
    positions[2] = 3.0f;
    positions[3] = -1.0f;
    m_control->Load(positions.data(), levels.data());
    for (int i = 0; i < 32; ++i)
    {
        EXPECT_EQ(i < 3, m_control->IsStepInUse(i)) << i;
        if (i >= 3)
        {
            EXPECT_EQ(0.0f, m_control->GetPosition(i)) << i;
            EXPECT_EQ(0.0f, m_control->GetLevel(i)) << i;
        }
    }
    EXPECT_FLOAT_EQ(2.5f, m_control->GetPosition(1));
    EXPECT_FLOAT_EQ(0.5f, m_control->GetLevel(1));
    EXPECT_EQ(-1.0f, m_control->GetPosition(32));
    EXPECT_EQ(-1.0f, m_control->GetPosition(-1));
    EXPECT_EQ(0.0f, m_control->GetLevel(32));
    // Null arrays change nothing.
    m_control->Load(nullptr, levels.data());
    EXPECT_FLOAT_EQ(2.5f, m_control->GetPosition(1));
}

TEST_F(CStepperControlTest, AQuarterLevelIsDrawnAtHalfHeightAndAHalfHeightDragStoresIt)
{
    LoadEvenSteps(0.25f);
    const CCoord x = CellX(4);
    const CCoord top = LevelY(0.5); // y 128
    EXPECT_GT(RedAt(x, top + 3), 60) << "filled below the bar's top";
    EXPECT_LT(RedAt(x, top - 3), 10) << "empty above it";

    // Step 9's handle (end 10) dragged to half height.
    const CPoint handle(kLeft + 10 * kCell, LevelY(0.5));
    m_frame.platformOnMouseDown(handle, kLButton, 1000);
    m_frame.platformOnMouseMoved(CPoint(handle.x, LevelY(std::sqrt(0.25))), kLButton);
    m_frame.platformOnMouseUp(CPoint(handle.x, LevelY(0.5)), kLButton);
    EXPECT_NEAR(0.25f, m_control->GetLevel(9), 1e-4f);
    EXPECT_FLOAT_EQ(10.0f, m_control->GetPosition(9));
}

TEST_F(CStepperControlTest, AFastMoveAcrossFiveCellsPaintsAStraightRamp)
{
    LoadEvenSteps(0.0f);
    // Press in cell 2 at shown level 0.2, one move to cell 6 at shown level 1.
    m_frame.platformOnMouseDown(CPoint(CellX(2), LevelY(0.2)), kLButton, 1000);
    m_frame.platformOnMouseMoved(CPoint(CellX(6), LevelY(1.0)), kLButton);
    m_frame.platformOnMouseUp(CPoint(CellX(6), LevelY(1.0)), kLButton);
    // Shown levels 0.2, 0.4, 0.6, 0.8, 1.0: stored as their squares.
    for (int k = 0; k <= 4; ++k)
    {
        const double shown = 0.2 + 0.2 * k;
        EXPECT_NEAR(shown * shown, m_control->GetLevel(2 + k), 1e-3) << "cell " << 2 + k;
    }
    EXPECT_EQ(0.0f, m_control->GetLevel(1));
    EXPECT_EQ(0.0f, m_control->GetLevel(7));
    // The same sweep backwards ends at the mouse too.
    m_frame.platformOnMouseDown(CPoint(CellX(6), LevelY(0.5)), kLButton, 2000);
    m_frame.platformOnMouseMoved(CPoint(CellX(4), LevelY(0.0)), kLButton);
    m_frame.platformOnMouseUp(CPoint(CellX(4), LevelY(0.0)), kLButton);
    EXPECT_NEAR(0.0, m_control->GetLevel(4), 1e-6);
    EXPECT_NEAR(0.25 * 0.25, m_control->GetLevel(5), 1e-3);
    EXPECT_NEAR(0.25, m_control->GetLevel(6), 1e-3);
}

TEST_F(CStepperControlTest, PaintingWithTheRightButtonOrCtrlErases)
{
    struct CASE
    {
        const char* what;
        long buttons;
    };
    const CASE cases[] = {{"right button", kRButton}, {"Ctrl + left", kLButton | kApple}};
    for (const CASE& c : cases)
    {
        LoadEvenSteps(1.0f);
        m_frame.platformOnMouseDown(CPoint(CellX(3), LevelY(0.9)), c.buttons, 1000);
        m_frame.platformOnMouseMoved(CPoint(CellX(7), LevelY(0.9)), c.buttons);
        m_frame.platformOnMouseUp(CPoint(CellX(7), LevelY(0.9)), c.buttons);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(i >= 3 && i <= 7 ? 0.0f : 1.0f, m_control->GetLevel(i)) << c.what << i;
    }
}

TEST_F(CStepperControlTest, HandlesStayOnTheQuarterGridBetweenTheirPredecessorAndTheLength)
{
    struct CASE
    {
        const char* what;
        CCoord toUnits; // mouse x, in step units from the left
        float end;
    };
    const CASE cases[] = {
        {"far left: predecessor's end + 0.25", -5.0, 5.25f},
        {"onto the predecessor", 5.1, 5.25f},
        {"quarter grid, rounded down", 7.6, 7.5f},
        {"far right: the length", 40.0, 20.0f},
    };
    for (const CASE& c : cases)
    {
        LoadEvenSteps(1.0f);
        m_control->SetLength(20);
        // Step 5 (end 6) at full level.
        const CPoint handle(kLeft + 6 * kCell, LevelY(1.0));
        m_frame.platformOnMouseDown(handle, kLButton, 1000);
        m_frame.platformOnMouseMoved(CPoint(kLeft + c.toUnits * kCell, LevelY(1.0)), kLButton);
        m_frame.platformOnMouseUp(CPoint(kLeft + c.toUnits * kCell, LevelY(1.0)), kLButton);
        EXPECT_FLOAT_EQ(c.end, m_control->GetPosition(5)) << c.what;
    }
}

TEST_F(CStepperControlTest, TheLengthStripSetsTheLengthNeverBelowTwo)
{
    struct CASE
    {
        CCoord toX;
        int length;
    };
    const CASE cases[] = {{0.0, 2}, {kLeft + 10.5 * kCell, 10}, {kLeft + kWidth + 50, 32}};
    for (const CASE& c : cases)
    {
        const CPoint press(CellX(15), kTop + 5);
        m_frame.platformOnMouseDown(press, kLButton, 1000);
        m_frame.platformOnMouseMoved(CPoint(c.toX, kTop + 5), kLButton);
        m_frame.platformOnMouseUp(CPoint(c.toX, kTop + 5), kLButton);
        EXPECT_EQ(c.length, m_control->GetLength()) << c.toX;
        EXPECT_EQ(1.0f, m_control->GetLevel(15)) << "the strip paints nothing";
    }
    m_control->SetLength(1);
    EXPECT_EQ(2, m_control->GetLength());
}

TEST_F(CStepperControlTest, EveryPressIsOneUndoStepAndEveryMoveIsReported)
{
    m_frame.platformOnMouseDown(CPoint(CellX(3), LevelY(0.5)), kLButton, 1000);
    m_frame.platformOnMouseMoved(CPoint(CellX(4), LevelY(0.5)), kLButton);
    m_frame.platformOnMouseMoved(CPoint(CellX(5), LevelY(0.5)), kLButton);
    m_frame.platformOnMouseUp(CPoint(CellX(5), LevelY(0.5)), kLButton);
    EXPECT_EQ(1, m_host.stepperUndos);
    EXPECT_EQ(0, m_host.msegUndos);
    EXPECT_EQ(3, m_host.changes) << "the press edits at once, then each move";
}

TEST_F(CStepperControlTest, DrawnPositionsAreTheStepperShuffledOnes)
{
    struct CASE
    {
        const char* what;
        std::vector<float> ends;
        float shuffle;
    };
    const CASE cases[] = {
        {"reset pattern, full shuffle", {}, 1.0f},
        {"half shuffle", {}, 0.5f},
        {"long steps are not shuffled", {2, 4, 7, 8, 10, 12.5f, 14, 16, -1}, 0.8f},
        {"quarter grid", {0.75f, 2.0f, 2.25f, 4.0f, 6.0f, 6.5f, 8.0f, -1}, 0.6f},
    };
    for (const CASE& c : cases)
    {
        std::vector<float> ends = c.ends;
        if (ends.empty())
            for (int k = 0; k < 32; ++k)
                ends.push_back(static_cast<float>(k + 1));
        ends.resize(32, -1.0f);
        std::vector<float> levels(32, 1.0f);
        m_control->Load(ends.data(), levels.data());
        m_control->SetShuffle(c.shuffle);

        STEP_RECORD records[32];
        for (int k = 0; k < 32; ++k)
            records[k] = {m_control->GetPosition(k), m_control->GetLevel(k)};
        CStepper stepper;
        stepper.SetSteps(records);
        stepper.SetShuffle(c.shuffle);
        for (int k = 0; k < 32; ++k)
            EXPECT_EQ(stepper.GetPosAt(k), m_control->GetPosAt(k)) << c.what << " step " << k;
    }
    // Shuffle 1 moves the boundary at 2 to 2.99, not the one at 1.
    LoadEvenSteps(1.0f);
    m_control->SetShuffle(1.0f);
    EXPECT_FLOAT_EQ(1.0f, m_control->GetPosAt(0));
    EXPECT_FLOAT_EQ(2.99f, m_control->GetPosAt(1));
}

TEST_F(CStepperControlTest, BlocksRoundTripAndInvertMirrorsTheShownLevels)
{
    std::vector<float> block(64, 0.0f);
    for (int k = 0; k < 32; ++k)
    {
        block[2 * k] = static_cast<float>(k + 1);
        block[2 * k + 1] = (k % 4) / 4.0f;
    }
    m_control->LoadBlock(block.data());
    std::vector<float> stored(64, -5.0f);
    m_control->StoreBlock(stored.data());
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(block[i], stored[i], 1e-6f) << i;

    m_control->Invert();
    // Shown 0.5 (stored 0.25) becomes shown 0.5; shown 0 becomes 1; shown 1 becomes 0.
    EXPECT_NEAR(1.0f, m_control->GetLevel(0), 1e-6f);
    EXPECT_NEAR(0.25f, m_control->GetLevel(1), 1e-6f);
    EXPECT_EQ(1, m_host.changes);
}

TEST_F(CStepperControlTest, ThePlayCursorRepaintsOnlyWhenItEntersAnotherStep)
{
    m_control->SetCursor(3.2f);
    m_frame.renderNow();
    m_frame.resetPaintStatistics();
    m_control->SetCursor(3.9f);
    m_frame.idle();
    EXPECT_EQ(0, m_frame.getPaintStatistics().paintCount);
    // Into unit 4: the cells of units 3 and 4 in the length strip are painted, not the steps.
    m_control->SetCursor(4.0f);
    m_frame.idle();
    EXPECT_GE(m_frame.getPaintStatistics().paintCount, 1);
    EXPECT_GT(m_frame.getPaintStatistics().paintedArea, 0.0);
    EXPECT_LE(m_frame.getPaintStatistics().paintedArea, 2 * (kCell + 1) * 17);
    EXPECT_EQ(4.0f, m_control->GetCursor());
}
