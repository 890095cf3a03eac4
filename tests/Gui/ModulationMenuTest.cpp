// The modulation menu of a parameter's control: its entries for the matrix slots aiming at
// the parameter, MIDI learn and lock, what each choice does, and one run through the modal
// menu as the editor shows it.
#include "Gui/GuiTestSupport.h"
#include "Gui/ModulationKnob.h"
#include "Gui/ModulationMenu.h"
#include "vstgui/MenuOverlay.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
constexpr int kParam = kFilterCutoff;

class CModulationMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        m_effect = m_plugin.Effect();
        m_menu = CModulationMenu(m_effect);
        auto* strip = new CBitmap(20, 80);
        m_knob = new CModulationKnob(m_effect, CRect(40, 40, 60, 60), nullptr, kParam, 4, 20,
                                     strip, nullptr);
        strip->forget();
        auto* page = new CViewContainer(CRect(10, 10, 200, 200));
        page->addView(m_knob);
        m_frame.addView(page);
    }
    void TearDown() override { m_frame.close(); }

    void SetSlot(int slot, int source, int target, float depthPercent, bool on)
    {
        m_effect->SetParameterUnscaled(kMtxSource + slot, static_cast<float>(source));
        m_effect->SetParameterUnscaled(kMtxTarget + slot, static_cast<float>(target));
        m_effect->SetParameterUnscaled(kMtxDepth + slot, depthPercent);
        m_effect->SetParameterScaled(kMtxPower + slot, on ? 1.0f : 0.0f);
    }
    // Titles of the menu's entries, separators left out; checked ones marked with "*".
    std::vector<std::string> Entries(CControl* control)
    {
        COptionMenu* menu = m_menu.Build(control);
        std::vector<std::string> titles;
        for (int i = 0; i < menu->getNbEntries(); ++i)
        {
            const CMenuItem* item = menu->getEntry(i);
            if (!item->isSeparator())
                titles.push_back(std::string(item->isChecked() ? "*" : "") + item->getTitle());
        }
        menu->forget();
        return titles;
    }
    bool Choose(const char* title)
    {
        COptionMenu* menu = m_menu.Build(m_knob);
        long index = -1;
        for (int i = 0, n = 0; i < menu->getNbEntries(); ++i)
        {
            if (menu->getEntry(i)->isSeparator())
                continue;
            if (std::strcmp(menu->getEntry(i)->getTitle(), title) == 0)
                index = n;
            ++n;
        }
        menu->forget();
        return index >= 0 && m_menu.Apply(m_knob, 0, index, title);
    }
    int SlotsAiming() const
    {
        int count = 0;
        for (int slot = 0; slot < kNumMatrixSlots; ++slot)
            count += m_effect->GetParameterUnscaled(kMtxSource + slot, false, false, 0) >= 0.0f &&
                     m_effect->GetParameterUnscaled(kMtxTarget + slot, false, false, 0) == kParam;
        return count;
    }

    GuiTest::CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CFrame m_frame{CRect(0, 0, 600, 500), nullptr};
    CModulationKnob* m_knob = nullptr;
    CModulationMenu m_menu{nullptr};
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
    EXPECT_EQ((std::vector<std::string>{name, "Add Modulation", "Start Midi Learn", "Lock"}),
              Entries(m_knob));
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
    SetSlot(4, 2, kParam, -25.0f, false);
    SetSlot(6, 5, kParam + 1, 50.0f, true); // another parameter
    SetSlot(9, 0, kParam, 15.0f, false);
    m_knob->SetModIndex(1);
    std::vector<std::string> entries = Entries(m_knob);
    entries.resize(6);
    EXPECT_EQ((std::vector<std::string>{entries[0], "Add Modulation",
                                        "    Mod 3 [-25.00%], Disabled",
                                        "*    Mod 1 [+15.00%], Disabled", "Enable All Modulations",
                                        "Remove All Modulations"}),
              entries);
    m_effect->SetParameterScaled(kMtxPower + 9, 1.0f);
    EXPECT_EQ("Disable All Modulations", Entries(m_knob)[4]);

    // Choosing the first slot entry (index 2) makes the knob show it.
    EXPECT_TRUE(m_menu.Apply(m_knob, 0, 2, "    Mod 3 [-25.00%], Disabled"));
    EXPECT_EQ(0, m_knob->GetModIndex());
}

TEST_F(CModulationMenuTest, EachChoiceActsOnTheControlsParameter)
{
    const int undos = m_effect->GetUndoCount();
    EXPECT_TRUE(m_menu.Apply(m_knob, CModulationMenu::kAddModulationTag, 5, "Mod 6"));
    EXPECT_EQ(1, SlotsAiming());
    EXPECT_EQ(5.0f, m_effect->GetParameterUnscaled(kMtxSource + 0, false, false, 0));
    EXPECT_EQ(undos + 1, m_effect->GetUndoCount());

    m_effect->SetParameterScaled(kMtxPower + 0, 0.0f);
    EXPECT_TRUE(Choose("Enable All Modulations"));
    EXPECT_EQ(1.0f, m_effect->GetParameterScaled(kMtxPower + 0, false, false, 0));
    EXPECT_TRUE(Choose("Disable All Modulations"));
    EXPECT_EQ(0.0f, m_effect->GetParameterScaled(kMtxPower + 0, false, false, 0));
    EXPECT_TRUE(Choose("Remove All Modulations"));
    EXPECT_EQ(0, SlotsAiming());

    EXPECT_TRUE(Choose("Start Midi Learn"));
    EXPECT_EQ(kParam, m_effect->IsMidiLearnActive());
    EXPECT_EQ("Stop Midi Learn", Entries(m_knob)[2]);
    m_effect->OnMidiCC(7, 0.5f);
    const std::vector<std::string> learned = Entries(m_knob);
    EXPECT_EQ((std::vector<std::string>{"Start Midi Learn", "    MidiCC [CC7]", "Clear MidiCC",
                                        "Lock"}),
              std::vector<std::string>(learned.end() - 4, learned.end()));
    EXPECT_TRUE(Choose("Clear MidiCC"));
    EXPECT_EQ(-1, m_effect->GetAssignedMidiCC(kParam));

    EXPECT_TRUE(Choose("Lock"));
    EXPECT_TRUE(m_effect->GetParameterLock(kParam));
    EXPECT_EQ("*Lock", Entries(m_knob).back());
    EXPECT_TRUE(Choose("Lock"));
    EXPECT_FALSE(m_effect->GetParameterLock(kParam));
}

namespace
{
// Clicks the root level's entry *index (with separators) of the open menu.
void ClickRow(CFrame* frame, void* data)
{
    CMenuOverlay* overlay = frame->GetModalOverlay();
    if (!overlay)
        return;
    const CPoint centre = overlay->GetItemRect(0, *static_cast<int*>(data)).getCenter();
    for (CSyntheticEvent::Type type : {CSyntheticEvent::kMouseDown, CSyntheticEvent::kMouseUp})
    {
        CSyntheticEvent event;
        event.type = type;
        event.where = centre;
        event.buttons = kLButton;
        frame->queueSyntheticEvent(event);
    }
}
} // namespace

TEST_F(CModulationMenuTest, AContextClickMenuRunsModallyInTheControlsContainer)
{
    m_frame.platformOnMouseMoved(CPoint(60, 60), 0);
    // Rows: title, separator, "Add Modulation", separator, "Start Midi Learn", "Lock".
    int lockRow = 5;
    CSyntheticEvent callback;
    callback.type = CSyntheticEvent::kCallback;
    callback.callback = ClickRow;
    callback.userData = &lockRow;
    m_frame.queueSyntheticEvent(callback);
    m_menu.Perform(m_knob);
    EXPECT_TRUE(m_effect->GetParameterLock(kParam));
    EXPECT_FALSE(m_frame.isInModalSession());

    // Dismissed (no input left): nothing changes.
    m_menu.Perform(m_knob);
    EXPECT_TRUE(m_effect->GetParameterLock(kParam));
}
