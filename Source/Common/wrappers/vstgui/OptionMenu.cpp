#include "OptionMenu.h"

#include "Bitmap.h"
#include "DrawContext.h"
#include "Frame.h"

namespace VSTGUI
{

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, long tag,
                         CBitmap* background, CBitmap* bgWhenClick, long style)
    : CParamDisplay(size, background, style)
{
    setListener(listener);
    setTag(tag);
    if (bgWhenClick != nullptr)
    {
        bgWhenClick->remember();
        m_bgWhenClick = bgWhenClick;
    }
}

COptionMenu::COptionMenu() : COptionMenu(CRect(), nullptr, 0) {}

COptionMenu::COptionMenu(const COptionMenu& other)
    : CParamDisplay(other), m_bgWhenClick(other.m_bgWhenClick), m_current(other.m_current)
{
    if (m_bgWhenClick != nullptr)
    {
        m_bgWhenClick->remember();
    }
    for (CMenuItem* item : other.m_items)
    {
        m_items.push_back(static_cast<CMenuItem*>(item->newCopy()));
    }
}

COptionMenu::~COptionMenu()
{
    for (CMenuItem* item : m_items)
    {
        item->forget();
    }
    if (m_bgWhenClick != nullptr)
    {
        m_bgWhenClick->forget();
    }
}

CMenuItem* COptionMenu::addEntry(CMenuItem* item, int index)
{
    if (item == nullptr)
    {
        return nullptr;
    }
    if (index < 0 || index >= getNbEntries())
    {
        m_items.push_back(item);
    }
    else
    {
        m_items.insert(m_items.begin() + index, item);
        if (m_current >= index)
        {
            ++m_current;
        }
    }
    return item;
}

CMenuItem* COptionMenu::addEntry(const char* utf8Title, int index, int itemFlags)
{
    return addEntry(new CMenuItem(utf8Title, itemFlags), index);
}

CMenuItem* COptionMenu::addEntry(COptionMenu* submenu, const char* utf8Title)
{
    return addEntry(new CMenuItem(utf8Title, CMenuItem::kNoFlags, submenu));
}

CMenuItem* COptionMenu::addSeparator()
{
    return addEntry(new CMenuItem("-", CMenuItem::kSeparator));
}

bool COptionMenu::removeEntry(int index)
{
    if (index < 0 || index >= getNbEntries())
    {
        return false;
    }
    CMenuItem* item = m_items[static_cast<size_t>(index)];
    m_items.erase(m_items.begin() + index);
    if (m_current == index)
    {
        m_current = -1;
    }
    else if (m_current > index)
    {
        --m_current;
    }
    m_lastMenu = nullptr; // it may have been that entry's submenu
    m_lastIndex = -1;
    item->forget();
    return true;
}

bool COptionMenu::removeAllEntry()
{
    std::vector<CMenuItem*> items;
    items.swap(m_items);
    m_current = -1;
    m_lastMenu = nullptr;
    m_lastIndex = -1;
    for (CMenuItem* item : items)
    {
        item->forget();
    }
    setDirty(true);
    return true;
}

CMenuItem* COptionMenu::getEntry(int index) const
{
    if (index < 0 || index >= getNbEntries())
    {
        return nullptr;
    }
    return m_items[static_cast<size_t>(index)];
}

COptionMenu* COptionMenu::getSubMenu(int index) const
{
    CMenuItem* item = getEntry(index);
    return item != nullptr ? item->getSubmenu() : nullptr;
}

CMenuItem* COptionMenu::getCurrent() const
{
    return getEntry(m_current);
}

int COptionMenu::getCurrentIndex(bool countSeparator) const
{
    if (m_current < 0)
    {
        return -1;
    }
    return countSeparator ? m_current : IndexWithoutSeparators(m_current);
}

bool COptionMenu::setCurrent(int index, bool countSeparator)
{
    const int withSeparators = countSeparator ? index : IndexWithSeparators(index);
    CMenuItem* item = getEntry(withSeparators);
    if (item == nullptr || item->isSeparator())
    {
        m_current = -1;
        setDirty(true);
        return false;
    }
    m_current = withSeparators;
    if ((getStyle() & kCheckStyle) != 0)
    {
        checkEntryAlone(withSeparators);
    }
    setValue(static_cast<float>(IndexWithoutSeparators(withSeparators)));
    setDirty(true);
    return true;
}

bool COptionMenu::checkEntry(int index, bool checked)
{
    CMenuItem* item = getEntry(index);
    if (item == nullptr || item->isSeparator())
    {
        return false;
    }
    item->setChecked(checked);
    return true;
}

bool COptionMenu::checkEntryAlone(int index)
{
    if (getEntry(index) == nullptr)
    {
        return false;
    }
    for (int i = 0; i < getNbEntries(); ++i)
    {
        m_items[static_cast<size_t>(i)]->setChecked(i == index);
    }
    return true;
}

bool COptionMenu::isCheckEntry(int index) const
{
    CMenuItem* item = getEntry(index);
    return item != nullptr && item->isChecked();
}

COptionMenu* COptionMenu::getLastItemMenu(long& idxInMenu) const
{
    idxInMenu = m_lastMenu != nullptr ? m_lastIndex : -1;
    return m_lastMenu;
}

int COptionMenu::IndexWithoutSeparators(int index) const
{
    CMenuItem* item = getEntry(index);
    if (item == nullptr || item->isSeparator())
    {
        return -1;
    }
    int counted = 0;
    for (int i = 0; i < index; ++i)
    {
        if (!m_items[static_cast<size_t>(i)]->isSeparator())
        {
            ++counted;
        }
    }
    return counted;
}

int COptionMenu::IndexWithSeparators(int indexWithoutSeparators) const
{
    if (indexWithoutSeparators < 0)
    {
        return -1;
    }
    int counted = 0;
    for (int i = 0; i < getNbEntries(); ++i)
    {
        if (m_items[static_cast<size_t>(i)]->isSeparator())
        {
            continue;
        }
        if (counted++ == indexWithoutSeparators)
        {
            return i;
        }
    }
    return -1;
}

void COptionMenu::SetChoice(COptionMenu* menu, int index)
{
    CMenuItem* item = menu != nullptr ? menu->getEntry(index) : nullptr;
    if (item == nullptr || !item->isEnabled())
    {
        return;
    }
    if ((menu->getStyle() & kMultipleCheckStyle) != 0)
    {
        item->setChecked(!item->isChecked());
    }
    else if ((menu->getStyle() & kCheckStyle) != 0)
    {
        menu->checkEntryAlone(index);
    }
    menu->m_current = index;
    menu->setValue(static_cast<float>(menu->IndexWithoutSeparators(index)));
    menu->setDirty(true);
    m_lastMenu = menu;
    m_lastIndex = menu->IndexWithoutSeparators(index);
}

void COptionMenu::takeFocus()
{
    CFrame* frame = getFrame();
    if (frame == nullptr || !isAttached() || m_open || !frame->isOpen())
    {
        return;
    }
    m_lastMenu = nullptr;
    m_lastIndex = -1;
    remember(); // alive through the session even if a listener removes us
    m_open = true;
    frame->setFocusView(this);
    frame->runModalMenu(this);
    m_open = false;
    if (frame->getFocusView() == this)
    {
        frame->setFocusView(nullptr);
    }
    setDirty(true);
    if (COptionMenu* menu = m_lastMenu)
    {
        // The listener may rebuild the menus (and so release this submenu) while it runs.
        menu->remember();
        CControlListener* listener =
            menu->getListener() != nullptr ? menu->getListener() : m_listener;
        if (listener != nullptr)
        {
            listener->valueChanged(menu);
        }
        menu->forget();
    }
    forget();
}

void COptionMenu::looseFocus()
{
    setDirty(true);
}

void COptionMenu::draw(CDrawContext* context)
{
    if ((m_style & kNoDrawStyle) == 0)
    {
        if (m_open && m_bgWhenClick != nullptr)
        {
            m_bgWhenClick->draw(context, m_size);
        }
        else
        {
            drawBack(context);
        }
        CMenuItem* current = getCurrent();
        drawText(context, current != nullptr ? current->getTitle() : "");
    }
    setOldValue(getValue());
    setDirty(false);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint& /*where*/, const long& buttons)
{
    if (!m_mouseEnabled || (buttons & kLButton) == 0)
    {
        return kMouseEventNotHandled;
    }
    takeFocus();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool COptionMenu::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "COptionMenu") || CParamDisplay::isTypeOf(type);
}

} // namespace VSTGUI
