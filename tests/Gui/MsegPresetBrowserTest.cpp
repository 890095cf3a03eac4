// The modulator preset browser: .mprg files written by the plug-in load back as
// they were, a file of the other mode switches the modulator and resets the other
// block, damaged or foreign files are refused whole with an alert, loads undo, and a
// failed save alerts.
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegPresetBrowser.h"
#include "utilities/ByteWriter.h"
#include "utilities/FileUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr int kModulator = 3;
const int kStepsId = kRawBlockSteps + kModulator;
const int kPointsId = kRawBlockMsegPoints + kModulator;
const int kPathId = kRawBlockModPresetPath + kModulator;

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

class CMsegPresetBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_browser = new CMsegPresetBrowser(CRect(0, 0, 150, 20), nullptr, Effect(), kModulator);
    }
    void TearDown() override { m_browser->forget(); }
    CMorvex* Effect() { return m_plugin.Effect(); }
    MOD_STATE State()
    {
        return {Block(Effect(), kStepsId), Block(Effect(), kPointsId), Block(Effect(), kPathId),
                Unscaled(Effect(), kModMode + kModulator),
                Unscaled(Effect(), kModNumSteps + kModulator)};
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
        EXPECT_TRUE(FileUtils::ReadFile(path, bytes, 1 << 16)) << path;
        return bytes;
    }

    CAlertRecorder m_alerts;
    CPluginInstance m_plugin;
    CMsegPresetBrowser* m_browser = nullptr;
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

    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());
    EXPECT_EQ(1.0f, Unscaled(Effect(), kModMode + kModulator));
    EXPECT_EQ(12.0f, Unscaled(Effect(), kModNumSteps + kModulator));
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
    ASSERT_TRUE(CAlertRecorder::s_alerts.empty());
    const MOD_STATE before = State();
    const int undoBefore = Effect()->GetUndoCount();

    for (const BAD_FILE& bad : cases)
    {
        CAlertRecorder::s_alerts.clear();
        const std::string path = UserFile("Bad.mprg");
        Write(path, bad.bytes);
        m_browser->LoadPreset(path);
        EXPECT_TRUE(before == State()) << bad.name;
        EXPECT_EQ(undoBefore, Effect()->GetUndoCount()) << bad.name;
        EXPECT_EQ(current, m_browser->GetCurrentPresetPath()) << bad.name;
        EXPECT_EQ("Current", m_browser->GetShownText()) << bad.name;
        ASSERT_EQ(1u, CAlertRecorder::s_alerts.size()) << bad.name;
        EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be loaded|")) << bad.name;
    }
    CAlertRecorder::s_alerts.clear();
    m_browser->LoadPreset(UserFile("Missing.mprg"));
    EXPECT_TRUE(before == State());
    EXPECT_EQ(1u, CAlertRecorder::s_alerts.size());
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
    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());
    EXPECT_EQ(FileBytes(0, 24, steps), Read(path));
    EXPECT_STREQ(path.c_str(), reinterpret_cast<const char*>(Block(Effect(), kPathId).data()));

    // Round trip through a reset.
    const MOD_STATE saved = State();
    m_browser->ResetPreset();
    EXPECT_EQ(32.0f, Unscaled(Effect(), kModNumSteps + kModulator));
    EXPECT_EQ('\0', Block(Effect(), kPathId)[0]);
    m_browser->LoadPreset(path);
    EXPECT_TRUE(saved == State());
    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());

    // A save that fails alerts and keeps the current preset.
    m_browser->SavePreset(m_browser->GetFullPresetsPath() + "No Such Folder/X.mprg");
    ASSERT_EQ(1u, CAlertRecorder::s_alerts.size());
    EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be saved|"));
    EXPECT_TRUE(saved == State());
    EXPECT_EQ(path, m_browser->GetCurrentPresetPath());
}
