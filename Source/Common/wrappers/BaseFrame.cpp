#include "BaseFrame.h"

#include "BaseEditor.h"

CBaseFrame::CBaseFrame(const VSTGUI::CRect& size, CBaseEditor* editor)
    : CFrame(size, editor ? editor->GetToolkitInterface() : nullptr), m_editor(editor)
{
}

void CBaseFrame::drawRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& updateRect)
{
    CFrame::drawRect(context, updateRect);
    if (m_editor)
        m_editor->postDraw(context, updateRect);
}

bool CBaseFrame::isTypeOf(const char* type) const
{
    return VSTGUI::IsSameTypeName(type, "CBaseFrame") || CFrame::isTypeOf(type);
}
