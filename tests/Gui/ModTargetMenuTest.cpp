// The matrix's source and target list menus: every parameter is offered exactly once under
// its name, extras included, and the current value is checked.
#include "Gui/GuiTestSupport.h"
#include "Gui/ModSourceMenu.h"
#include "Gui/ModTargetMenu.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

using namespace VSTGUI;

namespace
{
class CModTargetMenuTest : public ::testing::Test
{
protected:
    void TearDown() override { m_menu->forget(); }
    std::string Name(int id)
    {
        char name[64] = {};
        m_plugin.Effect()->GetParameterName(id, name);
        return name;
    }
    GuiTest::CPluginInstance m_plugin;
    CModTargetMenu m_targets;
    CModSourceMenu m_sources;
    COptionMenu* m_menu = new COptionMenu();
};
} // namespace

TEST_F(CModTargetMenuTest, EveryParameterIsOfferedOnceUnderItsName)
{
    m_targets.InitMenu(m_plugin.Effect(), m_menu, -1);
    ASSERT_EQ(2 + CModTargetMenu::kGroupCount, m_menu->getNbEntries());
    EXPECT_STREQ("---", m_menu->getEntry(0)->getTitle());
    EXPECT_TRUE(m_menu->getEntry(0)->isChecked());
    EXPECT_TRUE(m_menu->getEntry(1)->isSeparator());
    // The main menu's own entries: "---" is no target; an index past a group is none.
    EXPECT_EQ(-1.0f, m_targets.GetResult(0, 0));
    EXPECT_EQ(2.0f, m_targets.GetResult(0, 3));
    EXPECT_EQ(-1.0f, m_targets.GetResult(CModTargetMenu::sGroups[8].tag, 20));
    std::multiset<int> offered;
    for (int g = 0; g < CModTargetMenu::kGroupCount; ++g)
    {
        const CModTargetMenu::GROUP& group = CModTargetMenu::sGroups[g];
        COptionMenu* submenu = m_menu->getSubMenu(2 + g);
        ASSERT_NE(nullptr, submenu);
        EXPECT_STREQ(group.title, m_menu->getEntry(2 + g)->getTitle());
        EXPECT_EQ(group.tag, submenu->getTag());
        for (int index = 0; index < submenu->getNbEntries(); ++index)
        {
            const int id = static_cast<int>(m_targets.GetResult(submenu->getTag(), index));
            offered.insert(id);
            EXPECT_EQ(Name(id), submenu->getEntry(index)->getTitle()) << group.title << index;
        }
    }
    ASSERT_EQ(312u, offered.size());
    for (int id = 0; id < 312; ++id)
        EXPECT_EQ(1u, offered.count(id)) << Name(id);
}

TEST_F(CModTargetMenuTest, TheCurrentTargetAndItsGroupAreChecked)
{
    m_targets.InitMenu(m_plugin.Effect(), m_menu, 307);
    EXPECT_FALSE(m_menu->getEntry(0)->isChecked());
    for (int g = 0; g < CModTargetMenu::kGroupCount; ++g)
        EXPECT_EQ(g == 8, m_menu->getEntry(2 + g)->isChecked()) << g;
    COptionMenu* flanger = m_menu->getSubMenu(2 + 8);
    for (int index = 0; index < flanger->getNbEntries(); ++index)
        EXPECT_EQ(index == 18, flanger->getEntry(index)->isChecked()) << index;
    // Built anew each time: nothing left from the last opening.
    m_targets.InitMenu(m_plugin.Effect(), m_menu, 24);
    EXPECT_EQ(2 + CModTargetMenu::kGroupCount, m_menu->getNbEntries());
    EXPECT_TRUE(m_menu->getEntry(2 + 2)->isChecked());
    EXPECT_FALSE(m_menu->getEntry(2 + 8)->isChecked());
}

TEST_F(CModTargetMenuTest, TheSourceMenuListsNoSourceAndTheEightModulators)
{
    m_sources.InitMenu(m_plugin.Effect(), m_menu, 2);
    ASSERT_EQ(10, m_menu->getNbEntries());
    EXPECT_STREQ("---", m_menu->getEntry(0)->getTitle());
    EXPECT_TRUE(m_menu->getEntry(1)->isSeparator());
    for (int m = 0; m < 8; ++m)
    {
        EXPECT_EQ("Mod " + std::to_string(m + 1), m_menu->getEntry(2 + m)->getTitle());
        EXPECT_EQ(m == 2, m_menu->getEntry(2 + m)->isChecked()) << m;
    }
    // Indices without the separator: 0 is "---" (-1), 1..8 the modulators 0..7.
    const std::pair<int, float> results[] = {{0, -1.0f}, {1, 0.0f}, {8, 7.0f}};
    for (const auto& [index, source] : results)
        EXPECT_EQ(source, m_sources.GetResult(0, index)) << index;
}
