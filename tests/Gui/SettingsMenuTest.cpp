// The settings menu: its entries, the modulator and layer clipboard shared by the plug-in
// instances of a process, undoable pastes and resets, the MIDI map through the platform's
// dialogs (scripted: no dialog is ever shown) and the compact window mode.
#include "Gui/GuiTestSupport.h"
#include "Gui/ModClipboard.h"
#include "Gui/SettingsMenu.h"
#include "Platform/Linux/ScriptedDialogs.h"
#include "Preferences.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
class CSettingsMenuTest : public ::testing::Test
{
protected:
    void SetUp() override { CModClipboard::Clear(); }
    void TearDown() override { CModClipboard::Clear(); }
    std::vector<std::string> Titles() { return MenuTitles(CSettingsMenu::Build(&m_hostA)); }

    CAlertRecorder m_alerts;
    CPluginInstance m_source, m_target;
    CMorvex* m_a = m_source.Effect();
    CMorvex* m_b = m_target.Effect();
    CMenuHost m_hostA{m_a}, m_hostB{m_b};
};
} // namespace

TEST_F(CSettingsMenuTest, PasteEntriesAppearOnlyOnceSomethingWasCopied)
{
    EXPECT_EQ((std::vector<std::string>{
                  "Load MidiCC map...", "Save MidiCC map...", "Reset MidiCC map", "-",
                  "Use Current Settings as Default Preset", "Reset Default Preset", "-",
                  "Copy Modulator Settings", "Reset Modulator Settings", "-",
                  "Copy Layer Settings", "Reset Layer Settings", "-", "Compact GUI Mode"}),
              Titles());
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Copy Modulator Settings"));
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Copy Layer Settings"));
    const std::vector<std::string> titles = Titles();
    EXPECT_EQ("Paste Modulator Settings", titles[8]);
    EXPECT_EQ("Paste Layer Settings", titles[12]);
    EXPECT_FALSE(CSettingsMenu::Perform(&m_hostA, "Paste"));
}

TEST_F(CSettingsMenuTest, AModulatorCopiedInOneInstancePastesIntoAnother)
{
    m_hostA.modulator = 2;
    m_hostB.modulator = 5;
    m_a->SetParameterUnscaled(kModMode + 2, 1.0f);
    m_a->SetParameterUnscaled(kModNumSteps + 2, 12.0f);
    m_a->SetParameterScaled(kModTension + 2, 0.8f);
    m_a->SetParameterScaled(kModShuffle + 2, 0.3f);
    std::vector<float> points(192, -1.0f);
    std::copy_n(std::vector<float>{0, 0.5f, 0, 6, 1, 0.25f}.begin(), 6, points.begin());
    m_a->SetRawParameterBlock(kRawBlockMsegPoints + 2, points.data());
    std::vector<char> path(kRawBlockModPresetPathSize, 0);
    std::strcpy(path.data(), "/presets/User/Wobble.mprg");
    m_a->SetRawParameterBlock(kRawBlockModPresetPath + 2, path.data());

    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostA, "Copy Modulator Settings"));
    const std::vector<uint8_t> stepsBefore = Block(m_b, kRawBlockSteps + 5);
    const float numStepsBefore = Scaled(m_b, kModNumSteps + 5);
    const int undos = m_b->GetUndoCount();
    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostB, "Paste Modulator Settings"));
    for (int k = 0; k < CModClipboard::kModParameterCount; ++k)
        EXPECT_NEAR(Scaled(m_a, CModClipboard::ModParameterId(2, k)),
                    Scaled(m_b, CModClipboard::ModParameterId(5, k)), 1e-6f)
            << "parameter " << k;
    for (int block : {kRawBlockMsegPoints, kRawBlockSteps, kRawBlockModPresetPath})
        EXPECT_EQ(Block(m_a, block + 2), Block(m_b, block + 5)) << block;
    EXPECT_EQ(undos + 1, m_b->GetUndoCount());
    EXPECT_EQ(1, m_hostB.updates);

    m_b->Undo();
    EXPECT_EQ(numStepsBefore, Scaled(m_b, kModNumSteps + 5));
    EXPECT_EQ(stepsBefore, Block(m_b, kRawBlockSteps + 5));
}

TEST_F(CSettingsMenuTest, CopyingALayerAddsOneUndoStepAndPastesIntoTheOtherLayer)
{
    m_hostB.layer = 1;
    const std::pair<int, float> values[] = {
        {kFilterCutoff, 0.3f}, {kFlangerMode, 1.0f}, {kDelayInput, 1.0f}};
    for (const auto& [id, value] : values)
        m_a->SetParameterScaled(id, value);

    const int undos = m_a->GetUndoCount();
    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostA, "Copy Layer Settings"));
    EXPECT_EQ(undos + 1, m_a->GetUndoCount());
    m_a->Undo(); // restores the same values
    EXPECT_FLOAT_EQ(0.3f, Scaled(m_a, kFilterCutoff));

    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostB, "Paste Layer Settings"));
    EXPECT_FLOAT_EQ(0.3f, Scaled(m_b, kFilterCutoff + 1));
    EXPECT_EQ(1.0f, Scaled(m_b, kFlangerMode + 1));
    EXPECT_EQ(1.0f, Scaled(m_b, kDelayInput + 1));
    EXPECT_NE(0.3f, Scaled(m_b, kFilterCutoff)) << "layer A untouched";
    for (int k = 0; k < CModClipboard::kLayerParameterCount; ++k)
        EXPECT_NEAR(Scaled(m_a, CModClipboard::LayerParameterId(0, k)),
                    Scaled(m_b, CModClipboard::LayerParameterId(1, k)), 1e-6f)
            << "parameter " << k;
}

TEST_F(CSettingsMenuTest, ResetsReturnToTheDefaultsAndCanBeUndone)
{
    m_hostA.modulator = 4;
    m_hostA.layer = 1;
    const float cutoffDefault = Scaled(m_a, kFilterCutoff + 1);
    const std::vector<uint8_t> stepsDefault = Block(m_a, kRawBlockSteps + 4);
    m_a->SetParameterScaled(kFilterCutoff + 1, 0.1f);
    m_a->SetParameterScaled(kFlangerMode + 1, 1.0f);
    std::vector<uint8_t> steps(kRawBlockStepsSize, 0);
    m_a->SetRawParameterBlock(kRawBlockSteps + 4, steps.data());

    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostA, "Reset Layer Settings"));
    EXPECT_EQ(cutoffDefault, Scaled(m_a, kFilterCutoff + 1));
    EXPECT_EQ(0.0f, Scaled(m_a, kFlangerMode + 1));
    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostA, "Reset Modulator Settings"));
    EXPECT_EQ(stepsDefault, Block(m_a, kRawBlockSteps + 4));
    EXPECT_EQ(2, m_hostA.updates);

    m_a->Undo();
    EXPECT_EQ(steps, Block(m_a, kRawBlockSteps + 4));
    m_a->Undo();
    EXPECT_FLOAT_EQ(0.1f, Scaled(m_a, kFilterCutoff + 1));
    EXPECT_EQ(1.0f, Scaled(m_a, kFlangerMode + 1));
}

TEST_F(CSettingsMenuTest, TheMidiMapIsSavedAndLoadedThroughThePlatformDialogs)
{
    CScriptedPlatform platform;
    platform.runner.available = {"zenity"};
    const std::string path = std::string(std::getenv("XDG_DATA_HOME")) + "/Live.ccmap";
    m_a->ActivateMidiLearn(kVolume, true);
    m_a->OnMidiCC(9, 0.5f);
    ASSERT_EQ(9, m_a->GetAssignedMidiCC(kVolume));

    platform.runner.Answer(0, path + "\n");
    ASSERT_TRUE(CSettingsMenu::Perform(&m_hostA, "Save MidiCC map..."));
    ASSERT_EQ(1u, platform.runner.runs.size());
    const std::vector<std::string>& save = platform.runner.runs[0];
    EXPECT_NE(save.end(), std::find(save.begin(), save.end(), "--save"));
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Reset MidiCC map"));
    EXPECT_EQ(-1, m_a->GetAssignedMidiCC(kVolume));

    // A cancelled dialog changes nothing.
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Load MidiCC map..."));
    EXPECT_EQ(-1, m_a->GetAssignedMidiCC(kVolume));
    platform.runner.Answer(0, path + "\n");
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Load MidiCC map..."));
    EXPECT_EQ(9, m_a->GetAssignedMidiCC(kVolume));
    EXPECT_TRUE(CAlertRecorder::s_alerts.empty());

    // A map that cannot be written is not passed over in silence.
    platform.runner.Answer(0, "/nonexistent-folder/Live.ccmap\n");
    EXPECT_TRUE(CSettingsMenu::Perform(&m_hostA, "Save MidiCC map..."));
    ASSERT_EQ(1u, CAlertRecorder::s_alerts.size());
    EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be saved|"));
}

TEST_F(CSettingsMenuTest, CompactModeIsSavedAndSwitchesTheWindow)
{
    // The target instance's data folder is the one in use.
    for (const int mode : {1, 0})
    {
        ASSERT_TRUE(CSettingsMenu::Perform(&m_hostB, "Compact GUI Mode"));
        EXPECT_EQ(mode, m_hostB.modes.back());
        EXPECT_EQ(mode, CPreferences(m_b).GetCompactGuiMode()) << "saved";
        EXPECT_EQ(mode ? "*Compact GUI Mode" : "Compact GUI Mode",
                  MenuTitles(CSettingsMenu::Build(&m_hostB)).back());
    }
}

TEST_F(CSettingsMenuTest, RunShowsTheMenuAtTheButtonAndPerformsTheChoice)
{
    CScriptedPlatform platform; // a click on a dialog entry would still show no dialog
    CFrame frame(CRect(0, 0, 800, 600), nullptr);
    ASSERT_TRUE(frame.openOffscreen(1.0));
    auto* button = new CControl(CRect(700, 20, 720, 40), nullptr, 100006);
    frame.addView(button);
    frame.platformOnMouseMoved(CPoint(710, 30), 0);
    QueueMenuClick(&frame, 7); // "Copy Modulator Settings"
    CSettingsMenu::Run(&m_hostA, button);
    EXPECT_TRUE(CModClipboard::HasModulator());
    EXPECT_FALSE(CModClipboard::HasLayer());
    CSettingsMenu::Run(&m_hostA, button); // dismissed: nothing
    EXPECT_FALSE(CModClipboard::HasLayer());
    EXPECT_TRUE(platform.runner.runs.empty());
    frame.close();
}
