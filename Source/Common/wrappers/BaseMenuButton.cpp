#include "BaseMenuButton.h"

#include "vstgui/Bitmap.h"
#include "vstgui/Frame.h"

using namespace VSTGUI;

CBaseMenuButton::CBaseMenuButton(const CRect& size, CControlListener* listener, long tag,
                                 CBitmap* background)
    : COptionMenu(size, listener, tag)
{
    setBackground(background);
}

CBaseMenuButton::CBaseMenuButton(const CBaseMenuButton& other) : COptionMenu(other)
{
    setBackground(other.m_buttonBitmap);
}

CBaseMenuButton::~CBaseMenuButton()
{
    if (m_buttonBitmap)
        m_buttonBitmap->forget();
}

void CBaseMenuButton::setBackground(CBitmap* background)
{
    if (background)
        background->remember();
    if (m_buttonBitmap)
        m_buttonBitmap->forget();
    m_buttonBitmap = background;
    setDirty(true);
}

void CBaseMenuButton::draw(CDrawContext* context)
{
    if (m_buttonBitmap)
    {
        const CFrame* frame = getFrame();
        const bool menuOpen = isOpen() || (frame && frame->getFocusView() == this);
        const CPoint offset(0, menuOpen ? getHeight() : 0);
        m_buttonBitmap->draw(context, getViewSize(), offset);
    }
    setDirty(false);
}

bool CBaseMenuButton::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CBaseMenuButton") || COptionMenu::isTypeOf(type);
}
