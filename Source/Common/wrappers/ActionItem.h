// One undoable edit. An item holds a snapshot of the state an edit is about to
// change; it is recorded before the change, and executing it swaps the snapshot
// with the live state, so that the same item serves for undo and for redo.
// Items belong to the effect's action stack from the moment they are handed to
// it. User-interface thread only.
#pragma once

class IActionItem
{
public:
    virtual ~IActionItem() = default;
    // Swaps the stored snapshot with the current state and refreshes whatever
    // shows that state.
    virtual void Exectute() = 0;
};
