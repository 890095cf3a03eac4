// A view with a value: tag, normalised value (0..1 by default), default value, wheel
// increment, listener, and a nested begin/end edit counter whose outermost pair is reported to
// the frame's editor (VSTGUIEditorInterface::beginEdit/endEdit with the tag).
//
// Mouse convention of the toolkit's controls: they act on the left button; a press without it
// answers kMouseEventNotHandled (a subclass that wants such presses, and their release,
// answers kMouseEventHandled itself). The command-click gesture (kControl + left) returns the
// value to the default; kControl is never produced on Linux.
//
// Threads: setValue/getValue and setDirty may be called from any thread (the value is an
// atomic float); everything else is UI-thread only.
#pragma once

#include "ControlListener.h"
#include "Timer.h"
#include "View.h"

#include <atomic>

namespace VSTGUI
{

class CControl : public CView
{
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0,
             CBitmap* background = nullptr);
    CControl(const CControl& other);
    ~CControl() override;

    long getTag() const
    {
        return m_tag;
    }
    virtual void setTag(long tag)
    {
        m_tag = tag;
    }
    // Any thread. Marks the control dirty when the value changes; not clamped (drawing clamps).
    virtual void setValue(float value);
    float getValue() const
    {
        return m_value.load(std::memory_order_relaxed);
    }
    virtual void setDefaultValue(float value)
    {
        m_defaultValue = value;
    }
    float getDefaultValue() const
    {
        return m_defaultValue;
    }
    virtual void setMin(float value)
    {
        m_min = value;
    }
    float getMin() const
    {
        return m_min;
    }
    virtual void setMax(float value)
    {
        m_max = value;
    }
    float getMax() const
    {
        return m_max;
    }
    float getRange() const
    {
        return m_max - m_min;
    }
    // Clamps the value into min..max (NaN becomes min).
    virtual void bounceValue();
    // The value at the last draw; controls compare it to know whether they changed.
    float getOldValue() const
    {
        return m_oldValue;
    }
    void setOldValue(float value)
    {
        m_oldValue = value;
    }

    CControlListener* getListener() const
    {
        return m_listener;
    }
    void setListener(CControlListener* listener)
    {
        m_listener = listener;
    }
    // Tells the listener (if any) that the value changed.
    virtual void valueChanged();

    // Nested gesture bracket; the first begin and the last end reach the editor.
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const
    {
        return m_editCount > 0;
    }

    // Change per wheel step (default 0.1 of the range).
    void setWheelInc(float increment)
    {
        m_wheelInc = increment;
    }
    float getWheelInc() const
    {
        return m_wheelInc;
    }
    // The command-click gesture: with kControl + left, sets the default value, tells the
    // listener and answers true.
    virtual bool checkDefaultValue(long buttons);
    // value +/- wheelInc x distance, clamped, reported to the listener. A run of wheel steps is
    // one gesture: the first opens an edit bracket, kWheelQuietMs without a step closes it
    // (a timer, so the close needs the frame's idle).
    bool onWheel(const CPoint& where, const float& distance, const long& buttons) override;
    static constexpr int kWheelQuietMs = 500;
    bool isWheelEditing() const
    {
        return m_wheelTimer != nullptr && m_wheelTimer->isRunning();
    }
    // The wheel gesture's timer.
    CMessageResult notify(CBaseObject* sender, const char* message) override;

    // Leaving the tree ends any open edit bracket (so the host never sees a dangling begin).
    bool removed(CView* parent) override;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CControl(*this);
    }

protected:
    // Frame index of a film strip of `count` frames for the current value, snapped down:
    // floor(value x (count - 1)), value clamped to 0..1 first (inverse: 1 - value).
    int GetStripIndex(int count, bool inverse = false) const;

    CControlListener* m_listener;
    long m_tag;
    std::atomic<float> m_value{0.0f};
    float m_oldValue = 1.0f;
    float m_defaultValue = 0.5f;
    float m_min = 0.0f;
    float m_max = 1.0f;
    float m_wheelInc = 0.1f;
    int m_editCount = 0;
    long m_editTag = 0;                   // tag reported by the outermost beginEdit
    CVSTGUITimer* m_wheelTimer = nullptr; // made at the first wheel step
};

} // namespace VSTGUI
