#include "ModPopup.h"

#include "Common/wrappers/BaseListControl.h"
#include "Common/wrappers/BaseOnOffButton.h"
#include "Gui/AimControl.h"
#include "Gui/MatrixSlots.h"
#include "Processing/ModulationMatrix.h"
#include "UndoItems.h"
#include "vstgui/Bitmap.h"
#include "vstgui/Font.h"
#include "vstgui/Frame.h"
#include "vstgui/KickButton.h"

#include <algorithm>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
template <class TObject>
void Remember(TObject* object)
{
    if (object)
        object->remember();
}
template <class TObject>
void Forget(TObject* object)
{
    if (object)
        object->forget();
}
CCoord Width(CBitmap* bitmap)
{
    return bitmap ? bitmap->getWidth() : 0;
}
CCoord Height(CBitmap* bitmap)
{
    return bitmap ? bitmap->getHeight() : 0;
}
} // namespace

CModPopup::CModPopup(CMorvex* effect, CAimControl* aim, int modulator, const MOD_POPUP_ART& art,
                     CControlListener* rowListener, CListMenuDelegate* targetMenu)
    : CViewContainer(CRect(0, 0, Width(art.frame), Height(art.frame)), nullptr, nullptr),
      m_effect(effect), m_aim(aim), m_modulator(modulator), m_art(art),
      m_rowListener(rowListener), m_targetMenu(targetMenu)
{
    Remember(m_art.frame);
    Remember(m_art.rowFill);
    Remember(m_art.powerButton);
    Remember(m_art.deleteButton);
    Remember(m_art.font);
}

CModPopup::~CModPopup()
{
    Detach();
    Forget(m_art.frame);
    Forget(m_art.rowFill);
    Forget(m_art.powerButton);
    Forget(m_art.deleteButton);
    Forget(m_art.font);
}

void CModPopup::Attach()
{
    if (!m_aim || !m_aim->isAttached() || !m_effect)
        return;
    CFrame* frame = m_aim->getFrame();
    if (!frame)
        return;
    Detach();
    CModulationMatrix* matrix = m_effect->GetModulationMatrix();
    const int count = std::min(matrix->GetParamsCountForMod(m_modulator), kNumMatrixSlots);
    const CCoord rowHeight = Height(m_art.rowFill);

    // Anchored on the aim button in frame coordinates.
    const CRect& aimRect = m_aim->getViewSize();
    CPoint anchor(aimRect.left + aimRect.getWidth() * 0.5, aimRect.top);
    m_aim->localToFrame(anchor);
    const CCoord left = std::floor(anchor.x) - kAimOffsetX;
    const CCoord top = anchor.y - kAimOffsetY;
    const CRect size(left, top, left + Width(m_art.frame),
                     top + count * rowHeight + Height(m_art.frame));
    setViewSize(size);
    setMouseableArea(size);

    for (int row = 0; row < count; ++row)
    {
        const int slot = matrix->GetSlotIDForMod(m_modulator, row);
        if (slot < 0 || slot >= kNumMatrixSlots)
            break;
        AddRow(frame, row, slot);
        m_rowCount = row + 1;
    }
    Update();
    invalid();
}

void CModPopup::AddRow(CFrame* frame, int row, int slot)
{
    const CCoord x = m_size.left;
    const CCoord y = m_size.top + kFirstRowY + kRowPitch * row;
    const CColor white(255, 255, 255, 255);

    const CCoord powerHeight = Height(m_art.powerButton) / 2;
    auto* power = new CBaseOnOffButton(
        CRect(x + kPowerX, y, x + kPowerX + Width(m_art.powerButton), y + powerHeight),
        m_rowListener, kMtxPower + slot, m_art.powerButton);
    auto* target = new CBaseListControl(
        m_effect, CRect(x + kTargetLeft, y, x + kTargetRight, y + kListHeight), m_rowListener,
        kMtxTarget + slot, false, m_art.font, white, m_targetMenu);
    auto* depth = new CBaseListControl(
        m_effect, CRect(x + kDepthLeft, y, x + kDepthRight, y + kListHeight), m_rowListener,
        kMtxDepth + slot, false, m_art.font, white, nullptr);
    depth->SetMenuEnabled(false); // a read-out that is dragged
    const CCoord deleteHeight = Height(m_art.deleteButton) / 2;
    auto* erase = new CKickButton(
        CRect(x + kDeleteX, y, x + kDeleteX + Width(m_art.deleteButton), y + deleteHeight), this,
        kDeleteTag + slot, deleteHeight, m_art.deleteButton);

    m_powerButtons[row] = power;
    m_targetLists[row] = target;
    m_depthLists[row] = depth;
    m_deleteButtons[row] = erase;
    // The frame takes the creation reference; the row arrays keep one of their own so
    // that the controls outlive a frame that is torn down first.
    for (CView* view : {static_cast<CView*>(power), static_cast<CView*>(target),
                        static_cast<CView*>(depth), static_cast<CView*>(erase)})
    {
        view->remember();
        frame->addView(view);
    }
}

void CModPopup::RemoveRowControl(CView* view)
{
    if (!view)
        return;
    if (auto* parent = dynamic_cast<CViewContainer*>(view->getParentView()))
        parent->removeView(view, true);
    view->forget();
}

void CModPopup::Detach()
{
    for (int row = 0; row < kNumMatrixSlots; ++row)
    {
        RemoveRowControl(m_powerButtons[row]);
        RemoveRowControl(m_targetLists[row]);
        RemoveRowControl(m_depthLists[row]);
        RemoveRowControl(m_deleteButtons[row]);
        m_powerButtons[row] = nullptr;
        m_targetLists[row] = nullptr;
        m_depthLists[row] = nullptr;
        m_deleteButtons[row] = nullptr;
    }
    m_rowCount = 0;
}

void CModPopup::Update()
{
    for (int row = 0; row < m_rowCount; ++row)
    {
        const int slot = static_cast<int>(m_deleteButtons[row]->getTag() - kDeleteTag);
        m_powerButtons[row]->setValue(MatrixSlots::StoredScaled(m_effect, kMtxPower + slot));
        m_targetLists[row]->setValue(MatrixSlots::StoredScaled(m_effect, kMtxTarget + slot));
        m_depthLists[row]->setValue(MatrixSlots::StoredScaled(m_effect, kMtxDepth + slot));
    }
}

void CModPopup::Close()
{
    Detach();
    if (auto* parent = dynamic_cast<CViewContainer*>(getParentView()))
        parent->removeView(this, true); // the frame's reference; the aim button keeps its own
}

CControl* CModPopup::GetPowerButton(int row) const
{
    return row >= 0 && row < m_rowCount ? m_powerButtons[row] : nullptr;
}
CBaseListControl* CModPopup::GetTargetList(int row) const
{
    return row >= 0 && row < m_rowCount ? m_targetLists[row] : nullptr;
}
CBaseListControl* CModPopup::GetDepthList(int row) const
{
    return row >= 0 && row < m_rowCount ? m_depthLists[row] : nullptr;
}
CKickButton* CModPopup::GetDeleteButton(int row) const
{
    return row >= 0 && row < m_rowCount ? m_deleteButtons[row] : nullptr;
}

void CModPopup::valueChanged(CControl* control)
{
    const long tag = control ? control->getTag() : -1;
    if (tag >= kDeleteTag && tag < kDeleteTag + kNumMatrixSlots && control->getValue() > 0.0f)
    {
        const int slot = static_cast<int>(tag - kDeleteTag);
        m_effect->AddUndoItem(new CMatrixUndoItem(m_effect));
        // The slot may have been given to another modulator meanwhile: then it stays.
        if (MatrixSlots::Source(m_effect, slot) == m_modulator)
        {
            m_effect->RefreshParameter(kMtxSource + slot, 0.0f);
            m_effect->RefreshParameter(kMtxTarget + slot, 0.0f);
            m_effect->RefreshParameter(kMtxDepth + slot, 0.5f);
            m_effect->RefreshParameter(kMtxPower + slot, 1.0f);
        }
    }
    // Rows are rebuilt at the next idle, not under the press of one of them.
    invalid();
    m_rebuildPending = true;
}

void CModPopup::drawBackgroundRect(CDrawContext* context, const CRect& /*rect*/)
{
    const CCoord width = getWidth();
    const CCoord height = getHeight();
    const CCoord frameHeight = Height(m_art.frame);
    const CCoord rowHeight = Height(m_art.rowFill);
    if (m_art.frame)
        m_art.frame->draw(context, CRect(0, 0, width, kHeaderHeight), CPoint(0, 0));
    CCoord y = kHeaderHeight;
    if (m_art.rowFill)
    {
        for (int row = 0; row < m_rowCount; ++row, y += rowHeight)
            m_art.rowFill->draw(context, CRect(0, y, width, y + rowHeight), CPoint(0, 0));
    }
    if (m_art.frame)
    {
        // Below the rows: the frame image's part between its header and its bottom
        // edge, then the bottom edge (from kFooterSourceY down) closing the pop-up.
        const CCoord footer = frameHeight - kFooterSourceY;
        const CCoord footerTop = height - footer;
        if (footerTop > y)
            m_art.frame->draw(context, CRect(0, y, width, footerTop), CPoint(0, kHeaderHeight));
        m_art.frame->draw(context, CRect(0, footerTop, width, height), CPoint(0, kFooterSourceY));
    }
    setDirty(false);
}

CMouseEventResult CModPopup::onMouseDown(CPoint& where, const long& buttons)
{
    const CMouseEventResult result = CViewContainer::onMouseDown(where, buttons);
    if (result != kMouseEventNotHandled && result != kMouseEventNotImplemented)
        return result;
    // The background (the rows lie above the pop-up in the frame): close.
    Close();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool CModPopup::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CModPopup") || CViewContainer::isTypeOf(type);
}
