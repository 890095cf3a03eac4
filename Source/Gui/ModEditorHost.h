// What the step editor and the MSEG editor need from the editor they sit in: an undo
// step for the selected modulator's pattern, recorded at the press of every gesture,
// before the control changes anything. The controls hold no modulator identity; the
// editor knows which modulator is shown. Implemented by the main editor.
// User-interface thread.
#pragma once

class IModEditorHost
{
public:
    virtual ~IModEditorHost() = default;
    // A step edit is about to begin (the step editor's press).
    virtual void AddStepperUndoItem() = 0;
    // An envelope edit is about to begin (the MSEG editor's press).
    virtual void AddMsegUndoItem() = 0;
};
