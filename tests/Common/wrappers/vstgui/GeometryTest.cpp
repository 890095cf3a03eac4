#include "vstgui/Geometry.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

TEST(CRectTest, BoundUniteAndOverlapTreatEmptyAndTouchingRectsAsNothing)
{
    const struct
    {
        CRect a, b, bound, united;
        bool overlap;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}, {0, 0, 20, 20}, true},
        {{0, 0, 10, 10}, {20, 5, 30, 8}, {}, {0, 0, 30, 10}, false},  // disjoint: bound empty
        {{}, {1, 2, 3, 4}, {}, {1, 2, 3, 4}, false},                  // empty operands ignored
        {{0, 0, 10, 10}, {}, {}, {0, 0, 10, 10}, false},
        {{0, 0, 10, 10}, {9, 9, 12, 12}, {9, 9, 10, 10}, {0, 0, 12, 12}, true},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {}, {0, 0, 20, 10}, false}, // touching edges
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.a.left << "," << c.a.top << " with " << c.b.left
                                          << "," << c.b.top);
        CRect bound = c.a, united = c.a;
        bound.bound(c.b);
        united.unite(c.b);
        EXPECT_EQ(bound.isEmpty(), c.bound.isEmpty());
        if (!c.bound.isEmpty())
        {
            EXPECT_EQ(bound, c.bound);
        }
        EXPECT_EQ(united, c.united);
        EXPECT_EQ(c.a.rectOverlap(c.b), c.overlap);
    }
}

TEST(CRectTest, PointInsideIsHalfOpenAndMovesKeepTheSize)
{
    const CRect r(10, 10, 20, 20);
    EXPECT_TRUE(r.pointInside(CPoint(10, 10)));
    EXPECT_TRUE(r.pointInside(CPoint(19.9, 19.9)));
    for (const CPoint& outside : {CPoint(20, 15), CPoint(15, 20), CPoint(9.9, 15)})
        EXPECT_FALSE(r.pointInside(outside)) << outside.x << "," << outside.y;
    CRect moved(1.5, 2.25, 11.5, 12.75);
    moved.moveTo(0, 0);
    EXPECT_DOUBLE_EQ(moved.getWidth(), 10.0);
    EXPECT_DOUBLE_EQ(moved.getHeight(), 10.5);
    moved.inset(1, 2);
    EXPECT_EQ(moved, CRect(1, 2, 9, 8.5));
    moved.offset(0.5, 0.5).makeIntegral();
    EXPECT_EQ(moved, CRect(1, 2, 10, 9));
    EXPECT_EQ(CRect(0, 0, 4, 6).getCenter(), CPoint(2, 3));
}
