// The step editor: loading on the square-root scale, handle and length drags within
// their limits, painting ramps and erasing, the shuffled positions the stepper plays,
// and one undo step per press.
#include "Gui/GuiTestSupport.h"
#include "Gui/StepperControl.h"
#include "Processing/Modulators/Stepper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace VSTGUI;

namespace
{
class CStepperControlTest : public GuiTest::CModEditorFixture<CStepperControl>
{
protected:
    void SetUp() override
    {
        CModEditorFixture::SetUp();
        LoadEvenSteps(1.0f);
    }
    // 32 one-unit steps (the reset pattern) at one stored level.
    void LoadEvenSteps(float level)
    {
        std::vector<float> positions, levels(32, level);
        for (int k = 0; k < 32; ++k)
            positions.push_back(static_cast<float>(k + 1));
        m_control->Load(positions.data(), levels.data());
    }
    // Frame x in the middle of step unit `unit`.
    static CCoord CellX(double unit) { return X(unit + 0.5); }
};
} // namespace

TEST_F(CStepperControlTest, AnEndPositionOfMinusOneEndsThePattern)
{
    std::vector<float> positions(32, 7.0f), levels(32, 0.5f);
    std::copy_n(std::vector<float>{1.0f, 2.5f, 3.0f, -1.0f}.begin(), 4, positions.begin());
    m_control->Load(positions.data(), levels.data());
    for (int i = 0; i < 32; ++i)
    {
        EXPECT_EQ(i < 3, m_control->IsStepInUse(i)) << i;
        EXPECT_FLOAT_EQ(i < 3 ? positions[i] : 0.0f, m_control->GetPosition(i)) << i;
        EXPECT_FLOAT_EQ(i < 3 ? 0.5f : 0.0f, m_control->GetLevel(i)) << i;
    }
    EXPECT_EQ(-1.0f, m_control->GetPosition(32));
    EXPECT_EQ(-1.0f, m_control->GetPosition(-1));
    EXPECT_EQ(0.0f, m_control->GetLevel(32));
    m_control->Load(nullptr, levels.data()); // null arrays change nothing
    EXPECT_FLOAT_EQ(2.5f, m_control->GetPosition(1));
}

TEST_F(CStepperControlTest, AQuarterLevelIsDrawnAtHalfHeightAndAHalfHeightDragStoresIt)
{
    LoadEvenSteps(0.25f);
    const CCoord top = Y(0.5); // y 128
    EXPECT_GT(GuiTest::PixelAt(m_frame, CellX(4), top + 3) >> 16, 60u) << "filled below the top";
    EXPECT_LT(GuiTest::PixelAt(m_frame, CellX(4), top - 3) >> 16, 10u) << "empty above it";
    // Step 9's handle (end 10) dragged to half height: one undo step for the press.
    LoadEvenSteps(1.0f);
    Drag(CPoint(X(10), Y(1.0)), CPoint(X(10), Y(0.5)));
    EXPECT_NEAR(0.25f, m_control->GetLevel(9), 1e-4f);
    EXPECT_FLOAT_EQ(10.0f, m_control->GetPosition(9));
    EXPECT_EQ(1, m_host.stepperUndos);
}

TEST_F(CStepperControlTest, AFastMoveAcrossFiveCellsPaintsAStraightRampErasableByContextDrags)
{
    LoadEvenSteps(0.0f);
    // Press in cell 2 at shown level 0.2, one move to cell 6 at shown level 1.
    Drag(CPoint(CellX(2), Y(0.2)), CPoint(CellX(6), Y(1.0)));
    // Shown levels 0.2, 0.4, 0.6, 0.8, 1.0: stored as their squares.
    for (int k = 0; k <= 4; ++k)
        EXPECT_NEAR((0.2 + 0.2 * k) * (0.2 + 0.2 * k), m_control->GetLevel(2 + k), 1e-3) << k;
    EXPECT_EQ(0.0f, m_control->GetLevel(1));
    EXPECT_EQ(0.0f, m_control->GetLevel(7));
    // The same sweep backwards ends at the mouse too.
    Drag(CPoint(CellX(6), Y(0.5)), CPoint(CellX(4), Y(0.0)));
    EXPECT_NEAR(0.0, m_control->GetLevel(4), 1e-6);
    EXPECT_NEAR(0.25 * 0.25, m_control->GetLevel(5), 1e-3);
    EXPECT_NEAR(0.25, m_control->GetLevel(6), 1e-3);

    for (const long buttons : {long(kRButton), long(kLButton | kApple)})
    {
        LoadEvenSteps(1.0f);
        Drag(CPoint(CellX(3), Y(0.9)), CPoint(CellX(7), Y(0.9)), buttons);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(i >= 3 && i <= 7 ? 0.0f : 1.0f, m_control->GetLevel(i)) << buttons << i;
    }
}

TEST_F(CStepperControlTest, HandlesStayOnTheQuarterGridBetweenTheirPredecessorAndTheLength)
{
    // Step 5's handle (end 6) dragged to a mouse x in step units: far left stops at the
    // predecessor's end + 0.25, the grid rounds down, far right stops at the length.
    const std::pair<CCoord, float> cases[] = {{-5.0, 5.25f}, {5.1, 5.25f}, {7.6, 7.5f},
                                              {40.0, 20.0f}};
    for (const auto& [toUnits, end] : cases)
    {
        LoadEvenSteps(1.0f);
        m_control->SetLength(20);
        Drag(CPoint(X(6), Y(1.0)), CPoint(X(toUnits), Y(1.0)));
        EXPECT_FLOAT_EQ(end, m_control->GetPosition(5)) << toUnits;
    }
}

TEST_F(CStepperControlTest, TheLengthStripSetsTheLengthNeverBelowTwo)
{
    const std::pair<CCoord, int> cases[] = {{0.0, 2}, {X(10.5), 10}, {kLeft + kWidth + 50, 32}};
    for (const auto& [toX, length] : cases)
    {
        Drag(CPoint(CellX(15), kTop + 5), CPoint(toX, kTop + 5));
        EXPECT_EQ(length, m_control->GetLength()) << toX;
        EXPECT_EQ(1.0f, m_control->GetLevel(15)) << "the strip paints nothing";
    }
    m_control->SetLength(1);
    EXPECT_EQ(2, m_control->GetLength());
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
        for (int k = 0; c.ends.empty() && k < 32; ++k)
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
    ExpectCursorRepaintsOnlyOnEnteringAUnit();
    EXPECT_EQ(4.0f, m_control->GetCursor());
}
