// What a routing tile (CNodeView) tells its panel while it is dragged and animated.
// The node is passed as void* (a CNodeView*). User-interface thread.
#pragma once

class INodeDragListener
{
public:
    virtual ~INodeDragListener() = default;
    virtual void OnDragStart(void* node) = 0;
    virtual void OnDragEnd(void* node) = 0;
    virtual void OnDrag(void* node) = 0;
    virtual void OnStartAnimation(void* node) = 0;
    virtual void OnStopAnimation(void* node) = 0;
};
