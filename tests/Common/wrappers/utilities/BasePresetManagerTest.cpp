// The preset library scan on temporary folder trees: order, names, odd and unreadable folders.
#include "support/TempDataFolder.h"

#include "Common/wrappers/utilities/BasePresetManager.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
class CBasePresetManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { m_library = m_data.GetPath() + "/Library"; }
    void Folder(const std::string& relative)
    {
        ASSERT_EQ(mkdir((m_library + (relative.empty() ? "" : "/" + relative)).c_str(), 0755), 0)
            << relative;
    }
    void File(const std::string& relative)
    {
        std::ofstream file(m_library + "/" + relative);
        file << "x";
        ASSERT_TRUE(file.good()) << relative;
    }
    std::vector<std::string> CategoryNames() const
    {
        std::vector<std::string> names;
        for (const CPresetCategory& category : m_manager.GetPresetCategoryVector())
            names.push_back(category.name);
        return names;
    }
    // "category|name|path" per preset, in list order.
    std::vector<std::string> Presets() const
    {
        std::vector<std::string> rows;
        for (const CPresetInfo& info : m_manager.GetPresetInfoVector())
            rows.push_back((info.category ? info.category->name : "?") + "|" + info.name + "|" +
                           info.path);
        return rows;
    }
    CTempDataFolder m_data;
    std::string m_library;
    CBasePresetManager m_manager;
};
} // namespace

TEST_F(CBasePresetManagerTest, CategoriesAndPresetsSortByteWiseUpperCaseFirst)
{
    Folder("");
    for (const char* category : {"ambient", "User", "Bass", "Bass2"})
        Folder(category);
    for (const char* file : {"Bass/sub.prg", "Bass/Wide.prg", "Bass/Deep.prg", "Bass/Deep 2.prg",
                             "ambient/a.prg"})
        File(file);
    m_manager.RebuildPresetVector(m_library.c_str(), ".prg");
    // A shorter name that is a prefix of a longer one sorts first.
    EXPECT_EQ(CategoryNames(), (std::vector<std::string>{"Bass", "Bass2", "User", "ambient"}));
    const std::string bass = m_library + "/Bass/";
    EXPECT_EQ(Presets(), (std::vector<std::string>{
                             "Bass|Deep|" + bass + "Deep.prg",
                             "Bass|Deep 2|" + bass + "Deep 2.prg",
                             "Bass|Wide|" + bass + "Wide.prg",
                             "Bass|sub|" + bass + "sub.prg",
                             "ambient|a|" + m_library + "/ambient/a.prg",
                         }));
    // Empty categories stay listed; each preset points into the category list.
    for (const CPresetInfo& info : m_manager.GetPresetInfoVector())
    {
        const auto& categories = m_manager.GetPresetCategoryVector();
        EXPECT_GE(info.category, categories.data());
        EXPECT_LT(info.category, categories.data() + categories.size());
    }
    // The predicates compare unsigned bytes: "\xC3" (a UTF-8 lead byte) sorts after "z".
    EXPECT_TRUE(CBasePresetManager::category_sort_predicate({"z"}, {"\xC3\xA9"}));
    EXPECT_FALSE(CBasePresetManager::category_sort_predicate({"\xC3\xA9"}, {"z"}));
    EXPECT_FALSE(CBasePresetManager::info_sort_predicate({"", "Pad", nullptr},
                                                         {"", "Pad", nullptr}));
    EXPECT_TRUE(CBasePresetManager::info_sort_predicate({"", "Pad", nullptr},
                                                        {"", "Pad ", nullptr}));
}

TEST_F(CBasePresetManagerTest, ExtensionMatchesAnywhereAndDotsOnlyHideFolders)
{
    // A folder containing the extension is listed as well, its name cut by the extension's
    // length from the end; "Loose.prg" is outside any category.
    for (const char* folder : {"", "Keys", ".git", "Keys/Sub.prg.d"})
        Folder(folder);
    for (const char* file : {".git/Hidden.prg", "Keys/Pad.prg.bak", "Keys/.Secret.prg",
                             "Keys/Notes.txt", "Keys/Lead.PRG", "Loose.prg"})
        File(file);
    m_manager.RebuildPresetVector(m_library.c_str(), ".prg");
    EXPECT_EQ(CategoryNames(), (std::vector<std::string>{"Keys"}));
    const std::string keys = m_library + "/Keys/";
    EXPECT_EQ(Presets(), (std::vector<std::string>{
                             "Keys|.Secret|" + keys + ".Secret.prg",
                             "Keys|Pad.prg|" + keys + "Pad.prg.bak",
                             "Keys|Sub.p|" + keys + "Sub.prg.d", // 4 bytes cut: "rg.d"
                         }));
}

TEST_F(CBasePresetManagerTest, SameNamesInTwoCategoriesKeepTheirOwnCategory)
{
    for (const char* folder : {"", "A", "B"})
        Folder(folder);
    File("A/Init.mprg");
    File("B/Init.mprg");
    m_manager.RebuildPresetVector(m_library.c_str(), ".mprg");
    EXPECT_EQ(Presets(), (std::vector<std::string>{"A|Init|" + m_library + "/A/Init.mprg",
                                                   "B|Init|" + m_library + "/B/Init.mprg"}));
    EXPECT_EQ(m_manager.GetPresetInfoVector()[1].category,
              &m_manager.GetPresetCategoryVector()[1]);
    // A rebuild replaces both lists.
    m_manager.RebuildPresetVector((m_library + "/A").c_str(), ".mprg");
    EXPECT_TRUE(m_manager.GetPresetInfoVector().empty());
    EXPECT_TRUE(m_manager.GetPresetCategoryVector().empty());
}

TEST_F(CBasePresetManagerTest, PathsAreNormalised)
{
    for (const char* folder : {"", "Drums"})
        Folder(folder);
    File("Drums/Kick.prg");
    m_manager.RebuildPresetVector((m_library + "/").c_str(), ".prg");
    ASSERT_EQ(m_manager.GetPresetInfoVector().size(), 1u);
    EXPECT_EQ(m_manager.GetPresetInfoVector()[0].path, m_library + "/Drums/Kick.prg");
    // "//" -> "/", scanning on after each replacement; "\\\\" -> "\\" except at bytes 0 and 1.
    EXPECT_EQ(CBasePresetManager::NormalisePath("a//b//c"), "a/b/c");
    EXPECT_EQ(CBasePresetManager::NormalisePath("a///b"), "a//b");
    EXPECT_EQ(CBasePresetManager::NormalisePath("\\\\server\\\\share\\\\x"),
              "\\\\server\\share\\x");
    EXPECT_EQ(CBasePresetManager::NormalisePath("x\\\\\\y"), "x\\\\y");
}

TEST_F(CBasePresetManagerTest, UnreadableOrMissingLibraryGivesEmptyLists)
{
    m_manager.RebuildPresetVector((m_library + "/none").c_str(), ".prg");
    EXPECT_TRUE(m_manager.GetPresetCategoryVector().empty());
    m_manager.RebuildPresetVector(nullptr, ".prg");
    EXPECT_TRUE(m_manager.GetPresetInfoVector().empty());
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: permission bits do not stop root from reading a "
                        "folder, so an unreadable folder cannot be made";
    for (const char* folder : {"", "Locked", "Open"})
        Folder(folder);
    File("Locked/A.prg");
    File("Open/B.prg");
    ASSERT_EQ(chmod((m_library + "/Locked").c_str(), 0), 0);
    m_manager.RebuildPresetVector(m_library.c_str(), ".prg");
    // An unreadable category stays, with no presets.
    EXPECT_EQ(CategoryNames(), (std::vector<std::string>{"Locked", "Open"}));
    EXPECT_EQ(Presets(), (std::vector<std::string>{"Open|B|" + m_library + "/Open/B.prg"}));
    ASSERT_EQ(chmod(m_library.c_str(), 0), 0);
    m_manager.RebuildPresetVector(m_library.c_str(), ".prg");
    EXPECT_TRUE(m_manager.GetPresetCategoryVector().empty());
    EXPECT_TRUE(m_manager.GetPresetInfoVector().empty());
    chmod(m_library.c_str(), 0755);
    chmod((m_library + "/Locked").c_str(), 0755);
}

TEST_F(CBasePresetManagerTest, OverLongPathsAreSkippedNotCut)
{
    // A library path deep enough that composed paths reach 1023 bytes with names below the
    // system's 255-byte limit.
    Folder("");
    while (m_library.size() < 800)
    {
        m_library += "/" + std::string(200, 'd');
        Folder("");
    }
    const size_t max = CBasePresetManager::kMaxPathLength;
    ASSERT_LT(max - m_library.size(), 240u);
    // Category "K": "<library>/K/<name>" of 1023 bytes is listed, of 1024 is not.
    Folder("K");
    const size_t fitting = max - m_library.size() - 3;
    File("K/" + std::string(fitting - 4, 'n') + ".prg");
    File("K/" + std::string(fitting - 3, 'm') + ".prg");
    // A category whose folder path "<library>/<name>/" is 1024 bytes: listed, no presets.
    const std::string wide(max - m_library.size() - 1, 'w');
    Folder(wide);
    File(wide + "/a.prg");
    m_manager.RebuildPresetVector(m_library.c_str(), ".prg");
    EXPECT_EQ(CategoryNames(), (std::vector<std::string>{"K", wide}));
    ASSERT_EQ(m_manager.GetPresetInfoVector().size(), 1u);
    const CPresetInfo& listed = m_manager.GetPresetInfoVector()[0];
    EXPECT_EQ(listed.path.size(), max);
    EXPECT_EQ(listed.name, std::string(fitting - 4, 'n'));
    // A library path over 1023 bytes is refused as a whole, never shortened into the path of
    // some other folder.
    const std::string tooLong = m_library + "/" + std::string(240, 'x');
    ASSERT_EQ(mkdir(tooLong.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((tooLong + "/Cat").c_str(), 0755), 0);
    m_manager.RebuildPresetVector(tooLong.c_str(), ".prg");
    EXPECT_TRUE(m_manager.GetPresetCategoryVector().empty());
}
