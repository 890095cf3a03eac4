// The modulator preset browser: .mprg files written by the plug-in load back as
// they were, a file of the other mode switches the modulator and resets the other
// block, damaged or foreign files are refused whole with an alert, loads undo,
// a failed save alerts, and a save in progress never looks like a preset.
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegPresetBrowser.h"
#include "utilities/AlertDialog.h"
#include "utilities/BasePresetManager.h"
#include "utilities/ByteWriter.h"
#include "utilities/MsegPresetFile.h"
#include "utilities/PresetFileWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr int kModulator = 3;
const int kStepsId = kRawBlockSteps + kModulator;
const int kPointsId = kRawBlockMsegPoints + kModulator;
const int kPathId = kRawBlockModPresetPath + kModulator;

std::vector<std::string> s_alerts;
bool RecordAlert(const char* title, const char* message, bool /*withCancel*/)
{
    s_alerts.push_back(std::string(title) + "|" + message);
    return true;
}

// What one modulator's state is, for before/after comparisons.
struct MOD_STATE
{
    std::vector<uint8_t> steps, points, path;
    float mode, numSteps;
    bool operator==(const MOD_STATE& o) const
    {
        return steps == o.steps && points == o.points && path == o.path && mode == o.mode &&
               numSteps == o.numSteps;
    }
};

std::vector<uint8_t> Block(CBaseEffect* effect, int id)
{
    const uint8_t* bytes = effect->GetRawParameterBlock(id);
    return std::vector<uint8_t>(bytes, bytes + effect->GetRawParameterBlockSize(id));
}

// Floats as the blocks store them (little-endian).
std::vector<uint8_t> Floats(const std::vector<float>& values)
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    for (const float value : values)
        writer.WriteFloat(value);
    return bytes;
}

// An envelope: a ramp over points (0,0) (2,1) (4,0.5), the rest unused (-1).
std::vector<uint8_t> TestEnvelope()
{
    std::vector<float> values;
    const float points[3][3] = {{0, 0, 0}, {2, 1, 0.25f}, {4, 0.5f, -0.5f}};
    for (int i = 0; i < 64; ++i)
        for (int k = 0; k < 3; ++k)
            values.push_back(i < 3 ? points[i][k] : (k == 0 ? -1.0f : 0.0f));
    return Floats(values);
}

// A file built by hand: signature, mode, steps, body.
std::vector<uint8_t> FileBytes(int32_t mode, int32_t numSteps, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> bytes = {0xC3, 0x67, 0xED, 0x34};
    CByteWriter writer(bytes);
    writer.WriteInt32(mode);
    writer.WriteInt32(numSteps);
    writer.WriteBytes(body.data(), body.size());
    return bytes;
}

std::vector<std::string> s_scanDuringSave;
std::string s_tempPath;
// Lists the folder of the file being saved, as the browser would while the save runs.
void ScanDuringSave(const std::string& tempPath)
{
    s_tempPath = tempPath;
    // The temporary file lies in the category folder; the library is its parent.
    const std::string category = tempPath.substr(0, tempPath.rfind('/'));
    const std::string library = category.substr(0, category.rfind('/'));
    CBasePresetManager manager;
    manager.RebuildPresetVector(library.c_str(), ".mprg");
    for (const CPresetInfo& info : manager.GetPresetInfoVector())
        s_scanDuringSave.push_back(info.path);
}

class CMsegPresetBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        s_alerts.clear();
        m_previousAlert = SetAlertHandler(RecordAlert);
        m_browser = new CMsegPresetBrowser(CRect(0, 0, 150, 20), nullptr, Effect(), kModulator);
    }
    void TearDown() override
    {
        m_browser->forget();
        SetAlertHandler(m_previousAlert);
    }
    CMorvex* Effect() { return m_plugin.Effect(); }
    MOD_STATE State()
    {
        return {Block(Effect(), kStepsId), Block(Effect(), kPointsId), Block(Effect(), kPathId),
                Effect()->GetParameterUnscaled(kModMode + kModulator, false, false, 0),
                Effect()->GetParameterUnscaled(kModNumSteps + kModulator, false, false, 0)};
    }
    std::string UserFile(const char* name)
    {
        return m_browser->GetFullPresetsPath() + "User/" + name;
    }
    void Write(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        if (!bytes.empty()) // an empty vector's data() may be null, which fwrite must not get
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    std::vector<uint8_t> Read(const std::string& path)
    {
        std::vector<uint8_t> bytes;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return bytes;
        int c;
        while ((c = std::fgetc(file)) != EOF)
            bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
        return bytes;
    }

    GuiTest::CPluginInstance m_plugin;
    CMsegPresetBrowser* m_browser = nullptr;
    ALERT_HANDLER m_previousAlert = nullptr;
};
} // namespace

TEST_F(CMsegPresetBrowserTest, EnvelopeFileSwitchesAStepModulatorAndResetsItsSteps)
{
    Effect()->SetParameterUnscaled(kModMode + kModulator, 0.0f);
    Effect()->SetRawParameterBlock(kStepsId, Floats(std::vector<float>(64, 0.5f)).data());
    const std::string path = UserFile("Ramp.mprg");
    Write(path, FileBytes(1, 12, TestEnvelope()));

    m_browser->LoadPreset(path);
    m_browser->SetCurrentPresetPath(m_browser->GetCurrentPresetPath().c_str());

    EXPECT_TRUE(s_alerts.empty());
    EXPECT_EQ(1.0f, Effect()->GetParameterUnscaled(kModMode + kModulator, false, false, 0));
    EXPECT_EQ(12.0f, Effect()->GetParameterUnscaled(kModNumSteps + kModulator, false, false, 0));
    EXPECT_EQ(TestEnvelope(), Block(Effect(), kPointsId));
    // 32 full-level steps, step j ending at j + 1.
    std::vector<float> steps;
    for (int j = 0; j < 32; ++j)
    {
        steps.push_back(static_cast<float>(j + 1));
        steps.push_back(1.0f);
    }
    EXPECT_EQ(Floats(steps), Block(Effect(), kStepsId));
    EXPECT_STREQ(path.c_str(), reinterpret_cast<const char*>(Block(Effect(), kPathId).data()));
    EXPECT_EQ("Ramp", m_browser->GetShownText());
    EXPECT_EQ(0, m_browser->GetCurrentIndex());
}

TEST_F(CMsegPresetBrowserTest, UndoOfALoadBringsBackTheModulatorAndItsName)
{
    const std::string path = UserFile("Ramp.mprg");
    Write(path, FileBytes(1, 7, TestEnvelope()));
    Effect()->SetRawParameterBlock(kStepsId, Floats(std::vector<float>(64, 0.25f)).data());
    const MOD_STATE before = State();
    const int undoBefore = Effect()->GetUndoCount();

    m_browser->LoadPreset(path);
    ASSERT_EQ(undoBefore + 1, Effect()->GetUndoCount());
    const MOD_STATE loaded = State();
    EXPECT_FALSE(before == loaded);

    Effect()->Undo();
    EXPECT_TRUE(before == State());
    m_browser->UpdateFromEffect(); // as the editor does after an undo
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
    Effect()->Redo();
    EXPECT_TRUE(loaded == State());
    m_browser->UpdateFromEffect();
    EXPECT_EQ("Ramp", m_browser->GetShownText());
}

TEST_F(CMsegPresetBrowserTest, RefusedFilesChangeNothingAndAlert)
{
    const std::vector<uint8_t> steps = Floats(std::vector<float>(64, 0.75f));
    const std::vector<uint8_t> good = FileBytes(0, 16, steps);
    std::vector<float> nanSteps(64, 0.5f);
    nanSteps[5] = std::nanf("");
    struct BAD_FILE
    {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const BAD_FILE cases[] = {
        {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
        {"empty", {}},
        {"foreign", [&] { auto b = good; b[0] = 'R'; return b; }()},
        {"oversized", [&] { auto b = good; b.push_back(0); return b; }()},
        {"step body with envelope mode", FileBytes(1, 16, steps)},
        {"unknown mode", FileBytes(2, 16, steps)},
        {"too few steps", FileBytes(0, 1, steps)},
        {"too many steps", FileBytes(0, 33, steps)},
        {"not a number", FileBytes(0, 16, Floats(nanSteps))},
    };
    const std::string current = UserFile("Current.mprg");
    Write(current, FileBytes(1, 9, TestEnvelope()));
    m_browser->LoadPreset(current);
    m_browser->SetCurrentPresetPath(m_browser->GetCurrentPresetPath().c_str());
    ASSERT_TRUE(s_alerts.empty());
    const MOD_STATE before = State();
    const int undoBefore = Effect()->GetUndoCount();

    for (const BAD_FILE& bad : cases)
    {
        s_alerts.clear();
        const std::string path = UserFile("Bad.mprg");
        Write(path, bad.bytes);
        m_browser->LoadPreset(path);
        EXPECT_TRUE(before == State()) << bad.name;
        EXPECT_EQ(undoBefore, Effect()->GetUndoCount()) << bad.name;
        EXPECT_EQ(current, m_browser->GetCurrentPresetPath()) << bad.name;
        EXPECT_EQ("Current", m_browser->GetShownText()) << bad.name;
        ASSERT_EQ(1u, s_alerts.size()) << bad.name;
        EXPECT_EQ(0u, s_alerts[0].find("File cannot be loaded|")) << bad.name;
    }
    s_alerts.clear();
    m_browser->LoadPreset(UserFile("Missing.mprg"));
    EXPECT_TRUE(before == State());
    EXPECT_EQ(1u, s_alerts.size());
}

TEST_F(CMsegPresetBrowserTest, SavedFileHoldsTheModeTheStepsAndTheBlockItPlays)
{
    std::vector<float> values;
    for (int j = 0; j < 32; ++j)
    {
        values.push_back(static_cast<float>(j + 1));
        values.push_back(static_cast<float>(j % 4) / 4.0f);
    }
    const std::vector<uint8_t> steps = Floats(values);
    Effect()->SetParameterUnscaled(kModMode + kModulator, 0.0f);
    Effect()->SetParameterUnscaled(kModNumSteps + kModulator, 24.0f);
    Effect()->SetRawParameterBlock(kStepsId, steps.data());
    const std::string path = UserFile("Gate.mprg");

    m_browser->SavePreset(path);
    EXPECT_TRUE(s_alerts.empty());
    EXPECT_EQ(FileBytes(0, 24, steps), Read(path));
    EXPECT_STREQ(path.c_str(), reinterpret_cast<const char*>(Block(Effect(), kPathId).data()));

    // Round trip through a reset.
    const MOD_STATE saved = State();
    m_browser->ResetPreset();
    EXPECT_EQ(32.0f, Effect()->GetParameterUnscaled(kModNumSteps + kModulator, false, false, 0));
    EXPECT_EQ('\0', Block(Effect(), kPathId)[0]);
    m_browser->LoadPreset(path);
    EXPECT_TRUE(saved == State());
    EXPECT_TRUE(s_alerts.empty());
}

TEST_F(CMsegPresetBrowserTest, AFailedSaveAlertsAndKeepsTheCurrentPreset)
{
    const MOD_STATE before = State();
    m_browser->SavePreset(m_browser->GetFullPresetsPath() + "No Such Folder/X.mprg");
    ASSERT_EQ(1u, s_alerts.size());
    EXPECT_EQ(0u, s_alerts[0].find("File cannot be saved|The file has not been saved"));
    EXPECT_TRUE(before == State());
    EXPECT_TRUE(m_browser->GetCurrentPresetPath().empty());
}

TEST_F(CMsegPresetBrowserTest, ASaveInProgressIsNotListedAsAPreset)
{
    s_scanDuringSave.clear();
    s_tempPath.clear();
    const std::string path = UserFile("Slow.mprg");
    const PresetFileWriter::SAVE_OBSERVER previous =
        PresetFileWriter::SetSaveObserver(ScanDuringSave);
    m_browser->SavePreset(path);
    PresetFileWriter::SetSaveObserver(previous);

    ASSERT_FALSE(s_tempPath.empty());
    EXPECT_EQ(std::string::npos, s_tempPath.find(".mprg"));
    EXPECT_TRUE(s_scanDuringSave.empty()); // neither the file nor its temporary yet
    EXPECT_NE(0, access(s_tempPath.c_str(), F_OK)); // the temporary is gone
    EXPECT_FALSE(Read(path).empty());
}
