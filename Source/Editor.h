// The Morvex editor window. Two window modes (normal 1080 x 790, compact 1098 x 700
// for screens lower than 910 pixels), each with its own background; every view is
// placed from the layout table (Gui/EditorLayout.h). This version builds the header
// (power, version, undo/redo, panic, settings, the preset name), the master strip
// (or, compact, the master view), the layer mix row, the level and correlation
// meters, and the idle pass that feeds the meters and the undo/redo looks. The
// layer pages, the modulator section and the matrix page are switchable containers
// that UpdateViews already attaches and detaches; their contents come later.
//
// Threads: as CBaseEditor (user-interface thread; parameter notifications from other
// threads are applied at the next idle).
#pragma once

#include "Common/wrappers/BaseEditor.h"

#include <map>
#include <string>

namespace VSTGUI
{
class CKickButton;
class CTextLabel;
} // namespace VSTGUI

class CMorvex;
class CMainPresetBrowser;
class CModulationKnob;
class CDecibelMeter;
class CCorrelationMeter;
struct LAYOUT_CONTROL;
struct KNOB_MOD_STYLE;

class CEditor : public CBaseEditor
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

    // Switches the window mode (0 normal, 1 compact; others clamped) and, while open,
    // rebuilds every view in place and asks the host for the new window size.
    void SetEditorViewMode(int mode);
    // The current mode (decided on first use).
    int GetEditorViewMode();
    // Attaches the chosen pages (selected layer, matrix or master view) above the rest.
    void UpdateViews();
    // The parameter of the control under the mouse, or -1.
    int GetHoverParamID() const;

    int GetSelectedLayer() const { return m_selectedLayer; }
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
    // `origin`; `id` is the row's parameter for this instance (layer or modulator).
    VSTGUI::CView* CreateFromLayout(VSTGUI::CViewContainer* container, const VSTGUI::CPoint& origin,
                                    const LAYOUT_CONTROL& row, int id);
    VSTGUI::CControl* CreateTaggedControl(VSTGUI::CViewContainer* container,
                                          const VSTGUI::CRect& rect, const LAYOUT_CONTROL& row);
    // The bitmap of a resource name, loaded once per open (null when missing).
    VSTGUI::CBitmap* GetBitmap(const char* name);
    void ReleaseBitmaps();
    // The container a section's views go into, and its origin in window coordinates.
    VSTGUI::CViewContainer* ContainerFor(int section, VSTGUI::CPoint& origin);
    void ShowSettingsMenu();
    void UpdateUndoButtons();
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

    // Views of the open window (owned by the view tree, or by us while detached).
    VSTGUI::CViewContainer* m_masterView = nullptr; // compact mode only
    VSTGUI::CViewContainer* m_layerViews[2] = {};
    VSTGUI::CViewContainer* m_matrixView = nullptr;
    VSTGUI::CKickButton* m_undoButton = nullptr;
    VSTGUI::CKickButton* m_redoButton = nullptr;
    VSTGUI::CKickButton* m_settingsButton = nullptr; // kept across rebuilds
    CMainPresetBrowser* m_presetBrowser = nullptr;
    CDecibelMeter* m_meters[2] = {};
    CCorrelationMeter* m_correlationMeter = nullptr;
    std::map<long, VSTGUI::CControl*> m_taggedControls;
    std::map<std::string, VSTGUI::CBitmap*> m_bitmaps; // one reference each
    VSTGUI::CFontDesc* m_smallFont = nullptr;          // 9 pt Arial
    int m_undoShown = -1; // the undo / redo looks last shown (-1: none yet)
    int m_redoShown = -1;
    bool m_rebuilding = false;
};

// The editor factory of the plug-in module (EffectEditor::SetEditorFactory): a CEditor
// for a CMorvex, null for any other effect.
IEffectEditor* CreateMorvexEditor(CBaseEffect* effect);
