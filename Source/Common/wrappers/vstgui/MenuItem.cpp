#include "MenuItem.h"

#include "OptionMenu.h"

#include <cstring>

namespace VSTGUI
{

CMenuItem::CMenuItem(const char* utf8Title, int flags, COptionMenu* submenu, long tag)
    : m_title(utf8Title != nullptr ? utf8Title : ""), m_flags(flags), m_tag(tag)
{
    if (m_title == "-")
    {
        m_flags |= kSeparator;
    }
    setSubmenu(submenu);
}

CMenuItem::CMenuItem(const CMenuItem& other)
    : CBaseObject(other), m_title(other.m_title), m_flags(other.m_flags), m_tag(other.m_tag)
{
    setSubmenu(other.m_submenu);
}

CMenuItem::~CMenuItem()
{
    setSubmenu(nullptr);
}

void CMenuItem::setTitle(const char* utf8Title)
{
    m_title = utf8Title != nullptr ? utf8Title : "";
}

void CMenuItem::setEnabled(bool enabled)
{
    m_flags = enabled ? (m_flags & ~kDisabled) : (m_flags | kDisabled);
}

void CMenuItem::setChecked(bool checked)
{
    m_flags = checked ? (m_flags | kChecked) : (m_flags & ~kChecked);
}

void CMenuItem::setIsTitle(bool title)
{
    m_flags = title ? (m_flags | kTitle) : (m_flags & ~kTitle);
}

void CMenuItem::setSubmenu(COptionMenu* submenu)
{
    if (submenu != nullptr)
    {
        submenu->remember();
    }
    if (m_submenu != nullptr)
    {
        m_submenu->forget();
    }
    m_submenu = submenu;
}

bool CMenuItem::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CMenuItem") || CBaseObject::isTypeOf(type);
}

} // namespace VSTGUI
