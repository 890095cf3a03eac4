// The modulator options menu: the entries of a step and of an envelope modulator with the
// current preferences checked, and every choice stored in the saved preferences.
#include "Gui/GuiTestSupport.h"
#include "Gui/ModOptionsMenu.h"
#include "Preferences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace GuiTest;

namespace
{
class CModOptionsMenuTest : public ::testing::Test
{
protected:
    void SetUp() override { m_host.modulator = 6; }
    // Modulator 6 as steps or envelope, from the given preferences.
    void Prepare(bool envelope, int stepMode, int curveMode, bool length32, bool dense)
    {
        m_plugin.Effect()->SetParameterUnscaled(MorvexParam::kModMode + 6, envelope ? 1.0f : 0.0f);
        CPreferences* preferences = m_plugin.Effect()->GetPreferences();
        preferences->SetStepRandomizeMode(stepMode);
        preferences->SetCurveRandomizeMode(curveMode);
        preferences->SetCurveLength32(length32);
        preferences->SetPreferDense(dense);
    }

    CPluginInstance m_plugin;
    CMenuHost m_host{m_plugin.Effect()};
};
} // namespace

TEST_F(CModOptionsMenuTest, StepsOfferThreeWaysAndDenseSequencesAnEnvelopeTensionsAndLength)
{
    Prepare(false, 2, 3, true, true);
    EXPECT_EQ((std::vector<std::string>{"Randomize All", "Randomize Only Positions",
                                        "*Randomize Only Levels", "-",
                                        "*Prefer Dense Sequences"}),
              MenuTitles(CModOptionsMenu::Build(&m_host)));
    EXPECT_FALSE(CModOptionsMenu::Perform(&m_host, "Randomize Only Tensions"));
    EXPECT_FALSE(CModOptionsMenu::Perform(&m_host, "Generate 32 Steps"));

    Prepare(true, 2, 3, true, false);
    EXPECT_EQ((std::vector<std::string>{"Randomize All", "Randomize Only Positions",
                                        "Randomize Only Levels", "*Randomize Only Tensions", "-",
                                        "*Generate 32 Steps", "Generate 16 Steps",
                                        "Prefer Dense Sequences"}),
              MenuTitles(CModOptionsMenu::Build(&m_host)));
}

TEST_F(CModOptionsMenuTest, ChoicesAreStoredInTheSavedPreferences)
{
    struct CASE
    {
        bool envelope;
        const char* title;
        int stepMode, curveMode;
        bool length32, dense;
    };
    // Starting from step mode 0, curve mode 0, 16 steps, dense on.
    const CASE cases[] = {
        {false, "Randomize Only Positions", 1, 0, false, true},
        {false, "Randomize Only Levels", 2, 0, false, true},
        {true, "Randomize Only Tensions", 0, 3, false, true},
        {true, "Randomize Only Levels", 0, 2, false, true},
        {true, "Generate 32 Steps", 0, 0, true, true},
        {false, "Prefer Dense Sequences", 0, 0, false, false},
    };
    for (const CASE& c : cases)
    {
        Prepare(c.envelope, 0, 0, false, true);
        ASSERT_TRUE(CModOptionsMenu::Perform(&m_host, c.title)) << c.title;
        const CPreferences saved(m_plugin.Effect());
        EXPECT_EQ(c.stepMode, saved.GetStepRandomizeMode()) << c.title;
        EXPECT_EQ(c.curveMode, saved.GetCurveRandomizeMode()) << c.title;
        EXPECT_EQ(c.length32, saved.GetCurveLength32()) << c.title;
        EXPECT_EQ(c.dense, saved.GetPreferDense()) << c.title;
    }
}
