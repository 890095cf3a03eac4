// The dice button: a left click randomizes its unit with an undo step, any other
// click resets the unit; the button shows pressed only while held.
#include "Gui/GuiTestSupport.h"
#include "Gui/RandomizeControl.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
class CRandomizeControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::RegisterTestArtwork();
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        auto* bitmap = new CBitmap(GuiTest::kButtonStrip);
        m_button = new CRandomizeControl(m_plugin.Effect(), CRect(10, 10, 30, 20), bitmap,
                                         CRandomizer::kFilter, 0);
        m_frame.addView(m_button);
        bitmap->forget();
    }
    void TearDown() override { m_frame.close(); }

    GuiTest::CPluginInstance m_plugin;
    CFrame m_frame{CRect(0, 0, 100, 100), nullptr};
    CRandomizeControl* m_button = nullptr;
};
} // namespace

TEST_F(CRandomizeControlTest, LeftClickRandomizesWithOneUndoStepAndShowsPressedWhileHeld)
{
    CMorvex* effect = m_plugin.Effect();
    const int undoBefore = effect->GetUndoCount();
    m_frame.platformOnMouseDown(CPoint(20, 15), kLButton, 1000);
    EXPECT_FLOAT_EQ(1.0f, m_button->getValue());
    EXPECT_EQ(undoBefore + 1, effect->GetUndoCount());
    m_frame.platformOnMouseMoved(CPoint(60, 60), kLButton);
    EXPECT_FLOAT_EQ(0.0f, m_button->getValue()); // outside: the look before the press
    m_frame.platformOnMouseMoved(CPoint(20, 15), kLButton);
    EXPECT_FLOAT_EQ(1.0f, m_button->getValue());
    m_frame.platformOnMouseUp(CPoint(20, 15), kLButton);
    EXPECT_FLOAT_EQ(0.0f, m_button->getValue());
}

TEST_F(CRandomizeControlTest, RightClickResetsTheUnitToItsDefaults)
{
    CMorvex* effect = m_plugin.Effect();
    effect->SetParameterScaled(kFilterCutoff, 0.1f);
    effect->SetParameterScaled(kFilterRes, 0.9f);
    m_frame.platformOnMouseDown(CPoint(20, 15), kRButton, 1000);
    m_frame.platformOnMouseUp(CPoint(20, 15), kRButton);
    EXPECT_FLOAT_EQ(effect->GetParameterInfo(kFilterCutoff)->defaultValue,
                    effect->GetParameterUnscaled(kFilterCutoff, false, false, 0));
    EXPECT_FLOAT_EQ(effect->GetParameterInfo(kFilterRes)->defaultValue,
                    effect->GetParameterUnscaled(kFilterRes, false, false, 0));
    EXPECT_FLOAT_EQ(0.0f, m_button->getValue());
}
