// The correlation meter's bar: its rectangle for a value, its two colours, and that it asks
// for a paint only when the bar reaches another pixel or changes colour.
#include "Gui/CorrelationMeter.h"
#include "Gui/GuiTestSupport.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

TEST(CCorrelationMeterTest, BarGrowsFromTheMiddleUpForPositiveAndDownForNegative)
{
    struct CASE
    {
        float value;
        CRect bar;
    };
    // 10..18 x 20..100: middle at 60, half height 40.
    const CASE cases[] = {
        {0.0f, CRect()},
        {1.0f, CRect(10, 20, 18, 60)},
        {0.5f, CRect(10, 40, 18, 60)},
        {-0.5f, CRect(10, 60, 18, 80)},
        {-3.0f, CRect(10, 60, 18, 100)}, // clamped to -1
    };
    for (const CASE& c : cases)
    {
        CCorrelationMeter meter(CRect(10, 20, 18, 100));
        meter.setValue(c.value);
        const CRect bar = meter.GetBarRect();
        EXPECT_TRUE(c.bar.isEmpty() ? bar.isEmpty() : c.bar == bar) << c.value;
    }
}

TEST(CCorrelationMeterTest, APositiveBarIsBrightANegativeOneDim)
{
    CFrame frame(CRect(0, 0, 20, 40), nullptr);
    ASSERT_TRUE(frame.openOffscreen(1.0));
    frame.setBackgroundColor(kBlackCColor);
    auto* meter = new CCorrelationMeter(CRect(5, 0, 15, 40));
    frame.addView(meter);
    meter->setValue(1.0f);
    EXPECT_GT(GuiTest::PixelAt(frame, 10, 5) & 0xff, 150u); // white at alpha 200 over black
    EXPECT_EQ(0u, GuiTest::PixelAt(frame, 10, 30));         // nothing below the middle
    meter->setValue(-1.0f);
    const uint32_t negative = GuiTest::PixelAt(frame, 10, 30) & 0xff;
    EXPECT_GT(negative, 0u);
    EXPECT_LT(negative, 100u);
    frame.close();
}

TEST(CCorrelationMeterTest, PaintsOnlyWhenTheBarReachesAnotherPixel)
{
    struct CASE
    {
        const char* what;
        double scale;
        float from;
        float to;
        bool paints;
    };
    // A 40 pixel bar: half its height (20 pixels) per unit of correlation.
    const CASE cases[] = {
        {"same value", 1.0, 0.5f, 0.5f, false},
        {"within a pixel", 1.0, 0.5f, 0.51f, false},
        {"a whole pixel", 1.0, 0.5f, 0.55f, true},
        {"half a pixel at scale 2 is a device pixel", 2.0, 0.5f, 0.526f, true},
        {"sign flips at the middle", 1.0, 0.001f, -0.001f, true},
        {"from zero to a sliver", 1.0, 0.0f, 0.001f, true},
    };
    for (const CASE& c : cases)
    {
        CCorrelationMeter meter(CRect(0, 0, 10, 40));
        meter.SetScale(c.scale);
        meter.setValue(c.from);
        meter.setDirty(false);
        meter.setValue(c.to);
        EXPECT_EQ(c.paints, meter.isDirty()) << c.what;
    }
    // A slow drift is compared with the value shown: it moves the bar once per pixel.
    CCorrelationMeter meter(CRect(0, 0, 10, 40));
    meter.setValue(0.5f);
    meter.setDirty(false);
    int paints = 0;
    for (int i = 1; i <= 10; ++i)
    {
        meter.setValue(0.5f + 0.01f * static_cast<float>(i));
        paints += meter.isDirty() ? 1 : 0;
        meter.setDirty(false);
    }
    EXPECT_EQ(2, paints); // 0.1 of correlation is 2 pixels
}
