// Test support for the editor tests: small PNG images made in memory and
// registered as bitmap resources, a host callback that records what the plug-in
// tells the host, a plug-in instance (adapter + effect) in a temporary data
// folder, and the Morvex editor on such an instance. No display is needed:
// editors open offscreen.
#pragma once

#include "Editor.h"
#include "Gui/EditorLayout.h"
#include "Morvex.h"
#include "Preferences.h"
#include "support/TempDataFolder.h"
#include "vst2sdk/aeffectx.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

class CVstWrapper;

namespace GuiTest
{
// Registered by RegisterTestArtwork (sizes logical, 1x):
constexpr const char* kBackground = "TestBackground.png"; // 300 x 200, dark grey
constexpr const char* kKnobStrip = "TestKnob.png";        // 20 x 20, 16 frames
constexpr int kKnobFrames = 16;
constexpr const char* kSwitchStrip = "TestSwitch.png"; // 30 x 10, 3 frames
constexpr int kSwitchPositions = 3;
constexpr const char* kButtonStrip = "TestButton.png"; // 20 x 10, 2 frames
constexpr const char* kHandle = "TestHandle.png";      // 10 x 10
void RegisterTestArtwork();

struct HOST_CALL
{
    int opcode;
    int index;
    float value;
};

// What the plug-in sent to the host since the last Clear.
class CHostRecorder
{
public:
    CHostRecorder();
    ~CHostRecorder();
    void Clear() { m_calls.clear(); }
    const std::vector<HOST_CALL>& Calls() const { return m_calls; }
    // Only the gesture and automation calls (begin 43, end 44, automate 0) for `id`.
    std::vector<HOST_CALL> EditCalls(int id) const;
    int Count(int opcode) const;
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

private:
    std::vector<HOST_CALL> m_calls;
};

// A plug-in instance as a host has it, without an editor (none is installed).
class CPluginInstance
{
public:
    CPluginInstance();
    ~CPluginInstance();
    CVstWrapper* Wrapper() const { return m_wrapper; }
    CMorvex* Effect() const { return m_effect; }
    CHostRecorder& Host() { return m_host; }

private:
    CTempDataFolder m_dataFolder;
    CHostRecorder m_host;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
};

// A fixture with the Morvex editor on its own plug-in instance at scale 1, in a window
// mode stored as the user's choice (so that the test machine's screen does not decide).
// SetUp makes it in the normal window without opening it; a suite that needs another
// mode (BASE = TestWithParam<int>) calls CreateEditor itself.
template <typename BASE = ::testing::Test> class CEditorFixture : public BASE
{
protected:
    void SetUp() override { CreateEditor(CEditor::kNormalMode); }
    void TearDown() override
    {
        if (m_editor)
        {
            m_effect->SetEditor(nullptr);
            delete m_editor;
            m_editor = nullptr;
        }
        unsetenv("MORVEX_UI_SCALE");
    }

    void CreateEditor(int mode)
    {
        setenv("MORVEX_UI_SCALE", "1", 1);
        m_effect = m_plugin.Effect();
        m_effect->GetPreferences()->SetCompactGuiMode(mode);
        m_editor = new CEditor(m_effect);
        m_effect->SetEditor(m_editor);
    }
    // Opens offscreen and forgets what the plug-in told the host so far.
    void Open()
    {
        ASSERT_TRUE(m_editor->OpenOffscreen(1.0));
        m_frame = m_editor->getFrame();
        m_plugin.Host().Clear();
    }
    void Idle() { m_editor->idle(); }
    // Sets an editor-only control as a click would.
    void Select(long tag, float value)
    {
        VSTGUI::CControl* control = m_editor->GetTaggedControl(tag);
        ASSERT_NE(nullptr, control) << tag;
        control->setValue(value);
        m_editor->valueChanged(control);
    }
    // Centre of a control's layout row (frame coordinates, normal window).
    static VSTGUI::CPoint CentreOf(int id)
    {
        const LAYOUT_CONTROL* row = FindLayoutControl(CEditor::kNormalMode, id);
        return row ? VSTGUI::CPoint(row->rect.x + row->rect.width / 2.0,
                                    row->rect.y + row->rect.height / 2.0)
                   : VSTGUI::CPoint();
    }

    CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CEditor* m_editor = nullptr;
    VSTGUI::CFrame* m_frame = nullptr;
};
} // namespace GuiTest
