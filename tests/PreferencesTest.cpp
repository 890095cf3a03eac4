#include "Preferences.h"

#include "support/StateBytes.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace
{
class CPreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directories(m_folder.GetMorvexFolder()); }

    std::string PrefsPath() const { return m_folder.GetMorvexFolder() + "/prefs.bin"; }

    CTempDataFolder m_folder;
};

struct VALUES
{
    int compact, stepMode, curveMode;
    bool length32, dense;
};

void ExpectValues(const CPreferences& prefs, const VALUES& v)
{
    EXPECT_EQ(prefs.GetCompactGuiMode(), v.compact);
    EXPECT_EQ(prefs.GetStepRandomizeMode(), v.stepMode);
    EXPECT_EQ(prefs.GetCurveRandomizeMode(), v.curveMode);
    EXPECT_EQ(prefs.GetCurveLength32(), v.length32);
    EXPECT_EQ(prefs.GetPreferDense(), v.dense);
}

constexpr VALUES kDefaults = {-1, 0, 0, false, true};

// Signature 0xD3364984 little-endian, compact mode 1, step mode 2, curve mode 3,
// 32 steps, sparse.
const std::vector<uint8_t> kCurrentFile = {0x84, 0x49, 0x36, 0xD3, 1, 0, 0, 0, 2,
                                           0,    0,    0,    3,    0, 0, 0, 1, 0};
} // namespace

TEST_F(CPreferencesTest, SavedFileHasTheExactLayoutAndIsReadByANewInstance)
{
    {
        CPreferences prefs(nullptr);
        EXPECT_EQ(prefs.GetPath(), PrefsPath());
        ExpectValues(prefs, kDefaults); // without a file
        prefs.SetCompactGuiMode(1);
        prefs.SetStepRandomizeMode(2); // "Randomize Only Levels"
        prefs.SetCurveRandomizeMode(3);
        prefs.SetCurveLength32(true);
        prefs.SetPreferDense(false);
        ASSERT_TRUE(prefs.Save());
    }
    EXPECT_EQ(StateBytes::ReadFile(PrefsPath()), kCurrentFile);
    ExpectValues(CPreferences(nullptr), {1, 2, 3, true, false});
}

TEST_F(CPreferencesTest, OtherVersionsAndShortFilesKeepDefaultsForWhatIsMissing)
{
    // The previous version (signature 0xD3364983) holds the window mode only; the bytes
    // after it are not fields of that version.
    std::vector<uint8_t> bytes = kCurrentFile;
    bytes[0] = 0x83;
    bytes[4] = 0;
    StateBytes::WriteFile(PrefsPath(), bytes);
    ExpectValues(CPreferences(nullptr), {0, 0, 0, false, true});
    bytes[0] = 0x85; // 0xD3364985: unknown
    StateBytes::WriteFile(PrefsPath(), bytes);
    ExpectValues(CPreferences(nullptr), kDefaults);
    // Cut after every field and inside every multi-byte field.
    for (size_t length = 0; length < kCurrentFile.size(); ++length)
    {
        SCOPED_TRACE(length);
        StateBytes::WriteFile(PrefsPath(), std::vector<uint8_t>(kCurrentFile.begin(),
                                                                kCurrentFile.begin() + length));
        // The dense flag's byte is the last one.
        ExpectValues(CPreferences(nullptr), {length >= 8 ? 1 : -1, length >= 12 ? 2 : 0,
                                             length >= 16 ? 3 : 0, length >= 17, true});
    }
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
