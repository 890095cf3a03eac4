// Product-independent base of the plug-in editor as the effect sees it: the
// effect tells it of parameter changes and of redeclared parameters, and asks
// it for its window when the host is to resize it.
#pragma once

#include "vst2sdk/AEffEditor.h"

class CBaseEditor : public AEffEditor
{
public:
    using AEffEditor::AEffEditor;

    // A parameter changed to `value` (scaled 0..1). May come from the audio
    // thread (a learned MIDI controller): implementations only store and
    // invalidate, never draw here.
    virtual void OnSetParameter(int /*id*/, float /*value*/) {}
    // A parameter was redeclared (new range or formatter): the control re-reads it.
    virtual void UpdateControl(int /*id*/) {}
    // The whole state changed (chunk, preset, reset, undo): every control, the
    // routing and the preset names are read again from the effect.
    virtual void UpdateAllControls() {}
    // Native view of the open frame resized to width x height pixels, origin kept.
    // Returns false when no frame is open.
    virtual bool SetFrameSize(int /*width*/, int /*height*/) { return false; }
    virtual bool HasOpenFrame() { return isOpen(); }
};
