// The editor's frame: the toolkit's frame plus the editor that owns it, so that
// the editor can paint overlays above every view (postDraw) after the toolkit
// has drawn the views. User-interface thread.
#pragma once

#include "vstgui/Frame.h"

class CBaseEditor;

class CBaseFrame : public VSTGUI::CFrame
{
public:
    // `size` logical, origin 0, 0. The editor is not owned and may be null (tests).
    CBaseFrame(const VSTGUI::CRect& size, CBaseEditor* editor);

    CBaseEditor* GetEditor() const { return m_editor; }

    // The toolkit's drawing, then the editor's postDraw for the same rectangle.
    void drawRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& updateRect) override;

    bool isTypeOf(const char* type) const override;
    // A frame owns a window and a back buffer: it is never copied.
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }

private:
    CBaseEditor* m_editor;
};
