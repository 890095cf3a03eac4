#include "vstgui/Geometry.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

TEST(CRectTest, BoundIntersectsAndCollapsesWhenDisjoint)
{
    CRect a(0, 0, 10, 10);
    a.bound(CRect(5, 5, 20, 20));
    EXPECT_EQ(a, CRect(5, 5, 10, 10));
    CRect b(0, 0, 10, 10);
    b.bound(CRect(20, 20, 30, 30));
    EXPECT_TRUE(b.isEmpty());
}

TEST(CRectTest, UniteIgnoresEmptyOperands)
{
    CRect a(0, 0, 10, 10);
    a.unite(CRect(20, 5, 30, 8));
    EXPECT_EQ(a, CRect(0, 0, 30, 10));
    CRect empty;
    empty.unite(CRect(1, 2, 3, 4));
    EXPECT_EQ(empty, CRect(1, 2, 3, 4));
    a.unite(CRect());
    EXPECT_EQ(a, CRect(0, 0, 30, 10));
}

TEST(CRectTest, PointInsideIsHalfOpen)
{
    const CRect r(10, 10, 20, 20);
    struct CASE
    {
        CPoint point;
        bool inside;
    };
    const CASE cases[] = {{{10, 10}, true},
                          {{19.9, 19.9}, true},
                          {{20, 15}, false},
                          {{15, 20}, false},
                          {{9.9, 15}, false}};
    for (const CASE& c : cases)
    {
        EXPECT_EQ(r.pointInside(c.point), c.inside) << c.point.x << "," << c.point.y;
    }
}

TEST(CRectTest, OverlapNeedsSharedArea)
{
    const CRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.rectOverlap(CRect(9, 9, 12, 12)));
    EXPECT_FALSE(r.rectOverlap(CRect(10, 0, 20, 10))); // touching edges
}

TEST(CRectTest, MoveInsetAndIntegral)
{
    CRect r(1.5, 2.25, 11.5, 12.75);
    r.moveTo(0, 0);
    EXPECT_DOUBLE_EQ(r.getWidth(), 10.0);
    EXPECT_DOUBLE_EQ(r.getHeight(), 10.5);
    r.inset(1, 2);
    EXPECT_EQ(r, CRect(1, 2, 9, 8.5));
    r.offset(0.5, 0.5).makeIntegral();
    EXPECT_EQ(r, CRect(1, 2, 10, 9));
    EXPECT_EQ(CRect(0, 0, 4, 6).getCenter(), CPoint(2, 3));
}
