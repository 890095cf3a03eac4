#include "NodePanel.h"

#include "Gui/NodeView.h"
#include "vstgui/Bitmap.h"

#include <algorithm>
#include <iterator>

using namespace VSTGUI;

CNodePanel::CNodePanel(const CRect& size, INodePanelListener* listener, CFrame* frame,
                       CBitmap* bitmap, int count)
    : CViewContainer(size, frame, nullptr), m_listener(listener), m_count(std::max(count, 1)),
      m_nodeWidth(bitmap ? static_cast<int>(bitmap->getWidth()) / m_count : 0),
      m_nodeHeight(bitmap ? static_cast<int>(bitmap->getHeight()) / 2 : 0)
{
    // The tiles cover the panel; it draws nothing of its own.
    setTransparency(true);
    for (int k = 0; k < m_count; ++k)
    {
        auto* node = new CNodeView(CRect(k * m_nodeWidth, 0, (k + 1) * m_nodeWidth, m_nodeHeight),
                                   this, this, bitmap, k);
        m_nodes.push_back(node);
        addView(node);
    }
}

CNodeView* CNodePanel::GetNode(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_nodes.size()))
        return nullptr;
    return *std::next(m_nodes.begin(), index);
}

void CNodePanel::GetNodeOrder(int* order) const
{
    if (!order)
        return;
    int k = 0;
    for (const CNodeView* node : m_nodes)
        order[k++] = node->GetID();
}

void CNodePanel::SetNodeOrder(const int* order)
{
    if (!order)
        return;
    int k = 0;
    for (CNodeView* node : m_nodes)
    {
        node->SetID(order[k++]);
        node->invalid();
    }
    invalid();
}

void CNodePanel::AdjustViewsPos(CNodeView* except)
{
    int k = 0;
    for (CNodeView* node : m_nodes)
    {
        if (node != except)
            node->SlideTo(k * m_nodeWidth);
        ++k;
    }
    invalid();
}

int CNodePanel::SlotOf(const CNodeView* node) const
{
    if (m_nodeWidth <= 0)
        return 0;
    const int centre = static_cast<int>(node->getViewSize().left) + m_nodeWidth / 2;
    return std::clamp(centre / m_nodeWidth, 0, m_count - 1);
}

void CNodePanel::ClearDropTargets()
{
    for (CNodeView* node : m_nodes)
    {
        node->SetDropTarget(false);
        node->invalid();
    }
}

void CNodePanel::OnDragStart(void* /*node*/)
{
    if (m_listener)
        m_listener->OnNodePanelDragStart(this);
}

void CNodePanel::OnDrag(void* node)
{
    auto* dragged = static_cast<CNodeView*>(node);
    ClearDropTargets();
    CNodeView* target = GetNode(SlotOf(dragged));
    if (target && target != dragged)
        target->SetDropTarget(true);
    AdjustViewsPos(dragged);
}

void CNodePanel::OnDragEnd(void* node)
{
    auto* dragged = static_cast<CNodeView*>(node);
    const auto old = std::find(m_nodes.begin(), m_nodes.end(), dragged);
    if (old != m_nodes.end())
    {
        const int slot = SlotOf(dragged);
        const int index = static_cast<int>(std::distance(m_nodes.begin(), old));
        auto at = std::next(m_nodes.begin(), slot);
        // Before the slot's tile when moving left (or staying), after it when moving right.
        m_nodes.insert(slot <= index ? at : std::next(at), dragged);
        m_nodes.erase(old);
    }
    AdjustViewsPos(nullptr);
    if (m_listener)
        m_listener->OnNodePanelChanged(this);
    ClearDropTargets();
    invalid();
    if (m_listener)
        m_listener->OnNodePanelDragEnd(this);
}

bool CNodePanel::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CNodePanel") || CViewContainer::isTypeOf(type);
}
