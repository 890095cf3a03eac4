// The Morvex editor window. Two window modes (normal 1080 x 790, compact 1098 x 700
// for screens lower than 910 pixels), each with its own background; every view is
// placed from the layout table (Gui/EditorLayout.h): the header (power, version,
// undo/redo, panic, settings, the preset browser), the two layer pages with every
// module's controls, dice buttons and routing panel, the modulator section (one
// container per modulator, the shared editors' place, tabs with their aim buttons),
// the matrix page, the master strip (or, compact, the master view), the layer mix
// row and the meters. Editor-only state (selected layer and modulator, matrix page,
// master view) decides which containers are attached (UpdateViews). The idle pass
// feeds the meters, the undo/redo looks and the aim buttons; postDraw draws the aim
// line of a running aim drag above everything.
//
// Threads: as CBaseEditor (user-interface thread; parameter notifications from other
// threads are applied at the next idle).
#pragma once

#include "Common/wrappers/BaseEditor.h"
#include "Gui/AimHost.h"
#include "Gui/EditorMenuHost.h"
#include "Gui/ModEditorHost.h"
#include "Gui/ModSourceMenu.h"
#include "Gui/ModTargetMenu.h"
#include "Gui/NodePanelListener.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace VSTGUI
{
class CKickButton;
class CTextLabel;
} // namespace VSTGUI

class CMorvex;
class CAimControl;
class CMainPresetBrowser;
class CMsegPresetBrowser;
class CMsegControl;
class CNodePanel;
class CStepperControl;
class CRandomizeControl;
class CModulationKnob;
class CDecibelMeter;
class CCorrelationMeter;
struct LAYOUT_CONTROL;
struct KNOB_MOD_STYLE;

class CEditor : public CBaseEditor,
                public IAimHost,
                public INodePanelListener,
                public IModEditorHost,
                public IEditorMenuHost
{
public:
    // Window modes (the preferences' "compact GUI mode").
    static constexpr int kNormalMode = 0;
    static constexpr int kCompactMode = 1;
    // Below this screen height the first opening chooses the compact window.
    static constexpr int kCompactScreenHeight = 910;
    // Level meters: -48 .. +8 dB in 38 segments.
    static constexpr float kMeterMaximumDb = 8.0f;
    static constexpr float kMeterMinimumDb = -48.0f;
    static constexpr int kMeterSegments = 38;
    static constexpr const char* kVersionText = "VST x64 v1.14";
    static constexpr int kModulatorCount = 8;
    static constexpr int kModuleDiceCount = 6; // randomizer kinds 1..6 of a layer
    static constexpr int kRoutingNodes = 7;

    // Cheap: no window system, no image; the window mode is decided at the first
    // getRect or open.
    explicit CEditor(CMorvex* effect);
    ~CEditor() override;

    // --- CBaseEditor -------------------------------------------------------------------------
    void OnSetParameter(int id, float value) override;
    void UpdateAllControls() override;
    void valueChanged(VSTGUI::CControl* control) override;
    void OnControlMouseUp(long tag, bool contextClick) override;

    // Like AddKnob, but always a CModulationKnob with the arc of `style`: the film-strip
    // frame at x, y (the view grows around it for the arc).
    CModulationKnob* AddModKnob(VSTGUI::CViewContainer* container, int x, int y, int id,
                                int frames, VSTGUI::CBitmap* bitmap, const KNOB_MOD_STYLE* style,
                                CBaseReadOut* readOut);

    // Like AddHorizontalSlider, but a CModSlider (a matrix row's depth).
    VSTGUI::CControl* AddModSlider(VSTGUI::CViewContainer* container, const VSTGUI::CRect& rect,
                                   int id, VSTGUI::CBitmap* handleBitmap);

    // Switches the window mode (0 normal, 1 compact; others clamped) and, while open,
    // rebuilds every view in place and asks the host for the new window size.
    void SetEditorViewMode(int mode) override;
    // The current mode (decided on first use).
    int GetEditorViewMode();
    // Attaches the chosen pages (selected layer, its modulator, matrix or master view)
    // above the rest, and the modulator editor and Gate or Tension knob of the selected
    // modulator's mode.
    void UpdateViews();
    // Loads the shared step and MSEG editors with the selected modulator's blocks.
    void UpdateMsegs();

    // --- IAimHost ------------------------------------------------------------------------------
    // The parameter of the control under the mouse, or -1.
    int GetHoverParamID() const override;
    void ShowModulation(int id, int slot) override;
    void RedrawFrame() override;

    // --- INodePanelListener: a routing drag records undo and stores the new order ------------
    void OnNodePanelChanged(CNodePanel* panel) override;
    void OnNodePanelDragStart(CNodePanel* panel) override;

    // Overlays: the aim line of a running aim drag.
    void postDraw(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect) override;

    // --- IEditorMenuHost ---------------------------------------------------------------------
    CMorvex* GetMorvex() override { return m_morvex; }
    int GetSelectedLayer() const override { return m_selectedLayer; }
    int GetSelectedMod() const override { return m_selectedMod; }

    // --- IModEditorHost: one undo step per press on the selected modulator's pattern -------
    void AddStepperUndoItem() override;
    void AddMsegUndoItem() override;

    CStepperControl* GetStepEditor() const { return m_stepEditor; }
    CMsegControl* GetMsegEditor() const { return m_msegEditor; }
    bool GetDragMode() const { return m_dragMode; }
    VSTGUI::CViewContainer* GetLayerView(int layer) const
    {
        return layer >= 0 && layer < 2 ? m_layerViews[layer] : nullptr;
    }
    VSTGUI::CViewContainer* GetModView(int modulator) const
    {
        return modulator >= 0 && modulator < kModulatorCount ? m_modViews[modulator] : nullptr;
    }
    VSTGUI::CViewContainer* GetMatrixView() const { return m_matrixView; }
    CNodePanel* GetNodePanel(int layer) const
    {
        return layer >= 0 && layer < 2 ? m_nodePanels[layer] : nullptr;
    }
    CAimControl* GetAimControl(int modulator) const
    {
        return modulator >= 0 && modulator < kModulatorCount ? m_aimControls[modulator] : nullptr;
    }
    CMsegPresetBrowser* GetModPresetBrowser(int modulator) const
    {
        return modulator >= 0 && modulator < kModulatorCount ? m_modPresetBrowsers[modulator]
                                                              : nullptr;
    }
    CMainPresetBrowser* GetMainPresetBrowser() const { return m_presetBrowser; }
    // The dice buttons: a layer's modules (kind 1..6) or, kind 0, the modulators'.
    CRandomizeControl* GetRandomizeControl(int layer, int kind) const;
    // Where the shared step and MSEG editors sit (window coordinates).
    VSTGUI::CRect GetModEditorRect() const { return m_modEditorRect; }
    int GetPulseCountdown() const { return m_pulseCountdown; }
    bool IsMatrixShown() const { return m_matrixShown; }
    bool IsMasterViewShown() const { return m_masterViewShown; }
    VSTGUI::CViewContainer* GetMasterView() const { return m_masterView; }
    CDecibelMeter* GetMeter(int channel) const
    {
        return channel >= 0 && channel < 2 ? m_meters[channel] : nullptr;
    }
    CCorrelationMeter* GetCorrelationMeter() const { return m_correlationMeter; }
    VSTGUI::CKickButton* GetUndoButton() const { return m_undoButton; }
    VSTGUI::CKickButton* GetRedoButton() const { return m_redoButton; }
    // The control with an editor tag (100000 and above), or null.
    VSTGUI::CControl* GetTaggedControl(long tag) const;

    // Window seam: releases every view / feeds the meters and undo looks, then the base.
    void CloseWindow() override;
    void IdleWindow() override;

protected:
    // Height of the screen the window opens on, pixels (0: unknown).
    virtual int GetScreenHeight() const;
    void PrepareSize() override;
    bool OpenFrame(void* parent, double scale) override;

private:
    // Builds / releases every view of the current mode.
    void CreateControls();
    void DestroyControls();
    // One row of the layout table into `container`, whose window-coordinate origin is
    // `origin`; `id` is the row's parameter for this instance (layer or modulator) and
    // `unit` the instance (layer 0..1, modulator 0..7; 0 for single views).
    VSTGUI::CView* CreateFromLayout(VSTGUI::CViewContainer* container, const VSTGUI::CPoint& origin,
                                    const LAYOUT_CONTROL& row, int id, int unit);
    // An editor-tag control; `tag` is the row's tag for this instance.
    VSTGUI::CControl* CreateTaggedControl(VSTGUI::CViewContainer* container,
                                          const VSTGUI::CRect& rect, const LAYOUT_CONTROL& row,
                                          long tag);
    VSTGUI::CView* CreateAimControl(const VSTGUI::CRect& rect, int modulator);
    // The bitmap of a resource name, loaded once per open (null when missing).
    VSTGUI::CBitmap* GetBitmap(const char* name);
    void ReleaseBitmaps();
    // The container a section's views go into for instance `unit` (layer, modulator),
    // and its origin in window coordinates.
    VSTGUI::CViewContainer* ContainerFor(int section, int unit, VSTGUI::CPoint& origin);
    // Attaches the selected modulator's editor and its Gate or Tension knob.
    void UpdateModEditorViews();
    // Delay Link: the other speed of the layer follows `id` (a left or right speed, or
    // the link switched on). Values from the model; one host automation each.
    void FollowDelayLink(int id);
    void UpdateUndoButtons();
    // Gives the preset browser the effect's current preset path (it rescans its folder).
    void UpdatePresetName();
    // Reads the stored window mode or decides it from the screen height (and stores
    // a compact choice).
    int DecideViewMode();
    const char* BackgroundName() const;

    CMorvex* m_morvex;
    int m_viewMode = -1; // undecided until first use
    int m_selectedLayer = 0;
    int m_selectedMod = 0;
    bool m_matrixShown = false;
    bool m_masterViewShown = false;
    bool m_dragMode = false; // the MSEG editor's drag mode (tag 100010)

    // Views of the open window (owned by the view tree, or by us while detached).
    VSTGUI::CViewContainer* m_masterView = nullptr; // compact mode only
    VSTGUI::CViewContainer* m_layerViews[2] = {};
    VSTGUI::CViewContainer* m_modViews[kModulatorCount] = {};
    VSTGUI::CViewContainer* m_matrixView = nullptr;
    CNodePanel* m_nodePanels[2] = {};
    CAimControl* m_aimControls[kModulatorCount] = {};
    CMsegPresetBrowser* m_modPresetBrowsers[kModulatorCount] = {};
    CRandomizeControl* m_moduleDice[2][kModuleDiceCount] = {};
    CRandomizeControl* m_modDice = nullptr;
    // The step and MSEG editors share one place; each is attached while the selected
    // modulator's mode is its own (null: not built).
    VSTGUI::CRect m_modEditorRect;
    CStepperControl* m_stepEditor = nullptr;
    CMsegControl* m_msegEditor = nullptr;
    // The matrix lists' menus (also the aim pop-ups' target lists).
    CModSourceMenu m_modSourceMenu;
    CModTargetMenu m_modTargetMenu;
    VSTGUI::CKickButton* m_undoButton = nullptr;
    VSTGUI::CKickButton* m_redoButton = nullptr;
    VSTGUI::CKickButton* m_settingsButton = nullptr; // kept across rebuilds
    CMainPresetBrowser* m_presetBrowser = nullptr;
    CDecibelMeter* m_meters[2] = {};
    CCorrelationMeter* m_correlationMeter = nullptr;
    std::map<long, VSTGUI::CControl*> m_taggedControls;
    // Parameter controls of the frame's own rows (the layer mix row), raised above pages.
    std::vector<VSTGUI::CView*> m_frameRowControls;
    std::map<std::string, VSTGUI::CBitmap*> m_bitmaps; // one reference each
    VSTGUI::CFontDesc* m_smallFont = nullptr;          // 9 pt Arial
    VSTGUI::CFontDesc* m_layerFont = nullptr;          // 10 pt Arial bold (layer lists)
    int m_undoShown = -1; // the undo / redo looks last shown (-1: none yet)
    int m_redoShown = -1;
    std::string m_shownPresetPath; // the path last given to the preset browser
    bool m_rebuilding = false;
    bool m_linking = false; // FollowDelayLink is moving the other speed
    // The aim marker's pulse: milliseconds left in the period, frame ticks of the last idle.
    int m_pulseCountdown = 0;
    std::uint32_t m_lastTicks = 0;
};

// The editor factory of the plug-in module (EffectEditor::SetEditorFactory): a CEditor
// for a CMorvex, null for any other effect.
IEffectEditor* CreateMorvexEditor(CBaseEffect* effect);
