// What the toolkit needs from the editor that owns a frame: edit notifications, the knob mode,
// an idle hook and the frame. UI thread only.
#pragma once

namespace VSTGUI
{

class CFrame;

enum CKnobMode
{
    kCircularMode = 0,
    kRelativCircularMode = 1,
    kLinearMode = 2,
};

class VSTGUIEditorInterface
{
public:
    virtual ~VSTGUIEditorInterface() = default;

    // A control's first beginEdit / last endEdit (CControl) with the control's tag.
    virtual void beginEdit(long /*index*/) {}
    virtual void endEdit(long /*index*/) {}
    // How knobs follow the mouse: kCircularMode, kRelativCircularMode or kLinearMode.
    virtual int getKnobMode() const
    {
        return m_knobMode;
    }
    virtual void setKnobMode(int mode)
    {
        m_knobMode = (mode >= kCircularMode && mode <= kLinearMode) ? mode : kCircularMode;
    }
    // Called by controls during long gestures; nothing by default.
    virtual void doIdleStuff() {}
    virtual CFrame* getFrame() const
    {
        return m_frame;
    }

protected:
    CFrame* m_frame = nullptr;
    int m_knobMode = kCircularMode;
};

} // namespace VSTGUI
