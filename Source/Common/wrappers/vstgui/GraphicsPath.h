// A vector path in logical coordinates (those of the context it is drawn in): subpaths of
// lines, cubic Bezier curves, rectangles, ellipses and arcs. Made by
// CDrawContext::createGraphicsPath(), drawn by CDrawContext::drawGraphicsPath. Reference
// counted; UI thread only.
#pragma once

#include "BaseObject.h"
#include "Geometry.h"

#include <vector>

namespace VSTGUI
{

class CGraphicsPath : public CBaseObject
{
public:
    enum ElementType
    {
        kBeginSubpath = 0,
        kLine,
        kBezierCurve,
        kRect,
        kEllipse,
        kArc,
        kCloseSubpath,
    };
    struct Element
    {
        ElementType type;
        // kBeginSubpath/kLine: p[0]; kBezierCurve: control 1, control 2, end; kRect, kEllipse,
        // kArc: the bounding rectangle as p[0] (left, top), p[1] (right, bottom).
        CPoint p[3];
        double startDeg; // kArc only: degrees, 0 at twelve o'clock, clockwise
        double endDeg;
    };

    CGraphicsPath() = default;

    void beginSubpath(const CPoint& start);
    void addLine(const CPoint& to);
    void addBezierCurve(const CPoint& control1, const CPoint& control2, const CPoint& end);
    // Closed rectangle and ellipse subpaths of their own.
    void addRect(const CRect& rect);
    void addEllipse(const CRect& rect);
    // Arc of the ellipse in `rect`, clockwise from startDeg to endDeg (degrees, 0 at twelve
    // o'clock, clockwise; same convention as CDrawContext::drawArc); continues the subpath.
    void addArc(const CRect& rect, double startDeg, double endDeg);
    void closeSubpath();
    void removeAll()
    {
        m_elements.clear();
    }
    bool isEmpty() const
    {
        return m_elements.empty();
    }
    const std::vector<Element>& getElements() const
    {
        return m_elements;
    }
    CRect getBoundingBox() const;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CGraphicsPath(*this);
    }

private:
    std::vector<Element> m_elements;
};

} // namespace VSTGUI
