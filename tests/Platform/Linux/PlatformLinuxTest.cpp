#include "Platform/Platform.h"

#include "Platform/Linux/ScopedEnv.h"
#include "Platform/Linux/ScriptedDialogs.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace
{
class PlatformLinuxTest : public ::testing::Test
{
protected:
    CTempDataFolder m_folder;
};
} // namespace

// A relative $XDG_DATA_HOME is invalid by the XDG rules and ignored.
TEST_F(PlatformLinuxTest, DataFolderFollowsXdgDataHomeOnlyWhenAbsolute)
{
    const std::string home = m_folder.GetPath() + "/home";
    CScopedEnv homeEnv("HOME", (home + "/").c_str());
    EXPECT_EQ(Platform::GetUserHomeFolder(), home);
    const std::pair<const char*, std::string> rows[] = {{"/var/data//", "/var/data"},
                                                        {"relative/data", home + "/.local/share"},
                                                        {nullptr, home + "/.local/share"}};
    for (const auto& [value, expected] : rows)
    {
        CScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(Platform::GetUserDataFolder(), expected);
    }
    // Without $HOME the password database gives the home folder.
    CScopedEnv noHome("HOME", nullptr);
    EXPECT_FALSE(Platform::GetUserHomeFolder().empty());
}

TEST_F(PlatformLinuxTest, DesktopComesFromTheUserDirsFile)
{
    const std::string home = m_folder.GetPath() + "/home";
    const std::string config = m_folder.GetPath() + "/config";
    std::filesystem::create_directories(config);
    CScopedEnv homeEnv("HOME", home.c_str());
    CScopedEnv configEnv("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(Platform::GetUserDesktopFolder(), home + "/Desktop");
    std::ofstream(config + "/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                              << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                              << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    EXPECT_EQ(Platform::GetUserDesktopFolder(), home + "/Schreibtisch");
    std::ofstream(config + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"/srv/desk/\"\n";
    EXPECT_EQ(Platform::GetUserDesktopFolder(), "/srv/desk");
    // Neither $HOME-relative nor absolute: not valid, the default is used.
    std::ofstream(config + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"Desk\"\n";
    EXPECT_EQ(Platform::GetUserDesktopFolder(), home + "/Desktop");
}

TEST_F(PlatformLinuxTest, CreateFoldersMakesEveryMissingParent)
{
    const std::string deep = m_folder.GetPath() + "/a/b/c";
    EXPECT_TRUE(Platform::CreateFolders(deep));
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(Platform::CreateFolders(deep + "/")); // existing, trailing slash
    EXPECT_TRUE(Platform::CreateFolders(deep));
    // A file in the way.
    std::ofstream(m_folder.GetPath() + "/file") << "x";
    EXPECT_FALSE(Platform::CreateFolders(m_folder.GetPath() + "/file/sub"));
    EXPECT_FALSE(Platform::CreateFolders(m_folder.GetPath() + "/file"));
    EXPECT_FALSE(Platform::CreateFolders(""));
}

TEST_F(PlatformLinuxTest, TempFilesAreUniqueHiddenAndReplaceTheirTarget)
{
    const std::string target = m_folder.GetPath() + "/Lead.prg";
    std::string first;
    std::string second;
    std::FILE* a = Platform::CreateTempFileBeside(target, first);
    std::FILE* b = Platform::CreateTempFileBeside(target, second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::filesystem::path(first).parent_path(), m_folder.GetPath());
    EXPECT_EQ(std::filesystem::path(first).filename().string()[0], '.');
    std::fputs("new", a);
    EXPECT_TRUE(Platform::SyncFile(a));
    std::fclose(a);
    std::fclose(b);
    EXPECT_TRUE(Platform::RemoveFile(second));
    EXPECT_FALSE(Platform::RemoveFile(second));
    EXPECT_TRUE(Platform::ReplaceFile(first, target));
    std::ifstream in(target);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(std::filesystem::exists(first));
    std::string none;
    EXPECT_EQ(Platform::CreateTempFileBeside(m_folder.GetPath() + "/missing/x.prg", none), nullptr);
}

TEST_F(PlatformLinuxTest, WithoutADisplayTheScreenIsEmptyAndPanelsAreCancelled)
{
    CNoDisplay noDisplay;
    int width = -1, height = -1;
    Platform::GetScreenSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_TRUE(Platform::ShowAlert("Title", "Message", true));
    char result[16] = "unchanged";
    EXPECT_FALSE(Platform::ShowOpenFileDialog(result, sizeof(result), "", "prg"));
    EXPECT_FALSE(Platform::ShowSaveFileDialog(result, sizeof(result), "/tmp", "", "prg", "x"));
    EXPECT_STREQ(result, "unchanged");
    EXPECT_FALSE(Platform::RevealInFileManager("/tmp"));
}

TEST_F(PlatformLinuxTest, PanelsCopyAPathOnlyWholeAndStartWhereTheLastFileWasChosen)
{
    CScriptedPlatform platform;
    platform.runner.available = {"zenity"};
    const std::string chosen = "/maps/Live Set.ccmap"; // 20 bytes
    char result[2048] = "unchanged";
    platform.runner.Answer(0, chosen + "\n");
    EXPECT_FALSE(Platform::ShowOpenFileDialog(result, 20, "", "ccmap")); // no room for the end
    EXPECT_STREQ(result, "unchanged");
    platform.runner.Answer(0, chosen + "\n");
    EXPECT_TRUE(Platform::ShowOpenFileDialog(result, 21, "", "ccmap"));
    EXPECT_STREQ(result, chosen.c_str());
    EXPECT_FALSE(Platform::ShowOpenFileDialog(nullptr, 21, "", "ccmap"));
    EXPECT_FALSE(Platform::ShowOpenFileDialog(result, 0, "", "ccmap"));
    EXPECT_EQ(platform.runner.runs.size(), 2u);

    // A panel with a folder of its own starts there; the next one without opens where the
    // last file went, and an extension may come with its dot.
    const std::string folder = m_folder.GetPath();
    platform.runner.Answer(0, folder + "/Lead.prg\n");
    ASSERT_TRUE(Platform::ShowSaveFileDialog(result, sizeof(result), "/presets/User",
                                             "Preset files (*.prg)", "prg", "Lead"));
    std::string path;
    Platform::ChooseFileToOpen("Load MidiCC map", "MidiCC map files (*.ccmap)", ".ccmap", "", path);
    EXPECT_EQ(platform.runner.runs[3],
              ARGUMENTS({"zenity", "--file-selection", "--title=Load MidiCC map",
                         "--filename=" + folder + "/",
                         "--file-filter=MidiCC map files (*.ccmap) | *.ccmap"}));
}

TEST_F(PlatformLinuxTest, AZenityOnThePathAnswersThroughARealChildProcess)
{
    // A stand-in zenity that records its arguments and answers with quotes and spaces.
    const std::string bin = m_folder.GetPath() + "/bin";
    std::filesystem::create_directories(bin);
    const std::string argumentsFile = m_folder.GetPath() + "/arguments";
    const std::string answer = "/home/u/it's a \"map\".ccmap";
    std::ofstream(bin + "/zenity") << "#!/bin/sh\n"
                                   << "printf '%s\\n' \"$@\" > '" << argumentsFile << "'\n"
                                   << "printf '%s\\n' '/home/u/it'\\''s a \"map\".ccmap'\n";
    chmod((bin + "/zenity").c_str(), 0755);
    const char* path = std::getenv("PATH");
    CScopedEnv pathEnv("PATH", (bin + ":" + (path ? path : "/usr/bin:/bin")).c_str());
    CScopedEnv display("DISPLAY", ":stand-in");
    CScopedEnv desktop("XDG_CURRENT_DESKTOP", nullptr);
    char result[2048] = "";
    EXPECT_TRUE(Platform::ShowOpenFileDialog(result, sizeof(result), "", "ccmap"));
    EXPECT_STREQ(result, answer.c_str());
    std::ifstream recorded(argumentsFile);
    std::string first;
    std::getline(recorded, first);
    EXPECT_EQ(first, "--file-selection");
    int status = 0;
    EXPECT_TRUE(waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD) << "a child is left";
}
