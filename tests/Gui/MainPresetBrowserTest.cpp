// The main preset browser: loads are one undo step, a file that cannot be
// loaded or saved leaves the current preset as it was and alerts, and a save in
// progress never looks like a preset.
#include "Gui/GuiTestSupport.h"
#include "Gui/MainPresetBrowser.h"
#include "utilities/AlertDialog.h"
#include "utilities/BasePresetManager.h"
#include "utilities/PresetFileWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
std::vector<std::string> s_alerts;
bool RecordAlert(const char* title, const char* message, bool /*withCancel*/)
{
    s_alerts.push_back(std::string(title) + "|" + message);
    return true;
}

std::string s_tempPath;
std::vector<std::string> s_scanDuringSave;
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
    void SetUp() override
    {
        s_alerts.clear();
        m_previousAlert = SetAlertHandler(RecordAlert);
        m_browser = new CMainPresetBrowser(CRect(0, 0, 200, 20), nullptr, Effect());
    }
    void TearDown() override
    {
        m_browser->forget();
        SetAlertHandler(m_previousAlert);
    }
    CMorvex* Effect() { return m_plugin.Effect(); }
    std::string UserFile(const char* name)
    {
        return m_browser->GetFullPresetsPath() + "User/" + name;
    }
    float Volume() { return Effect()->GetParameterScaled(kVolume, false, false, 0); }

    GuiTest::CPluginInstance m_plugin;
    CMainPresetBrowser* m_browser = nullptr;
    ALERT_HANDLER m_previousAlert = nullptr;
};
} // namespace

TEST_F(CMainPresetBrowserTest, ALoadIsOneUndoStepAndShowsThePresetsName)
{
    const std::string path = UserFile("Loud.prg");
    Effect()->SetParameterScaled(kVolume, 0.9f);
    m_browser->SavePreset(path);
    m_browser->SetCurrentPresetPath(m_browser->GetCurrentPresetPath().c_str());
    ASSERT_TRUE(s_alerts.empty());
    EXPECT_EQ("Loud", m_browser->GetShownText());
    EXPECT_EQ(0, m_browser->GetCurrentIndex());

    Effect()->SetParameterScaled(kVolume, 0.2f);
    const int undoBefore = Effect()->GetUndoCount();
    m_browser->SelectNextPreset(); // the only preset: wraps onto itself
    EXPECT_NEAR(0.9f, Volume(), 1e-4f);
    EXPECT_EQ(undoBefore + 1, Effect()->GetUndoCount());
    Effect()->Undo();
    EXPECT_NEAR(0.2f, Volume(), 1e-4f);
}

TEST_F(CMainPresetBrowserTest, APresetThatCannotBeReadChangesNothing)
{
    const std::string good = UserFile("Good.prg");
    m_browser->SavePreset(good);
    m_browser->SetCurrentPresetPath(good.c_str());
    Effect()->SetParameterScaled(kVolume, 0.3f);
    const int undoBefore = Effect()->GetUndoCount();

    const std::string foreign = UserFile("Foreign.prg");
    std::FILE* file = std::fopen(foreign.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fputs("not a preset", file);
    std::fclose(file);
    for (const std::string& path : {foreign, UserFile("Missing.prg")})
    {
        s_alerts.clear();
        m_browser->LoadPreset(path);
        EXPECT_EQ(good, m_browser->GetCurrentPresetPath()) << path;
        EXPECT_EQ("Good", m_browser->GetShownText()) << path;
        EXPECT_NEAR(0.3f, Volume(), 1e-4f) << path;
        EXPECT_EQ(undoBefore, Effect()->GetUndoCount()) << path;
        ASSERT_EQ(1u, s_alerts.size()) << path;
        EXPECT_EQ(0u, s_alerts[0].find("File cannot be loaded|")) << path;
    }
}

TEST_F(CMainPresetBrowserTest, AFailedSaveAlertsAndKeepsTheCurrentPreset)
{
    m_browser->SavePreset(m_browser->GetFullPresetsPath() + "No Such Folder/X.prg");
    ASSERT_EQ(1u, s_alerts.size());
    EXPECT_EQ(0u, s_alerts[0].find("File cannot be saved|The file has not been saved"));
    EXPECT_TRUE(m_browser->GetCurrentPresetPath().empty());
    EXPECT_EQ("", Effect()->GetCurrentProgramName());
}

TEST_F(CMainPresetBrowserTest, ASaveInProgressIsNotListedAsAPreset)
{
    s_tempPath.clear();
    s_scanDuringSave.clear();
    const std::string path = UserFile("Slow.prg");
    const PresetFileWriter::SAVE_OBSERVER previous =
        PresetFileWriter::SetSaveObserver(ScanDuringSave);
    m_browser->SavePreset(path);
    PresetFileWriter::SetSaveObserver(previous);

    ASSERT_FALSE(s_tempPath.empty());
    EXPECT_EQ(std::string::npos, s_tempPath.find(".prg"));
    EXPECT_TRUE(s_scanDuringSave.empty());
    EXPECT_NE(0, access(s_tempPath.c_str(), F_OK));
    EXPECT_EQ(0, access(path.c_str(), F_OK));
}

TEST_F(CMainPresetBrowserTest, DefaultPresetIsAnUndoableReset)
{
    Effect()->SetParameterScaled(kVolume, 0.1f);
    const int undoBefore = Effect()->GetUndoCount();
    m_browser->ResetPreset();
    EXPECT_FLOAT_EQ(Effect()->UnscaledValueToScaled(
                        kVolume, Effect()->GetParameterInfo(kVolume)->defaultValue),
                    Volume());
    EXPECT_EQ(undoBefore + 1, Effect()->GetUndoCount());
    Effect()->Undo();
    EXPECT_NEAR(0.1f, Volume(), 1e-4f);
}
