// Points and rectangles of the toolkit. Coordinates are logical pixels (CCoord, double): the
// frame scales everything by its scale factor underneath, views never see device pixels.
// A rectangle spans left <= x < right, top <= y < bottom. Plain values: any thread.
#pragma once

#include <algorithm>
#include <cmath>

namespace VSTGUI
{

using CCoord = double;

struct CPoint
{
    CCoord x = 0.0;
    CCoord y = 0.0;

    constexpr CPoint() = default;
    constexpr CPoint(CCoord px, CCoord py) : x(px), y(py) {}

    CPoint& offset(CCoord dx, CCoord dy)
    {
        x += dx;
        y += dy;
        return *this;
    }
    CPoint& operator+=(const CPoint& other)
    {
        return offset(other.x, other.y);
    }
    CPoint& operator-=(const CPoint& other)
    {
        return offset(-other.x, -other.y);
    }
    CPoint operator+(const CPoint& other) const
    {
        return CPoint(x + other.x, y + other.y);
    }
    CPoint operator-(const CPoint& other) const
    {
        return CPoint(x - other.x, y - other.y);
    }
    CPoint operator-() const
    {
        return CPoint(-x, -y);
    }
    bool operator==(const CPoint& other) const
    {
        return x == other.x && y == other.y;
    }
    bool operator!=(const CPoint& other) const
    {
        return !(*this == other);
    }
};

struct CRect
{
    CCoord left = 0.0;
    CCoord top = 0.0;
    CCoord right = 0.0;
    CCoord bottom = 0.0;

    constexpr CRect() = default;
    constexpr CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b)
    {
    }
    // Rectangle of `size` (x = width, y = height) at `origin`.
    constexpr CRect(const CPoint& origin, const CPoint& size)
        : left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y)
    {
    }

    CCoord getWidth() const
    {
        return right - left;
    }
    CCoord getHeight() const
    {
        return bottom - top;
    }
    CRect& setWidth(CCoord width)
    {
        right = left + width;
        return *this;
    }
    CRect& setHeight(CCoord height)
    {
        bottom = top + height;
        return *this;
    }
    CPoint getTopLeft() const
    {
        return CPoint(left, top);
    }
    CPoint getBottomRight() const
    {
        return CPoint(right, bottom);
    }
    CPoint getSize() const
    {
        return CPoint(getWidth(), getHeight());
    }
    CPoint getCenter() const
    {
        return CPoint((left + right) * 0.5, (top + bottom) * 0.5);
    }
    CCoord getArea() const
    {
        return isEmpty() ? 0.0 : getWidth() * getHeight();
    }
    CRect& offset(CCoord dx, CCoord dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& offset(const CPoint& delta)
    {
        return offset(delta.x, delta.y);
    }
    // Shrinks by dx on the left and right and dy on top and bottom (negative grows).
    CRect& inset(CCoord dx, CCoord dy)
    {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y)
    {
        return offset(x - left, y - top);
    }
    CRect& moveTo(const CPoint& where)
    {
        return moveTo(where.x, where.y);
    }
    // Half-open: the right and bottom edges are outside.
    bool pointInside(const CPoint& where) const
    {
        return where.x >= left && where.x < right && where.y >= top && where.y < bottom;
    }
    // True when the two rectangles share area (touching edges do not count).
    bool rectOverlap(const CRect& other) const
    {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    // Intersection; an empty result collapses to a zero-size rectangle.
    CRect& bound(const CRect& other)
    {
        left = std::max(left, other.left);
        top = std::max(top, other.top);
        right = std::min(right, other.right);
        bottom = std::min(bottom, other.bottom);
        if (right < left)
        {
            right = left;
        }
        if (bottom < top)
        {
            bottom = top;
        }
        return *this;
    }
    // Smallest rectangle holding both; an empty operand is ignored.
    CRect& unite(const CRect& other)
    {
        if (other.isEmpty())
        {
            return *this;
        }
        if (isEmpty())
        {
            return *this = other;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
        return *this;
    }
    bool isEmpty() const
    {
        return !(right > left && bottom > top);
    }
    // Grows outwards to whole numbers (a rectangle that covers every pixel it touches).
    CRect& makeIntegral()
    {
        left = std::floor(left);
        top = std::floor(top);
        right = std::ceil(right);
        bottom = std::ceil(bottom);
        return *this;
    }
    bool operator==(const CRect& other) const
    {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const CRect& other) const
    {
        return !(*this == other);
    }
};

} // namespace VSTGUI
