#include "Editor.h"

#include "Common/wrappers/BaseMenuButton.h"
#include "Common/wrappers/BaseOnOffButton.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Gui/AimControl.h"
#include "Gui/AimOverlay.h"
#include "Gui/CorrelationMeter.h"
#include "Gui/DecibelMeter.h"
#ifdef MORVEX_HAVE_ARTWORK
#include "Gui/EditorArtwork.h"
#endif
#include "Gui/EditorLayout.h"
#include "Gui/MainPresetBrowser.h"
#include "Gui/ModOptionsMenu.h"
#include "Gui/ModSlider.h"
#include "Gui/ModulationMenu.h"
#include "Gui/ModulationKnob.h"
#include "Gui/MsegControl.h"
#include "Gui/MsegPresetBrowser.h"
#include "Gui/NodePanel.h"
#include "Gui/PageContainer.h"
#include "Gui/RandomizeControl.h"
#include "Gui/SettingsMenu.h"
#include "Gui/StepperControl.h"
#include "Common/wrappers/utilities/FileUtils.h"
#include "Morvex.h"
#include "Platform/Platform.h"
#include "Preferences.h"
#include "Processing/ModulationMatrix.h"
#include "UndoItems.h"
#include "vstgui/vstgui.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
constexpr CColor ToColor(const LAYOUT_COLOUR& colour)
{
    return CColor(colour.red, colour.green, colour.blue, colour.alpha);
}

constexpr CCoord kSmallFontSize = 9.0;
constexpr CCoord kLayerFontSize = 10.0;
constexpr CColor kLayerListColor = ToColor(LayoutPalette::kLayerListText);
constexpr CColor kMatrixListColor{255, 255, 255, 255};
// The toolkit's horizontal slider style (kHorizontal), as the base editor's sliders.
constexpr long kModSliderStyle = 8;

// The artwork is compiled in; the table is handed to the toolkit once per process,
// before the first bitmap of the editor loads.
void RegisterArtwork()
{
#ifdef MORVEX_HAVE_ARTWORK
    static const bool registered = [] {
        RegisterResources(kEditorArtwork, kEditorArtworkCount);
        return true;
    }();
    (void)registered;
#endif
}

// Writes the preferences, making their folder first: on a fresh system nothing else
// may have made it yet, and the window mode would not be kept.
void SavePreferences(CPreferences* preferences)
{
    Platform::CreateFolders(FileUtils::ExtractDirPath(preferences->GetPath()));
    preferences->Save();
}

const KNOB_MOD_STYLE* ModStyleOf(KNOB_SIZE size)
{
    switch (size)
    {
    case kKnobSmall:
        return &SMALL_KNOB_MOD_STYLE;
    case kKnobMedium:
        return &MEDIUM_KNOB_MOD_STYLE;
    case kKnobBig:
        return &BIG_KNOB_MOD_STYLE;
    default:
        return &DEF_MOD_STYLE;
    }
}

CRect LocalRect(const LAYOUT_RECT& rect, const CPoint& origin)
{
    return CRect(rect.x - origin.x, rect.y - origin.y, rect.x + rect.width - origin.x,
                 rect.y + rect.height - origin.y);
}

// Takes a switchable container out of the frame, keeping it (the caller owns it).
void Detach(CFrame* frame, CView* view)
{
    if (frame && view && frame->isChild(view))
        frame->removeView(view, false);
}

void Attach(CFrame* frame, CView* view)
{
    if (frame && view && !frame->isChild(view))
        frame->addView(view);
}
} // namespace

IEffectEditor* CreateMorvexEditor(CBaseEffect* effect)
{
    auto* morvex = dynamic_cast<CMorvex*>(effect);
    return morvex ? new CEditor(morvex) : nullptr;
}

CEditor::CEditor(CMorvex* effect) : CBaseEditor(effect), m_morvex(effect)
{
    // Knobs follow vertical drags (200 pixels for the whole range).
    setKnobMode(kLinearMode);
}

CEditor::~CEditor()
{
    CloseWindow();
}

// ---------------------------------------------------------------------------------------------
// Window mode and size

int CEditor::DecideViewMode()
{
    CPreferences* preferences = m_morvex ? m_morvex->GetPreferences() : nullptr;
    const int stored = preferences ? preferences->GetCompactGuiMode() : -1;
    if (stored == kNormalMode || stored == kCompactMode)
        return stored;
    const int screenHeight = GetScreenHeight();
    if (screenHeight > 0 && screenHeight < kCompactScreenHeight)
    {
        if (preferences)
        {
            preferences->SetCompactGuiMode(kCompactMode);
            SavePreferences(preferences);
        }
        return kCompactMode;
    }
    return kNormalMode;
}

int CEditor::GetScreenHeight() const
{
    return GetDesktopScreenHeight();
}

const char* CEditor::BackgroundName() const
{
    return m_viewMode == kCompactMode ? "cmpt_background.png" : "Background.png";
}

int CEditor::GetEditorViewMode()
{
    if (m_viewMode < 0)
        m_viewMode = DecideViewMode();
    return m_viewMode;
}

void CEditor::PrepareSize()
{
    RegisterArtwork();
    GetEditorViewMode();
    const CBitmap* background = GetBackground();
    if (!background || std::strcmp(background->getResourceName(), BackgroundName()) != 0)
        LoadBackground(BackgroundName(), false);
}

void CEditor::SetEditorViewMode(int mode)
{
    mode = mode < kNormalMode ? kNormalMode : (mode > kCompactMode ? kCompactMode : mode);
    m_viewMode = mode;
    if (!IsEditorOpen() || !m_frame)
        return;
    if (!LoadBackground(BackgroundName(), false))
        return;
    const CCoord width = GetBackground()->getWidth();
    const CCoord height = GetBackground()->getHeight();
    // The host is asked for a window of the scaled size; our frame follows either way.
    const double scale = GetScaleFactor();
    m_morvex->ResizeWindow(static_cast<int>(width * scale + 0.5),
                           static_cast<int>(height * scale + 0.5));
    m_frame->setSize(width, height);
    m_frame->setMouseableArea(CRect(0, 0, width, height));
    UpdateBackground();
    // The settings button runs this from its own press: it survives the rebuild.
    m_rebuilding = true;
    DestroyControls();
    Detach(m_frame, m_settingsButton);
    m_frame->removeAll(true);
    CreateControls();
    UpdateViews();
    UpdateAllControls();
    m_rebuilding = false;
    m_frame->invalid();
}

// ---------------------------------------------------------------------------------------------
// Open, close, idle

bool CEditor::OpenFrame(void* parent, double scale)
{
    PrepareSize();
    if (!CBaseEditor::OpenFrame(parent, scale))
        return false;
    m_smallFont = new CFontDesc("Arial", kSmallFontSize, kNormalFace);
    m_layerFont = new CFontDesc("Arial", kLayerFontSize, kBoldFace);
    m_lastTicks = CFrame::getTicks();
    m_pulseCountdown = AimOverlay::kPulsePeriodMs;
    CreateControls();
    UpdateAllControls();
    return true;
}

void CEditor::CloseWindow()
{
    DestroyControls();
    // Attached to the frame, it goes with it.
    m_settingsButton = nullptr;
    CBaseEditor::CloseWindow();
    ReleaseBitmaps();
    for (CFontDesc** font : {&m_smallFont, &m_layerFont})
    {
        if (*font)
        {
            (*font)->forget();
            *font = nullptr;
        }
    }
}

void CEditor::IdleWindow()
{
    if (!IsEditorOpen() || !m_frame)
        return;
    // Levels and correlation written by the audio thread: single relaxed reads.
    if (m_meters[0])
        m_meters[0]->setValue(m_morvex->GetPeakLeft());
    if (m_meters[1])
        m_meters[1]->setValue(m_morvex->GetPeakRight());
    // Both meters ask for a paint only when what they show changes (a segment, a pixel).
    if (m_correlationMeter)
        m_correlationMeter->setValue(m_morvex->GetCorrelation());
    UpdateUndoButtons();
    // The browser rescans its folder when given a path: only when the path changed.
    if (std::strcmp(m_morvex->GetCurrentPresetPath(), m_shownPresetPath.c_str()) != 0)
        UpdatePresetName();
    // Play cursors of the selected modulator, only while the host plays (the audio thread
    // writes the position; one relaxed read).
    if (m_morvex->IsTransportPlaying())
    {
        CModulationMatrix* matrix = m_morvex->GetModulationMatrix();
        const float position = matrix ? matrix->GetCursorPos(m_selectedMod) : 0.0f;
        // Both editors mark the step the cursor is in: they are redrawn only when it
        // enters another step, not at every idle.
        const float step = std::trunc(position);
        if (m_stepEditor && m_stepEditor->isAttached() &&
            std::trunc(m_stepEditor->GetCursor()) != step)
            m_stepEditor->SetCursor(position);
        if (m_msegEditor && m_msegEditor->isAttached() &&
            std::trunc(m_msegEditor->GetCursor()) != step)
            m_msegEditor->SetCursor(position);
    }
    bool aiming = false;
    for (CAimControl* aim : m_aimControls)
    {
        if (!aim)
            continue;
        aiming = aiming || aim->IsAiming();
        aim->Idle();
    }
    m_pulseCountdown = AimOverlay::AdvancePulse(m_pulseCountdown, m_lastTicks, CFrame::getTicks());
    // The aim line and its pulsing marker are drawn over everything (postDraw).
    if (aiming)
        m_frame->invalid();
    CBaseEditor::IdleWindow();
}

void CEditor::UpdateUndoButtons()
{
    const int undo = m_morvex->GetUndoCount() >= 1 ? 1 : 0;
    const int redo = m_morvex->GetRedoCount() >= 1 ? 1 : 0;
    if (m_undoButton && undo != m_undoShown)
    {
        m_undoButton->setBackground(GetBitmap(undo ? "UndoButton.png" : "UndoButtonDisabled.png"));
        m_undoShown = undo;
    }
    if (m_redoButton && redo != m_redoShown)
    {
        m_redoButton->setBackground(GetBitmap(redo ? "RedoButton.png" : "RedoButtonDisabled.png"));
        m_redoShown = redo;
    }
}

void CEditor::UpdatePresetName()
{
    m_shownPresetPath = m_morvex->GetCurrentPresetPath();
    if (m_presetBrowser)
        m_presetBrowser->SetCurrentPresetPath(m_shownPresetPath.c_str());
}

// ---------------------------------------------------------------------------------------------
// Building the views

CBitmap* CEditor::GetBitmap(const char* name)
{
    if (!name)
        return nullptr;
    auto found = m_bitmaps.find(name);
    if (found != m_bitmaps.end())
        return found->second;
    auto* bitmap = new CBitmap(name);
    if (!bitmap->isLoaded())
    {
        bitmap->forget();
        bitmap = nullptr;
    }
    m_bitmaps[name] = bitmap;
    return bitmap;
}

void CEditor::ReleaseBitmaps()
{
    for (auto& entry : m_bitmaps)
    {
        if (entry.second)
            entry.second->forget();
    }
    m_bitmaps.clear();
}

CViewContainer* CEditor::ContainerFor(int section, int unit, CPoint& origin)
{
    origin = CPoint();
    const LAYOUT_RECT rect = GetSectionRect(m_viewMode, static_cast<LAYOUT_SECTION>(section));
    switch (section)
    {
    case kSectionMaster:
        if (m_viewMode == kCompactMode && m_masterView)
        {
            origin = CPoint(rect.x, rect.y);
            return m_masterView;
        }
        return m_frame;
    case kSectionHeader:
    case kSectionFrame:
    case kSectionModShared:
        return m_frame;
    case kSectionLayer:
        origin = CPoint(rect.x, rect.y);
        return unit >= 0 && unit < 2 ? m_layerViews[unit] : nullptr;
    case kSectionModulator:
        origin = CPoint(rect.x, rect.y);
        return unit >= 0 && unit < kModulatorCount ? m_modViews[unit] : nullptr;
    case kSectionMatrix:
        origin = CPoint(rect.x, rect.y);
        return m_matrixView;
    default:
        return nullptr;
    }
}

void CEditor::CreateControls()
{
    if (!m_frame)
        return;
    m_undoShown = -1;
    m_redoShown = -1;
    // The switchable containers: made detached, UpdateViews attaches the chosen ones.
    if (m_viewMode == kCompactMode)
    {
        const LAYOUT_RECT rect = GetSectionRect(m_viewMode, kSectionMaster);
        m_masterView = new CPageContainer(LocalRect(rect, CPoint()), m_frame,
                                          GetBitmap("cmpt_master_view.png"));
    }
    const LAYOUT_RECT layerRect = GetSectionRect(m_viewMode, kSectionLayer);
    for (CViewContainer*& layer : m_layerViews)
    {
        layer = new CViewContainer(LocalRect(layerRect, CPoint()), m_frame);
        layer->setTransparency(true);
    }
    const LAYOUT_RECT modRect = GetSectionRect(m_viewMode, kSectionModulator);
    for (CViewContainer*& modulator : m_modViews)
    {
        modulator = new CViewContainer(LocalRect(modRect, CPoint()), m_frame);
        modulator->setTransparency(true);
    }
    const LAYOUT_RECT matrixRect = GetSectionRect(m_viewMode, kSectionMatrix);
    m_matrixView = new CPageContainer(
        LocalRect(matrixRect, CPoint()), m_frame,
        GetBitmap(m_viewMode == kCompactMode ? "MatrixViewCmpt.png" : "MatrixView.png"));
    m_modEditorRect = LocalRect(::GetModEditorRect(m_viewMode), CPoint());

    int count = 0;
    const LAYOUT_CONTROL* rows = GetLayoutControls(m_viewMode, count);
    for (int i = 0; i < count; ++i)
    {
        const LAYOUT_CONTROL& row = rows[i];
        // Layer rows repeat for layer B (id + 1), modulator rows for modulators 1..7 (id + m).
        const int instances = row.section == kSectionLayer        ? 2
                              : row.section == kSectionModulator ? kModulatorCount
                                                                  : 1;
        for (int unit = 0; unit < instances; ++unit)
        {
            CPoint origin;
            CViewContainer* container = ContainerFor(row.section, unit, origin);
            if (!container)
                continue;
            const int id = row.paramId >= 0 ? row.paramId + unit : -1;
            CView* view = CreateFromLayout(container, origin, row, id, unit);
            if (view && id >= 0 && row.section == kSectionFrame)
                m_frameRowControls.push_back(view);
        }
    }
    UpdateUndoButtons();
    UpdatePresetName();
}

CView* CEditor::CreateFromLayout(CViewContainer* container, const CPoint& origin,
                                 const LAYOUT_CONTROL& row, int id, int unit)
{
    const CRect rect = LocalRect(row.rect, origin);
    const int x = static_cast<int>(rect.left);
    const int y = static_cast<int>(rect.top);
    switch (row.kind)
    {
    case kLayoutKnob:
    {
        CBaseReadOut* readOut = nullptr;
        if (row.readOut)
            readOut = new CBaseReadOut(m_effect, LocalRect(row.readOutRect, origin), m_smallFont,
                                       ToColor(LayoutPalette::kReadOutText));
        CControl* knob = AddModKnob(container, x, y, id, row.frames, GetBitmap(row.bitmap),
                                    ModStyleOf(row.knobSize), readOut);
        if (!knob && readOut)
            readOut->forget();
        return knob;
    }
    case kLayoutOnOff:
        if (id >= 0)
            return AddOnOffButton(container, x, y, id, GetBitmap(row.bitmap),
                                  COnOffButton::kPreListenerUpdate);
        return CreateTaggedControl(container, rect, row, row.tag);
    case kLayoutHSwitch:
        if (id >= 0)
            return AddHorizontalSelector(container, x, y, id, row.frames, GetBitmap(row.bitmap));
        return CreateTaggedControl(container, rect, row, row.tag);
    case kLayoutVSwitch:
        if (id >= 0)
            return AddVerticalSelector(container, x, y, id, row.frames, GetBitmap(row.bitmap));
        return CreateTaggedControl(container, rect, row, row.tag);
    case kLayoutKick:
        // The modulators' preset stepping buttons: one pair per modulator.
        return CreateTaggedControl(container, rect, row,
                                   row.section == kSectionModulator ? row.tag + unit : row.tag);
    case kLayoutList:
    {
        // Layer lists in the layer font and colour; matrix lists small and white. Both
        // open their menu on a left click.
        const bool layer = row.section == kSectionLayer;
        CListMenuDelegate* delegate = nullptr;
        if (id >= kMtxSource && id < kMtxSource + kNumMatrixSlots)
            delegate = &m_modSourceMenu;
        else if (id >= kMtxTarget && id < kMtxTarget + kNumMatrixSlots)
            delegate = &m_modTargetMenu;
        return AddListControl(container, rect, id, true, layer ? m_layerFont : m_smallFont,
                              layer ? kLayerListColor : kMatrixListColor, delegate);
    }
    case kLayoutSlider:
        return AddModSlider(container, rect, id, GetBitmap(row.bitmap));
    case kLayoutNodePanel:
    {
        if (unit < 0 || unit >= 2)
            return nullptr;
        auto* panel = new CNodePanel(rect, this, m_frame, GetBitmap(row.bitmap), kRoutingNodes);
        container->addView(panel);
        m_nodePanels[unit] = panel;
        return panel;
    }
    case kLayoutRandomize:
    {
        // Module dice carry their layer; the modulator dice follow the selected modulator.
        const int index = row.unit == 0 ? m_selectedMod : unit;
        auto* dice = new CRandomizeControl(m_effect, rect, GetBitmap(row.bitmap), row.unit, index);
        container->addView(dice);
        if (row.unit == 0)
            m_modDice = dice;
        else if (row.unit >= 1 && row.unit <= kModuleDiceCount && unit >= 0 && unit < 2)
            m_moduleDice[unit][row.unit - 1] = dice;
        return dice;
    }
    case kLayoutAim:
        return CreateAimControl(rect, row.unit);
    case kLayoutStepEditor:
        // Shared by all modulators; attached by UpdateModEditorViews while the selected
        // modulator plays steps.
        if (!m_stepEditor)
            m_stepEditor = new CStepperControl(rect, this, kTagStepEditor, this);
        return m_stepEditor;
    case kLayoutMsegEditor:
        if (!m_msegEditor)
        {
            m_msegEditor = new CMsegControl(rect, this, kTagMsegEditor, this);
            m_msegEditor->SetDragMode(m_dragMode);
        }
        return m_msegEditor;
    case kLayoutMeter:
    {
        const int channel = row.tag == kTagMeterRight ? 1 : 0;
        auto* meter =
            new CDecibelMeter(rect, GetBitmap(row.bitmap), GetBitmap("MainMeterOff.png"),
                              kMeterSegments, kMeterMaximumDb, kMeterMinimumDb);
        container->addView(meter);
        m_meters[channel] = meter;
        return meter;
    }
    case kLayoutCorrelation:
        m_correlationMeter = new CCorrelationMeter(rect);
        m_correlationMeter->SetScale(GetScaleFactor());
        container->addView(m_correlationMeter);
        return m_correlationMeter;
    case kLayoutLabel:
    {
        auto* label = new CTextLabel(rect, kVersionText, nullptr, CParamDisplay::kNoFrame);
        label->setFont(m_smallFont);
        label->setFontColor(ToColor(LayoutPalette::kTextSecondary));
        label->setHoriAlign(kLeftText);
        label->setTransparency(true);
        label->setMouseEnabled(false);
        container->addView(label);
        return label;
    }
    case kLayoutBrowser:
    {
        CBasePresetBrowser* browser = nullptr;
        if (row.tag == kTagMainBrowser)
        {
            m_presetBrowser = new CMainPresetBrowser(rect, m_frame, m_effect);
            browser = m_presetBrowser;
        }
        else if (row.tag == kTagModBrowser && unit >= 0 && unit < kModulatorCount)
        {
            m_modPresetBrowsers[unit] = new CMsegPresetBrowser(rect, m_frame, m_effect, unit);
            browser = m_modPresetBrowsers[unit];
        }
        if (!browser)
            return nullptr;
        if (CBitmap* field = GetBitmap(row.bitmap))
            browser->GetMenuButton()->setBackground(field);
        container->addView(browser);
        return browser;
    }
    default:
        return nullptr;
    }
}

CView* CEditor::CreateAimControl(const CRect& rect, int modulator)
{
    if (modulator < 0 || modulator >= kModulatorCount)
        return nullptr;
    AIM_BUTTON_ART art;
    art.normal = GetBitmap("AimButton.png");
    art.tremolo = GetBitmap("AimButtonTremolo.png");
    art.disabled = GetBitmap("AimButtonDisabled.png");
    MOD_POPUP_ART popupArt;
    popupArt.frame = GetBitmap("ModPopup.png");
    popupArt.rowFill = GetBitmap("ModPopupFill.png");
    popupArt.powerButton = GetBitmap("MatrixPowerButton.png");
    popupArt.deleteButton = GetBitmap("ModDeleteButton.png");
    popupArt.font = m_smallFont;
    // The pop-up's rows change their parameters through this editor.
    auto* aim =
        new CAimControl(m_morvex, this, rect, modulator, art, popupArt, this, &m_modTargetMenu);
    m_frame->addView(aim);
    m_aimControls[modulator] = aim;
    aim->Update();
    return aim;
}

CModulationKnob* CEditor::AddModKnob(CViewContainer* container, int x, int y, int id, int frames,
                                     CBitmap* bitmap, const KNOB_MOD_STYLE* style,
                                     CBaseReadOut* readOut)
{
    if (!container || !bitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    frames = frames < 1 ? 1 : frames;
    const CCoord frameHeight = bitmap->getHeight() / frames;
    const CRect strip(x, y, x + bitmap->getWidth(), y + frameHeight);
    auto* knob = new CModulationKnob(m_effect, strip, this, id, frames, frameHeight, bitmap, style);
    RegisterControl(container, id, knob, readOut);
    return knob;
}

CControl* CEditor::AddModSlider(CViewContainer* container, const CRect& rect, int id,
                                CBitmap* handleBitmap)
{
    if (!container || !handleBitmap || !m_effect || !CBaseEffect::IsValidId(id))
        return nullptr;
    auto* slider = new CModSlider(rect, this, id, handleBitmap, kModSliderStyle);
    slider->setFreeClick(true);
    RegisterControl(container, id, slider, nullptr);
    return slider;
}

CControl* CEditor::CreateTaggedControl(CViewContainer* container, const CRect& rect,
                                       const LAYOUT_CONTROL& row, long tag)
{
    CBitmap* bitmap = GetBitmap(row.bitmap);
    const int frames = row.frames < 1 ? 1 : row.frames;
    const CCoord frameHeight = rect.getHeight();
    CControl* control = nullptr;
    switch (row.tag)
    {
    case kTagUndo:
    case kTagRedo:
    case kTagPanic:
    case kTagNextPreset:
    case kTagPrevPreset:
    case kTagModNextPreset:
    case kTagModPrevPreset:
    case kTagModInvert:
    case kTagModOptions:
    case kTagMatrixClose:
    {
        auto* button = new CKickButton(rect, this, tag, frameHeight, bitmap);
        if (row.tag == kTagUndo)
            m_undoButton = button;
        else if (row.tag == kTagRedo)
            m_redoButton = button;
        control = button;
        break;
    }
    case kTagSettings:
        if (m_settingsButton)
        {
            // Kept across a window-mode rebuild: only moved to its new place.
            m_settingsButton->setViewSize(rect);
            m_settingsButton->setMouseableArea(rect);
            container->addView(m_settingsButton);
            m_taggedControls[tag] = m_settingsButton;
            return m_settingsButton;
        }
        m_settingsButton = new CKickButton(rect, this, tag, frameHeight, bitmap);
        control = m_settingsButton;
        break;
    case kTagLayerSelector:
        control = new CHorizontalSwitch(rect, this, tag, frames, frameHeight, frames, bitmap);
        control->setValue(static_cast<float>(m_selectedLayer));
        break;
    case kTagModSelector:
        control = new CHorizontalSwitch(rect, this, tag, frames, frameHeight, frames, bitmap);
        control->setValue(static_cast<float>(m_selectedMod) / (kModulatorCount - 1));
        break;
    case kTagMatrixSwitch:
        control = new COnOffButton(rect, this, tag, bitmap);
        control->setValue(m_matrixShown ? 1.0f : 0.0f);
        break;
    case kTagDragMode:
        control = new COnOffButton(rect, this, tag, bitmap);
        control->setValue(m_dragMode ? 1.0f : 0.0f);
        break;
    case kTagViewSelector:
        control = new CVerticalSwitch(rect, this, tag, frames, frameHeight, frames, bitmap);
        control->setValue(m_masterViewShown ? 1.0f : 0.0f);
        break;
    default:
        return nullptr;
    }
    container->addView(control);
    m_taggedControls[tag] = control;
    return control;
}

CControl* CEditor::GetTaggedControl(long tag) const
{
    const auto found = m_taggedControls.find(tag);
    return found == m_taggedControls.end() ? nullptr : found->second;
}

CRandomizeControl* CEditor::GetRandomizeControl(int layer, int kind) const
{
    if (kind == 0)
        return m_modDice;
    if (layer < 0 || layer >= 2 || kind < 1 || kind > kModuleDiceCount)
        return nullptr;
    return m_moduleDice[layer][kind - 1];
}

void CEditor::DestroyControls()
{
    // An open pop-up's rows live in the frame: closed while the frame still stands.
    for (CAimControl*& aim : m_aimControls)
    {
        if (aim && aim->IsPopupOpen())
            aim->GetPopup()->Close();
        aim = nullptr;
    }
    // Switchable views out of the frame are ours to release; attached ones go with the frame.
    std::vector<CView*> pages = {m_masterView, m_layerViews[0], m_layerViews[1], m_matrixView,
                                 m_stepEditor, m_msegEditor};
    pages.insert(pages.end(), std::begin(m_modViews), std::end(m_modViews));
    for (CView* page : pages)
    {
        if (page && !page->getParentView())
            page->forget();
    }
    m_masterView = nullptr;
    m_layerViews[0] = nullptr;
    m_layerViews[1] = nullptr;
    for (CViewContainer*& modulator : m_modViews)
        modulator = nullptr;
    m_matrixView = nullptr;
    m_stepEditor = nullptr;
    m_msegEditor = nullptr;
    m_nodePanels[0] = nullptr;
    m_nodePanels[1] = nullptr;
    for (CMsegPresetBrowser*& browser : m_modPresetBrowsers)
        browser = nullptr;
    for (auto& layer : m_moduleDice)
    {
        for (CRandomizeControl*& dice : layer)
            dice = nullptr;
    }
    m_modDice = nullptr;
    m_undoButton = nullptr;
    m_redoButton = nullptr;
    m_presetBrowser = nullptr;
    m_meters[0] = nullptr;
    m_meters[1] = nullptr;
    m_correlationMeter = nullptr;
    m_taggedControls.clear();
    m_frameRowControls.clear();
    ReleaseRegistries();
}

// ---------------------------------------------------------------------------------------------
// View switching

void CEditor::UpdateViews()
{
    if (!IsEditorOpen() || !m_frame)
        return;
    std::vector<CView*> pages = {m_masterView, m_layerViews[0], m_layerViews[1], m_matrixView};
    pages.insert(pages.end(), std::begin(m_modViews), std::end(m_modViews));
    for (CView* page : pages)
        Detach(m_frame, page);
    Attach(m_frame, m_layerViews[m_selectedLayer]);
    Attach(m_frame, m_modViews[m_selectedMod]);
    if (m_viewMode == kCompactMode && m_masterViewShown)
        Attach(m_frame, m_masterView);
    // Raised in this order, each group above the ones before: the modulator tabs and their
    // aim buttons above the modulator's container and the master view; the normal window's
    // matrix page above the tabs it covers; the layer selector, the matrix switch and the
    // layer row (which the layer page's rectangle spans) above every page.
    std::vector<CView*> tabs = {GetTaggedControl(kTagModSelector)};
    tabs.insert(tabs.end(), std::begin(m_aimControls), std::end(m_aimControls));
    std::vector<CView*> onTop = {GetTaggedControl(kTagLayerSelector),
                                 GetTaggedControl(kTagMatrixSwitch)};
    onTop.insert(onTop.end(), m_frameRowControls.begin(), m_frameRowControls.end());
    auto raise = [this](const std::vector<CView*>& views) {
        for (CView* view : views)
        {
            if (view && m_frame->isChild(view))
            {
                m_frame->removeView(view, false);
                m_frame->addView(view);
            }
        }
    };
    raise(tabs);
    if (m_viewMode == kNormalMode && m_matrixShown)
        Attach(m_frame, m_matrixView);
    raise(onTop);
    if (CControl* selector = GetTaggedControl(kTagModSelector))
        selector->setValue(static_cast<float>(m_selectedMod) / (kModulatorCount - 1));
    // The compact window's matrix page lies above everything.
    if (m_viewMode == kCompactMode && m_matrixShown)
        Attach(m_frame, m_matrixView);
    UpdateModEditorViews();
    m_frame->invalid();
}

void CEditor::UpdateModEditorViews()
{
    if (!IsEditorOpen() || !m_frame)
        return;
    const int mod = m_selectedMod;
    const bool steps = m_effect->GetParameterScaled(kModMode + mod, false, false, 0) < 0.5f;
    // Gate belongs to the steps, Tension to the curve: one of them at their shared place.
    CViewContainer* container = m_modViews[mod];
    HideControl(container, steps ? kModTension + mod : kModGate + mod);
    ShowControl(container, steps ? kModGate + mod : kModTension + mod);
    CView* shown = steps ? static_cast<CView*>(m_stepEditor) : m_msegEditor;
    CView* hidden = steps ? static_cast<CView*>(m_msegEditor) : m_stepEditor;
    Detach(m_frame, hidden);
    if (shown && !m_frame->isChild(shown))
    {
        // Below the modulator's container and the pages that may cover the section.
        if (m_frame->isChild(container))
            m_frame->addView(shown, container);
        else
            m_frame->addView(shown);
        shown->invalid();
    }
}

void CEditor::UpdateMsegs()
{
    const int mod = m_selectedMod;
    const float shuffle = m_effect->GetParameterScaled(kModShuffle + mod, false, false, 0);
    if (m_stepEditor)
    {
        if (const uint8_t* steps = m_effect->GetRawParameterBlock(kRawBlockSteps + mod))
            m_stepEditor->LoadBlock(steps);
        m_stepEditor->SetLength(static_cast<int>(
            std::trunc(m_effect->GetParameterUnscaled(kModNumSteps + mod, false, false, 0))));
        m_stepEditor->SetShuffle(shuffle);
        m_stepEditor->RedrawControl();
    }
    if (m_msegEditor)
    {
        if (const uint8_t* points = m_effect->GetRawParameterBlock(kRawBlockMsegPoints + mod))
            m_msegEditor->LoadBlock(points);
        // The control bends the curve as the audio maps this parameter.
        m_msegEditor->SetTensionParameter(
            m_effect->GetParameterScaled(kModTension + mod, false, false, 0));
        m_msegEditor->SetShuffle(shuffle);
        m_msegEditor->SetDragMode(m_dragMode);
        m_msegEditor->RedrawControl();
    }
}

void CEditor::AddStepperUndoItem()
{
    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, m_selectedMod));
}

void CEditor::AddMsegUndoItem()
{
    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, m_selectedMod));
}

// ---------------------------------------------------------------------------------------------
// Value traffic

void CEditor::OnSetParameter(int id, float value)
{
    if (!IsEditorOpen() || DeferToUiThread(id, value))
        return;
    if (id >= kMtxPower && id < kMtxTarget + kNumMatrixSlots)
    {
        // A matrix slot changed: the aim buttons' looks, the arcs of the knobs (also of the
        // knob a target change left), and a depth edit shows its slot on the target's knob.
        for (CAimControl* aim : m_aimControls)
        {
            if (aim && aim->isAttached())
                aim->Update();
        }
        const int slot = (id - kMtxPower) % kNumMatrixSlots;
        const bool depth = id >= kMtxDepth && id < kMtxDepth + kNumMatrixSlots;
        const int target =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxTarget + slot, false, false, 0));
        if (id >= kMtxTarget)
        {
            // The knob the slot left is not known any more: every arc is redrawn.
            for (int other = 0; other < kNumParameters; ++other)
            {
                CControl* control = GetControl(other);
                if (control && control->isTypeOf("CModulationKnob"))
                    control->setDirty(true);
            }
        }
        else if (CControl* control = GetControl(target))
        {
            // Power, depth or source: only the target's arc changes (a depth drag redraws
            // one knob, not all of them).
            if (control->isTypeOf("CModulationKnob"))
                control->setDirty(true);
        }
        if (depth && target >= 0)
        {
            if (auto* knob = dynamic_cast<CModulationKnob*>(GetControl(target)))
                knob->OnModDepthChanged(slot);
        }
    }
    else if (id >= kModTremolo && id < kModTremolo + kNumModulators)
    {
        // The aim button of a modulator with tremolo has its own look.
        if (CAimControl* aim = m_aimControls[id - kModTremolo])
            aim->Update();
    }
    CBaseEditor::OnSetParameter(id, value);
    if (id == kModMode + m_selectedMod)
        UpdateModEditorViews();
    // The pattern editors show the selected modulator: its step count, tension and shuffle.
    const int mod = m_selectedMod;
    if (id == kModNumSteps + mod && m_stepEditor)
        m_stepEditor->SetLength(static_cast<int>(
            std::trunc(m_effect->GetParameterUnscaled(id, false, false, 0))));
    if (id == kModTension + mod && m_msegEditor)
        m_msegEditor->SetTensionParameter(m_effect->GetParameterScaled(id, false, false, 0));
    if (id == kModShuffle + mod)
    {
        const float shuffle = m_effect->GetParameterScaled(id, false, false, 0);
        if (m_stepEditor)
            m_stepEditor->SetShuffle(shuffle);
        if (m_msegEditor)
            m_msegEditor->SetShuffle(shuffle);
    }
    FollowDelayLink(id);
}

void CEditor::FollowDelayLink(int id)
{
    if (m_linking)
        return;
    int layer = -1;
    int from = -1;
    int to = -1;
    for (int l = 0; l < 2; ++l)
    {
        if (id == kDelaySpeedL + l || id == kDelayLink + l)
        {
            layer = l;
            from = kDelaySpeedL + l;
            to = kDelaySpeedR + l;
        }
        else if (id == kDelaySpeedR + l)
        {
            layer = l;
            from = kDelaySpeedR + l;
            to = kDelaySpeedL + l;
        }
    }
    if (layer < 0 || m_effect->GetParameterScaled(kDelayLink + layer, false, false, 0) < 0.5f)
        return;
    const float value = m_effect->GetParameterScaled(from, false, false, 0);
    if (m_effect->GetParameterScaled(to, false, false, 0) == value)
        return;
    m_linking = true;
    m_effect->RefreshParameter(to, value);
    m_effect->HostSetParameterAutomated(to, m_effect->GetParameterScaled(to, false, false, 0));
    m_linking = false;
}

void CEditor::UpdateAllControls()
{
    if (!IsEditorOpen())
        return;
    if (!IsUiThread())
    {
        CBaseEditor::UpdateAllControls(); // records the request for the next idle
        return;
    }
    // Routing orders: the tiles show the modules of each layer's order block.
    for (int layer = 0; layer < 2; ++layer)
    {
        const uint8_t* block = m_effect->GetRawParameterBlock(kRawBlockLayerOrder + layer);
        if (!m_nodePanels[layer] || !block)
            continue;
        int32_t stored[kRoutingNodes];
        std::memcpy(stored, block, sizeof(stored));
        int order[kRoutingNodes];
        for (int k = 0; k < kRoutingNodes; ++k)
            order[k] = static_cast<int>(stored[k]);
        m_nodePanels[layer]->SetNodeOrder(order);
    }
    UpdateViews();
    for (CMsegPresetBrowser* browser : m_modPresetBrowsers)
    {
        if (browser)
            browser->UpdateFromEffect();
    }
    if (m_modDice)
        m_modDice->SetTarget(CRandomizer::kModulator, m_selectedMod);
    UpdateMsegs();
    CBaseEditor::UpdateAllControls();
    UpdatePresetName();
    for (CAimControl* aim : m_aimControls)
    {
        if (aim)
            aim->Update();
    }
    if (m_frame)
        m_frame->invalid();
}

void CEditor::valueChanged(CControl* control)
{
    if (!control)
        return;
    const long tag = control->getTag();
    if (tag < kTagLayerSelector)
    {
        CBaseEditor::valueChanged(control);
        // The model's own reaction to these is the editor's to show: the linked speed
        // follows (knobs already went through OnSetParameter), the matrix rows update
        // the aim buttons and arcs.
        const bool link = tag == kDelayLink || tag == kDelayLink + 1;
        const bool matrix = tag >= kMtxDepth && tag < kMtxTarget + kNumMatrixSlots;
        if (link || matrix)
            OnSetParameter(static_cast<int>(tag),
                           m_effect->GetParameterScaled(static_cast<int>(tag), false, false, 0));
        // The selected modulator's mode swaps its editor and its Gate / Tension knob.
        if (tag == kModMode + m_selectedMod)
            UpdateModEditorViews();
        return;
    }
    const bool pressed = control->getValue() > 0.5f;
    if (tag >= kTagModNextPreset && tag < kTagModPrevPreset + kModulatorCount)
    {
        const bool next = tag < kTagModPrevPreset;
        const long mod = tag - (next ? kTagModNextPreset : kTagModPrevPreset);
        CMsegPresetBrowser* browser = m_modPresetBrowsers[mod];
        if (pressed && browser)
        {
            if (next)
                browser->SelectNextPreset();
            else
                browser->SelectPrevPreset();
        }
        return;
    }
    switch (tag)
    {
    case kTagPanic:
        if (pressed)
            m_morvex->RequestReset();
        break;
    case kTagUndo:
        if (pressed)
            m_morvex->Undo();
        UpdateUndoButtons();
        break;
    case kTagRedo:
        if (pressed)
            m_morvex->Redo();
        UpdateUndoButtons();
        break;
    case kTagSettings:
        if (pressed && !m_rebuilding && m_settingsButton)
        {
            CKickButton* button = m_settingsButton; // survives a window-mode rebuild
            CSettingsMenu::Run(this, button);
            button->setValue(0.0f);
            button->invalid();
        }
        break;
    case kTagStepEditor:
        if (m_stepEditor)
        {
            // The pattern and its length into the selected modulator.
            const int mod = m_selectedMod;
            uint8_t block[kRawBlockStepsSize];
            m_stepEditor->StoreBlock(block);
            m_effect->SetRawParameterBlock(kRawBlockSteps + mod, block);
            const int id = kModNumSteps + mod;
            const float scaled =
                m_effect->UnscaledValueToScaled(id, static_cast<float>(m_stepEditor->GetLength()));
            m_effect->UpdateParameter(id, scaled);
            m_effect->HostSetParameterAutomated(id, scaled);
        }
        break;
    case kTagMsegEditor:
        if (m_msegEditor)
        {
            uint8_t block[kRawBlockMsegPointsSize];
            m_msegEditor->StoreBlock(block);
            m_effect->SetRawParameterBlock(kRawBlockMsegPoints + m_selectedMod, block);
        }
        break;
    case kTagModInvert:
        if (pressed)
        {
            const bool steps =
                m_effect->GetParameterScaled(kModMode + m_selectedMod, false, false, 0) < 0.5f;
            // The editor hears the inverted pattern and stores it (one undo step, recorded
            // by the control's host hook).
            if (steps && m_stepEditor)
            {
                AddStepperUndoItem();
                m_stepEditor->Invert();
                m_stepEditor->invalid();
            }
            else if (!steps && m_msegEditor)
            {
                AddMsegUndoItem();
                m_msegEditor->Invert();
                m_msegEditor->invalid();
            }
        }
        break;
    case kTagModOptions:
        if (pressed)
            CModOptionsMenu::Run(this, control);
        break;
    case kTagNextPreset:
    case kTagPrevPreset:
        if (pressed && m_presetBrowser)
        {
            if (tag == kTagNextPreset)
                m_presetBrowser->SelectNextPreset();
            else
                m_presetBrowser->SelectPrevPreset();
        }
        break;
    case kTagLayerSelector:
        m_selectedLayer = pressed ? 1 : 0;
        UpdateAllControls();
        break;
    case kTagModSelector:
    {
        const long mod = std::lround(control->getValue() * (kModulatorCount - 1));
        m_selectedMod =
            static_cast<int>(mod < 0 ? 0 : (mod >= kModulatorCount ? kModulatorCount - 1 : mod));
        UpdateAllControls();
        break;
    }
    case kTagMatrixSwitch:
        m_matrixShown = pressed;
        UpdateAllControls();
        break;
    case kTagMatrixClose:
        if (pressed)
        {
            m_matrixShown = false;
            if (CControl* matrixSwitch = GetTaggedControl(kTagMatrixSwitch))
            {
                matrixSwitch->setValue(0.0f);
                matrixSwitch->invalid();
            }
            UpdateAllControls();
        }
        break;
    case kTagDragMode:
        m_dragMode = pressed;
        if (m_msegEditor)
            m_msegEditor->SetDragMode(m_dragMode);
        break;
    case kTagViewSelector:
        m_masterViewShown = pressed;
        UpdateAllControls();
        break;
    default:
        break;
    }
}

void CEditor::OnControlMouseUp(long tag, bool contextClick)
{
    // A context click (without a depth drag) on a parameter's knob, button, slider or
    // selector opens its modulation menu.
    CControl* control = contextClick ? GetControl(static_cast<int>(tag)) : nullptr;
    if (control)
    {
        for (const char* kind : {"CModulationKnob", "CBaseAnimKnob", "CBaseOnOffButton",
                                 "CBaseVerticalSlider", "CBaseVerticalSelector",
                                 "CBaseHorizontalSelector"})
        {
            if (control->isTypeOf(kind))
            {
                CModulationMenu(m_morvex).Perform(control);
                break;
            }
        }
    }
    CBaseEditor::OnControlMouseUp(tag, contextClick);
}

// ---------------------------------------------------------------------------------------------
// Routing

void CEditor::OnNodePanelDragStart(CNodePanel* panel)
{
    const int layer = panel == m_nodePanels[1] ? 1 : 0;
    m_effect->AddUndoItem(new CRoutingUndoItem(m_effect, layer));
}

void CEditor::OnNodePanelChanged(CNodePanel* panel)
{
    if (!panel)
        return;
    const int layer = panel == m_nodePanels[1] ? 1 : 0;
    int order[kRoutingNodes];
    panel->GetNodeOrder(order);
    int32_t block[kRoutingNodes];
    for (int k = 0; k < kRoutingNodes; ++k)
        block[k] = static_cast<int32_t>(order[k]);
    m_effect->SetRawParameterBlock(kRawBlockLayerOrder + layer, block);
}

// ---------------------------------------------------------------------------------------------
// Mouse and overlay

int CEditor::GetHoverParamID() const
{
    if (!IsEditorOpen() || !m_frame)
        return -1;
    // The frame's own record: it forgets views that leave the tree.
    auto* control = dynamic_cast<CControl*>(m_frame->getMouseOverView());
    if (!control)
        return -1;
    const long tag = control->getTag();
    return tag >= 0 && tag < kNumParameters ? static_cast<int>(tag) : -1;
}

void CEditor::ShowModulation(int id, int slot)
{
    if (auto* knob = dynamic_cast<CModulationKnob*>(GetControl(id)))
    {
        knob->OnModDepthChanged(slot);
        knob->invalid();
    }
}

void CEditor::RedrawFrame()
{
    if (IsEditorOpen() && m_frame)
        m_frame->invalid();
}

void CEditor::postDraw(CDrawContext* context, const CRect& /*rect*/)
{
    if (!context || !m_frame)
        return;
    for (CAimControl* aim : m_aimControls)
    {
        if (!aim || !aim->IsAiming())
            continue;
        CPoint mouse;
        m_frame->getCurrentMouseLocation(mouse);
        AimOverlay::Draw(context, m_frame, aim, mouse, m_pulseCountdown);
    }
}
