// The pop-up of a modal menu session (internal to CFrame::runModalMenu): lays out the menu and
// its open submenus inside the frame, draws them on top of everything and handles the mouse
// and keys. Rows are kRowHeight logical pixels; a menu taller than the frame is laid out in
// columns; every level is clamped inside the frame; submenus open beside their entry on hover
// or press. A press outside all levels or Escape closes without a choice; releasing on an
// entry after a press inside the menu, or after the pointer travelled from where the menu
// opened (press-drag-release), chooses it. UI thread only.
#pragma once

#include "Color.h"
#include "View.h"

#include <vector>

namespace VSTGUI
{

class COptionMenu;
class CMenuItem;
class CFontDesc;

class CMenuOverlay : public CView
{
public:
    static constexpr CCoord kRowHeight = 20.0;
    static constexpr CCoord kSeparatorHeight = 9.0;
    static constexpr CCoord kPadding = 4.0; // inside a level's edge
    static constexpr CCoord kMinColumnWidth = 120.0;
    static constexpr CCoord kMaxColumnWidth = 360.0;

    // Opens `menu` with its top-left at `anchor` (frame coordinates) inside `frame`.
    CMenuOverlay(CFrame* frame, COptionMenu* menu, const CRect& anchor);
    ~CMenuOverlay() override;

    bool isRunning() const
    {
        return m_running;
    }
    // Closes without a choice (window gone, Escape).
    void Dismiss();

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const long& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const long& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const long& buttons) override;
    bool OnKeyDown(int virtualKey);

    // Layout queries (tests): levels open, a level's rectangle, an entry's row rectangle
    // (frame coordinates; index with separators).
    int GetLevelCount() const
    {
        return static_cast<int>(m_levels.size());
    }
    CRect GetLevelRect(int level) const;
    CRect GetItemRect(int level, int index) const;
    int GetColumnCount(int level) const;

    // Colours of the dark theme.
    static constexpr CColor kBackground = CColor(0x25, 0x29, 0x2F);
    static constexpr CColor kText = CColor(0xE8, 0xEA, 0xED);
    static constexpr CColor kDisabledText = CColor(0x80, 0x86, 0x8E);
    static constexpr CColor kSeparator = CColor(0x36, 0x3C, 0x47);
    static constexpr CColor kHighlight = CColor(0x4F, 0xC3, 0xF7);
    static constexpr CColor kHighlightText = CColor(0x10, 0x14, 0x18);
    static constexpr CColor kEdge = CColor(0x4A, 0x52, 0x60);

private:
    struct Level
    {
        COptionMenu* menu;
        CRect rect;                   // frame coordinates
        std::vector<CRect> itemRects; // one per entry (with separators)
        int columns = 1;
        int hover = -1;       // entry index (with separators), -1 none
        int openSubmenu = -1; // entry whose submenu is the next level
    };

    // anchor: the control (root) or the entry (submenu); parentRect: empty for the root, else
    // the parent's column that the submenu opens beside.
    void LayOut(Level& level, const CRect& anchor, const CRect& parentRect);
    void OpenSubmenu(int levelIndex, int itemIndex);
    void CloseLevelsAbove(int levelIndex);
    // Deepest level and entry under a point (frame coordinates); false when outside all.
    bool HitTest(const CPoint& where, int& level, int& item) const;
    void Hover(const CPoint& where);
    void Choose(int level, int item);
    void InvalidateLevels();

    CFrame* m_overlayFrame;
    COptionMenu* m_root;
    CFontDesc* m_font;
    CDrawContext* m_measure; // text widths for the layout
    std::vector<Level> m_levels;
    CPoint m_openPoint;
    bool m_running = true;
    bool m_pressInside = false;
    bool m_travelled = false;
};

} // namespace VSTGUI
