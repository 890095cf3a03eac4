// The preset browser's menu, choices, stepping and save dialogs over a library on disk.
#include "BaseMenuButton.h"
#include "Platform/Linux/ScriptedDialogs.h"
#include "Platform/Platform.h"
#include "support/TempDataFolder.h"
#include "utilities/BasePresetBrowser.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace VSTGUI;

namespace
{
// Records what the menu asks of a preset and does what the base class does.
class CRecordingBrowser : public CBasePresetBrowser
{
public:
    CRecordingBrowser()
        : CBasePresetBrowser(CRect(0, 0, 200, 20), nullptr, "Brenwick/Morvex/Test Presets", "User",
                             ".tst")
    {
    }
    void LoadPreset(std::string path) override
    {
        loads.push_back(path);
        CBasePresetBrowser::LoadPreset(path);
    }
    void SavePreset(std::string path) override
    {
        saves.push_back(path);
        CBasePresetBrowser::SavePreset(path);
    }
    void ResetPreset() override
    {
        ++resets;
        CBasePresetBrowser::ResetPreset();
    }
    std::vector<std::string> loads;
    std::vector<std::string> saves;
    int resets = 0;
};

class CBasePresetBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override { m_browser = new CRecordingBrowser(); }
    void TearDown() override { m_browser->forget(); }
    std::string Library() const { return m_browser->GetFullPresetsPath(); }
    // Creates category folders and empty preset files: {"Bass/Sub.tst", ...}.
    void MakeFiles(const std::vector<std::string>& files)
    {
        for (const std::string& file : files)
        {
            const std::string path = Library() + file;
            ASSERT_TRUE(Platform::CreateFolders(path.substr(0, path.rfind('/'))));
            std::FILE* handle = std::fopen(path.c_str(), "wb");
            ASSERT_NE(nullptr, handle);
            std::fclose(handle);
        }
    }
    COptionMenu* Menu() const { return m_browser->GetMenuButton(); }
    // Chooses entry `index` (with separators) of `menu` as the pop-up would.
    void Choose(COptionMenu* menu, int index)
    {
        Menu()->SetChoice(menu, index);
        m_browser->valueChanged(menu);
    }
    CTempDataFolder m_data;
    CRecordingBrowser* m_browser = nullptr;
};
} // namespace

TEST_F(CBasePresetBrowserTest, EmptyLibraryShowsTheDefaultPresetAndADisabledNoPresetsLine)
{
    // The browser made its user category; without it the library is empty.
    ASSERT_EQ(0, rmdir((Library() + "User").c_str()));
    Choose(Menu(), CBasePresetBrowser::kEntryRefresh);
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
    ASSERT_EQ(CBasePresetBrowser::kNumFixedEntries + 1, Menu()->getNbEntries());
    const char* titles[] = {"Default Preset", "-", "Save New Preset As...", "Save Current Preset",
                            "Show in File Manager...", "Refresh", "-"};
    for (int i = 0; i < CBasePresetBrowser::kNumFixedEntries; ++i)
    {
        CMenuItem* entry = Menu()->getEntry(i);
        EXPECT_EQ(std::string(titles[i]) == "-", entry->isSeparator()) << i;
        if (!entry->isSeparator())
        {
            EXPECT_STREQ(titles[i], entry->getTitle());
        }
    }
    EXPECT_TRUE(Menu()->getEntry(CBasePresetBrowser::kEntryDefault)->isChecked());
    CMenuItem* none = Menu()->getEntry(CBasePresetBrowser::kNumFixedEntries);
    EXPECT_STREQ("[No presets found...]", none->getTitle());
    EXPECT_FALSE(none->isEnabled());
    // Stepping an empty list loads nothing.
    m_browser->SelectNextPreset();
    m_browser->SelectPrevPreset();
    EXPECT_TRUE(m_browser->loads.empty());
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
}

TEST_F(CBasePresetBrowserTest, CategoriesBecomeSubmenusWithTheCurrentPresetChecked)
{
    MakeFiles({"Bass/Sub.tst", "Bass/Growl.tst", "Pads/Air.tst", "readme.txt"});
    m_browser->SetCurrentPresetPath((Library() + "Bass/Sub.tst").c_str());
    EXPECT_EQ("Sub", m_browser->GetShownText());
    EXPECT_FALSE(Menu()->getEntry(CBasePresetBrowser::kEntryDefault)->isChecked());
    // Categories Bass, Pads, User; presets Growl, Sub | Air.
    ASSERT_EQ(CBasePresetBrowser::kNumFixedEntries + 3, Menu()->getNbEntries());
    const char* categories[] = {"Bass", "Pads", "User"};
    for (int c = 0; c < 3; ++c)
    {
        const int index = CBasePresetBrowser::kNumFixedEntries + c;
        EXPECT_STREQ(categories[c], Menu()->getEntry(index)->getTitle());
        EXPECT_EQ(c == 0, Menu()->getEntry(index)->isChecked()) << c;
        EXPECT_EQ(CBasePresetBrowser::kFirstCategoryTag + c, Menu()->getSubMenu(index)->getTag());
    }
    COptionMenu* bass = Menu()->getSubMenu(CBasePresetBrowser::kNumFixedEntries);
    ASSERT_EQ(2, bass->getNbEntries());
    EXPECT_STREQ("Growl", bass->getEntry(0)->getTitle());
    EXPECT_FALSE(bass->getEntry(0)->isChecked());
    EXPECT_TRUE(bass->getEntry(1)->isChecked());
    EXPECT_EQ(1, m_browser->GetCurrentIndex());
}

TEST_F(CBasePresetBrowserTest, ChoosingFromACategoryLoadsThatCategorysPreset)
{
    // The same name in two categories: the chosen submenu decides.
    MakeFiles({"Bass/Init.tst", "Pads/Init.tst"});
    Choose(Menu(), CBasePresetBrowser::kEntryRefresh);
    Choose(Menu()->getSubMenu(CBasePresetBrowser::kNumFixedEntries + 1), 0);
    ASSERT_EQ(1u, m_browser->loads.size());
    EXPECT_EQ(Library() + "Pads/Init.tst", m_browser->loads[0]);
    EXPECT_EQ(1, m_browser->GetCurrentIndex());
    EXPECT_EQ("Init", m_browser->GetShownText());
    Choose(Menu(), CBasePresetBrowser::kEntryDefault);
    EXPECT_EQ(1, m_browser->resets);
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
    EXPECT_EQ(-1, m_browser->GetCurrentIndex());
}

TEST_F(CBasePresetBrowserTest, SteppingWrapsAroundTheWholeListAcrossCategories)
{
    MakeFiles({"Bass/A.tst", "Bass/B.tst", "Pads/C.tst"});
    const std::string a = Library() + "Bass/A.tst";
    const std::string c = Library() + "Pads/C.tst";
    struct STEP_CASE
    {
        const char* name;
        std::string from; // empty: no current preset
        bool next;
        std::string loaded;
    };
    const STEP_CASE cases[] = {
        {"next from the last loads the first", c, true, a},
        {"previous from the first loads the last", a, false, c},
        {"previous without a current preset loads the last", "", false, c},
        {"next without a current preset loads the first", "", true, a},
        {"next within the list", a, true, Library() + "Bass/B.tst"},
    };
    for (const STEP_CASE& step : cases)
    {
        m_browser->SetCurrentPresetPath(step.from.c_str());
        m_browser->loads.clear();
        if (step.next)
            m_browser->SelectNextPreset();
        else
            m_browser->SelectPrevPreset();
        ASSERT_EQ(1u, m_browser->loads.size()) << step.name;
        EXPECT_EQ(step.loaded, m_browser->loads[0]) << step.name;
        EXPECT_EQ(step.loaded, m_browser->GetCurrentPresetPath()) << step.name;
    }
}

TEST_F(CBasePresetBrowserTest, SaveDialogOpensInTheUserCategoryAndACancelSavesNothing)
{
    CScriptedPlatform platform;
    Choose(Menu(), CBasePresetBrowser::kEntrySaveAs); // cancelled: nothing saved
    EXPECT_TRUE(m_browser->saves.empty());
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
    ASSERT_EQ(1u, platform.fallback.initialTexts.size());
    platform.fallback.initialTexts.clear();
    const std::string chosen = Library() + "User/Mine.tst";
    platform.fallback.typed.push_back(chosen);
    Choose(Menu(), CBasePresetBrowser::kEntrySaveCurrent);
    ASSERT_EQ(1u, platform.fallback.initialTexts.size());
    EXPECT_EQ(0u, platform.fallback.initialTexts[0].find(Library() + "User"));
    ASSERT_EQ(1u, m_browser->saves.size());
    EXPECT_EQ(chosen, m_browser->saves[0]);
    EXPECT_EQ("Mine", m_browser->GetShownText());
    // With a current preset it is saved in place, without a dialog.
    Choose(Menu(), CBasePresetBrowser::kEntrySaveCurrent);
    EXPECT_EQ(1u, platform.fallback.initialTexts.size());
    ASSERT_EQ(2u, m_browser->saves.size());
    EXPECT_EQ(chosen, m_browser->saves[1]);
}
