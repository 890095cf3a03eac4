#include "AimControl.h"

#include "Common/wrappers/ControlGestureListener.h"
#include "Gui/AimHost.h"
#include "Gui/MatrixSlots.h"
#include "Morvex.h"
#include "Processing/ModulationMatrix.h"
#include "vstgui/Bitmap.h"
#include "vstgui/Frame.h"

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
void Remember(CBitmap* bitmap)
{
    if (bitmap)
        bitmap->remember();
}
void Forget(CBitmap* bitmap)
{
    if (bitmap)
        bitmap->forget();
}
} // namespace

CAimControl::CAimControl(CMorvex* effect, IAimHost* host, const CRect& size, int modulator,
                         const AIM_BUTTON_ART& art, const MOD_POPUP_ART& popupArt,
                         CControlListener* rowListener, CListMenuDelegate* targetMenu)
    : CKickButton(size, nullptr, -1, size.getHeight(), art.disabled), m_effect(effect),
      m_host(host), m_modulator(modulator), m_art(art),
      m_popup(new CModPopup(effect, this, modulator, popupArt, rowListener, targetMenu))
{
    Remember(m_art.normal);
    Remember(m_art.tremolo);
    Remember(m_art.disabled);
}

CAimControl::~CAimControl()
{
    if (IsPopupOpen())
        m_popup->Close();
    m_popup->forget();
    Forget(m_art.normal);
    Forget(m_art.tremolo);
    Forget(m_art.disabled);
}

bool CAimControl::IsPopupOpen() const
{
    return m_popup->getParentView() != nullptr;
}

void CAimControl::Update()
{
    if (!m_effect)
        return;
    const int tremoloId = kModTremolo + m_modulator;
    bool tremolo = MatrixSlots::StoredScaled(m_effect, tremoloId) > 0.0f;
    if (const PARAM_MODULATION* modulation = m_effect->GetParameterModulation(tremoloId))
        tremolo = tremolo || modulation->count > 0;
    LOOK look = kLookDisabled;
    if (tremolo)
        look = kLookTremolo;
    else if (m_effect->GetModulationMatrix()->GetParamsCountForMod(m_modulator) > 0)
        look = kLookNormal;
    CBitmap* bitmap = look == kLookTremolo ? m_art.tremolo
                      : look == kLookNormal ? m_art.normal
                                            : m_art.disabled;
    m_look = look;
    if (bitmap && bitmap != m_background)
        setBackground(bitmap);
}

void CAimControl::Idle()
{
    Update();
    if (!m_popup->IsRebuildPending())
        return;
    m_popup->SetRebuildPending(false);
    if (!IsPopupOpen())
        return;
    // Out of the frame and in again: the pop-up and its new rows lie above everything.
    OpenPopup();
}

void CAimControl::OpenPopup()
{
    CFrame* frame = getFrame();
    if (!frame || !isAttached())
        return;
    if (IsPopupOpen())
        m_popup->Close();
    m_popup->remember(); // the frame's reference; ours stays
    frame->addView(m_popup);
    m_popup->Attach();
    Update();
}

CMouseEventResult CAimControl::onMouseDown(CPoint& where, const long& buttons)
{
    if (ControlGestures::IsContextClick(buttons))
    {
        m_aiming = false;
        OpenPopup();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    m_aiming = true;
    Update();
    CKickButton::onMouseDown(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CAimControl::onMouseUp(CPoint& where, const long& buttons)
{
    if (m_aiming)
    {
        const int id = m_host ? m_host->GetHoverParamID() : -1;
        if (m_effect && CBaseEffect::IsValidId(id))
        {
            const uint32_t before = MatrixSlots::SlotsTargeting(m_effect, id);
            m_effect->AddModulation(id, m_modulator, true);
            // The control shows the slot just made (the first free slot may lie before
            // the slots that already target the parameter). None when the matrix is full.
            const uint32_t added = MatrixSlots::SlotsTargeting(m_effect, id) & ~before;
            if (added && m_host)
            {
                int slot = 0;
                while (!(added & (1u << slot)))
                    ++slot;
                m_host->ShowModulation(id, slot);
            }
        }
        m_aiming = false;
        Update();
        // Erases the aim line whether or not it hit something.
        if (m_host)
            m_host->RedrawFrame();
    }
    return CKickButton::onMouseUp(where, buttons);
}

bool CAimControl::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CAimControl") || CKickButton::isTypeOf(type);
}
