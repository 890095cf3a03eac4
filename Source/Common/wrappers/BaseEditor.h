// Product-independent base of the plug-in editor. It owns the window's frame and
// background, keeps one registry slot per parameter for the control that shows it
// (and one for the read-out beside it), creates the standard parameter-bound
// controls, and carries values both ways: gestures on a control become parameter
// changes with host gesture brackets and automation; changes from anywhere else
// (host, MIDI, presets, undo) come back through OnSetParameter and move the control.
//
// Threads: the window, the views and every toolkit call belong to the user-interface
// thread, recorded when the editor opens. OnSetParameter, UpdateControl and
// UpdateAllControls may arrive from any other thread (a learned MIDI controller
// runs on the audio thread; some hosts automate from a thread of their own): there
// they only store the value in a per-parameter atomic slot and raise a pending bit,
// and the next idle applies it to the controls.
#pragma once

#include <string>

#include "BaseEffect.h"
#include "ControlGestureListener.h"
#include "EffectEditor.h"
#include "vstgui/Color.h"
#include "vstgui/ControlListener.h"
#include "vstgui/Geometry.h"
#include "vstgui/MouseObserver.h"
#include "vstgui/plugin-bindings/AEffGUIEditor.h"

#include <atomic>
#include <thread>

namespace VSTGUI
{
class CBitmap;
class CControl;
class CDrawContext;
class CFontDesc;
class CMenuItem;
class COptionMenu;
class CView;
class CViewContainer;
} // namespace VSTGUI

class CBaseReadOut;
class CListMenuDelegate;

class CBaseEditor : public AEffGUIEditor,
                    public IEffectEditor,
                    public VSTGUI::CControlListener,
                    public IControlGestureListener,
                    private VSTGUI::IMouseObserver
{
public:
    // Stores the effect; touches no window system and loads no image.
    explicit CBaseEditor(CBaseEffect* effect);
    ~CBaseEditor() override;

    // --- IEffectEditor (any thread; see the class comment) ---------------------------------
    // Moves the control of `id` (and its read-out) to `value` (scaled 0..1). Nothing
    // while closed, for a bad id, or for a control that is not in the view tree.
    void OnSetParameter(int id, float value) override;
    // Marks the control and its read-out for redraw (the parameter was redeclared).
    void UpdateControl(int id) override;
    // Every parameter's current value to its control.
    void UpdateAllControls() override;
    // Host pixels (logical x scale); false while no frame is open.
    bool SetFrameSize(int width, int height) override;
    bool HasOpenFrame() override;
    AEffEditor* GetHostEditor() override { return this; }

    // --- view traffic (user-interface thread) ----------------------------------------------
    // Overlays above all views, after the frame drew `rect` (frame coordinates).
    virtual void postDraw(VSTGUI::CDrawContext* /*context*/, const VSTGUI::CRect& /*rect*/) {}
    // A parameter-bound control changed by the user: parameter, effect, host automation.
    void valueChanged(VSTGUI::CControl* control) override;
    // Host gesture brackets: a press opens one (not for a context click), the release
    // closes it, a double-click resets to the default inside one bracket.
    void OnControlMouseDown(long tag, bool contextClick) override;
    void OnControlDoubleClick(long tag) override;
    void OnControlMouseUp(long tag, bool contextClick) override;
    // The toolkit's own edit notifications are not the host's brackets: ignored.
    void beginEdit(long /*index*/) override {}
    void endEdit(long /*index*/) override {}

    // --- background ---------------------------------------------------------------------------
    // Loads the bitmap resource `name` as the background; the window's logical size
    // becomes the bitmap's. With `apply` and an open frame it is shown at once. False
    // when the resource is missing (then no frame can open).
    bool LoadBackground(const char* name, bool apply);
    // Shows the current background on the frame again.
    void UpdateBackground();
    VSTGUI::CBitmap* GetBackground() const { return m_background; }

    // --- control factories (user-interface thread, frame open) --------------------------------
    // Each makes the control with this editor as listener and `id` as tag, registers it,
    // gives it the parameter's current scaled value as value and default, and adds it
    // to `container`. Bitmaps are remembered by the controls (the caller keeps its own
    // reference). Frame and position counts below 1 count as 1. Null for a bad id or
    // container.
    VSTGUI::CControl* AddKnob(VSTGUI::CViewContainer* container, int x, int y, int id, int frames,
                              VSTGUI::CBitmap* bitmap, CBaseReadOut* readOut);
    VSTGUI::CControl* AddHorizontalSelector(VSTGUI::CViewContainer* container, int x, int y,
                                            int id, int positions, VSTGUI::CBitmap* bitmap);
    VSTGUI::CControl* AddVerticalSelector(VSTGUI::CViewContainer* container, int x, int y, int id,
                                          int positions, VSTGUI::CBitmap* bitmap);
    VSTGUI::CControl* AddOnOffButton(VSTGUI::CViewContainer* container, int x, int y, int id,
                                     VSTGUI::CBitmap* bitmap, long style);
    VSTGUI::CControl* AddVerticalSlider(VSTGUI::CViewContainer* container,
                                        const VSTGUI::CRect& rect, int id,
                                        VSTGUI::CBitmap* handleBitmap);
    VSTGUI::CControl* AddHorizontalSlider(VSTGUI::CViewContainer* container,
                                          const VSTGUI::CRect& rect, int id,
                                          VSTGUI::CBitmap* handleBitmap);
    VSTGUI::CControl* AddListControl(VSTGUI::CViewContainer* container, const VSTGUI::CRect& rect,
                                     int id, bool menuOnClick, VSTGUI::CFontDesc* font,
                                     const VSTGUI::CColor& color, CListMenuDelegate* delegate);
    // Registers a control made elsewhere (a subclass's own kind) like the factories do.
    void RegisterControl(VSTGUI::CViewContainer* container, int id, VSTGUI::CControl* control,
                         CBaseReadOut* readOut);

    // Takes the control of `id` and its read-out out of `container` (kept, not
    // released; they receive no values meanwhile) / puts them back.
    void HideControl(VSTGUI::CViewContainer* container, int id);
    void ShowControl(VSTGUI::CViewContainer* container, int id);
    VSTGUI::CControl* GetControl(int id) const;
    CBaseReadOut* GetReadOut(int id) const;

    // Runs `menu` as a pop-up at the mouse inside `container` (null: the control's
    // frame). Returns the chosen entry, with the tag of the (sub)menu it is in and its
    // index there (separators not counted); null and -1, -1 when dismissed. Null,
    // outputs untouched, for a null control or menu.
    static VSTGUI::CMenuItem* ShowPopupMenu(VSTGUI::CViewContainer* container,
                                            VSTGUI::CControl* control, VSTGUI::COptionMenu* menu,
                                            long& tag, long& index);
    // Runs `menu` as ShowPopupMenu does, then releases it (the caller's reference) and
    // returns the chosen entry's title, empty when dismissed. The title outlives the menu,
    // so the action may rebuild the window.
    static std::string ChooseFromPopupMenu(VSTGUI::CControl* control, VSTGUI::COptionMenu* menu);

    CBaseEffect* GetEffect() const { return m_effect; }
    // True between a successful open and close.
    bool IsEditorOpen() const { return m_open.load(std::memory_order_acquire); }
    // True on the thread that opened the editor (false while closed).
    bool IsUiThread() const;

    // The window seam: both open paths build the frame through OpenFrame.
    bool OpenOnParent(void* parent, double scale) override;
    bool OpenOffscreen(double scale) override;
    // Releases the frame and its views, ends open host gestures, clears the registries.
    void CloseWindow() override;
    // Applies values that arrived from other threads, then the frame's idle.
    void IdleWindow() override;

protected:
    // Creates the frame (in `parent`, or offscreen when null) at `scale` with the
    // background; subclasses build their controls after calling it. False, and
    // nothing open, without a background or when the window cannot be made.
    virtual bool OpenFrame(void* parent, double scale);

    // Called first by OnSetParameter, UpdateControl and UpdateAllControls: off the
    // user-interface thread it records the request for the next idle and answers true.
    bool DeferToUiThread(int id, float value);
    void ApplyPendingChanges();
    // Moves a control (or read-out) to `value` when it is in the view tree.
    static void MoveControl(VSTGUI::CControl* control, float value);

    // Mouse observer (the frame's): a cursor on every move; nothing else in the base.
    void onMouseEntered(VSTGUI::CView* view, VSTGUI::CFrame* frame) override;
    void onMouseExited(VSTGUI::CView* view, VSTGUI::CFrame* frame) override;
    void onMouseMoved(VSTGUI::CFrame* frame, const VSTGUI::CPoint& where) override;
    void onMouseDown(VSTGUI::CFrame* frame, const VSTGUI::CPoint& where) override;

    VSTGUI::CBitmap* m_background = nullptr; // one reference
    CBaseEffect* m_effect;
    VSTGUI::CControl* m_controls[kNumParameters] = {};
    CBaseReadOut* m_readOuts[kNumParameters] = {};

    // Empties both registries, releasing the controls hidden out of the tree (the view
    // tree releases the rest). For a rebuild or close.
    void ReleaseRegistries();

private:
    // Ends every host gesture a control opened and could no longer close.
    void EndOpenGestures();

    std::atomic<bool> m_open{false};
    std::atomic<std::thread::id> m_uiThread{};
    // Hidden controls are owned here (out of every container) until shown or closed.
    bool m_hidden[kNumParameters] = {};
    bool m_readOutHidden[kNumParameters] = {};
    // Host gestures opened by a press and not yet closed.
    bool m_gestureOpen[kNumParameters] = {};

    // Requests from other threads (see the class comment).
    std::atomic<float> m_pendingValue[kNumParameters];
    std::atomic<bool> m_pendingSet[kNumParameters];
    std::atomic<bool> m_pendingRedraw[kNumParameters];
    std::atomic<bool> m_pendingUpdateAll{false};
    std::atomic<bool> m_anyPending{false};
};
