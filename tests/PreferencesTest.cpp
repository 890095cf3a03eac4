#include "Preferences.h"

#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace
{
class CPreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directories(m_folder.GetMorvexFolder()); }

    std::string PrefsPath() const { return m_folder.GetMorvexFolder() + "/prefs.bin"; }

    void WritePrefs(const std::vector<uint8_t>& bytes)
    {
        std::ofstream file(PrefsPath(), std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<uint8_t> ReadPrefs()
    {
        std::ifstream file(PrefsPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
    }

    static void ExpectDefaults(const CPreferences& prefs)
    {
        EXPECT_EQ(prefs.GetCompactGuiMode(), -1);
        EXPECT_EQ(prefs.GetStepRandomizeMode(), 0);
        EXPECT_EQ(prefs.GetCurveRandomizeMode(), 0);
        EXPECT_FALSE(prefs.GetCurveLength32());
        EXPECT_TRUE(prefs.GetPreferDense());
    }

    CTempDataFolder m_folder;
};

// Signature 0xD3364984 little-endian, compact mode 1, step mode 2, curve mode 3,
// 32 steps, sparse.
const std::vector<uint8_t> kCurrentFile = {0x84, 0x49, 0x36, 0xD3, 1, 0, 0, 0, 2,
                                           0,    0,    0,    3,    0, 0, 0, 1, 0};
} // namespace

TEST_F(CPreferencesTest, WithoutAFileTheDefaultsHold)
{
    CPreferences prefs(nullptr);
    EXPECT_EQ(prefs.GetPath(), PrefsPath());
    ExpectDefaults(prefs);
}

TEST_F(CPreferencesTest, SavedFileHasTheExactLayoutAndIsReadByANewInstance)
{
    {
        CPreferences prefs(nullptr);
        prefs.SetCompactGuiMode(1);
        prefs.SetStepRandomizeMode(2); // "Randomize Only Levels"
        prefs.SetCurveRandomizeMode(3);
        prefs.SetCurveLength32(true);
        prefs.SetPreferDense(false);
        ASSERT_TRUE(prefs.Save());
    }
    EXPECT_EQ(ReadPrefs(), kCurrentFile);
    CPreferences again(nullptr);
    EXPECT_EQ(again.GetCompactGuiMode(), 1);
    EXPECT_EQ(again.GetStepRandomizeMode(), 2);
    EXPECT_EQ(again.GetCurveRandomizeMode(), 3);
    EXPECT_TRUE(again.GetCurveLength32());
    EXPECT_FALSE(again.GetPreferDense());
}

TEST_F(CPreferencesTest, PreviousVersionRestoresTheWindowModeOnly)
{
    // Signature 0xD3364983, compact mode 0; the bytes after it are not fields of
    // that version.
    WritePrefs({0x83, 0x49, 0x36, 0xD3, 0, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 1, 0});
    CPreferences prefs(nullptr);
    EXPECT_EQ(prefs.GetCompactGuiMode(), 0);
    EXPECT_EQ(prefs.GetStepRandomizeMode(), 0);
    EXPECT_EQ(prefs.GetCurveRandomizeMode(), 0);
    EXPECT_FALSE(prefs.GetCurveLength32());
    EXPECT_TRUE(prefs.GetPreferDense());
}

TEST_F(CPreferencesTest, ShortFilesKeepDefaultsForWhatIsMissing)
{
    // Cut after every field and inside every multi-byte field.
    for (size_t length = 0; length < kCurrentFile.size(); ++length)
    {
        WritePrefs(std::vector<uint8_t>(kCurrentFile.begin(), kCurrentFile.begin() + length));
        CPreferences prefs(nullptr);
        EXPECT_EQ(prefs.GetCompactGuiMode(), length >= 8 ? 1 : -1) << length;
        EXPECT_EQ(prefs.GetStepRandomizeMode(), length >= 12 ? 2 : 0) << length;
        EXPECT_EQ(prefs.GetCurveRandomizeMode(), length >= 16 ? 3 : 0) << length;
        EXPECT_EQ(prefs.GetCurveLength32(), length >= 17) << length;
        EXPECT_TRUE(prefs.GetPreferDense()) << length; // its byte is the last one
    }
}

TEST_F(CPreferencesTest, UnknownSignatureIsIgnored)
{
    std::vector<uint8_t> bytes = kCurrentFile;
    bytes[0] = 0x85; // 0xD3364985
    WritePrefs(bytes);
    CPreferences prefs(nullptr);
    ExpectDefaults(prefs);
}

TEST_F(CPreferencesTest, SavingWithoutTheFolderFailsQuietlyAndKeepsTheValues)
{
    std::filesystem::remove_all(m_folder.GetMorvexFolder());
    CPreferences prefs(nullptr);
    prefs.SetCompactGuiMode(1);
    EXPECT_FALSE(prefs.Save());
    EXPECT_EQ(prefs.GetCompactGuiMode(), 1);
    EXPECT_FALSE(std::filesystem::exists(m_folder.GetMorvexFolder()));
}
