// A pop-up menu and the control that opens it. As a control it shows the current entry's title
// (CParamDisplay look) and opens on a left press. takeFocus() opens it modally: the frame draws
// the pop-up inside itself (CFrame::runModalMenu) and returns when it closes. Afterwards
// getLastItemMenu() answers the (sub)menu in which the user chose and the entry's index (null
// and -1 when dismissed), that menu's getCurrent() is the chosen item, and the listener of
// that menu (or of the root menu when it has none) hears valueChanged(that menu).
//
// Entry indices count separators unless a call says otherwise (countSeparator = false, as
// getCurrentIndex() does by default and getLastItemMenu() always does). Styles: kCheckStyle -
// a choice becomes the only checked entry of its menu; kMultipleCheckStyle - a choice toggles
// its entry's check. UI thread only.
#pragma once

#include "MenuItem.h"
#include "ParamDisplay.h"

#include <vector>

namespace VSTGUI
{

class COptionMenu : public CParamDisplay
{
public:
    enum
    {
        kCheckStyle = 1 << 10,
        kMultipleCheckStyle = 1 << 11,
    };

    COptionMenu(const CRect& size, CControlListener* listener, long tag,
                CBitmap* background = nullptr, CBitmap* bgWhenClick = nullptr, long style = 0);
    // A menu that is only ever shown through takeFocus (submenus, context menus).
    COptionMenu();
    COptionMenu(const COptionMenu& other);
    ~COptionMenu() override;

    // Takes over the caller's reference of `item`; returns it (index -1 appends).
    CMenuItem* addEntry(CMenuItem* item, int index = -1);
    // Title "-" adds a separator. index -1 appends.
    CMenuItem* addEntry(const char* utf8Title, int index = -1, int itemFlags = CMenuItem::kNoFlags);
    // A submenu entry (the submenu is remembered).
    CMenuItem* addEntry(COptionMenu* submenu, const char* utf8Title);
    CMenuItem* addSeparator();
    bool removeEntry(int index);
    bool removeAllEntry();
    int getNbEntries() const
    {
        return static_cast<int>(m_items.size());
    }
    CMenuItem* getEntry(int index) const;
    // The submenu of entry `index`, or null.
    COptionMenu* getSubMenu(int index) const;

    CMenuItem* getCurrent() const;
    // Index of the current entry (-1: none); without separators unless countSeparator.
    int getCurrentIndex(bool countSeparator = false) const;
    // index counts separators (as getEntry); out of range: no current entry.
    bool setCurrent(int index, bool countSeparator = true);
    bool checkEntry(int index, bool checked);
    // Checks entry `index` and unchecks all others of this menu.
    bool checkEntryAlone(int index);
    bool isCheckEntry(int index) const;

    // The menu in which the user chose at the last opening (this one or a submenu), with the
    // chosen entry's index without separators; null and -1 when nothing was chosen.
    COptionMenu* getLastItemMenu(long& idxInMenu) const;

    // Opens the menu modally (see the class comment). Does nothing unless attached to an open
    // frame.
    void takeFocus() override;
    void looseFocus() override;
    bool isOpen() const
    {
        return m_open;
    }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new COptionMenu(*this);
    }

    // Internal (the pop-up): records the choice of entry `index` (with separators) of `menu`,
    // which is this menu or one of its submenus: applies the check style, current entry and
    // value, and remembers it for getLastItemMenu.
    void SetChoice(COptionMenu* menu, int index);
    // Converts between indices with and without separators (-1 when out of range).
    int IndexWithoutSeparators(int index) const;
    int IndexWithSeparators(int indexWithoutSeparators) const;

private:
    std::vector<CMenuItem*> m_items; // one reference each
    CBitmap* m_bgWhenClick = nullptr;
    int m_current = -1; // with separators
    COptionMenu* m_lastMenu = nullptr;
    long m_lastIndex = -1;
    bool m_open = false;
};

} // namespace VSTGUI
