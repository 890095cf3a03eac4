// The modulator options menu: the entries of a step and of an envelope modulator with the
// current preferences checked, and every choice stored in the saved preferences.
#include "Gui/EditorMenuHost.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/ModOptionsMenu.h"
#include "Preferences.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VSTGUI;

namespace
{
class CTestMenuHost : public IEditorMenuHost
{
public:
    explicit CTestMenuHost(CMorvex* effect) : m_effect(effect) {}
    CMorvex* GetMorvex() override { return m_effect; }
    int GetSelectedLayer() const override { return 0; }
    int GetSelectedMod() const override { return 6; }
    void UpdateAllControls() override {}
    void SetEditorViewMode(int) override {}

private:
    CMorvex* m_effect;
};

class CModOptionsMenuTest : public ::testing::Test
{
protected:
    std::vector<std::string> Entries()
    {
        COptionMenu* menu = CModOptionsMenu::Build(&m_host);
        std::vector<std::string> titles;
        for (int i = 0; i < menu->getNbEntries(); ++i)
        {
            const CMenuItem* item = menu->getEntry(i);
            titles.push_back(std::string(item->isChecked() ? "*" : "") + item->getTitle());
        }
        menu->forget();
        return titles;
    }
    void SetEnvelope(bool envelope)
    {
        m_plugin.Effect()->SetParameterUnscaled(MorvexParam::kModMode + 6, envelope ? 1.0f : 0.0f);
    }
    CPreferences* Preferences() { return m_plugin.Effect()->GetPreferences(); }

    GuiTest::CPluginInstance m_plugin;
    CTestMenuHost m_host{m_plugin.Effect()};
};
} // namespace

TEST_F(CModOptionsMenuTest, AStepModulatorOffersThreeWaysAndDenseSequences)
{
    SetEnvelope(false);
    Preferences()->SetStepRandomizeMode(2);
    Preferences()->SetPreferDense(true);
    EXPECT_EQ((std::vector<std::string>{"Randomize All", "Randomize Only Positions",
                                        "*Randomize Only Levels", "-",
                                        "*Prefer Dense Sequences"}),
              Entries());
    EXPECT_FALSE(CModOptionsMenu::Perform(&m_host, "Randomize Only Tensions"));
    EXPECT_FALSE(CModOptionsMenu::Perform(&m_host, "Generate 32 Steps"));
}

TEST_F(CModOptionsMenuTest, AnEnvelopeAlsoOffersTensionsAndItsLength)
{
    SetEnvelope(true);
    Preferences()->SetCurveRandomizeMode(3);
    Preferences()->SetCurveLength32(true);
    Preferences()->SetPreferDense(false);
    EXPECT_EQ((std::vector<std::string>{"Randomize All", "Randomize Only Positions",
                                        "Randomize Only Levels", "*Randomize Only Tensions", "-",
                                        "*Generate 32 Steps", "Generate 16 Steps",
                                        "Prefer Dense Sequences"}),
              Entries());
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
        Preferences()->SetStepRandomizeMode(0);
        Preferences()->SetCurveRandomizeMode(0);
        Preferences()->SetCurveLength32(false);
        Preferences()->SetPreferDense(true);
        SetEnvelope(c.envelope);
        ASSERT_TRUE(CModOptionsMenu::Perform(&m_host, c.title)) << c.title;
        const CPreferences saved(m_plugin.Effect());
        EXPECT_EQ(c.stepMode, saved.GetStepRandomizeMode()) << c.title;
        EXPECT_EQ(c.curveMode, saved.GetCurveRandomizeMode()) << c.title;
        EXPECT_EQ(c.length32, saved.GetCurveLength32()) << c.title;
        EXPECT_EQ(c.dense, saved.GetPreferDense()) << c.title;
    }
}
