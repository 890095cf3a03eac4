#include "Common/wrappers/utilities/FileUtils.h"

#include "Platform/Linux/ScopedEnv.h"
#include "Platform/Linux/ScriptedDialogs.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace
{
std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Limits the size of any file this process writes, so that a write fails as on a
// full disk (also for root, whom folder permissions do not stop).
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = nullptr;
};

class FileUtilsTest : public ::testing::Test
{
protected:
    CTempDataFolder m_folder;
};
} // namespace

TEST_F(FileUtilsTest, PathPieces)
{
    EXPECT_EQ(FileUtils::ExtractFileName("/a/b/Lead Pad.prg"), "Lead Pad");
    EXPECT_EQ(FileUtils::ExtractFileName("Word"), "Word");
    EXPECT_EQ(FileUtils::ExtractFileName("C:\\Presets\\Bass.x.prg"), "Bass.x");
    EXPECT_EQ(FileUtils::ExtractFileName("/a/b/"), "");
    EXPECT_EQ(FileUtils::ExtractExtension("x.tar.mprg"), ".mprg");
    EXPECT_EQ(FileUtils::ExtractExtension("/a/b/Lead Pad.prg"), ".prg");
    EXPECT_EQ(FileUtils::ExtractExtension("Word"), "");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(FileUtils::ExtractExtension("/my.presets/Lead"), "");
    EXPECT_EQ(FileUtils::ExtractDirPath("/a/b/Lead Pad.prg"), "/a/b");
    EXPECT_EQ(FileUtils::ExtractDirPath("C:\\a\\x.prg"), "C:\\a");
    EXPECT_EQ(FileUtils::ExtractDirPath("Word"), "Word");
}

TEST_F(FileUtilsTest, FoldersAndPanelsOfThisPlatform)
{
    CNoDisplay noDisplay;
    EXPECT_EQ(FileUtils::GetWindowsUserDirectory(), "");
    EXPECT_EQ(FileUtils::GetMacUserLibraryDirectory(), m_folder.GetPath());
    EXPECT_FALSE(FileUtils::GetMacUserDesktopDirectory().empty());
    EXPECT_EQ(FileUtils::GetScreenWidth(), 0);
    EXPECT_EQ(FileUtils::GetScreenHeight(), 0);
    char result[2048] = "unchanged";
    EXPECT_FALSE(FileUtils::ShowLoadFileDialog(nullptr, 2048, "", ".prg"));
    EXPECT_FALSE(FileUtils::ShowLoadFileDialog(result, 2048, "", ".prg"));
    EXPECT_FALSE(FileUtils::ShowSaveFileDialog(nullptr, "/tmp", 2048, "", ".prg", "x"));
    EXPECT_FALSE(FileUtils::ShowSaveFileDialog(result, "/tmp", 2048, "", ".prg", "x"));
    EXPECT_STREQ(result, "unchanged");
}

TEST_F(FileUtilsTest, PanelsGetTheFilterTextAndTheExtensionWithoutItsDot)
{
    CScriptedPlatform platform;
    platform.runner.available = {"zenity"};
    char result[2048];
    // The browsers' filter text carries a list after a zero character; the
    // description before it is what the panel shows.
    char filter[64];
    std::snprintf(filter, sizeof(filter), "Preset files (*%s)%c*%s%c", ".prg", 0, ".prg", 0);
    FileUtils::ShowSaveFileDialog(result, "/p/User", 2048, filter, ".prg", "Lead Pad");
    FileUtils::ShowLoadFileDialog(result, 2048, "MidiCC map files (*.ccmap)", ".ccmap");
    ASSERT_EQ(platform.runner.runs.size(), 2u);
    EXPECT_EQ(platform.runner.runs[0][5], "--filename=/p/User/Lead Pad.prg");
    EXPECT_EQ(platform.runner.runs[0][6], "--file-filter=Preset files (*.prg) | *.prg");
    EXPECT_EQ(platform.runner.runs[1].back(), "--file-filter=MidiCC map files (*.ccmap) | *.ccmap");
}

TEST_F(FileUtilsTest, ReadFileStopsAtTheLimitAndFailsOnMissingFiles)
{
    const std::string path = m_folder.GetPath() + "/file.bin";
    WriteText(path, "0123456789");
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(FileUtils::ReadFile(path, bytes, 100));
    EXPECT_EQ(bytes, Bytes("0123456789"));
    EXPECT_TRUE(FileUtils::ReadFile(path, bytes, 4));
    EXPECT_EQ(bytes, Bytes("0123"));
    EXPECT_FALSE(FileUtils::ReadFile(m_folder.GetPath() + "/missing", bytes, 100));
    EXPECT_TRUE(bytes.empty());
    // A folder opens on Linux but cannot be read.
    EXPECT_FALSE(FileUtils::ReadFile(m_folder.GetPath(), bytes, 100));
}

TEST_F(FileUtilsTest, WriteFileReplacingSwapsInACompleteFileOnly)
{
    const std::string path = m_folder.GetPath() + "/target.bin";
    ASSERT_TRUE(FileUtils::WriteFileReplacing(path, "first", 5));
    ASSERT_TRUE(FileUtils::WriteFileReplacing(path, "second", 6));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(FileUtils::ReadFile(path, bytes, 100));
    EXPECT_EQ(bytes, Bytes("second"));
    EXPECT_EQ(FolderEntries(m_folder.GetPath()), std::vector<std::string>{"target.bin"});
    // A write that fails half-way (the file size limit stands in for a full disk)
    // leaves the old file as it was and no temporary file behind.
    const std::vector<uint8_t> big(64 * 1024, 0x55);
    {
        CFileSizeLimit limit(1024);
        EXPECT_FALSE(FileUtils::WriteFileReplacing(path, big.data(), big.size()));
    }
    ASSERT_TRUE(FileUtils::ReadFile(path, bytes, 100));
    EXPECT_EQ(bytes, Bytes("second"));
    EXPECT_EQ(FolderEntries(m_folder.GetPath()), std::vector<std::string>{"target.bin"});
    // A folder that does not exist.
    EXPECT_FALSE(FileUtils::WriteFileReplacing(m_folder.GetPath() + "/no/such.bin", "x", 1));
}
