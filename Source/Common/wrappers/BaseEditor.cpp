#include "BaseEditor.h"

#include "BaseAnimKnob.h"
#include "BaseFrame.h"
#include "BaseHorizontalSelector.h"
#include "BaseHorizontalSlider.h"
#include "BaseListControl.h"
#include "BaseOnOffButton.h"
#include "BaseReadOut.h"
#include "BaseVerticalSelector.h"
#include "BaseVerticalSlider.h"
#include "StepAnimKnob.h"
#include "VSTwrapper/VstWrapper.h"
#include "vstgui/Bitmap.h"
#include "vstgui/Frame.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"

using namespace VSTGUI;

namespace
{
// Slider styles of the factories: vertical with the minimum at the bottom, and
// horizontal with the minimum at the left.
constexpr long kVerticalSliderStyle = 64;
constexpr long kHorizontalSliderStyle = 8;

int AtLeastOne(int count)
{
    return count < 1 ? 1 : count;
}
} // namespace

CBaseEditor::CBaseEditor(CBaseEffect* effect)
    : AEffGUIEditor(effect ? effect->GetWrapper() : nullptr), m_effect(effect)
{
    for (int id = 0; id < kNumParameters; ++id)
    {
        m_pendingValue[id].store(0.0f, std::memory_order_relaxed);
        m_pendingSet[id].store(false, std::memory_order_relaxed);
        m_pendingRedraw[id].store(false, std::memory_order_relaxed);
    }
}

CBaseEditor::~CBaseEditor()
{
    CloseWindow();
    if (m_background)
        m_background->forget();
}

// ---------------------------------------------------------------------------------------------
// Threads

bool CBaseEditor::IsUiThread() const
{
    return IsEditorOpen() && m_uiThread.load(std::memory_order_acquire) == std::this_thread::get_id();
}

bool CBaseEditor::DeferToUiThread(int id, float value)
{
    if (!IsEditorOpen() || IsUiThread())
        return false;
    if (CBaseEffect::IsValidId(id))
    {
        m_pendingValue[id].store(value, std::memory_order_relaxed);
        m_pendingSet[id].store(true, std::memory_order_release);
    }
    m_anyPending.store(true, std::memory_order_release);
    return true;
}

void CBaseEditor::ApplyPendingChanges()
{
    if (!m_anyPending.exchange(false, std::memory_order_acq_rel))
        return;
    if (m_pendingUpdateAll.exchange(false, std::memory_order_acq_rel))
        UpdateAllControls();
    for (int id = 0; id < kNumParameters; ++id)
    {
        if (m_pendingRedraw[id].exchange(false, std::memory_order_acq_rel))
            UpdateControl(id);
        if (m_pendingSet[id].exchange(false, std::memory_order_acq_rel))
            OnSetParameter(id, m_pendingValue[id].load(std::memory_order_relaxed));
    }
}

// ---------------------------------------------------------------------------------------------
// Notifications from the effect

void CBaseEditor::MoveControl(CControl* control, float value)
{
    if (!control || !control->isAttached())
        return;
    control->setValue(value);
    if (control->isDirty())
        control->invalid();
}

void CBaseEditor::OnSetParameter(int id, float value)
{
    // Only atomics are touched before we know we are on the user-interface thread.
    if (!IsEditorOpen() || DeferToUiThread(id, value))
        return;
    if (!m_frame || !CBaseEffect::IsValidId(id))
        return;
    MoveControl(m_controls[id], value);
    MoveControl(m_readOuts[id], value);
}

void CBaseEditor::UpdateControl(int id)
{
    if (!IsEditorOpen() || !CBaseEffect::IsValidId(id))
        return;
    if (!IsUiThread())
    {
        m_pendingRedraw[id].store(true, std::memory_order_release);
        m_anyPending.store(true, std::memory_order_release);
        return;
    }
    if (m_controls[id])
        m_controls[id]->setDirty(true);
    if (m_readOuts[id])
        m_readOuts[id]->setDirty(true);
}

void CBaseEditor::UpdateAllControls()
{
    if (!IsEditorOpen())
        return;
    if (!IsUiThread())
    {
        m_pendingUpdateAll.store(true, std::memory_order_release);
        m_anyPending.store(true, std::memory_order_release);
        return;
    }
    for (int id = 0; id < kNumParameters; ++id)
        OnSetParameter(id, m_effect->GetParameterScaled(id, false, false, 0));
}

bool CBaseEditor::SetFrameSize(int width, int height)
{
    if (!m_frame || !IsEditorOpen())
        return false;
    const double scale = m_scale > 0.0 ? m_scale : 1.0;
    return m_frame->setSize(width / scale, height / scale);
}

bool CBaseEditor::HasOpenFrame()
{
    return m_frame != nullptr && IsEditorOpen();
}

// ---------------------------------------------------------------------------------------------
// User edits

void CBaseEditor::valueChanged(CControl* control)
{
    if (!control || !m_effect)
        return;
    const long tag = control->getTag();
    // Menus report through their own handlers.
    if (tag < 0 || tag >= kNumParameters || control->isTypeOf("COptionMenu"))
        return;
    const int id = static_cast<int>(tag);
    const float value = control->getValue();
    m_effect->SetParameterScaled(id, value);
    m_effect->OnSetParameter(id, value);
    // The model may have quantised or clamped the value: the host hears what it stored,
    // the value it reads back.
    const float stored = m_effect->GetParameterScaled(id, false, false, 0);
    m_effect->HostSetParameterAutomated(id, stored);
    if (control->isTypeOf("CBaseAnimKnob") || control->isTypeOf("CBaseListControl"))
    {
        // Show what it stored; a list dragged between steps starts its next drag there.
        OnSetParameter(id, stored);
    }
    else if (control->isTypeOf("CBaseReadOut"))
    {
        OnSetParameter(id, value);
        if (CControl* knob = m_controls[id])
        {
            knob->setValue(value);
            if (knob->isDirty())
                knob->invalid();
        }
    }
}

void CBaseEditor::OnControlMouseDown(long tag, bool contextClick)
{
    if (contextClick || !m_effect || !CBaseEffect::IsValidId(static_cast<int>(tag)))
        return;
    const int id = static_cast<int>(tag);
    // One bracket per gesture, however many presses a control reports inside it.
    if (m_gestureOpen[id])
        return;
    m_gestureOpen[id] = true;
    m_effect->HostBeginEdit(id);
}

void CBaseEditor::OnControlMouseUp(long tag, bool contextClick)
{
    if (contextClick || !m_effect || !CBaseEffect::IsValidId(static_cast<int>(tag)))
        return;
    const int id = static_cast<int>(tag);
    if (!m_gestureOpen[id])
        return;
    m_gestureOpen[id] = false;
    m_effect->HostEndEdit(id);
}

void CBaseEditor::OnControlDoubleClick(long tag)
{
    if (!m_effect || !CBaseEffect::IsValidId(static_cast<int>(tag)))
        return;
    const int id = static_cast<int>(tag);
    // The press of the double-click has usually opened the gesture already: the reset
    // then happens inside it, so that the host and the undo history see one change.
    const bool ownBracket = !m_gestureOpen[id];
    if (ownBracket)
        m_effect->HostBeginEdit(id);
    m_effect->ResetParameter(id);
    const float value = m_effect->GetParameterScaled(id, false, false, 0);
    m_effect->HostSetParameterAutomated(id, value);
    if (ownBracket)
        m_effect->HostEndEdit(id);
    OnSetParameter(id, value);
}

void CBaseEditor::EndOpenGestures()
{
    for (int id = 0; id < kNumParameters; ++id)
    {
        if (!m_gestureOpen[id])
            continue;
        m_gestureOpen[id] = false;
        if (m_effect)
            m_effect->HostEndEdit(id);
    }
}

// ---------------------------------------------------------------------------------------------
// Window

bool CBaseEditor::LoadBackground(const char* name, bool apply)
{
    if (m_background)
        m_background->forget();
    m_background = new CBitmap(name);
    if (!m_background->isLoaded())
    {
        m_background->forget();
        m_background = nullptr;
        return false;
    }
    SetLogicalSize(static_cast<int>(m_background->getWidth()),
                   static_cast<int>(m_background->getHeight()));
    if (apply && m_frame)
        m_frame->setBackground(m_background);
    return true;
}

void CBaseEditor::UpdateBackground()
{
    if (m_frame && m_background)
        m_frame->setBackground(m_background);
}

bool CBaseEditor::OpenOnParent(void* parent, double scale)
{
    return parent && OpenFrame(parent, scale);
}

bool CBaseEditor::OpenOffscreen(double scale)
{
    PrepareSize();
    return OpenFrame(nullptr, scale);
}

bool CBaseEditor::OpenFrame(void* parent, double scale)
{
    if (m_frame)
        CloseWindow();
    if (!m_background)
        return false;
    const CRect size(0, 0, m_background->getWidth(), m_background->getHeight());
    auto* frame = new CBaseFrame(size, this);
    const bool opened = parent ? frame->open(parent, scale) : frame->openOffscreen(scale);
    if (!opened)
    {
        frame->forget();
        return false;
    }
    m_frame = frame;
    m_scale = frame->getScaleFactor();
    m_windowOpen = true;
    frame->setBackground(m_background);
    frame->setMouseObserver(this);
    // Requests queued before this open are stale: the subclass pushes every value anew.
    m_pendingUpdateAll.store(false, std::memory_order_relaxed);
    for (int id = 0; id < kNumParameters; ++id)
    {
        m_pendingSet[id].store(false, std::memory_order_relaxed);
        m_pendingRedraw[id].store(false, std::memory_order_relaxed);
    }
    m_anyPending.store(false, std::memory_order_relaxed);
    m_uiThread.store(std::this_thread::get_id(), std::memory_order_release);
    m_open.store(true, std::memory_order_release);
    return true;
}

void CBaseEditor::CloseWindow()
{
    m_open.store(false, std::memory_order_release);
    ReleaseRegistries();
    AEffGUIEditor::CloseWindow();
}

void CBaseEditor::IdleWindow()
{
    if (!IsEditorOpen())
        return;
    ApplyPendingChanges();
    AEffGUIEditor::IdleWindow();
}

void CBaseEditor::ReleaseRegistries()
{
    EndOpenGestures();
    // Hidden controls are out of the tree: the frame would not release them.
    for (int id = 0; id < kNumParameters; ++id)
    {
        if (m_hidden[id] && m_controls[id])
            m_controls[id]->forget();
        if (m_readOutHidden[id] && m_readOuts[id])
            m_readOuts[id]->forget();
    }
    for (int id = 0; id < kNumParameters; ++id)
    {
        m_controls[id] = nullptr;
        m_readOuts[id] = nullptr;
        m_hidden[id] = false;
        m_readOutHidden[id] = false;
    }
}

// ---------------------------------------------------------------------------------------------
// Factories

void CBaseEditor::RegisterControl(CViewContainer* container, int id, CControl* control,
                                  CBaseReadOut* readOut)
{
    const float value = m_effect->GetParameterScaled(id, false, false, 0);
    m_controls[id] = control;
    m_hidden[id] = false;
    control->setValue(value);
    control->setDefaultValue(value);
    container->addView(control);
    if (readOut)
    {
        m_readOuts[id] = readOut;
        m_readOutHidden[id] = false;
        readOut->SetRefControl(control);
        readOut->setValue(value);
        readOut->setDefaultValue(value);
        container->addView(readOut);
    }
}

CControl* CBaseEditor::AddKnob(CViewContainer* container, int x, int y, int id, int frames,
                               CBitmap* bitmap, CBaseReadOut* readOut)
{
    if (!container || !bitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    frames = AtLeastOne(frames);
    const CCoord frameHeight = bitmap->getHeight() / frames;
    const CRect size(x, y, x + bitmap->getWidth(), y + frameHeight);
    const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
    CBaseAnimKnob* knob = nullptr;
    if (info && info->curve == kCurveStepped)
        knob = new CStepAnimKnob(m_effect, size, this, id, frames, frameHeight, bitmap);
    else
        knob = new CBaseAnimKnob(size, this, id, frames, frameHeight, bitmap);
    RegisterControl(container, id, knob, readOut);
    return knob;
}

CControl* CBaseEditor::AddHorizontalSelector(CViewContainer* container, int x, int y, int id,
                                             int positions, CBitmap* bitmap)
{
    if (!container || !bitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    positions = AtLeastOne(positions);
    const CCoord height = bitmap->getHeight() / positions;
    auto* selector = new CBaseHorizontalSelector(CRect(x, y, x + bitmap->getWidth(), y + height),
                                                 this, id, positions, height, positions, bitmap);
    RegisterControl(container, id, selector, nullptr);
    return selector;
}

CControl* CBaseEditor::AddVerticalSelector(CViewContainer* container, int x, int y, int id,
                                           int positions, CBitmap* bitmap)
{
    if (!container || !bitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    positions = AtLeastOne(positions);
    const CCoord height = bitmap->getHeight() / positions;
    auto* selector = new CBaseVerticalSelector(CRect(x, y, x + bitmap->getWidth(), y + height),
                                               this, id, positions, height, positions, bitmap);
    RegisterControl(container, id, selector, nullptr);
    return selector;
}

CControl* CBaseEditor::AddOnOffButton(CViewContainer* container, int x, int y, int id,
                                      CBitmap* bitmap, long style)
{
    if (!container || !bitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    const CRect size(x, y, x + bitmap->getWidth(), y + bitmap->getHeight() / 2);
    auto* button = new CBaseOnOffButton(size, this, id, bitmap, style);
    RegisterControl(container, id, button, nullptr);
    return button;
}

CControl* CBaseEditor::AddVerticalSlider(CViewContainer* container, const CRect& rect, int id,
                                         CBitmap* handleBitmap)
{
    if (!container || !handleBitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    const long minPos = static_cast<long>(rect.top);
    const long maxPos = static_cast<long>(rect.bottom - handleBitmap->getHeight());
    auto* slider = new CBaseVerticalSlider(rect, this, id, minPos, maxPos, handleBitmap, nullptr,
                                           CPoint(), kVerticalSliderStyle);
    slider->setFreeClick(true);
    RegisterControl(container, id, slider, nullptr);
    return slider;
}

CControl* CBaseEditor::AddHorizontalSlider(CViewContainer* container, const CRect& rect, int id,
                                           CBitmap* handleBitmap)
{
    if (!container || !handleBitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    const long minPos = static_cast<long>(rect.left);
    const long maxPos = static_cast<long>(rect.right - handleBitmap->getWidth());
    auto* slider = new CBaseHorizontalSlider(rect, this, id, minPos, maxPos, handleBitmap,
                                             nullptr, CPoint(), kHorizontalSliderStyle);
    slider->setFreeClick(true);
    RegisterControl(container, id, slider, nullptr);
    return slider;
}

CControl* CBaseEditor::AddListControl(CViewContainer* container, const CRect& rect, int id,
                                      bool menuOnClick, CFontDesc* font, const CColor& color,
                                      CListMenuDelegate* delegate)
{
    if (!container || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    auto* list = new CBaseListControl(m_effect, rect, this, id, menuOnClick, font, color, delegate);
    RegisterControl(container, id, list, nullptr);
    return list;
}

// ---------------------------------------------------------------------------------------------
// Hiding and menus

void CBaseEditor::HideControl(CViewContainer* container, int id)
{
    if (!container || !CBaseEffect::IsValidId(id))
        return;
    if (m_controls[id] && !m_hidden[id] && container->isChild(m_controls[id]))
        m_hidden[id] = container->removeView(m_controls[id], false);
    if (m_readOuts[id] && !m_readOutHidden[id] && container->isChild(m_readOuts[id]))
        m_readOutHidden[id] = container->removeView(m_readOuts[id], false);
}

void CBaseEditor::ShowControl(CViewContainer* container, int id)
{
    if (!container || !CBaseEffect::IsValidId(id))
        return;
    if (m_controls[id] && m_hidden[id] && container->addView(m_controls[id]))
    {
        m_hidden[id] = false;
        // Values that arrived while it was hidden did not reach it.
        if (m_effect)
            m_controls[id]->setValue(m_effect->GetParameterScaled(id, false, false, 0));
        m_controls[id]->invalid();
    }
    if (m_readOuts[id] && m_readOutHidden[id] && container->addView(m_readOuts[id]))
    {
        m_readOutHidden[id] = false;
        if (m_effect)
            m_readOuts[id]->setValue(m_effect->GetParameterScaled(id, false, false, 0));
        m_readOuts[id]->invalid();
    }
}

CControl* CBaseEditor::GetControl(int id) const
{
    return CBaseEffect::IsValidId(id) ? m_controls[id] : nullptr;
}

CBaseReadOut* CBaseEditor::GetReadOut(int id) const
{
    return CBaseEffect::IsValidId(id) ? m_readOuts[id] : nullptr;
}

std::string CBaseEditor::ChooseFromPopupMenu(CControl* control, COptionMenu* menu)
{
    long tag = -1;
    long index = -1;
    const CMenuItem* chosen = ShowPopupMenu(nullptr, control, menu, tag, index);
    std::string title = chosen ? chosen->getTitle() : "";
    if (menu)
        menu->forget();
    return title;
}

CMenuItem* CBaseEditor::ShowPopupMenu(CViewContainer* container, CControl* control,
                                      COptionMenu* menu, long& tag, long& index)
{
    if (!control || !menu)
        return nullptr;
    tag = -1;
    index = -1;
    CFrame* frame = control->getFrame();
    if (!container)
        container = frame;
    if (!container || !frame)
        return nullptr;
    CPoint where;
    frame->getCurrentMouseLocation(where);
    // The menu is the container's child: its rectangle is in the container's coordinates.
    container->frameToLocal(where);
    const CRect spot(where.x, where.y, where.x + 1, where.y + 1);
    menu->setViewSize(spot, false);
    menu->setMouseableArea(spot);
    // The container takes the caller's reference and hands it back on removal.
    if (!container->addView(menu))
        return nullptr;
    menu->takeFocus();
    container->removeView(menu, false);
    long chosenIndex = -1;
    COptionMenu* chosenMenu = menu->getLastItemMenu(chosenIndex);
    if (!chosenMenu || chosenIndex < 0)
        return nullptr;
    tag = chosenMenu->getTag();
    index = chosenIndex;
    return chosenMenu->getCurrent();
}

// ---------------------------------------------------------------------------------------------
// Mouse observer

void CBaseEditor::onMouseEntered(CView* /*view*/, CFrame* /*frame*/) {}

void CBaseEditor::onMouseExited(CView* /*view*/, CFrame* /*frame*/) {}

void CBaseEditor::onMouseMoved(CFrame* frame, const CPoint& /*where*/)
{
    // The plain arrow over the whole editor; the toolkit keeps it when unchanged.
    if (frame)
        frame->setCursor(kCursorDefault);
}

void CBaseEditor::onMouseDown(CFrame* /*frame*/, const CPoint& /*where*/) {}
