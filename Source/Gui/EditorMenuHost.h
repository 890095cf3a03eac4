// What the editor's settings and modulator options menus need from the editor that
// opens them: the effect, the layer and modulator shown, a full refresh of the
// controls after a paste or reset, and the window mode switch. Implemented by the main
// editor. User-interface thread.
#pragma once

class CMorvex;

class IEditorMenuHost
{
public:
    virtual ~IEditorMenuHost() = default;
    virtual CMorvex* GetMorvex() = 0;
    // 0 = Layer A, 1 = Layer B.
    virtual int GetSelectedLayer() const = 0;
    // 0..7.
    virtual int GetSelectedMod() const = 0;
    // Every control re-reads its parameter (and the pattern editors their blocks).
    virtual void UpdateAllControls() = 0;
    // 0 normal window, 1 compact window; rebuilds the views while open.
    virtual void SetEditorViewMode(int mode) = 0;
};
