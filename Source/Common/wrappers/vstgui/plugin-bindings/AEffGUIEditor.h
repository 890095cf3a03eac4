// The VST 2.4 face of a toolkit editor: keeps the frame and the window rectangle
// and turns the host's editor calls (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle, effSetEditKnobMode) into calls of the format-independent window
// seam below. Another plug-in format hosts the same editor by calling that seam
// (OpenOnParent, OpenOffscreen, CloseWindow, IdleWindow, GetLogicalSize,
// GetScaleFactor) from its own thin adapter.
//
// Sizes: the rectangle holds the logical size (the background's); getRect
// reports it multiplied by the scale the window opens at, so the host makes a
// window of the size we really draw. The scale is the environment variable
// MORVEX_UI_SCALE when it holds 1, 1.5 or 2, else the desktop's
// (VSTGUI::GetDesktopScaleFactor), asked once per open: the first getRect or open
// asks, later getRect calls reuse the answer until the next open.
//
// Threads: everything here runs on the host's user-interface thread.
#pragma once

#include "vst2sdk/AEffEditor.h"
#include "vstgui/EditorInterface.h"

namespace VSTGUI
{
class CFrame;
}

class AEffGUIEditor : public AEffEditor
{
public:
    explicit AEffGUIEditor(AudioEffect* effect = nullptr);
    ~AEffGUIEditor() override;
    AEffGUIEditor(const AEffGUIEditor&) = delete;
    AEffGUIEditor& operator=(const AEffGUIEditor&) = delete;

    // --- AEffEditor (the host's calls) ----------------------------------------------------
    // The scaled rectangle; PrepareSize runs first so that a subclass can choose its
    // size lazily (nothing of the window system is touched before this call).
    bool getRect(ERect** rect) override;
    // Decides the scale and calls OpenOnParent.
    bool open(void* parent) override;
    void close() override;
    bool isOpen() override;
    void idle() override;
    bool setKnobMode(VstInt32 mode) override;

    // --- the toolkit's editor interface (forwarded from the frame) ---------------------------
    virtual void beginEdit(long index);
    virtual void endEdit(long index);
    // Called by controls during long gestures: keeps the window painting.
    virtual void doIdleStuff();
    int getKnobMode() const { return m_toolkitSide.getKnobMode(); }
    VSTGUI::CFrame* getFrame() const { return m_frame; }
    // What frames are built with: their route back to this editor.
    VSTGUI::VSTGUIEditorInterface* GetToolkitInterface() { return &m_toolkitSide; }

    // --- format-independent window seam ------------------------------------------------------
    // Opens the editor inside a native parent window (an X11 window id) at `scale`.
    virtual bool OpenOnParent(void* parent, double scale);
    // Opens the editor without a window (tests, screenshots) at `scale`.
    virtual bool OpenOffscreen(double scale);
    virtual void CloseWindow();
    virtual void IdleWindow();
    // Logical size (the background's), before any scaling.
    void GetLogicalSize(int& width, int& height);
    double GetScaleFactor() const { return m_scale; }
    bool IsWindowOpen() const { return m_windowOpen; }

    // The scale an editor opened now would use: MORVEX_UI_SCALE (1, 1.5 or 2) or the
    // desktop's, clamped to 1..2 (the desktop is asked once; see the class comment).
    double ResolveScale();
    // MORVEX_UI_SCALE when it holds 1, 1.5 or 2, else 0.
    static double ForcedScale();

protected:
    // The desktop's scale (VSTGUI::GetDesktopScaleFactor: a round trip to the X server).
    virtual double ReadDesktopScale();
    // Hook before the size is reported or the window opened: deferred decisions
    // (window mode, bitmaps). Called on the user-interface thread.
    virtual void PrepareSize() {}
    // Sets the logical rectangle (0, 0, width, height).
    void SetLogicalSize(int width, int height);

    // Routes the toolkit's editor calls to this object (a separate object because the
    // toolkit's interface and the SDK's editor both name a setKnobMode of their own).
    class CToolkitSide : public VSTGUI::VSTGUIEditorInterface
    {
    public:
        explicit CToolkitSide(AEffGUIEditor& owner) : m_owner(owner) {}
        void beginEdit(long index) override { m_owner.beginEdit(index); }
        void endEdit(long index) override { m_owner.endEdit(index); }
        void doIdleStuff() override { m_owner.doIdleStuff(); }
        VSTGUI::CFrame* getFrame() const override { return m_owner.m_frame; }

    private:
        AEffGUIEditor& m_owner;
    };

    VSTGUI::CFrame* m_frame = nullptr; // one reference, owned while open
    ERect m_rect{0, 0, 0, 0};          // logical
    ERect m_scaledRect{0, 0, 0, 0};    // what getRect reports
    double m_scale = 1.0;
    double m_desktopScale = 0.0; // 0 until asked (ResolveScale)
    bool m_windowOpen = false;
    CToolkitSide m_toolkitSide{*this};
};
