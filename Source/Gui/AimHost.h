// What an aim button needs from the editor it sits in: the parameter under the mouse
// (the drop target of an aim drag), showing a new modulation on its parameter's control,
// and a full redraw (to erase the aim line). Implemented by the main editor.
// User-interface thread.
#pragma once

class IAimHost
{
public:
    virtual ~IAimHost() = default;
    // The parameter id (0..311) of the control under the mouse, else -1.
    virtual int GetHoverParamID() const = 0;
    // Matrix slot `slot` was just routed to parameter `id`: its control (a modulation
    // knob) shows that slot and redraws.
    virtual void ShowModulation(int id, int slot) = 0;
    // Repaints the whole frame (the editor's overlay is drawn on top of it).
    virtual void RedrawFrame() = 0;
};
