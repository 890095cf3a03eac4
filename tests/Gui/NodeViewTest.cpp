// A routing tile's slide: it lands on its target in one step and then reports the
// animation's end to its listener.
#include "Gui/NodeView.h"
#include "vstgui/vstgui.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VSTGUI;

namespace
{
class CDragLog : public INodeDragListener
{
public:
    void OnDragStart(void*) override {}
    void OnDragEnd(void*) override {}
    void OnDrag(void*) override {}
    void OnStartAnimation(void*) override {}
    void OnStopAnimation(void* node) override { m_stopped.push_back(node); }
    std::vector<void*> m_stopped;
};
} // namespace

TEST(CNodeViewTest, SlideLandsInOneStepThenReportsTheStop)
{
    CDragLog log;
    auto* panel = new CViewContainer(CRect(0, 0, 140, 20));
    auto* node = new CNodeView(CRect(20, 0, 40, 20), panel, &log, nullptr, 1);
    panel->addView(node);
    for (const int x : {100, 0, 0})
    {
        node->SlideTo(x);
        EXPECT_EQ(CRect(x, 0, x + 20, 20), node->getViewSize()) << x;
        EXPECT_EQ(node->getViewSize(), node->getMouseableArea()) << x;
        EXPECT_TRUE(log.m_stopped.empty());
    }
    node->DoAnimation();
    EXPECT_EQ((std::vector<void*>{node}), log.m_stopped);
    EXPECT_EQ(CRect(0, 0, 20, 20), node->getViewSize());
    panel->forget();
}
