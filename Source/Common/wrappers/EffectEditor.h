// The editor as the effect sees it: the notifications the parameter model and
// the engine send it, and the host-facing editor object handed to the SDK base.
// The effect and the host adapter know the editor only through this interface,
// so that the core library needs no GUI code; the real editor (CBaseEditor)
// implements it in the GUI library.
#pragma once

class AEffEditor;
class CBaseEffect;

class IEffectEditor
{
public:
    virtual ~IEffectEditor() = default;

    // A parameter changed to `value` (scaled 0..1). May come from the audio
    // thread (a learned MIDI controller) or a host thread that is not the
    // user-interface thread: implementations only store the value there and
    // apply it on the user-interface thread.
    virtual void OnSetParameter(int /*id*/, float /*value*/) {}
    // A parameter was redeclared (new range or formatter): the control re-reads it.
    // User-interface thread.
    virtual void UpdateControl(int /*id*/) {}
    // The whole state changed (chunk, preset, reset, undo): every control, the
    // routing and the preset names are read again from the effect.
    virtual void UpdateAllControls() {}
    // Native view of the open frame resized to width x height host pixels (the
    // size the host was told: logical size x the editor's scale), origin kept.
    // Returns false when no frame is open. User-interface thread.
    virtual bool SetFrameSize(int /*width*/, int /*height*/) { return false; }
    virtual bool HasOpenFrame() { return false; }
    // The object the host's editor calls go to (owned by the SDK base once
    // handed to it with setEditor); null for an editor without a window.
    virtual AEffEditor* GetHostEditor() { return nullptr; }
};

// Creates the editor of an effect. Set only by the plug-in module (and by tools
// and tests that want a window), so that the core alone creates no editor.
using EFFECT_EDITOR_FACTORY = IEffectEditor* (*)(CBaseEffect* effect);

namespace EffectEditor
{
// Installs the factory (null: none). Call before any effect is created.
void SetEditorFactory(EFFECT_EDITOR_FACTORY factory);
// The installed factory's editor for `effect`, or null without a factory. Cheap:
// an editor touches no window system and decodes no image until it is opened.
IEffectEditor* CreateEditor(CBaseEffect* effect);
} // namespace EffectEditor
