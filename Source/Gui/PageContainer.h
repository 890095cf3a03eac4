// A page of the editor that lies over other views (the matrix page, the compact
// window's master view): a view container whose empty places take the click, so
// that a press on the page's background never reaches the controls it covers.
// User-interface thread.
#pragma once

#include "vstgui/ViewContainer.h"

class CPageContainer : public VSTGUI::CViewContainer
{
public:
    CPageContainer(const VSTGUI::CRect& size, VSTGUI::CFrame* frame, VSTGUI::CBitmap* background);

    // The page's own views first; a press on the background ends there.
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }
};
