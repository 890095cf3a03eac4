// What the routing panel tells the editor: a node drag starts (the editor records the
// layer's routing for undo), the module order changed (the editor stores GetNodeOrder
// in the layer's routing block) and the drag ended. User-interface thread.
#pragma once

class CNodePanel;

class INodePanelListener
{
public:
    virtual ~INodePanelListener() = default;
    virtual void OnNodePanelChanged(CNodePanel* panel) = 0;
    virtual void OnNodePanelDragStart(CNodePanel* panel) = 0;
    virtual void OnNodePanelDragEnd(CNodePanel* /*panel*/) {}
};
