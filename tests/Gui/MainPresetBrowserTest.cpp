// The main preset browser: loads and resets are one undo step, a file that cannot be
// loaded or saved leaves the current preset as it was and alerts, and a save in progress
// never looks like a preset.
#include "Gui/GuiTestSupport.h"
#include "Gui/MainPresetBrowser.h"
#include "support/StateBytes.h"
#include "utilities/BasePresetManager.h"
#include "utilities/PresetFileWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace GuiTest;
using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
std::string s_tempPath;
std::vector<std::string> s_scanDuringSave;
// Lists the library of the file being saved, as the browser would while the save runs.
void ScanDuringSave(const std::string& tempPath)
{
    s_tempPath = tempPath;
    const std::string category = tempPath.substr(0, tempPath.rfind('/'));
    CBasePresetManager manager;
    manager.RebuildPresetVector(category.substr(0, category.rfind('/')).c_str(), ".prg");
    for (const CPresetInfo& info : manager.GetPresetInfoVector())
        s_scanDuringSave.push_back(info.path);
}

class CMainPresetBrowserTest : public ::testing::Test
{
protected:
    void TearDown() override { m_browser->forget(); }
    std::string UserFile(const char* name)
    {
        return m_browser->GetFullPresetsPath() + "User/" + name;
    }
    float Volume() { return Scaled(m_effect, kVolume); }

    CAlertRecorder m_alerts;
    CPluginInstance m_plugin;
    CMorvex* m_effect = m_plugin.Effect();
    CMainPresetBrowser* m_browser =
        new CMainPresetBrowser(CRect(0, 0, 200, 20), nullptr, m_effect);
};
} // namespace

TEST_F(CMainPresetBrowserTest, LoadsAndTheDefaultPresetAreOneUndoStepEach)
{
    const std::string path = UserFile("Loud.prg");
    m_effect->SetParameterScaled(kVolume, 0.9f);
    m_browser->SavePreset(path);
    m_browser->SetCurrentPresetPath(m_browser->GetCurrentPresetPath().c_str());
    ASSERT_TRUE(CAlertRecorder::s_alerts.empty());
    EXPECT_EQ("Loud", m_browser->GetShownText());
    EXPECT_EQ(0, m_browser->GetCurrentIndex());

    m_effect->SetParameterScaled(kVolume, 0.2f);
    m_browser->SelectNextPreset(); // the only preset: wraps onto itself
    EXPECT_NEAR(0.9f, Volume(), 1e-4f);
    EXPECT_EQ(1, m_effect->GetUndoCount());
    m_browser->ResetPreset();
    EXPECT_FLOAT_EQ(
        m_effect->UnscaledValueToScaled(kVolume, m_effect->GetParameterInfo(kVolume)->defaultValue),
        Volume());
    EXPECT_EQ(2, m_effect->GetUndoCount());
    m_effect->Undo();
    EXPECT_NEAR(0.9f, Volume(), 1e-4f);
    m_effect->Undo();
    EXPECT_NEAR(0.2f, Volume(), 1e-4f);
}

TEST_F(CMainPresetBrowserTest, AFileThatCannotBeReadOrWrittenChangesNothingAndAlerts)
{
    const std::string good = UserFile("Good.prg");
    m_browser->SavePreset(good);
    m_browser->SetCurrentPresetPath(good.c_str());
    m_effect->SetParameterScaled(kVolume, 0.3f);
    const int undoBefore = m_effect->GetUndoCount();
    const std::string foreign = UserFile("Foreign.prg");
    StateBytes::WriteFile(foreign, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'r', 'e', 's', 'e', 't'});
    for (const std::string& path : {foreign, UserFile("Missing.prg")})
    {
        CAlertRecorder::s_alerts.clear();
        m_browser->LoadPreset(path);
        EXPECT_EQ(good, m_browser->GetCurrentPresetPath()) << path;
        EXPECT_EQ("Good", m_browser->GetShownText()) << path;
        EXPECT_NEAR(0.3f, Volume(), 1e-4f) << path;
        EXPECT_EQ(undoBefore, m_effect->GetUndoCount()) << path;
        ASSERT_EQ(1u, CAlertRecorder::s_alerts.size()) << path;
        EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be loaded|")) << path;
    }
    CAlertRecorder::s_alerts.clear();
    m_browser->SavePreset(m_browser->GetFullPresetsPath() + "No Such Folder/X.prg");
    ASSERT_EQ(1u, CAlertRecorder::s_alerts.size());
    EXPECT_EQ(0u, CAlertRecorder::s_alerts[0].find("File cannot be saved|"));
    EXPECT_EQ(good, m_browser->GetCurrentPresetPath());
}

TEST_F(CMainPresetBrowserTest, ASaveInProgressIsNotListedAsAPreset)
{
    const std::string path = UserFile("Slow.prg");
    const PresetFileWriter::SAVE_OBSERVER previous =
        PresetFileWriter::SetSaveObserver(ScanDuringSave);
    m_browser->SavePreset(path);
    PresetFileWriter::SetSaveObserver(previous);

    ASSERT_FALSE(s_tempPath.empty());
    EXPECT_EQ(std::string::npos, s_tempPath.find(".prg"));
    EXPECT_TRUE(s_scanDuringSave.empty()); // neither the file nor its temporary yet
    EXPECT_NE(0, access(s_tempPath.c_str(), F_OK)); // the temporary is gone
    EXPECT_EQ(0, access(path.c_str(), F_OK));
}
