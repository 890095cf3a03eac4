// The matrix depth slider draws a bar from its centre (zero depth) to the handle, with
// a tick at zero, and a context click reports without moving it.
#include "Gui/GuiTestSupport.h"
#include "Gui/ModSlider.h"
#include "Common/wrappers/ControlGestureListener.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace VSTGUI;

namespace
{
constexpr uint32_t kBar = 0x675749;  // 103, 87, 73
constexpr uint32_t kTick = 0xd2aa8a; // 210, 170, 138

class CGestureLog : public CControlListener, public IControlGestureListener
{
public:
    void valueChanged(CControl*) override { m_log.push_back("value"); }
    void OnControlMouseDown(long, bool context) override
    {
        m_log.push_back(context ? "down ctx" : "down");
    }
    void OnControlDoubleClick(long) override { m_log.push_back("double"); }
    void OnControlMouseUp(long, bool context) override
    {
        m_log.push_back(context ? "up ctx" : "up");
    }
    std::vector<std::string> m_log;
};

class CModSliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::RegisterTestArtwork();
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        auto* handle = new CBitmap(GuiTest::kHandle); // 10 x 10
        // 100 wide, centre x 70; 20 high, centre y 20. The handle travels 20..110.
        m_slider = new CModSlider(CRect(20, 10, 120, 30), &m_log, 235, handle,
                                  CSlider::kLeft | CSlider::kHorizontal);
        handle->forget();
        m_frame.addView(m_slider);
    }
    void TearDown() override { m_frame.close(); }

    uint32_t PixelAt(int x, int y) { return GuiTest::PixelAt(m_frame, x, y); }

    CGestureLog m_log;
    CFrame m_frame{CRect(0, 0, 200, 50), nullptr};
    CModSlider* m_slider = nullptr;
};
} // namespace

TEST_F(CModSliderTest, BarGrowsFromTheCentreTowardsTheHandle)
{
    struct CASE
    {
        float value;
        bool barLeft;  // x 40
        bool barRight; // x 100
    };
    for (const CASE& c : {CASE{1.0f, false, true}, CASE{0.0f, true, false},
                          CASE{0.5f, false, false}, CASE{0.9f, false, true}})
    {
        SCOPED_TRACE(c.value);
        m_slider->setValue(c.value);
        EXPECT_EQ(c.barLeft, PixelAt(40, 20) == kBar);
        EXPECT_EQ(c.barRight, PixelAt(100, 20) == kBar);
        // Eight pixels high: rows 16..23.
        EXPECT_NE(kBar, PixelAt(c.barLeft ? 40 : 100, 15));
        EXPECT_NE(kBar, PixelAt(c.barLeft ? 40 : 100, 24));
    }
    // The zero tick over the bar, one pixel wide.
    m_slider->setValue(1.0f);
    EXPECT_EQ(kTick, PixelAt(70, 16));
    EXPECT_EQ(kTick, PixelAt(70, 24));
    EXPECT_EQ(kBar, PixelAt(71, 16));
}

TEST_F(CModSliderTest, ContextClickReportsWithoutMovingTheHandle)
{
    m_slider->setValue(0.5f);
    m_frame.platformOnMouseDown(CPoint(100, 20), kRButton, 1000);
    m_frame.platformOnMouseUp(CPoint(100, 20), kRButton);
    EXPECT_FLOAT_EQ(0.5f, m_slider->getValue());
    EXPECT_EQ((std::vector<std::string>{"down ctx", "up ctx"}), m_log.m_log);
}
