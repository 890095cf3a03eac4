#include "ActionStack.h"

#include "ParameterAction.h"

#include <utility>

CActionStack::CActionStack(CBaseEffect* effect, int maxDepth)
    : m_effect(effect), m_maxDepth(maxDepth)
{
}

CActionStack::~CActionStack()
{
    ClearUndo();
    ClearRedo();
}

void CActionStack::AddParameterChange(int id, float scaledValue)
{
    AddActionItem(new CParameterAction(m_effect, id, scaledValue));
}

void CActionStack::AddActionItem(IActionItem* item)
{
    std::unique_ptr<IActionItem> owned(item);
    if (!owned)
        return;
    // A new edit discards everything that was undone, even when no history is kept.
    ClearRedo();
    if (m_maxDepth <= 0)
        return;
    while (static_cast<int>(m_undo.size()) >= m_maxDepth)
        m_undo.erase(m_undo.begin());
    m_undo.push_back(std::move(owned));
}

void CActionStack::Undo()
{
    if (m_undo.empty())
        return;
    // Taken off the list before it runs: whatever it records meanwhile lands
    // behind it and cannot destroy it.
    std::unique_ptr<IActionItem> item = std::move(m_undo.back());
    m_undo.pop_back();
    item->Exectute();
    m_redo.push_back(std::move(item));
}

void CActionStack::Redo()
{
    if (m_redo.empty())
        return;
    std::unique_ptr<IActionItem> item = std::move(m_redo.back());
    m_redo.pop_back();
    item->Exectute();
    m_undo.push_back(std::move(item));
}

void CActionStack::ClearUndo()
{
    // Destroyed newest first; the list is empty before any destructor runs.
    std::vector<std::unique_ptr<IActionItem>> items;
    items.swap(m_undo);
    while (!items.empty())
        items.pop_back();
}

void CActionStack::ClearRedo()
{
    std::vector<std::unique_ptr<IActionItem>> items;
    items.swap(m_redo);
    while (!items.empty())
        items.pop_back();
}
