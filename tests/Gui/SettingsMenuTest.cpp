// The settings menu: its entries, the modulator and layer clipboard shared by the plug-in
// instances of a process, undoable pastes and resets, the MIDI map through the platform's
// dialogs (scripted: no dialog is ever shown) and the compact window mode.
#include "Gui/EditorMenuHost.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/ModClipboard.h"
#include "Gui/SettingsMenu.h"
#include "Platform/Linux/ScriptedDialogs.h"
#include "Preferences.h"
#include "utilities/AlertDialog.h"
#include "vstgui/MenuOverlay.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
class CTestMenuHost : public IEditorMenuHost
{
public:
    explicit CTestMenuHost(CMorvex* effect) : m_effect(effect) {}
    CMorvex* GetMorvex() override { return m_effect; }
    int GetSelectedLayer() const override { return layer; }
    int GetSelectedMod() const override { return modulator; }
    void UpdateAllControls() override { ++updates; }
    void SetEditorViewMode(int mode) override { modes.push_back(mode); }

    int layer = 0;
    int modulator = 0;
    int updates = 0;
    std::vector<int> modes;

private:
    CMorvex* m_effect;
};

std::vector<std::string> Titles(COptionMenu* menu)
{
    std::vector<std::string> titles;
    for (int i = 0; i < menu->getNbEntries(); ++i)
    {
        const CMenuItem* item = menu->getEntry(i);
        titles.push_back(std::string(item->isChecked() ? "*" : "") + item->getTitle());
    }
    menu->forget();
    return titles;
}

std::vector<uint8_t> Block(CMorvex* effect, int id)
{
    const uint8_t* data = effect->GetRawParameterBlock(id);
    return std::vector<uint8_t>(data, data + effect->GetRawParameterBlockSize(id));
}

float Scaled(CMorvex* effect, int id)
{
    return effect->GetParameterScaled(id, false, false, 0);
}

std::vector<std::string> sAlerts;
bool RecordAlert(const char* title, const char*, bool)
{
    sAlerts.push_back(title);
    return true;
}

class CSettingsMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CModClipboard::Clear();
        sAlerts.clear();
        m_previousAlert = SetAlertHandler(RecordAlert);
    }
    void TearDown() override
    {
        SetAlertHandler(m_previousAlert);
        CModClipboard::Clear();
    }
    ALERT_HANDLER m_previousAlert = nullptr;
};
} // namespace

TEST_F(CSettingsMenuTest, PasteEntriesAppearOnlyOnceSomethingWasCopied)
{
    GuiTest::CPluginInstance plugin;
    CTestMenuHost host(plugin.Effect());
    EXPECT_EQ((std::vector<std::string>{
                  "Load MidiCC map...", "Save MidiCC map...", "Reset MidiCC map", "-",
                  "Use Current Settings as Default Preset", "Reset Default Preset", "-",
                  "Copy Modulator Settings", "Reset Modulator Settings", "-",
                  "Copy Layer Settings", "Reset Layer Settings", "-", "Compact GUI Mode"}),
              Titles(CSettingsMenu::Build(&host)));
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Copy Modulator Settings"));
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Copy Layer Settings"));
    const std::vector<std::string> titles = Titles(CSettingsMenu::Build(&host));
    EXPECT_EQ("Paste Modulator Settings", titles[8]);
    EXPECT_EQ("Paste Layer Settings", titles[12]);
    EXPECT_FALSE(CSettingsMenu::Perform(&host, "Paste"));
}

TEST_F(CSettingsMenuTest, AModulatorCopiedInOneInstancePastesIntoAnother)
{
    GuiTest::CPluginInstance source;
    GuiTest::CPluginInstance target;
    CMorvex* a = source.Effect();
    CMorvex* b = target.Effect();
    CTestMenuHost hostA(a), hostB(b);
    hostA.modulator = 2;
    hostB.modulator = 5;
    a->SetParameterUnscaled(kModMode + 2, 1.0f);
    a->SetParameterUnscaled(kModNumSteps + 2, 12.0f);
    a->SetParameterScaled(kModTension + 2, 0.8f);
    a->SetParameterScaled(kModShuffle + 2, 0.3f);
    std::vector<float> points(192, -1.0f);
    points[0] = 0.0f, points[1] = 0.5f, points[2] = 0.0f;
    points[3] = 6.0f, points[4] = 1.0f, points[5] = 0.25f;
    a->SetRawParameterBlock(kRawBlockMsegPoints + 2, points.data());
    std::vector<char> path(kRawBlockModPresetPathSize, 0);
    std::strcpy(path.data(), "/presets/User/Wobble.mprg");
    a->SetRawParameterBlock(kRawBlockModPresetPath + 2, path.data());

    ASSERT_TRUE(CSettingsMenu::Perform(&hostA, "Copy Modulator Settings"));
    const std::vector<uint8_t> stepsBefore = Block(b, kRawBlockSteps + 5);
    const float numStepsBefore = Scaled(b, kModNumSteps + 5);
    const int undos = b->GetUndoCount();
    ASSERT_TRUE(CSettingsMenu::Perform(&hostB, "Paste Modulator Settings"));
    for (int k = 0; k < CModClipboard::kModParameterCount; ++k)
        EXPECT_NEAR(Scaled(a, CModClipboard::ModParameterId(2, k)),
                    Scaled(b, CModClipboard::ModParameterId(5, k)), 1e-6f)
            << "parameter " << k;
    EXPECT_EQ(Block(a, kRawBlockMsegPoints + 2), Block(b, kRawBlockMsegPoints + 5));
    EXPECT_EQ(Block(a, kRawBlockSteps + 2), Block(b, kRawBlockSteps + 5));
    const uint8_t* pastedPath = b->GetRawParameterBlock(kRawBlockModPresetPath + 5);
    EXPECT_STREQ("/presets/User/Wobble.mprg", reinterpret_cast<const char*>(pastedPath));
    EXPECT_EQ(undos + 1, b->GetUndoCount());
    EXPECT_EQ(1, hostB.updates);

    b->Undo();
    EXPECT_EQ(numStepsBefore, Scaled(b, kModNumSteps + 5));
    EXPECT_EQ(stepsBefore, Block(b, kRawBlockSteps + 5));
}

TEST_F(CSettingsMenuTest, CopyingALayerAddsOneUndoStepAndPastesIntoTheOtherLayer)
{
    GuiTest::CPluginInstance source;
    GuiTest::CPluginInstance target;
    CMorvex* a = source.Effect();
    CMorvex* b = target.Effect();
    CTestMenuHost hostA(a), hostB(b);
    hostB.layer = 1;
    a->SetParameterScaled(kFilterCutoff, 0.3f);
    a->SetParameterScaled(kFlangerMode, 1.0f);
    a->SetParameterScaled(kDelayInput, 1.0f);

    const int undos = a->GetUndoCount();
    ASSERT_TRUE(CSettingsMenu::Perform(&hostA, "Copy Layer Settings"));
    EXPECT_EQ(undos + 1, a->GetUndoCount());
    a->Undo(); // restores the same values
    EXPECT_FLOAT_EQ(0.3f, Scaled(a, kFilterCutoff));

    ASSERT_TRUE(CSettingsMenu::Perform(&hostB, "Paste Layer Settings"));
    EXPECT_FLOAT_EQ(0.3f, Scaled(b, kFilterCutoff + 1));
    EXPECT_EQ(1.0f, Scaled(b, kFlangerMode + 1));
    EXPECT_EQ(1.0f, Scaled(b, kDelayInput + 1));
    EXPECT_NE(0.3f, Scaled(b, kFilterCutoff)) << "layer A untouched";
    for (int k = 0; k < CModClipboard::kLayerParameterCount; ++k)
        EXPECT_NEAR(Scaled(a, CModClipboard::LayerParameterId(0, k)),
                    Scaled(b, CModClipboard::LayerParameterId(1, k)), 1e-6f)
            << "parameter " << k;
}

TEST_F(CSettingsMenuTest, ResetsReturnToTheDefaultsAndCanBeUndone)
{
    GuiTest::CPluginInstance plugin;
    CMorvex* effect = plugin.Effect();
    CTestMenuHost host(effect);
    host.modulator = 4;
    host.layer = 1;
    const float cutoffDefault = Scaled(effect, kFilterCutoff + 1);
    const std::vector<uint8_t> stepsDefault = Block(effect, kRawBlockSteps + 4);
    effect->SetParameterScaled(kFilterCutoff + 1, 0.1f);
    effect->SetParameterScaled(kFlangerMode + 1, 1.0f);
    std::vector<uint8_t> steps(kRawBlockStepsSize, 0);
    effect->SetRawParameterBlock(kRawBlockSteps + 4, steps.data());

    ASSERT_TRUE(CSettingsMenu::Perform(&host, "Reset Layer Settings"));
    EXPECT_EQ(cutoffDefault, Scaled(effect, kFilterCutoff + 1));
    EXPECT_EQ(0.0f, Scaled(effect, kFlangerMode + 1));
    ASSERT_TRUE(CSettingsMenu::Perform(&host, "Reset Modulator Settings"));
    EXPECT_EQ(stepsDefault, Block(effect, kRawBlockSteps + 4));
    EXPECT_EQ(2, host.updates);

    effect->Undo();
    EXPECT_EQ(steps, Block(effect, kRawBlockSteps + 4));
    effect->Undo();
    EXPECT_FLOAT_EQ(0.1f, Scaled(effect, kFilterCutoff + 1));
    EXPECT_EQ(1.0f, Scaled(effect, kFlangerMode + 1));
}

TEST_F(CSettingsMenuTest, TheMidiMapIsSavedAndLoadedThroughThePlatformDialogs)
{
    GuiTest::CPluginInstance plugin;
    CMorvex* effect = plugin.Effect();
    CTestMenuHost host(effect);
    CScriptedPlatform platform;
    platform.runner.available = {"zenity"};
    const std::string path = std::string(std::getenv("XDG_DATA_HOME")) + "/Live.ccmap";
    effect->ActivateMidiLearn(kVolume, true);
    effect->OnMidiCC(9, 0.5f);
    ASSERT_EQ(9, effect->GetAssignedMidiCC(kVolume));

    platform.runner.Answer(0, path + "\n");
    ASSERT_TRUE(CSettingsMenu::Perform(&host, "Save MidiCC map..."));
    ASSERT_EQ(1u, platform.runner.runs.size());
    const std::vector<std::string>& save = platform.runner.runs[0];
    EXPECT_NE(save.end(), std::find(save.begin(), save.end(), "--save"));
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Reset MidiCC map"));
    EXPECT_EQ(-1, effect->GetAssignedMidiCC(kVolume));

    // A cancelled dialog changes nothing.
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Load MidiCC map..."));
    EXPECT_EQ(-1, effect->GetAssignedMidiCC(kVolume));
    platform.runner.Answer(0, path + "\n");
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Load MidiCC map..."));
    EXPECT_EQ(9, effect->GetAssignedMidiCC(kVolume));
    EXPECT_TRUE(sAlerts.empty());

    // A map that cannot be written is not passed over in silence.
    platform.runner.Answer(0, "/nonexistent-folder/Live.ccmap\n");
    EXPECT_TRUE(CSettingsMenu::Perform(&host, "Save MidiCC map..."));
    EXPECT_EQ(std::vector<std::string>{"File cannot be saved"}, sAlerts);
}

TEST_F(CSettingsMenuTest, CompactModeIsSavedAndSwitchesTheWindow)
{
    GuiTest::CPluginInstance plugin;
    CMorvex* effect = plugin.Effect();
    CTestMenuHost host(effect);
    EXPECT_EQ("Compact GUI Mode", Titles(CSettingsMenu::Build(&host)).back());
    ASSERT_TRUE(CSettingsMenu::Perform(&host, "Compact GUI Mode"));
    EXPECT_EQ(std::vector<int>{1}, host.modes);
    EXPECT_EQ(1, CPreferences(effect).GetCompactGuiMode()) << "saved";
    EXPECT_EQ("*Compact GUI Mode", Titles(CSettingsMenu::Build(&host)).back());
    ASSERT_TRUE(CSettingsMenu::Perform(&host, "Compact GUI Mode"));
    EXPECT_EQ((std::vector<int>{1, 0}), host.modes);
    EXPECT_EQ(0, CPreferences(effect).GetCompactGuiMode());
}

namespace
{
// Clicks the root level's entry *index (with separators) of the open menu.
void ClickRow(CFrame* frame, void* data)
{
    CMenuOverlay* overlay = frame->GetModalOverlay();
    if (!overlay)
        return;
    const CPoint centre = overlay->GetItemRect(0, *static_cast<int*>(data)).getCenter();
    for (CSyntheticEvent::Type type : {CSyntheticEvent::kMouseDown, CSyntheticEvent::kMouseUp})
    {
        CSyntheticEvent event;
        event.type = type;
        event.where = centre;
        event.buttons = kLButton;
        frame->queueSyntheticEvent(event);
    }
}
} // namespace

TEST_F(CSettingsMenuTest, RunShowsTheMenuAtTheButtonAndPerformsTheChoice)
{
    GuiTest::CPluginInstance plugin;
    CTestMenuHost host(plugin.Effect());
    CScriptedPlatform platform; // a click on a dialog entry would still show no dialog
    CFrame frame(CRect(0, 0, 800, 600), nullptr);
    ASSERT_TRUE(frame.openOffscreen(1.0));
    auto* button = new CControl(CRect(700, 20, 720, 40), nullptr, 100006);
    frame.addView(button);
    frame.platformOnMouseMoved(CPoint(710, 30), 0);
    int copyModRow = 7; // three MIDI entries, separator, two preset entries, separator
    CSyntheticEvent callback;
    callback.type = CSyntheticEvent::kCallback;
    callback.callback = ClickRow;
    callback.userData = &copyModRow;
    frame.queueSyntheticEvent(callback);
    CSettingsMenu::Run(&host, button);
    EXPECT_TRUE(CModClipboard::HasModulator());
    EXPECT_FALSE(CModClipboard::HasLayer());
    // Dismissed: nothing.
    CSettingsMenu::Run(&host, button);
    EXPECT_FALSE(CModClipboard::HasLayer());
    EXPECT_TRUE(platform.runner.runs.empty());
    frame.close();
}
