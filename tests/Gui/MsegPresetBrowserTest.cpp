// The modulator preset browser: .mprg files written by the plug-in load back as they were, a
// file of the other mode switches the modulator and resets the other block, damaged or
// foreign files are refused whole with an alert, loads undo, and a failed save alerts.
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegPresetBrowser.h"
#include "support/StateBytes.h"
#include "utilities/ByteWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;
using StateBytes::ReadFile;
using StateBytes::WriteFile;

namespace
{
constexpr int kModulator = 3;
const int kStepsId = kRawBlockSteps + kModulator;
const int kPointsId = kRawBlockMsegPoints + kModulator;
const int kPathId = kRawBlockModPresetPath + kModulator;

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
    void TearDown() override { m_browser->forget(); }
    // One modulator's blocks, mode and step count, for before/after comparisons.
    std::vector<std::vector<uint8_t>> State()
    {
        return {Block(m_effect, kStepsId), Block(m_effect, kPointsId), Block(m_effect, kPathId),
                Floats({Unscaled(m_effect, kModMode + kModulator),
                        Unscaled(m_effect, kModNumSteps + kModulator)})};
    }
    std::string UserFile(const char* name)
    {
        return m_browser->GetFullPresetsPath() + "User/" + name;
    }
    // Loads `path` as the browser's current preset, as a pick in its menu does.
    void LoadCurrent(const std::string& path)
    {
        m_browser->LoadPreset(path);
        m_browser->SetCurrentPresetPath(m_browser->GetCurrentPresetPath().c_str());
    }

    CAlertRecorder m_alerts;
    CPluginInstance m_plugin;
    CMorvex* m_effect = m_plugin.Effect();
    CMsegPresetBrowser* m_browser =
        new CMsegPresetBrowser(CRect(0, 0, 150, 20), nullptr, m_effect, kModulator);
};
} // namespace

TEST_F(CMsegPresetBrowserTest, EnvelopeFileSwitchesAStepModulatorResetsItsStepsAndUndoes)
{
    m_effect->SetParameterUnscaled(kModMode + kModulator, 0.0f);
    m_effect->SetRawParameterBlock(kStepsId, Floats(std::vector<float>(64, 0.5f)).data());
    const auto before = State();
    const int undoBefore = m_effect->GetUndoCount();
    const std::string path = UserFile("Ramp.mprg");
    WriteFile(path, FileBytes(1, 12, TestEnvelope()));

    LoadCurrent(path);
    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());
    EXPECT_EQ(1.0f, Unscaled(m_effect, kModMode + kModulator));
    EXPECT_EQ(12.0f, Unscaled(m_effect, kModNumSteps + kModulator));
    EXPECT_EQ(TestEnvelope(), Block(m_effect, kPointsId));
    // 32 full-level steps, step j ending at j + 1.
    std::vector<float> steps;
    for (int j = 0; j < 32; ++j)
        steps.insert(steps.end(), {static_cast<float>(j + 1), 1.0f});
    EXPECT_EQ(Floats(steps), Block(m_effect, kStepsId));
    EXPECT_STREQ(path.c_str(), reinterpret_cast<const char*>(Block(m_effect, kPathId).data()));
    EXPECT_EQ("Ramp", m_browser->GetShownText());
    EXPECT_EQ(0, m_browser->GetCurrentIndex());

    // One undo step, which brings back the modulator and its name (the editor updates the
    // browser after an undo).
    const auto loaded = State();
    EXPECT_EQ(undoBefore + 1, m_effect->GetUndoCount());
    m_effect->Undo();
    EXPECT_EQ(before, State());
    m_browser->UpdateFromEffect();
    EXPECT_EQ("Default Preset", m_browser->GetShownText());
    m_effect->Redo();
    EXPECT_EQ(loaded, State());
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
        {"missing", {}},
    };
    const std::string current = UserFile("Current.mprg");
    WriteFile(current, FileBytes(1, 9, TestEnvelope()));
    LoadCurrent(current);
    ASSERT_TRUE(CAlertRecorder::s_alerts.empty());
    const auto before = State();
    const int undoBefore = m_effect->GetUndoCount();

    for (const BAD_FILE& bad : cases)
    {
        SCOPED_TRACE(bad.name);
        CAlertRecorder::s_alerts.clear();
        const bool missing = std::string(bad.name) == "missing";
        const std::string path = UserFile(missing ? "Missing.mprg" : "Bad.mprg");
        if (!missing)
            WriteFile(path, bad.bytes);
        m_browser->LoadPreset(path);
        EXPECT_EQ(before, State());
        EXPECT_EQ(undoBefore, m_effect->GetUndoCount());
        EXPECT_EQ(current, m_browser->GetCurrentPresetPath());
        EXPECT_EQ("Current", m_browser->GetShownText());
        ASSERT_EQ(1u, CAlertRecorder::s_alerts.size());
        EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be loaded|"));
    }
}

TEST_F(CMsegPresetBrowserTest, SavedFileHoldsTheModeTheStepsAndTheBlockItPlays)
{
    std::vector<float> values;
    for (int j = 0; j < 32; ++j)
        values.insert(values.end(), {static_cast<float>(j + 1), static_cast<float>(j % 4) / 4});
    const std::vector<uint8_t> steps = Floats(values);
    m_effect->SetParameterUnscaled(kModMode + kModulator, 0.0f);
    m_effect->SetParameterUnscaled(kModNumSteps + kModulator, 24.0f);
    m_effect->SetRawParameterBlock(kStepsId, steps.data());
    const std::string path = UserFile("Gate.mprg");

    m_browser->SavePreset(path);
    EXPECT_EQ(FileBytes(0, 24, steps), ReadFile(path));
    EXPECT_STREQ(path.c_str(), reinterpret_cast<const char*>(Block(m_effect, kPathId).data()));

    // Round trip through a reset.
    const auto saved = State();
    m_browser->ResetPreset();
    EXPECT_EQ(32.0f, Unscaled(m_effect, kModNumSteps + kModulator));
    EXPECT_EQ('\0', Block(m_effect, kPathId)[0]);
    m_browser->LoadPreset(path);
    EXPECT_EQ(saved, State());
    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());

    // A save that fails alerts and keeps the current preset.
    m_browser->SavePreset(m_browser->GetFullPresetsPath() + "No Such Folder/X.mprg");
    ASSERT_EQ(1u, CAlertRecorder::s_alerts.size());
    EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be saved|"));
    EXPECT_EQ(saved, State());
    EXPECT_EQ(path, m_browser->GetCurrentPresetPath());
}
