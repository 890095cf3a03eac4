// The modulation menu of a parameter's control: its entries for the matrix slots aiming at
// the parameter, MIDI learn and lock, and what each choice does. (The editor's test runs
// it modally from a context click on a knob.)
#include "Gui/GuiTestSupport.h"
#include "Gui/ModulationKnob.h"
#include "Gui/ModulationMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr int kParam = kFilterCutoff;

class CModulationMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* strip = new CBitmap(20, 80);
        m_knob = new CModulationKnob(m_effect, CRect(40, 40, 60, 60), nullptr, kParam, 4, 20,
                                     strip, nullptr);
        strip->forget();
    }
    void TearDown() override { m_knob->forget(); }

    std::vector<std::string> Entries() { return MenuTitles(m_menu.Build(m_knob)); }
    // Chooses an entry the menu offers (checked or not), by its title.
    bool Choose(const std::string& title)
    {
        const std::vector<std::string> entries = Entries();
        return std::count(entries.begin(), entries.end(), title) +
                       std::count(entries.begin(), entries.end(), "*" + title) >
                   0 &&
               m_menu.Apply(m_knob, 0, 0, title.c_str());
    }

    CPluginInstance m_plugin;
    CMorvex* m_effect = m_plugin.Effect();
    CModulationKnob* m_knob = nullptr;
    CModulationMenu m_menu{m_effect};
};
} // namespace

TEST(CModulationMenuFormatTest, SlotEntriesShowSourceSignedDepthAndWhetherOff)
{
    struct CASE
    {
        const char* source;
        float depth;
        bool powered;
        const char* text;
    };
    const CASE cases[] = {
        {"Mod 3", -25.0f, false, "    Mod 3 [-25.00%], Disabled"},
        {"Mod 1", 15.0f, true, "    Mod 1 [+15.00%]"},
        {"Mod 8", 0.0f, true, "    Mod 8 [+0.00%]"},
        {"Mod 2", -100.0f, true, "    Mod 2 [-100.00%]"},
        {"Mod 4", 33.333f, false, "    Mod 4 [+33.33%], Disabled"},
    };
    for (const CASE& c : cases)
    {
        char text[128];
        CModulationMenu::FormatSlotEntry(text, sizeof(text), c.source, c.depth, c.powered);
        EXPECT_STREQ(c.text, text);
    }
}

TEST_F(CModulationMenuTest, WithoutModulationsThereIsNothingToEnableOrRemove)
{
    char name[64] = {};
    m_effect->GetParameterName(kParam, name);
    EXPECT_EQ((std::vector<std::string>{name, "-", "Add Modulation", "-", "Start Midi Learn",
                                        "Lock"}),
              Entries());
    COptionMenu* menu = m_menu.Build(m_knob);
    EXPECT_TRUE(menu->getEntry(0)->isTitle());
    COptionMenu* add = menu->getSubMenu(2);
    ASSERT_NE(nullptr, add);
    EXPECT_EQ(CModulationMenu::kAddModulationTag, add->getTag());
    ASSERT_EQ(8, add->getNbEntries());
    EXPECT_STREQ("Mod 8", add->getEntry(7)->getTitle());
    menu->forget();
    // A control without a parameter tag has no menu.
    CControl editorButton(CRect(0, 0, 10, 10), nullptr, 100006);
    EXPECT_EQ(nullptr, m_menu.Build(&editorButton));
}

TEST_F(CModulationMenuTest, SlotsAreListedInOrderWithEnableOrDisableAll)
{
    Route(m_effect, 4, 2, kParam, -25.0f);
    Route(m_effect, 6, 5, kParam + 1, 50.0f); // another parameter
    Route(m_effect, 9, 0, kParam, 15.0f);
    m_effect->SetParameterScaled(kMtxPower + 4, 0.0f);
    m_effect->SetParameterScaled(kMtxPower + 9, 0.0f);
    m_knob->SetModIndex(1);
    std::vector<std::string> entries = Entries();
    EXPECT_EQ((std::vector<std::string>{"Add Modulation", "    Mod 3 [-25.00%], Disabled",
                                        "*    Mod 1 [+15.00%], Disabled", "Enable All Modulations",
                                        "Remove All Modulations", "-"}),
              std::vector<std::string>(entries.begin() + 2, entries.begin() + 8));
    m_effect->SetParameterScaled(kMtxPower + 9, 1.0f);
    EXPECT_EQ("Disable All Modulations", Entries()[5]);

    // Choosing the first slot entry (index 2, separators not counted) makes the knob show it.
    EXPECT_TRUE(m_menu.Apply(m_knob, 0, 2, "    Mod 3 [-25.00%], Disabled"));
    EXPECT_EQ(0, m_knob->GetModIndex());
}

TEST_F(CModulationMenuTest, EachChoiceActsOnTheControlsParameter)
{
    const int undos = m_effect->GetUndoCount();
    EXPECT_TRUE(m_menu.Apply(m_knob, CModulationMenu::kAddModulationTag, 5, "Mod 6"));
    EXPECT_EQ(5.0f, Unscaled(m_effect, kMtxSource + 0));
    EXPECT_EQ(kParam, Unscaled(m_effect, kMtxTarget + 0));
    EXPECT_EQ(undos + 1, m_effect->GetUndoCount());

    m_effect->SetParameterScaled(kMtxPower + 0, 0.0f);
    EXPECT_TRUE(Choose("Enable All Modulations"));
    EXPECT_EQ(1.0f, Scaled(m_effect, kMtxPower));
    EXPECT_TRUE(Choose("Disable All Modulations"));
    EXPECT_EQ(0.0f, Scaled(m_effect, kMtxPower));
    EXPECT_TRUE(Choose("Remove All Modulations"));
    EXPECT_EQ(-1.0f, Unscaled(m_effect, kMtxSource + 0));

    EXPECT_TRUE(Choose("Start Midi Learn"));
    EXPECT_EQ(kParam, m_effect->IsMidiLearnActive());
    EXPECT_EQ("Stop Midi Learn", Entries()[4]);
    m_effect->OnMidiCC(7, 0.5f);
    const std::vector<std::string> learned = Entries();
    EXPECT_EQ((std::vector<std::string>{"Start Midi Learn", "    MidiCC [CC7]", "Clear MidiCC",
                                        "Lock"}),
              std::vector<std::string>(learned.end() - 4, learned.end()));
    EXPECT_TRUE(Choose("Clear MidiCC"));
    EXPECT_EQ(-1, m_effect->GetAssignedMidiCC(kParam));

    EXPECT_TRUE(Choose("Lock"));
    EXPECT_TRUE(m_effect->GetParameterLock(kParam));
    EXPECT_EQ("*Lock", Entries().back());
    EXPECT_TRUE(Choose("Lock"));
    EXPECT_FALSE(m_effect->GetParameterLock(kParam));
}
