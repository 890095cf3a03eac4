// The MSEG editor: loading and copying back, adding points on the half-step grid and
// removing them, point drags with ripple or drag mode, tension drags and double-click
// straightening, the shuffled positions the envelope plays, and the curve drawn with
// the audio's tension mapping.
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegControl.h"
#include "Processing/Modulators/Mseg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace VSTGUI;

namespace
{
struct POINT_SPEC
{
    float position, level, tension;
};

const std::vector<POINT_SPEC> kFivePoints = {
    {0, 0, 0}, {2, 1, 0}, {4, 0.25f, 0}, {6, 1, 0}, {8, 0, 0}};

class CMsegControlTest : public GuiTest::CModEditorFixture<CMsegControl>
{
protected:
    void LoadPoints(const std::vector<POINT_SPEC>& points)
    {
        std::vector<float> positions(64, -1.0f), levels(64, 0.0f), tensions(64, 0.0f);
        for (size_t i = 0; i < points.size(); ++i)
        {
            positions[i] = points[i].position;
            levels[i] = points[i].level;
            tensions[i] = points[i].tension;
        }
        m_control->Load(positions.data(), levels.data(), tensions.data());
    }
    std::vector<float> Positions() const
    {
        std::vector<float> result;
        for (int i = 0; i < m_control->GetNumPoints(); ++i)
            result.push_back(m_control->GetPosition(i));
        return result;
    }
    void Click(CPoint where, long buttons) { Drag(where, where, buttons); }
};
} // namespace

TEST_F(CMsegControlTest, LoadSortsStablyAndCopiesBackWithEmptyEntriesAsMinusOne)
{
    LoadPoints({{0, 0, 0}, {3, 0.25f, 0.5f}, {1, 1, 0}, {1, 0, -0.5f}});
    ASSERT_EQ(4, m_control->GetNumPoints());
    EXPECT_EQ((std::vector<float>{0, 1, 1, 3}), Positions());
    // Equal positions keep their order: the jump up comes first.
    EXPECT_FLOAT_EQ(1.0f, m_control->GetLevel(1));
    EXPECT_FLOAT_EQ(-0.5f, m_control->GetTension(2));
    // A quarter level is shown at half height.
    EXPECT_DOUBLE_EQ(Y(0.5), m_control->GetPointDisplay(3).y);
    EXPECT_DOUBLE_EQ(X(3), m_control->GetPointDisplay(3).x);

    std::vector<MSEG_POINT> block(64, MSEG_POINT{7, 7, 7});
    m_control->StoreBlock(block.data());
    EXPECT_FLOAT_EQ(3.0f, block[3].position);
    EXPECT_NEAR(0.25f, block[3].level, 1e-6f);
    EXPECT_FLOAT_EQ(0.5f, block[3].tension);
    for (int i = 4; i < 64; ++i)
        EXPECT_TRUE(block[i].position == -1 && block[i].level == 0 && block[i].tension == 0) << i;
    EXPECT_EQ(-1.0f, m_control->GetPosition(4));
    EXPECT_EQ(0.0f, m_control->GetLevel(-1));
}

TEST_F(CMsegControlTest, ContextClicksAddPointsOnTheHalfStepGridAndRemoveAllButTheEnds)
{
    for (const long buttons : {long(kRButton), long(kLButton | kApple)})
    {
        LoadPoints({{0, 0, 0}, {8, 0, 0}});
        Click(CPoint(X(3.7), Y(0.5)), buttons);
        ASSERT_EQ(3, m_control->GetNumPoints()) << buttons;
        EXPECT_FLOAT_EQ(3.5f, m_control->GetPosition(1)) << buttons;
        EXPECT_NEAR(0.25f, m_control->GetLevel(1), 1e-5f) << buttons;
        EXPECT_EQ(0.0f, m_control->GetTension(1)) << buttons;
    }
    // Right-clicks on the first, the third and the last point: only the third goes.
    LoadPoints(kFivePoints);
    for (const POINT_SPEC& p : {kFivePoints[0], kFivePoints[2], kFivePoints[4]})
        Click(CPoint(X(p.position), Y(std::sqrt(p.level))), kRButton);
    EXPECT_EQ((std::vector<float>{0, 2, 6, 8}), Positions());
    // Never more than 64 points.
    std::vector<POINT_SPEC> full;
    for (int i = 0; i < 64; ++i)
        full.push_back({i * 0.5f, 0.5f, 0.0f});
    LoadPoints(full);
    m_control->AddPoint(MSEG_POINT{3.25f, 0.5f, 0.0f});
    EXPECT_EQ(64, m_control->GetNumPoints());
}

TEST_F(CMsegControlTest, DraggingAPointRipplesTheLaterOnesUnlessDragModeHoldsIt)
{
    struct CASE
    {
        const char* what;
        bool dragMode;
        double bySteps;
        std::vector<float> positions;
    };
    const CASE cases[] = {
        {"ripple: points 3..5 follow", false, 1.0, {0, 3, 5, 7, 9}},
        {"ripple backwards, not before point 1", false, -3.0, {0, 0, 2, 4, 6}},
        {"drag mode: stops at point 3", true, 3.0, {0, 4, 4, 6, 8}},
        {"drag mode: a step within the neighbours", true, 1.0, {0, 3, 4, 6, 8}},
        {"ripple: the last point stops at 32", false, 30.0, {0, 26, 28, 30, 32}},
    };
    for (const CASE& c : cases)
    {
        LoadPoints(kFivePoints);
        m_control->SetDragMode(c.dragMode);
        Drag(CPoint(X(2), Y(1.0)), CPoint(X(2 + c.bySteps), Y(1.0)));
        EXPECT_EQ(c.positions, Positions()) << c.what;
        EXPECT_FLOAT_EQ(1.0f, m_control->GetLevel(1)) << c.what;
    }
    // The first point keeps its place; its level follows the mouse.
    LoadPoints(kFivePoints);
    Drag(CPoint(X(0), Y(0)), CPoint(X(3), Y(0.5)));
    EXPECT_EQ(0.0f, m_control->GetPosition(0));
    EXPECT_NEAR(0.25f, m_control->GetLevel(0), 1e-5f);
}

TEST_F(CMsegControlTest, TensionDragsBendDownwardsAndADoubleClickStraightens)
{
    // Segment 1 rises (0 -> 1), segment 2 falls (1 -> 0.25 stored, 0.5 shown).
    LoadPoints(kFivePoints);
    const CPoint onRise(X(1), Y(0.9));
    Drag(onRise, CPoint(onRise.x, onRise.y + kAreaHeight / 4));
    EXPECT_NEAR(0.25f, m_control->GetTension(1), 1e-5f) << "rising: down is positive";
    const CPoint onFall(X(3), Y(0.1));
    Drag(onFall, CPoint(onFall.x, onFall.y + kAreaHeight / 2));
    EXPECT_NEAR(-0.5f, m_control->GetTension(2), 1e-5f) << "falling: down is negative";
    Drag(onFall, CPoint(onFall.x, onFall.y + 3 * kAreaHeight));
    EXPECT_EQ(-1.0f, m_control->GetTension(2)) << "clamped";

    // A double-click on the segment straightens it.
    m_frame.platformOnMouseDown(onFall, kLButton, m_time += 1000);
    m_frame.platformOnMouseUp(onFall, kLButton);
    m_frame.platformOnMouseDown(onFall, kLButton, m_time += 100);
    m_frame.platformOnMouseUp(onFall, kLButton);
    EXPECT_EQ(0.0f, m_control->GetTension(2));
    EXPECT_NEAR(0.25f, m_control->GetTension(1), 1e-5f) << "only that segment";
    EXPECT_EQ(m_host.msegUndos, 5) << "one undo step per press";
}

TEST_F(CMsegControlTest, DrawnPositionsAreTheEnvelopeShuffledOnes)
{
    // Odd units move; the loop end stays; never past the next point (1.0 at shuffle 0.5
    // stops at 1.25, checked after the loop).
    const std::pair<std::vector<POINT_SPEC>, float> cases[] = {
        {{{0, 0, 0}, {1, 1, 0}, {3, 0, 0}, {4, 1, 0}, {5, 0, 0}, {8, 1, 0}}, 0.5f},
        {{{0, 0, 0}, {2, 1, 0}, {3, 0, 0}}, 1.0f},
        {{{0, 0, 0}, {1, 1, 0}, {1.25f, 0, 0}, {4, 1, 0}}, 0.5f},
    };
    for (const auto& [points, shuffle] : cases)
    {
        LoadPoints(points);
        m_control->SetShuffle(shuffle);
        std::vector<MSEG_POINT> block(64);
        m_control->StoreBlock(block.data());
        CMseg mseg;
        mseg.SetPoints(block.data());
        mseg.SetShuffle(shuffle);
        for (int i = 0; i < m_control->GetNumPoints(); ++i)
            EXPECT_EQ(mseg.GetPosAt(i), m_control->GetPosAt(i)) << points.size() << " " << i;
    }
    EXPECT_FLOAT_EQ(1.25f, m_control->GetPosAt(1));
}

TEST_F(CMsegControlTest, TheTensionParameterIsMappedAsTheAudioMapsIt)
{
    // -100 % .. 0 % .. +100 %: -1 .. -0.5 .. +0.5 (the matrix's offset for the envelope).
    const float cases[][2] = {{0.0f, -1.0f}, {0.25f, -0.75f}, {0.75f, 0.0f}, {1.0f, 0.5f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(c[1], CMsegControl::TensionOffsetFromScaled(c[0])) << c[0];
}

TEST_F(CMsegControlTest, TheCurveAtTensionZeroPercentBendsAsTheAudiosMinusHalf)
{
    // One rising segment from (0, 0) to (16, 1), bent only by the global tension.
    LoadPoints({{0, 0, 0}, {16, 1, 0}});
    m_control->SetTensionParameter(0.5f); // "Mod1 Tension" 0 %
    // The drawn Bezier, both control points at c = mid + (end - start) x tau / 2 in x (minus
    // in y), tau = -0.5: at t = 0.5 it is at start / 8 + 3 c / 4 + end / 8.
    const double tau = -0.5;
    const CPoint p0(X(0), Y(0)), p1(X(16), Y(1));
    const double cx = (p0.x + p1.x) / 2 + (p1.x - p0.x) * tau / 2;
    const double cy = (p0.y + p1.y) / 2 - (p1.y - p0.y) * tau / 2;
    const double bx = p0.x / 8 + 3 * cx / 4 + p1.x / 8; // 120
    const double by = p0.y / 8 + 3 * cy / 4 + p1.y / 8; // ~93.9
    // The first row from the top in column bx whose red channel shows the fill.
    m_frame.renderNow();
    int width = 0, height = 0, stride = 0;
    const unsigned char* pixels = m_frame.getBackBufferPixels(width, height, stride);
    int top = static_cast<int>(kAreaTop) - 2;
    while (top < height && pixels[top * stride + static_cast<int>(bx) * 4 + 2] <= 60)
        ++top;
    EXPECT_NEAR(by, top, 1.5);
    // The straight line (the bend of a 2 x scaled - 1 mapping) would be much lower there.
    const double straight = p0.y + (p1.y - p0.y) * (bx - p0.x) / (p1.x - p0.x);
    EXPECT_GT(straight - top, 40.0);
}

TEST_F(CMsegControlTest, ThePlayCursorRepaintsOnlyTheCellsItLeavesAndEnters)
{
    ExpectCursorRepaintsOnlyOnEnteringAUnit();
}
