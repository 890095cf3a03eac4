// The pop-up of an aim button: one row per matrix slot whose source is the button's
// modulator, each with the slot's power switch, target list, depth read-out and a delete
// button. The rows are added to the frame itself (above the pop-up); power, target and
// depth have the editor as listener and change their parameters like any other control.
// A press on the pop-up's own background closes it. A delete records one matrix undo
// step and empties the slot; the rows are rebuilt at the next idle (CAimControl::Idle),
// never from inside the press that deleted one. User-interface thread.
#pragma once

#include "vstgui/ControlListener.h"
#include "vstgui/ViewContainer.h"

#include "Morvex.h"

class CAimControl;
class CBaseListControl;
class CListMenuDelegate;

namespace VSTGUI
{
class CBitmap;
class CFontDesc;
class CKickButton;
class CControl;
} // namespace VSTGUI

// The pop-up's pictures and font (each remembered by the pop-up; null font: the default).
struct MOD_POPUP_ART
{
    VSTGUI::CBitmap* frame = nullptr;        // "ModPopup.png"
    VSTGUI::CBitmap* rowFill = nullptr;      // "ModPopupFill.png", one row high
    VSTGUI::CBitmap* powerButton = nullptr;  // "MatrixPowerButton.png", off above on
    VSTGUI::CBitmap* deleteButton = nullptr; // "ModDeleteButton.png", released above pressed
    VSTGUI::CFontDesc* font = nullptr;       // 9 point, for the target and depth lists
};

class CModPopup : public VSTGUI::CViewContainer, public VSTGUI::CControlListener
{
public:
    static constexpr long kDeleteTag = 10000; // + slot
    static constexpr int kAimOffsetX = 269;   // the pop-up's left edge, left of the aim's centre
    static constexpr int kAimOffsetY = 30;    // its top, above the aim button's top
    static constexpr int kHeaderHeight = 79;  // frame image drawn above the rows
    static constexpr int kFooterSourceY = 102; // the frame image's bottom part starts here
    static constexpr int kFirstRowY = 80;
    static constexpr int kRowPitch = 23;
    static constexpr int kPowerX = 54;
    static constexpr int kTargetLeft = 76, kTargetRight = 199;
    static constexpr int kDepthLeft = 206, kDepthRight = 265;
    static constexpr int kListHeight = 19;
    static constexpr int kDeleteX = 272;

    // `rowListener` (the editor) hears the power, target and depth rows; `targetMenu`
    // fills the target lists' menus (not owned; null lists the plain range).
    CModPopup(CMorvex* effect, CAimControl* aim, int modulator, const MOD_POPUP_ART& art,
              VSTGUI::CControlListener* rowListener, CListMenuDelegate* targetMenu);
    ~CModPopup() override;
    CModPopup(const CModPopup&) = delete;

    // Lays the pop-up out under its aim button and adds one row per slot of the
    // modulator to the frame. Does nothing unless the aim button is attached.
    void Attach();
    // Removes and releases every row.
    void Detach();
    // Sets each row from the current parameter values.
    void Update();
    // Closes: rows gone, the pop-up out of the frame.
    void Close();

    bool IsRebuildPending() const { return m_rebuildPending; }
    void SetRebuildPending(bool pending) { m_rebuildPending = pending; }
    int GetRowCount() const { return m_rowCount; }
    // Row controls (tests, the editor's overlay): null beyond the rows.
    VSTGUI::CControl* GetPowerButton(int row) const;
    CBaseListControl* GetTargetList(int row) const;
    CBaseListControl* GetDepthList(int row) const;
    VSTGUI::CKickButton* GetDeleteButton(int row) const;

    void valueChanged(VSTGUI::CControl* control) override;
    void drawBackgroundRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const long& buttons) override;

    bool isTypeOf(const char* type) const override;
    VSTGUI::CBaseObject* newCopy() const override { return nullptr; }

private:
    void AddRow(VSTGUI::CFrame* frame, int row, int slot);
    static void RemoveRowControl(VSTGUI::CView* view);

    CMorvex* m_effect;
    CAimControl* m_aim;
    int m_modulator;
    MOD_POPUP_ART m_art;
    VSTGUI::CControlListener* m_rowListener;
    CListMenuDelegate* m_targetMenu;
    int m_rowCount = 0;
    VSTGUI::CControl* m_powerButtons[MorvexParam::kNumMatrixSlots] = {};
    CBaseListControl* m_targetLists[MorvexParam::kNumMatrixSlots] = {};
    CBaseListControl* m_depthLists[MorvexParam::kNumMatrixSlots] = {};
    VSTGUI::CKickButton* m_deleteButtons[MorvexParam::kNumMatrixSlots] = {};
    bool m_rebuildPending = false;
};
