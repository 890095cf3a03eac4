#include "Platform/Platform.h"

#include "TempDataFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace
{
// Sets (or, with null, removes) an environment variable for the object's lifetime.
class CScopedEnv
{
public:
    CScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* previous = std::getenv(name))
        {
            m_hadPrevious = true;
            m_previous = previous;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~CScopedEnv()
    {
        if (m_hadPrevious)
            setenv(m_name.c_str(), m_previous.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    bool m_hadPrevious = false;
    std::string m_previous;
};

class PlatformLinuxTest : public ::testing::Test
{
protected:
    CTempDataFolder m_folder;
};
} // namespace

TEST_F(PlatformLinuxTest, DataFolderFollowsXdgDataHomeOnlyWhenAbsolute)
{
    const std::string home = m_folder.GetPath() + "/home";
    CScopedEnv homeEnv("HOME", (home + "/").c_str());
    EXPECT_EQ(Platform::GetUserHomeFolder(), home);
    {
        CScopedEnv data("XDG_DATA_HOME", "/var/data//");
        EXPECT_EQ(Platform::GetUserDataFolder(), "/var/data");
    }
    {
        // A relative value is invalid by the XDG rules and ignored.
        CScopedEnv data("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(Platform::GetUserDataFolder(), home + "/.local/share");
    }
    {
        CScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(Platform::GetUserDataFolder(), home + "/.local/share");
    }
    {
        // Without $HOME the password database gives the home folder.
        CScopedEnv noHome("HOME", nullptr);
        EXPECT_FALSE(Platform::GetUserHomeFolder().empty());
    }
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

TEST_F(PlatformLinuxTest, NoWindowSystemYet)
{
    int width = -1;
    int height = -1;
    Platform::GetScreenSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_TRUE(Platform::ShowAlert("Title", "Message", true));
    char result[16] = "";
    EXPECT_FALSE(Platform::ShowOpenFileDialog(result, sizeof(result), "prg"));
    EXPECT_FALSE(Platform::ShowSaveFileDialog(result, sizeof(result), "/tmp", "prg", "x"));
}
