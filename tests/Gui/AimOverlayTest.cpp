// The aim line drawn over the editor: from the aim button's centre to the mouse, or to
// the centre of the parameter control under it with a marker that grows with the pulse.
#include "Gui/AimOverlay.h"
#include "vstgui/vstgui.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

using namespace VSTGUI;

namespace
{
class CAimOverlayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        m_aim = new CControl(CRect(10, 40, 20, 50), nullptr, -1);
        m_frame.addView(m_aim);
        m_container = new CViewContainer(CRect(100, 0, 200, 100));
        m_target = new CControl(CRect(50, 30, 70, 50), nullptr, 5); // frame 150..170, 30..50
        m_container->addView(m_target);
        m_container->addView(new CControl(CRect(0, 0, 20, 20), nullptr, 100120)); // not a parameter
        m_frame.addView(m_container);
    }
    void TearDown() override
    {
        cairo_surface_destroy(m_surface);
        m_frame.close();
    }
    // Draws on a cleared surface.
    void DrawTo(const CPoint& mouse, int pulseCountdownMs)
    {
        cairo_surface_destroy(m_surface);
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 100);
        CDrawContext context(m_surface, 1.0);
        AimOverlay::Draw(&context, &m_frame, m_aim, mouse, pulseCountdownMs);
        cairo_surface_flush(m_surface);
    }
    int AlphaAt(int x, int y) const
    {
        const unsigned char* data = cairo_image_surface_get_data(m_surface);
        const int stride = cairo_image_surface_get_stride(m_surface);
        const auto* pixel = reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
        return static_cast<int>(*pixel >> 24);
    }

    CFrame m_frame{CRect(0, 0, 200, 100), nullptr};
    CControl* m_aim = nullptr;
    CViewContainer* m_container = nullptr;
    CControl* m_target = nullptr;
    cairo_surface_t* m_surface = nullptr;
};
} // namespace

TEST(AimOverlay, MarkerGrowsOverEachPulsePeriod)
{
    const std::pair<int, int> cases[] = {{500, 2}, {429, 2}, {428, 3}, {250, 5}, {1, 8}, {0, 9}};
    for (const auto& [countdownMs, radius] : cases)
        EXPECT_EQ(radius, AimOverlay::MarkerRadius(countdownMs)) << countdownMs;
}

TEST(AimOverlay, PulseCountsDownAndRestartsBelowZero)
{
    struct CASE
    {
        int countdownMs;
        uint32_t lastTicks, nowTicks;
        int result;
    };
    const CASE cases[] = {
        {500, 1000, 1100, 400},
        {50, 1000, 1050, 0},
        {50, 1000, 1051, 500},
        {300, 0xfffffff0u, 0x10u, 268}, // across the counter's wrap: 32 ms
        {300, 1000, 900000, 500},
    };
    for (const CASE& c : cases)
    {
        uint32_t last = c.lastTicks;
        EXPECT_EQ(c.result, AimOverlay::AdvancePulse(c.countdownMs, last, c.nowTicks))
            << c.nowTicks;
        EXPECT_EQ(c.nowTicks, last);
    }
}

TEST_F(CAimOverlayTest, FindsOnlyParameterControlsInNestedContainers)
{
    EXPECT_EQ(m_target, AimOverlay::FindParameterControlAt(&m_frame, CPoint(160, 40)));
    EXPECT_EQ(nullptr, AimOverlay::FindParameterControlAt(&m_frame, CPoint(105, 5)));
    EXPECT_EQ(nullptr, AimOverlay::FindParameterControlAt(&m_frame, CPoint(60, 80)));
    EXPECT_EQ(nullptr, AimOverlay::FindParameterControlAt(nullptr, CPoint(160, 40)));
    EXPECT_EQ(CPoint(160, 40), AimOverlay::CentreInFrame(m_target));
    EXPECT_EQ(CPoint(15, 45), AimOverlay::CentreInFrame(m_aim));
}

TEST_F(CAimOverlayTest, LineEndsAtTheMouseOverEmptyBackground)
{
    DrawTo(CPoint(80, 45), 0);
    EXPECT_NEAR(190, AlphaAt(50, 45), 2);
    EXPECT_EQ(0, AlphaAt(100, 45)); // beyond the mouse
    EXPECT_EQ(0, AlphaAt(50, 40));  // two pixels wide, not more
    EXPECT_EQ(0, AlphaAt(160, 40)); // no marker
}

TEST_F(CAimOverlayTest, LineSnapsToTheHoveredControlsCentreWithAPulsingMarker)
{
    DrawTo(CPoint(152, 32), 0); // radius 9
    EXPECT_GT(AlphaAt(160, 40), 150);
    EXPECT_GT(AlphaAt(167, 40), 150);
    EXPECT_EQ(0, AlphaAt(171, 40));
    // On the way from (15, 45) to (160, 40): at x 87.5 the line is at y 42.5.
    EXPECT_GT(AlphaAt(87, 42) + AlphaAt(87, 43), 150);

    DrawTo(CPoint(152, 32), 500); // radius 2
    EXPECT_GT(AlphaAt(160, 40), 150);
    EXPECT_EQ(0, AlphaAt(165, 40));
}
