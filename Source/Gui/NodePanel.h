// The routing panel of one layer: a row of tiles (CNodeView), one per module, in the
// layer's processing order. Dragging a tile onto another slot moves that module there;
// the listener (the editor) records undo at the start and stores the new order at the
// end. SetNodeOrder shows an order from the effect (the tiles keep their places and show
// other modules). User-interface thread.
#pragma once

#include "Gui/NodeDragListener.h"
#include "Gui/NodePanelListener.h"
#include "vstgui/ViewContainer.h"

#include <list>

class CNodeView;

class CNodePanel : public VSTGUI::CViewContainer, public INodeDragListener
{
public:
    // `count` tiles (module codes 0..count-1 in order); the bitmap is count tiles wide and
    // two tiles high. `listener` is not owned.
    CNodePanel(const VSTGUI::CRect& size, INodePanelListener* listener, VSTGUI::CFrame* frame,
               VSTGUI::CBitmap* bitmap, int count);
    CNodePanel(const CNodePanel&) = delete;

    // The module codes in display order (count ints); null does nothing.
    void GetNodeOrder(int* order) const;
    // Shows `order` (count ints): the k-th tile shows module order[k]; null does nothing.
    void SetNodeOrder(const int* order);
    // Slides every tile but `except` to its slot (list index x tile width).
    void AdjustViewsPos(CNodeView* except);

    int GetNodeCount() const { return m_count; }
    int GetNodeWidth() const { return m_nodeWidth; }
    int GetNodeHeight() const { return m_nodeHeight; }
    // The tile at list index `index` (display order), or null.
    CNodeView* GetNode(int index) const;

    void OnDragStart(void* node) override;
    void OnDragEnd(void* node) override;
    void OnDrag(void* node) override;
    void OnStartAnimation(void* /*node*/) override {}
    void OnStopAnimation(void* /*node*/) override {}
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* /*sender*/, const char* /*message*/) override
    {
        return VSTGUI::kMessageUnknown;
    }

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }

private:
    // The slot under the centre of `node`: 0..count-1.
    int SlotOf(const CNodeView* node) const;
    void ClearDropTargets();

    INodePanelListener* m_listener;
    int m_count;
    int m_nodeWidth;
    int m_nodeHeight;
    std::list<CNodeView*> m_nodes; // display order; the views are our subviews
};
