#include "GraphicsPath.h"

namespace VSTGUI
{

void CGraphicsPath::beginSubpath(const CPoint& start)
{
    m_elements.push_back({kBeginSubpath, {start, CPoint(), CPoint()}, 0.0, 0.0});
}

void CGraphicsPath::addLine(const CPoint& to)
{
    m_elements.push_back({kLine, {to, CPoint(), CPoint()}, 0.0, 0.0});
}

void CGraphicsPath::addBezierCurve(const CPoint& control1, const CPoint& control2,
                                   const CPoint& end)
{
    m_elements.push_back({kBezierCurve, {control1, control2, end}, 0.0, 0.0});
}

void CGraphicsPath::addRect(const CRect& rect)
{
    m_elements.push_back({kRect, {rect.getTopLeft(), rect.getBottomRight(), CPoint()}, 0.0, 0.0});
}

void CGraphicsPath::addEllipse(const CRect& rect)
{
    m_elements.push_back(
        {kEllipse, {rect.getTopLeft(), rect.getBottomRight(), CPoint()}, 0.0, 0.0});
}

void CGraphicsPath::addArc(const CRect& rect, double startDeg, double endDeg)
{
    m_elements.push_back(
        {kArc, {rect.getTopLeft(), rect.getBottomRight(), CPoint()}, startDeg, endDeg});
}

void CGraphicsPath::closeSubpath()
{
    m_elements.push_back({kCloseSubpath, {CPoint(), CPoint(), CPoint()}, 0.0, 0.0});
}

CRect CGraphicsPath::getBoundingBox() const
{
    CRect box;
    bool first = true;
    auto add = [&](const CPoint& p)
    {
        if (first)
        {
            box = CRect(p.x, p.y, p.x, p.y);
            first = false;
            return;
        }
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x);
        box.bottom = std::max(box.bottom, p.y);
    };
    for (const Element& element : m_elements)
    {
        switch (element.type)
        {
        case kBeginSubpath:
        case kLine:
            add(element.p[0]);
            break;
        case kBezierCurve: // the control polygon holds the curve
            add(element.p[0]);
            add(element.p[1]);
            add(element.p[2]);
            break;
        case kRect:
        case kEllipse:
        case kArc:
            add(element.p[0]);
            add(element.p[1]);
            break;
        case kCloseSubpath:
            break;
        }
    }
    return box;
}

bool CGraphicsPath::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CGraphicsPath") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
