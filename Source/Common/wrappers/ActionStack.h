// The effect's undo history: a list of undo items (oldest first, at most
// `maxDepth` of them) and a list of redo items (most recently undone last).
// Undo executes the newest undo item and moves it to the redo list; redo does
// the reverse; a new item discards every redo item. The stack owns its items.
// User-interface thread only; takes no lock.
#pragma once

#include "ActionItem.h"

#include <memory>
#include <vector>

class CBaseEffect;

class CActionStack
{
public:
    // `maxDepth`: the number of undo steps kept (the effect uses 50).
    CActionStack(CBaseEffect* effect, int maxDepth);
    ~CActionStack();
    CActionStack(const CActionStack&) = delete;
    CActionStack& operator=(const CActionStack&) = delete;

    // Records the scaled value (0..1) that parameter `id` has before an edit gesture.
    void AddParameterChange(int id, float scaledValue);
    // Takes ownership of `item` (null is ignored). When the undo list is full the
    // oldest item is destroyed; the redo list is cleared.
    void AddActionItem(IActionItem* item);
    // Nothing when the respective list is empty.
    void Undo();
    void Redo();
    void ClearUndo();
    void ClearRedo();

    int GetUndoCount() const { return static_cast<int>(m_undo.size()); }
    int GetRedoCount() const { return static_cast<int>(m_redo.size()); }

private:
    CBaseEffect* m_effect;
    int m_maxDepth;
    std::vector<std::unique_ptr<IActionItem>> m_undo;
    std::vector<std::unique_ptr<IActionItem>> m_redo;
};
