// One entry of a COptionMenu: a title, flags (disabled, checked, separator, title line), an
// optional submenu (remembered) and a tag. Reference counted; UI thread only.
#pragma once

#include "BaseObject.h"

#include <string>

namespace VSTGUI
{

class COptionMenu;

class CMenuItem : public CBaseObject
{
public:
    enum Flags
    {
        kNoFlags = 0,
        kDisabled = 1 << 0,
        kChecked = 1 << 1,
        kSeparator = 1 << 2,
        kTitle = 1 << 3, // a heading: drawn dimmed, cannot be chosen
    };

    // A title of exactly "-" makes a separator.
    CMenuItem(const char* utf8Title, int flags = kNoFlags, COptionMenu* submenu = nullptr,
              long tag = -1);
    CMenuItem(const CMenuItem& other);
    ~CMenuItem() override;

    const char* getTitle() const
    {
        return m_title.c_str();
    }
    void setTitle(const char* utf8Title);
    int getFlags() const
    {
        return m_flags;
    }
    bool isEnabled() const
    {
        return (m_flags & (kDisabled | kTitle | kSeparator)) == 0;
    }
    bool isChecked() const
    {
        return (m_flags & kChecked) != 0;
    }
    bool isSeparator() const
    {
        return (m_flags & kSeparator) != 0;
    }
    bool isTitle() const
    {
        return (m_flags & kTitle) != 0;
    }
    void setEnabled(bool enabled);
    void setChecked(bool checked);
    void setIsTitle(bool title);
    COptionMenu* getSubmenu() const
    {
        return m_submenu;
    }
    void setSubmenu(COptionMenu* submenu); // remembered
    long getTag() const
    {
        return m_tag;
    }
    void setTag(long tag)
    {
        m_tag = tag;
    }

    bool isTypeOf(const char* type) const override;
    CBaseObject* newCopy() const override
    {
        return new CMenuItem(*this);
    }

private:
    std::string m_title;
    int m_flags;
    COptionMenu* m_submenu = nullptr;
    long m_tag;
};

} // namespace VSTGUI
