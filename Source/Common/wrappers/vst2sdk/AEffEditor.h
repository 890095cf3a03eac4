// Base class of a plug-in editor as the host sees it: a rectangle, open/close
// on a native parent window and a periodic idle call. Called on the host's
// user-interface thread only.
#pragma once

#include "aeffectx.h"

class AudioEffect;

class AEffEditor
{
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : m_effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return m_effect; }
    // Stores a pointer to a rectangle that stays valid while the editor exists.
    virtual bool getRect(ERect** rect)
    {
        *rect = nullptr;
        return false;
    }
    // parent: the host's native window (an X11 Window id on Linux).
    virtual bool open(void* parent)
    {
        m_systemWindow = parent;
        return false;
    }
    virtual void close() { m_systemWindow = nullptr; }
    virtual bool isOpen() { return m_systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(char /*character*/, int /*virtualKey*/, int /*modifiers*/)
    {
        return false;
    }
    virtual bool onKeyUp(char /*character*/, int /*virtualKey*/, int /*modifiers*/)
    {
        return false;
    }
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }

protected:
    AudioEffect* m_effect;
    void* m_systemWindow = nullptr;
};
