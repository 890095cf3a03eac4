// The routing panel: dragging a tile reorders the modules, the listener hears the drag's
// start, the new order and its end, and only the tile under the dragged tile's centre is
// shaded as the drop target.
#include "Gui/GuiTestSupport.h"
#include "Gui/NodePanel.h"
#include "Gui/NodeView.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace VSTGUI;

namespace
{
constexpr int kNodes = 7;
constexpr int kTile = 20; // tile width and height
constexpr CCoord kPanelX = 10, kPanelY = 30;

class CRecordingListener : public INodePanelListener
{
public:
    void OnNodePanelChanged(CNodePanel* panel) override
    {
        m_events.push_back("changed");
        m_order.assign(kNodes, -1);
        panel->GetNodeOrder(m_order.data());
    }
    void OnNodePanelDragStart(CNodePanel*) override { m_events.push_back("start"); }
    void OnNodePanelDragEnd(CNodePanel*) override { m_events.push_back("end"); }

    std::vector<std::string> m_events;
    std::vector<int> m_order;
};

class CNodePanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_frame.openOffscreen(1.0));
        // Normal row: tile k in grey level 20 + 30k; dragged row: white.
        auto* bitmap = new CBitmap(kTile * kNodes, 2 * kTile);
        {
            CDrawContext context(bitmap);
            for (int k = 0; k < kNodes; ++k)
            {
                const auto level = static_cast<uint8_t>(20 + 30 * k);
                context.setFillColor(CColor(level, level, level, 255));
                context.drawRect(CRect(k * kTile, 0, (k + 1) * kTile, kTile), kDrawFilled);
            }
            context.setFillColor(CColor(255, 255, 255, 255));
            context.drawRect(CRect(0, kTile, kNodes * kTile, 2 * kTile), kDrawFilled);
        }
        m_panel = new CNodePanel(CRect(kPanelX, kPanelY, kPanelX + kNodes * kTile, kPanelY + kTile),
                                 &m_listener, &m_frame, bitmap, kNodes);
        bitmap->forget();
        m_frame.addView(m_panel);
    }
    void TearDown() override { m_frame.close(); }

    std::vector<int> Order() const
    {
        std::vector<int> order(kNodes, -1);
        m_panel->GetNodeOrder(order.data());
        return order;
    }
    static CCoord SlotCentre(int slot) { return kPanelX + slot * kTile + kTile / 2; }
    // Presses the tile in slot `from`, moves by dx and releases.
    void Drag(int from, CCoord dx, long buttons = kLButton)
    {
        const CCoord y = kPanelY + kTile / 2;
        m_frame.platformOnMouseDown(CPoint(SlotCentre(from), y), buttons, m_time += 1000);
        m_frame.platformOnMouseMoved(CPoint(SlotCentre(from) + dx, y), buttons);
        m_frame.platformOnMouseUp(CPoint(SlotCentre(from) + dx, y), buttons);
    }
    uint32_t GreyAt(CCoord x, CCoord y) { return GuiTest::PixelAt(m_frame, x, y) & 0xff; }

    CRecordingListener m_listener;
    CFrame m_frame{CRect(0, 0, 200, 100), nullptr};
    CNodePanel* m_panel = nullptr;
    uint32_t m_time = 0;
};
} // namespace

TEST_F(CNodePanelTest, DropsReorderAndReportTheNewOrderOnce)
{
    struct CASE
    {
        const char* name;
        int from;
        CCoord dx;
        std::vector<int> order;
    };
    const CASE cases[] = {
        {"first onto third", 0, 2 * kTile, {1, 2, 0, 3, 4, 5, 6}},
        {"last onto first", 6, -6 * kTile, {6, 0, 1, 2, 3, 4, 5}},
        {"third one step left", 2, -kTile, {0, 2, 1, 3, 4, 5, 6}},
        {"own slot", 3, 4, {0, 1, 2, 3, 4, 5, 6}},
        {"beyond the end counts as the last slot", 4, 10 * kTile, {0, 1, 2, 3, 5, 6, 4}},
        {"just short of half a tile stays", 1, kTile / 2 - 1, {0, 1, 2, 3, 4, 5, 6}},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        const int identity[kNodes] = {0, 1, 2, 3, 4, 5, 6};
        m_panel->SetNodeOrder(identity);
        m_listener.m_events.clear();
        m_listener.m_order.clear();
        Drag(c.from, c.dx);
        EXPECT_EQ((std::vector<std::string>{"start", "changed", "end"}), m_listener.m_events);
        EXPECT_EQ(c.order, m_listener.m_order);
        EXPECT_EQ(c.order, Order());
        // Every tile lined up again at its slot, none shaded.
        for (int k = 0; k < kNodes; ++k)
        {
            EXPECT_EQ(k * kTile, m_panel->GetNode(k)->getViewSize().left) << k;
            EXPECT_FALSE(m_panel->GetNode(k)->IsDropTarget()) << k;
            EXPECT_FALSE(m_panel->GetNode(k)->IsDragging()) << k;
        }
    }
    EXPECT_EQ(kTile, m_panel->GetNodeHeight());
    // A right-button drag moves nothing.
    m_listener.m_events.clear();
    Drag(0, 3 * kTile, kRButton);
    EXPECT_TRUE(m_listener.m_events.empty());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), Order());
}

TEST_F(CNodePanelTest, OnlyTheTileUnderTheDraggedCentreIsShadedAndTheTileStaysInside)
{
    const CCoord y = kPanelY + kTile / 2;
    m_frame.platformOnMouseDown(CPoint(SlotCentre(0), y), kLButton, 1000);
    CNodeView* dragged = m_panel->GetNode(0);
    ASSERT_TRUE(dragged->IsDragging());
    // Steps of the mouse and the list index shaded (-1: none, over its own slot).
    const std::pair<CCoord, int> steps[] = {
        {3, -1}, {kTile / 2 + 1, 1}, {2 * kTile, 2}, {5 * kTile + kTile / 2 + 2, 6}};
    for (const auto& [dx, shaded] : steps)
    {
        m_frame.platformOnMouseMoved(CPoint(SlotCentre(0) + dx, y), kLButton);
        for (int k = 0; k < kNodes; ++k)
            EXPECT_EQ(k == shaded, m_panel->GetNode(k)->IsDropTarget()) << dx << " " << k;
    }
    // The shade darkens the tile under it (beside the dragged tile, which covers its left
    // part); the others keep their own colour.
    EXPECT_LT(GreyAt(kPanelX + 7 * kTile - 2, kPanelY + 2), 20u + 30u * 6u);
    EXPECT_EQ(20u + 30u * 4u, GreyAt(kPanelX + 4 * kTile + 1, kPanelY + 2));
    // Far beyond either end the tile stops at the panel's edge, in its dragged look.
    m_frame.platformOnMouseMoved(CPoint(-100, y), kLButton);
    EXPECT_EQ(0, dragged->getViewSize().left);
    m_frame.platformOnMouseMoved(CPoint(500, y), kLButton);
    EXPECT_EQ((kNodes - 1) * kTile, dragged->getViewSize().left);
    EXPECT_EQ(255u, GreyAt(kPanelX + (kNodes - 1) * kTile + 5, kPanelY + 5));
    m_frame.platformOnMouseUp(CPoint(500, y), kLButton);
}

TEST_F(CNodePanelTest, SetNodeOrderShowsAnOrderWithoutMovingTheTiles)
{
    Drag(0, 2 * kTile);
    ASSERT_EQ((std::vector<int>{1, 2, 0, 3, 4, 5, 6}), Order());
    // The editor's refresh after an undo of that drag.
    const int previous[kNodes] = {0, 1, 2, 3, 4, 5, 6};
    m_panel->SetNodeOrder(previous);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), Order());
    for (int k = 0; k < kNodes; ++k)
        EXPECT_EQ(k * kTile, m_panel->GetNode(k)->getViewSize().left);
    // Each slot draws the module it now holds.
    EXPECT_EQ(20u, GreyAt(kPanelX + 1, kPanelY + 5));
    EXPECT_EQ(20u + 30u * 2u, GreyAt(kPanelX + 2 * kTile + 1, kPanelY + 5));
    m_panel->SetNodeOrder(nullptr);
    m_panel->GetNodeOrder(nullptr);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), Order());
}
