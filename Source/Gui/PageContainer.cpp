#include "Gui/PageContainer.h"

#include <cstring>

using namespace VSTGUI;

CPageContainer::CPageContainer(const CRect& size, CFrame* frame, CBitmap* background)
    : CViewContainer(size, frame, background)
{
}

CMouseEventResult CPageContainer::onMouseDown(CPoint& where, const long& buttons)
{
    const CMouseEventResult result = CViewContainer::onMouseDown(where, buttons);
    if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    return result;
}

bool CPageContainer::isTypeOf(const char* type) const
{
    return std::strcmp(type, "CPageContainer") == 0 || CViewContainer::isTypeOf(type);
}
