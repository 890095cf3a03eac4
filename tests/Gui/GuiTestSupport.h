// Test support for the editor tests, no display needed (editors open offscreen): test
// artwork made in memory, the host recorder under the editor tests' names, and fixtures
// for the base editor, the Morvex editor and the pattern editors.
#pragma once

#include "Common/wrappers/BaseEditor.h"
#include "Editor.h"
#include "Gui/EditorLayout.h"
#include "Gui/EditorMenuHost.h"
#include "Gui/ModEditorHost.h"
#include "Morvex.h"
#include "Preferences.h"
#include "support/HostRecorder.h"
#include "support/TempDataFolder.h"
#include "utilities/AlertDialog.h"
#include "vst2sdk/aeffectx.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
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

// The host recorder and the plug-in instance, under the names the editor tests use.
using ::CHostRecorder;
using ::CPluginInstance;
using ::ExpectOneGesture;
using ::HOST_CALL;

// Parameter and block reads, and a matrix slot from `source` to `target`.
float Scaled(CBaseEffect* effect, int id);
float Unscaled(CBaseEffect* effect, int id);
std::vector<uint8_t> Block(CBaseEffect* effect, int id);
void Route(CBaseEffect* effect, int slot, int source, int target, float depthPercent);

// The pixel at (x, y) of an offscreen frame, painted now, as 0xRRGGBB.
uint32_t PixelAt(VSTGUI::CFrame& frame, VSTGUI::CCoord x, VSTGUI::CCoord y);
// The titles of a menu's entries, "*" before checked ones; releases the menu.
std::vector<std::string> MenuTitles(VSTGUI::COptionMenu* menu);
// The next modal menu the frame runs gets a click on its root row `row` (separators count).
void QueueMenuClick(VSTGUI::CFrame* frame, int row);

// Records alerts as "title|message" while it lives.
class CAlertRecorder
{
public:
    CAlertRecorder();
    ~CAlertRecorder();
    static std::vector<std::string> s_alerts;

private:
    ALERT_HANDLER m_previous = nullptr;
};

// The editor side of the settings and modulator options menus.
class CMenuHost : public IEditorMenuHost
{
public:
    explicit CMenuHost(CMorvex* effect) : m_effect(effect) {}
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

// A base editor with one control of each base kind (frame coordinates):
constexpr VSTGUI::CCoord kVolumeX = 20, kVolumeY = 20; // Volume knob 10..30 x 10..30
const VSTGUI::CPoint kVolumeReadOut(25, 38);          // its read-out, 5..45 x 32..44
const VSTGUI::CPoint kFilterModeKnob(70, 20);         // Filter Mode, stepped 0..11
const VSTGUI::CPoint kDistModeSelector(125, 15);      // Dist Mode selector, 110..140 x 10..20
const VSTGUI::CPoint kLimiterButton(180, 15);         // Limiter on/off, 170..190 x 10..20
const VSTGUI::CPoint kDistModeBList(220, 20);         // layer B's Dist Mode list, 200..240

class CBaseTestEditor : public CBaseEditor
{
public:
    explicit CBaseTestEditor(CBaseEffect* effect);
    void Idle() { IdleWindow(); }
    int m_desktopReads = 0;

protected:
    double ReadDesktopScale() override; // 1.5x, without asking an X server
    bool OpenFrame(void* parent, double scale) override;
};

class CBaseEditorFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Press times far apart, so that no two presses make a double-click by accident.
    void Drag(VSTGUI::CPoint from, VSTGUI::CPoint to, long buttons = VSTGUI::kLButton);
    uint32_t NextTime() { return m_time += 1000; }

    CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CBaseTestEditor* m_editor = nullptr;
    VSTGUI::CFrame* m_frame = nullptr;
    uint32_t m_time = 10000;
};

// The Morvex editor on its own plug-in instance at scale 1, in a window mode stored as the
// user's choice (so that the test machine's screen does not decide). SetUp makes it in the
// normal window without opening it; a suite that needs another mode calls CreateEditor.
template <typename BASE = ::testing::Test> class CEditorFixture : public BASE
{
protected:
    void SetUp() override { CreateEditor(CEditor::kNormalMode); }
    void TearDown() override
    {
        m_effect->SetEditor(nullptr);
        delete m_editor;
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
    // A press, moves through `path` and a release there; presses a second apart.
    void Drag(VSTGUI::CPoint from, std::vector<VSTGUI::CPoint> path,
              long buttons = VSTGUI::kLButton)
    {
        m_frame->platformOnMouseDown(from, buttons, m_time += 1000);
        for (const VSTGUI::CPoint& to : path)
            m_frame->platformOnMouseMoved(to, buttons);
        m_frame->platformOnMouseUp(path.empty() ? from : path.back(), buttons);
    }

    CPluginInstance m_plugin;
    CMorvex* m_effect = nullptr;
    CEditor* m_editor = nullptr;
    VSTGUI::CFrame* m_frame = nullptr;
    uint32_t m_time = 0;
};

// The pattern editors' host: counts undo steps and value changes.
class CModEditorHost : public IModEditorHost, public VSTGUI::CControlListener
{
public:
    void AddStepperUndoItem() override { ++stepperUndos; }
    void AddMsegUndoItem() override { ++msegUndos; }
    void valueChanged(VSTGUI::CControl*) override { ++changes; }
    int stepperUndos = 0;
    int msegUndos = 0;
    int changes = 0;
};

// A step or envelope editor, 640 x 200 at (20, 20) in an offscreen frame: 20 px per step
// unit, its length strip y 20..37 above a drawing area y 37..219 (182 px high).
template <typename CONTROL> class CModEditorFixture : public ::testing::Test
{
protected:
    static constexpr VSTGUI::CCoord kLeft = 20, kTop = 20, kWidth = 640, kHeight = 200;
    static constexpr VSTGUI::CCoord kUnit = kWidth / 32;
    static constexpr VSTGUI::CCoord kAreaTop = kTop + 17, kAreaBottom = kTop + kHeight - 1;
    static constexpr VSTGUI::CCoord kAreaHeight = kAreaBottom - kAreaTop;

    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        m_control = new CONTROL(VSTGUI::CRect(kLeft, kTop, kLeft + kWidth, kTop + kHeight),
                                &m_host, 100000, &m_host);
        m_frame.addView(m_control);
    }
    void TearDown() override { m_frame.close(); }

    // Frame x at `units` step units; frame y of a shown (square-root scale) level.
    static VSTGUI::CCoord X(double units) { return kLeft + units * kUnit; }
    static VSTGUI::CCoord Y(double shown) { return kAreaBottom - shown * kAreaHeight; }
    void Drag(VSTGUI::CPoint from, VSTGUI::CPoint to, long buttons = VSTGUI::kLButton)
    {
        m_frame.platformOnMouseDown(from, buttons, m_time += 1000);
        m_frame.platformOnMouseMoved(to, buttons);
        m_frame.platformOnMouseUp(to, buttons);
    }
    // The play cursor repaints nothing while it stays in one unit, and only the length
    // strip's cells of the unit it leaves and the one it enters when it moves on.
    void ExpectCursorRepaintsOnlyOnEnteringAUnit()
    {
        m_control->SetCursor(3.2f);
        m_frame.renderNow();
        m_frame.resetPaintStatistics();
        m_control->SetCursor(3.9f);
        m_frame.idle();
        EXPECT_EQ(0, m_frame.getPaintStatistics().paintCount);
        m_control->SetCursor(4.0f);
        m_frame.idle();
        EXPECT_GE(m_frame.getPaintStatistics().paintCount, 1);
        EXPECT_GT(m_frame.getPaintStatistics().paintedArea, 0.0);
        EXPECT_LE(m_frame.getPaintStatistics().paintedArea, 2 * (kUnit + 1) * 17);
    }

    CModEditorHost m_host;
    VSTGUI::CFrame m_frame{VSTGUI::CRect(0, 0, 700, 260), nullptr};
    CONTROL* m_control = nullptr;
    uint32_t m_time = 0;
};
} // namespace GuiTest
