#include "vstgui/FileSelector.h"
#include "vstgui/Alert.h"

#include <gtest/gtest.h>

#include <utility>

using namespace VSTGUI;

namespace
{
class CScriptedFiles : public IFileSelectorProvider
{
public:
    bool open(const std::string& title, const std::string& filterText, const std::string& extension,
              const std::string& initialFolder, std::string& path) override
    {
        asked = title + "|" + filterText + "|" + extension + "|" + initialFolder;
        path = answer;
        return confirm;
    }
    bool save(const std::string&, const std::string&, const std::string&,
              const std::string& initialFolder, const std::string& proposedName,
              std::string& path) override
    {
        asked = initialFolder + "|" + proposedName;
        path = answer;
        return confirm;
    }
    std::string answer;
    bool confirm = true;
    std::string asked;
};

class CScriptedAlert : public IAlertProvider
{
public:
    bool show(const std::string& title, const std::string& message, bool withCancel) override
    {
        shown = title + ": " + message + (withCancel ? " [cancel]" : "");
        return answer;
    }
    bool answer = false;
    std::string shown;
};
} // namespace

TEST(CFileSelectorTest, ProviderAnswersAndSaveAddsAMissingExtension)
{
    ASSERT_EQ(CFileSelector::GetProvider(), nullptr); // without one, every question is cancelled
    std::string path = "unchanged";
    EXPECT_FALSE(CFileSelector::Open("Load", "Maps (*.ccmap)", ".ccmap", "/tmp", path));
    EXPECT_FALSE(CFileSelector::Save("Save", "Maps (*.ccmap)", ".ccmap", "/tmp", "a", path));
    EXPECT_EQ(path, "unchanged");
    CScriptedFiles files;
    CFileSelector::SetProvider(&files);
    files.answer = "/presets/User/Bass.prg";
    EXPECT_TRUE(CFileSelector::Open("Load", "Preset files (*.prg)", ".prg", "/presets", path));
    EXPECT_EQ(path, "/presets/User/Bass.prg");
    EXPECT_EQ(files.asked, "Load|Preset files (*.prg)|.prg|/presets");
    const std::pair<const char*, const char*> answers[] = {
        {"/p/Lead", "/p/Lead.prg"}, {"/p/Lead.prg", "/p/Lead.prg"}, {"/p/a", "/p/a.prg"}};
    for (const auto& [answer, expected] : answers)
    {
        files.answer = answer;
        ASSERT_TRUE(CFileSelector::Save("Save", "", ".prg", "/p", "Lead", path));
        EXPECT_EQ(path, expected);
    }
    files.confirm = false;
    path = "kept";
    EXPECT_FALSE(CFileSelector::Save("Save", "", ".prg", "/p", "Lead", path));
    EXPECT_EQ(path, "kept");
    EXPECT_EQ(CFileSelector::SetProvider(nullptr), &files);
}

TEST(CAlertTest, DefaultsToOkAndUsesTheProvider)
{
    EXPECT_TRUE(CAlert::Show("File cannot be saved", "Check permissions"));
    CScriptedAlert alert;
    CAlert::SetProvider(&alert);
    EXPECT_FALSE(CAlert::Show("File cannot be saved", "Check permissions", true));
    EXPECT_EQ(alert.shown, "File cannot be saved: Check permissions [cancel]");
    CAlert::SetProvider(nullptr);
}
