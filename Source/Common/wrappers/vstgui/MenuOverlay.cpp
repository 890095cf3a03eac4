#include "MenuOverlay.h"

#include "DrawContext.h"
#include "Font.h"
#include "Frame.h"
#include "GraphicsPath.h"
#include "MenuItem.h"
#include "OptionMenu.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI
{

namespace
{
constexpr CCoord kFrameMargin = 4.0;  // kept free between a pop-up and the frame's edge
constexpr CCoord kCheckGutter = 22.0; // left of the text: the check mark
constexpr CCoord kArrowGutter = 22.0; // right of the text: the submenu arrow
constexpr CCoord kTravelPixels = 4.0; // pointer travel that makes a release choose
constexpr CCoord kFontSize = 12.0;

constexpr CCoord kCornerRadius = 5.0;

// A rectangle with rounded corners (our arcs: degrees clockwise from twelve o'clock).
void AddRoundRect(CGraphicsPath* path, const CRect& r, CCoord radius)
{
    const CCoord d = 2.0 * radius;
    path->beginSubpath(CPoint(r.left + radius, r.top));
    path->addArc(CRect(r.right - d, r.top, r.right, r.top + d), 0.0, 90.0);
    path->addArc(CRect(r.right - d, r.bottom - d, r.right, r.bottom), 90.0, 180.0);
    path->addArc(CRect(r.left, r.bottom - d, r.left + d, r.bottom), 180.0, 270.0);
    path->addArc(CRect(r.left, r.top, r.left + d, r.top + d), 270.0, 360.0);
    path->closeSubpath();
}

bool IsChoosable(const CMenuItem* item)
{
    return item != nullptr && item->isEnabled() && item->getSubmenu() == nullptr;
}

bool CanHover(const CMenuItem* item)
{
    return item != nullptr && item->isEnabled();
}
} // namespace

CMenuOverlay::CMenuOverlay(CFrame* frame, COptionMenu* menu, const CRect& anchor)
    : CView(frame->getViewSize()), m_overlayFrame(frame), m_root(menu)
{
    m_font = new CFontDesc("Arial", kFontSize, kNormalFace);
    m_measure = new CDrawContext(static_cast<_cairo_surface*>(nullptr), 1.0);
    m_measure->setFont(m_font);
    frame->getCurrentMouseLocation(m_openPoint);
    Level root;
    root.menu = menu;
    menu->remember(); // every open level keeps its menu alive while it shows it
    LayOut(root, anchor, CRect());
    m_levels.push_back(root);
    InvalidateLevels();
}

CMenuOverlay::~CMenuOverlay()
{
    for (Level& level : m_levels)
    {
        level.menu->forget();
    }
    m_measure->forget();
    m_font->forget();
}

void CMenuOverlay::Dismiss()
{
    m_running = false;
}

void CMenuOverlay::LayOut(Level& level, const CRect& anchor, const CRect& parentRect)
{
    const CRect frameRect = m_overlayFrame->getViewSize();
    COptionMenu* menu = level.menu;
    const int count = menu->getNbEntries();

    CCoord textWidth = 0.0;
    CCoord totalHeight = 0.0;
    for (int i = 0; i < count; ++i)
    {
        const CMenuItem* item = menu->getEntry(i);
        if (item->isSeparator())
        {
            totalHeight += kSeparatorHeight;
            continue;
        }
        totalHeight += kRowHeight;
        textWidth = std::max(textWidth, m_measure->getStringWidth(item->getTitle()));
    }
    CCoord columnWidth = std::clamp(std::ceil(textWidth) + kCheckGutter + kArrowGutter,
                                    kMinColumnWidth, kMaxColumnWidth);

    // Columns: as many as it takes for the tallest to fit inside the frame.
    const CCoord available =
        std::max(kRowHeight, frameRect.getHeight() - 2.0 * kFrameMargin - 2.0 * kPadding);
    int columns = std::max(1, static_cast<int>(std::ceil(totalHeight / available)));
    std::vector<int> columnOf(static_cast<size_t>(count), 0);
    for (;; ++columns)
    {
        const CCoord limit = std::min(available, std::ceil(totalHeight / columns) + kRowHeight);
        int column = 0;
        CCoord height = 0.0;
        for (int i = 0; i < count; ++i)
        {
            const CCoord row = menu->getEntry(i)->isSeparator() ? kSeparatorHeight : kRowHeight;
            if (height + row > limit && height > 0.0)
            {
                ++column;
                height = 0.0;
            }
            columnOf[static_cast<size_t>(i)] = column;
            height += row;
        }
        if (column < columns || columns >= count)
        {
            columns = column + 1;
            break;
        }
    }
    const CCoord widthAvailable = frameRect.getWidth() - 2.0 * kFrameMargin - 2.0 * kPadding;
    if (columns * columnWidth > widthAvailable)
    {
        columnWidth = std::max(40.0, std::floor(widthAvailable / columns)); // text gets clipped
    }

    // Row rectangles relative to the level's top-left.
    level.itemRects.assign(static_cast<size_t>(count), CRect());
    std::vector<CCoord> columnHeight(static_cast<size_t>(columns), 0.0);
    for (int i = 0; i < count; ++i)
    {
        const int column = columnOf[static_cast<size_t>(i)];
        const CCoord row = menu->getEntry(i)->isSeparator() ? kSeparatorHeight : kRowHeight;
        const CCoord x = kPadding + column * columnWidth;
        const CCoord y = kPadding + columnHeight[static_cast<size_t>(column)];
        level.itemRects[static_cast<size_t>(i)] = CRect(x, y, x + columnWidth, y + row);
        columnHeight[static_cast<size_t>(column)] += row;
    }
    const CCoord height =
        2.0 * kPadding + *std::max_element(columnHeight.begin(), columnHeight.end());
    const CCoord width = 2.0 * kPadding + columns * columnWidth;
    level.columns = columns;

    CCoord left;
    CCoord top;
    if (parentRect.isEmpty())
    {
        // The root: below its control, else above it, else wherever it fits.
        left = anchor.left;
        top = anchor.getHeight() > 1.0 ? anchor.bottom : anchor.top;
        if (top + height > frameRect.bottom - kFrameMargin && anchor.top - height >= kFrameMargin)
        {
            top = anchor.top - height;
        }
    }
    else
    {
        // A submenu: right of its parent, else left of it; its first row beside the entry.
        left = parentRect.right - 2.0;
        if (left + width > frameRect.right - kFrameMargin &&
            parentRect.left - width + 2.0 >= kFrameMargin)
        {
            left = parentRect.left - width + 2.0;
        }
        top = anchor.top - kPadding;
    }
    left = std::clamp(left, kFrameMargin,
                      std::max(kFrameMargin, frameRect.right - kFrameMargin - width));
    top = std::clamp(top, kFrameMargin,
                     std::max(kFrameMargin, frameRect.bottom - kFrameMargin - height));
    level.rect = CRect(left, top, left + width, top + height);
    for (CRect& rect : level.itemRects)
    {
        rect.offset(left, top);
    }
}

CRect CMenuOverlay::GetLevelRect(int level) const
{
    if (level < 0 || level >= GetLevelCount())
    {
        return CRect();
    }
    CRect rect = m_levels[static_cast<size_t>(level)].rect;
    rect.inset(-3.0, -3.0); // the shadow
    return rect;
}

CRect CMenuOverlay::GetItemRect(int level, int index) const
{
    if (level < 0 || level >= GetLevelCount())
    {
        return CRect();
    }
    const Level& l = m_levels[static_cast<size_t>(level)];
    if (index < 0 || index >= static_cast<int>(l.itemRects.size()))
    {
        return CRect();
    }
    return l.itemRects[static_cast<size_t>(index)];
}

int CMenuOverlay::GetColumnCount(int level) const
{
    return (level >= 0 && level < GetLevelCount()) ? m_levels[static_cast<size_t>(level)].columns
                                                   : 0;
}

void CMenuOverlay::InvalidateLevels()
{
    for (int i = 0; i < GetLevelCount(); ++i)
    {
        m_overlayFrame->invalidateFrameRect(GetLevelRect(i));
    }
}

void CMenuOverlay::CloseLevelsAbove(int levelIndex)
{
    while (GetLevelCount() > levelIndex + 1)
    {
        m_overlayFrame->invalidateFrameRect(GetLevelRect(GetLevelCount() - 1));
        m_levels.back().menu->forget();
        m_levels.pop_back();
    }
    if (levelIndex >= 0 && levelIndex < GetLevelCount())
    {
        m_levels[static_cast<size_t>(levelIndex)].openSubmenu = -1;
    }
}

void CMenuOverlay::OpenSubmenu(int levelIndex, int itemIndex)
{
    Level& parent = m_levels[static_cast<size_t>(levelIndex)];
    if (parent.openSubmenu == itemIndex)
    {
        return;
    }
    CloseLevelsAbove(levelIndex);
    COptionMenu* submenu = parent.menu->getSubMenu(itemIndex);
    if (submenu == nullptr || submenu->getNbEntries() == 0)
    {
        return;
    }
    Level child;
    child.menu = submenu;
    submenu->remember();
    const CRect anchor = parent.itemRects[static_cast<size_t>(itemIndex)];
    // The parent's column holding the entry is what the submenu opens beside.
    CRect column(anchor.left, parent.rect.top, anchor.right, parent.rect.bottom);
    LayOut(child, anchor, column);
    m_levels[static_cast<size_t>(levelIndex)].openSubmenu = itemIndex;
    m_levels.push_back(child);
    m_overlayFrame->invalidateFrameRect(GetLevelRect(GetLevelCount() - 1));
}

bool CMenuOverlay::HitTest(const CPoint& where, int& level, int& item) const
{
    for (int l = GetLevelCount() - 1; l >= 0; --l)
    {
        const Level& candidate = m_levels[static_cast<size_t>(l)];
        if (!candidate.rect.pointInside(where))
        {
            continue;
        }
        level = l;
        item = -1;
        for (size_t i = 0; i < candidate.itemRects.size(); ++i)
        {
            if (candidate.itemRects[i].pointInside(where))
            {
                item = static_cast<int>(i);
                break;
            }
        }
        return true;
    }
    return false;
}

void CMenuOverlay::Hover(const CPoint& where)
{
    int level = -1;
    int item = -1;
    if (!HitTest(where, level, item))
    {
        // Outside: the deepest level loses its highlight unless it leads to an open submenu.
        Level& deepest = m_levels.back();
        if (deepest.hover != -1 && deepest.openSubmenu == -1)
        {
            deepest.hover = -1;
            m_overlayFrame->invalidateFrameRect(GetLevelRect(GetLevelCount() - 1));
        }
        return;
    }
    Level& target = m_levels[static_cast<size_t>(level)];
    const CMenuItem* entry = target.menu->getEntry(item);
    const int hover = CanHover(entry) ? item : -1;
    if (target.hover != hover)
    {
        target.hover = hover;
        m_overlayFrame->invalidateFrameRect(GetLevelRect(level));
    }
    if (hover == -1)
    {
        return; // over a separator, a title or the padding: the open submenu stays
    }
    if (entry->getSubmenu() != nullptr)
    {
        OpenSubmenu(level, item);
    }
    else if (target.openSubmenu != -1)
    {
        CloseLevelsAbove(level);
    }
}

void CMenuOverlay::Choose(int level, int item)
{
    m_root->SetChoice(m_levels[static_cast<size_t>(level)].menu, item);
    m_running = false;
}

CMouseEventResult CMenuOverlay::onMouseDown(CPoint& where, const long& /*buttons*/)
{
    int level = -1;
    int item = -1;
    if (!HitTest(where, level, item))
    {
        Dismiss(); // a press outside closes the menu without a choice
        return kMouseEventHandled;
    }
    m_pressInside = true;
    Hover(where);
    return kMouseEventHandled;
}

CMouseEventResult CMenuOverlay::onMouseMoved(CPoint& where, const long& /*buttons*/)
{
    if (std::fabs(where.x - m_openPoint.x) > kTravelPixels ||
        std::fabs(where.y - m_openPoint.y) > kTravelPixels)
    {
        m_travelled = true;
    }
    Hover(where);
    return kMouseEventHandled;
}

CMouseEventResult CMenuOverlay::onMouseUp(CPoint& where, const long& /*buttons*/)
{
    if (std::fabs(where.x - m_openPoint.x) > kTravelPixels ||
        std::fabs(where.y - m_openPoint.y) > kTravelPixels)
    {
        m_travelled = true;
    }
    const bool deliberate = m_pressInside || m_travelled;
    int level = -1;
    int item = -1;
    if (HitTest(where, level, item))
    {
        if (item >= 0 && deliberate &&
            IsChoosable(m_levels[static_cast<size_t>(level)].menu->getEntry(item)))
        {
            Choose(level, item);
        }
    }
    else if (!m_pressInside && m_travelled)
    {
        Dismiss(); // pressed on the control, dragged out of the menu and let go
    }
    m_pressInside = false;
    return kMouseEventHandled;
}

bool CMenuOverlay::onWheel(const CPoint& /*where*/, const float& /*distance*/,
                           const long& /*buttons*/)
{
    return true;
}

bool CMenuOverlay::OnKeyDown(int virtualKey)
{
    Level& deepest = m_levels.back();
    const int count = deepest.menu->getNbEntries();
    switch (virtualKey)
    {
    case kVirtualKeyEscape:
        Dismiss();
        return true;
    case kVirtualKeyUp:
    case kVirtualKeyDown:
    {
        const int step = virtualKey == kVirtualKeyDown ? 1 : -1;
        int index = deepest.hover;
        for (int tries = 0; tries < count; ++tries)
        {
            index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
            if (CanHover(deepest.menu->getEntry(index)))
            {
                deepest.hover = index;
                break;
            }
        }
        m_overlayFrame->invalidateFrameRect(GetLevelRect(GetLevelCount() - 1));
        return true;
    }
    case kVirtualKeyRight:
        if (deepest.hover >= 0 && deepest.menu->getSubMenu(deepest.hover) != nullptr)
        {
            const int levelIndex = GetLevelCount() - 1;
            OpenSubmenu(levelIndex, deepest.hover);
        }
        return true;
    case kVirtualKeyLeft:
        if (GetLevelCount() > 1)
        {
            CloseLevelsAbove(GetLevelCount() - 2);
        }
        return true;
    case kVirtualKeyReturn:
        if (IsChoosable(deepest.menu->getEntry(deepest.hover)))
        {
            Choose(GetLevelCount() - 1, deepest.hover);
        }
        else if (deepest.hover >= 0 && deepest.menu->getSubMenu(deepest.hover) != nullptr)
        {
            OpenSubmenu(GetLevelCount() - 1, deepest.hover);
        }
        return true;
    default:
        return false;
    }
}

void CMenuOverlay::draw(CDrawContext* context)
{
    context->setFont(m_font);
    for (int l = 0; l < GetLevelCount(); ++l)
    {
        const Level& level = m_levels[static_cast<size_t>(l)];
        // A soft shadow, the panel and its edge, with rounded corners.
        context->setDrawMode(kAntiAliasing);
        CGraphicsPath* path = context->createGraphicsPath();
        CRect shadow(level.rect);
        shadow.offset(1.0, 2.0);
        AddRoundRect(path, shadow, kCornerRadius);
        context->setFillColor(CColor(0, 0, 0, 80));
        context->drawGraphicsPath(path, CDrawContext::kPathFilled);
        path->removeAll();
        AddRoundRect(path, level.rect, kCornerRadius);
        context->setFillColor(kBackground);
        context->drawGraphicsPath(path, CDrawContext::kPathFilled);
        path->removeAll();
        CRect edge(level.rect);
        edge.inset(0.5, 0.5); // a 1 px line on whole pixels
        AddRoundRect(path, edge, kCornerRadius - 0.5);
        context->setLineWidth(1.0);
        context->setFrameColor(kEdge);
        context->drawGraphicsPath(path, CDrawContext::kPathStroked);
        path->forget();

        // Entries removed while the menu is open (a timer's doing) are simply not drawn.
        const int rows =
            std::min(level.menu->getNbEntries(), static_cast<int>(level.itemRects.size()));
        for (int i = 0; i < rows; ++i)
        {
            const CMenuItem* item = level.menu->getEntry(i);
            const CRect& row = level.itemRects[static_cast<size_t>(i)];
            if (item->isSeparator())
            {
                const CCoord y = std::floor(row.getCenter().y);
                context->setFrameColor(kSeparator);
                context->drawLine(CPoint(row.left + 8.0, y), CPoint(row.right - 8.0, y));
                continue;
            }
            const bool highlighted = i == level.hover || i == level.openSubmenu;
            if (highlighted && item->isEnabled())
            {
                CRect band(row);
                band.inset(2.0, 1.0);
                context->setFillColor(kHighlight);
                context->drawRect(band, kDrawFilled);
            }
            const CColor textColor =
                !item->isEnabled() ? kDisabledText : (highlighted ? kHighlightText : kText);
            if (item->isChecked())
            {
                // A tick in the left gutter.
                const CPoint c(row.left + kCheckGutter * 0.5, row.getCenter().y);
                const CPoint tick[3] = {CPoint(c.x - 4.5, c.y), CPoint(c.x - 1.5, c.y + 3.5),
                                        CPoint(c.x + 4.5, c.y - 4.0)};
                context->setDrawMode(kAntiAliasing);
                context->setLineWidth(1.6);
                context->setFrameColor(textColor);
                context->drawPolygon(tick, 3, kDrawStroked);
                context->setLineWidth(1.0);
            }
            if (item->getSubmenu() != nullptr)
            {
                const CPoint c(row.right - kArrowGutter * 0.5, row.getCenter().y);
                const CPoint arrow[3] = {CPoint(c.x - 2.5, c.y - 4.0), CPoint(c.x + 2.5, c.y),
                                         CPoint(c.x - 2.5, c.y + 4.0)};
                context->setFillColor(textColor);
                context->drawPolygon(arrow, 3, kDrawFilled);
            }
            CRect text(row.left + kCheckGutter, row.top, row.right - kArrowGutter, row.bottom);
            context->setFontColor(textColor);
            context->drawString(item->getTitle(), text, kLeftText, true);
        }
    }
}

} // namespace VSTGUI
