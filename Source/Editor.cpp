#include "Editor.h"

#include "Common/wrappers/BaseMenuButton.h"
#include "Common/wrappers/BaseOnOffButton.h"
#include "Common/wrappers/BaseReadOut.h"
#include "Gui/CorrelationMeter.h"
#include "Gui/DecibelMeter.h"
#ifdef MORVEX_HAVE_ARTWORK
#include "Gui/EditorArtwork.h"
#endif
#include "Gui/EditorLayout.h"
#include "Gui/MainPresetBrowser.h"
#include "Gui/ModulationKnob.h"
#include "Common/wrappers/utilities/FileUtils.h"
#include "Morvex.h"
#include "Platform/Platform.h"
#include "Preferences.h"
#include "vstgui/vstgui.h"

#include <cstring>

using namespace VSTGUI;
using namespace MorvexParam;

namespace
{
constexpr CColor ToColor(const LAYOUT_COLOUR& colour)
{
    return CColor(colour.red, colour.green, colour.blue, colour.alpha);
}

constexpr CCoord kSmallFontSize = 9.0;

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
    CreateControls();
    UpdateViews();
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
    if (m_smallFont)
    {
        m_smallFont->forget();
        m_smallFont = nullptr;
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
    if (m_correlationMeter)
    {
        m_correlationMeter->setValue(m_morvex->GetCorrelation());
        m_correlationMeter->setDirty(true);
    }
    UpdateUndoButtons();
    UpdatePresetName();
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
    if (m_presetBrowser)
        m_presetBrowser->SetCurrentPresetPath(m_morvex->GetCurrentPresetPath());
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

CViewContainer* CEditor::ContainerFor(int section, CPoint& origin)
{
    origin = CPoint();
    if (section == kSectionMaster && m_viewMode == kCompactMode && m_masterView)
    {
        const LAYOUT_RECT rect = GetSectionRect(m_viewMode, kSectionMaster);
        origin = CPoint(rect.x, rect.y);
        return m_masterView;
    }
    if (section == kSectionHeader || section == kSectionFrame || section == kSectionMaster)
        return m_frame;
    // Layer pages, modulator section and matrix page are built by their own code.
    return nullptr;
}

void CEditor::CreateControls()
{
    if (!m_frame)
        return;
    m_undoShown = -1;
    m_redoShown = -1;
    if (m_viewMode == kCompactMode)
    {
        const LAYOUT_RECT rect = GetSectionRect(m_viewMode, kSectionMaster);
        m_masterView = new CViewContainer(LocalRect(rect, CPoint()), m_frame,
                                          GetBitmap("cmpt_master_view.png"));
    }
    int count = 0;
    const LAYOUT_CONTROL* rows = GetLayoutControls(m_viewMode, count);
    for (int i = 0; i < count; ++i)
    {
        CPoint origin;
        CViewContainer* container = ContainerFor(rows[i].section, origin);
        if (container)
            CreateFromLayout(container, origin, rows[i], rows[i].paramId);
    }
    UpdateUndoButtons();
    UpdatePresetName();
}

CView* CEditor::CreateFromLayout(CViewContainer* container, const CPoint& origin,
                                 const LAYOUT_CONTROL& row, int id)
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
        return CreateTaggedControl(container, rect, row);
    case kLayoutHSwitch:
        if (id >= 0)
            return AddHorizontalSelector(container, x, y, id, row.frames, GetBitmap(row.bitmap));
        return CreateTaggedControl(container, rect, row);
    case kLayoutVSwitch:
        if (id >= 0)
            return AddVerticalSelector(container, x, y, id, row.frames, GetBitmap(row.bitmap));
        return CreateTaggedControl(container, rect, row);
    case kLayoutKick:
        return CreateTaggedControl(container, rect, row);
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
        // The header's browser of whole-plug-in presets; the modulators' browsers come
        // with the modulator section.
        if (row.tag != kTagMainBrowser)
            return nullptr;
        m_presetBrowser = new CMainPresetBrowser(rect, m_frame, m_effect);
        if (CBitmap* field = GetBitmap(row.bitmap))
            m_presetBrowser->GetMenuButton()->setBackground(field);
        container->addView(m_presetBrowser);
        return m_presetBrowser;
    }
    default:
        return nullptr;
    }
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

CControl* CEditor::CreateTaggedControl(CViewContainer* container, const CRect& rect,
                                       const LAYOUT_CONTROL& row)
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
    {
        auto* button = new CKickButton(rect, this, row.tag, frameHeight, bitmap);
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
            m_taggedControls[row.tag] = m_settingsButton;
            return m_settingsButton;
        }
        m_settingsButton = new CKickButton(rect, this, row.tag, frameHeight, bitmap);
        control = m_settingsButton;
        break;
    case kTagLayerSelector:
        control = new CHorizontalSwitch(rect, this, row.tag, frames, frameHeight, frames, bitmap);
        control->setValue(static_cast<float>(m_selectedLayer));
        break;
    case kTagMatrixSwitch:
        control = new COnOffButton(rect, this, row.tag, bitmap);
        control->setValue(m_matrixShown ? 1.0f : 0.0f);
        break;
    case kTagViewSelector:
        control = new CVerticalSwitch(rect, this, row.tag, frames, frameHeight, frames, bitmap);
        control->setValue(m_masterViewShown ? 1.0f : 0.0f);
        break;
    default:
        // Preset stepping and the modulator section's buttons come with their sections.
        return nullptr;
    }
    container->addView(control);
    m_taggedControls[row.tag] = control;
    return control;
}

CControl* CEditor::GetTaggedControl(long tag) const
{
    const auto found = m_taggedControls.find(tag);
    return found == m_taggedControls.end() ? nullptr : found->second;
}

void CEditor::DestroyControls()
{
    // Switchable pages out of the frame are ours to release; attached ones go with the frame.
    CView* pages[] = {m_masterView, m_layerViews[0], m_layerViews[1], m_matrixView};
    for (CView* page : pages)
    {
        if (page && !page->getParentView())
            page->forget();
    }
    m_masterView = nullptr;
    m_layerViews[0] = nullptr;
    m_layerViews[1] = nullptr;
    m_matrixView = nullptr;
    m_undoButton = nullptr;
    m_redoButton = nullptr;
    m_presetBrowser = nullptr;
    m_meters[0] = nullptr;
    m_meters[1] = nullptr;
    m_correlationMeter = nullptr;
    m_taggedControls.clear();
    ReleaseRegistries();
}

void CEditor::UpdateViews()
{
    if (!IsEditorOpen() || !m_frame)
        return;
    CView* pages[] = {m_masterView, m_layerViews[0], m_layerViews[1], m_matrixView};
    for (CView* page : pages)
        Detach(m_frame, page);
    Attach(m_frame, m_layerViews[m_selectedLayer]);
    if (m_viewMode == kNormalMode && m_matrixShown)
        Attach(m_frame, m_matrixView);
    if (m_viewMode == kCompactMode && m_masterViewShown)
        Attach(m_frame, m_masterView);
    // The layer selector and the matrix switch stay above the pages.
    for (long tag : {static_cast<long>(kTagLayerSelector), static_cast<long>(kTagMatrixSwitch)})
    {
        CControl* control = GetTaggedControl(tag);
        if (control && m_frame->isChild(control))
        {
            m_frame->removeView(control, false);
            m_frame->addView(control);
        }
    }
    if (m_viewMode == kCompactMode && m_matrixShown)
    {
        Detach(m_frame, m_matrixView);
        Attach(m_frame, m_matrixView);
    }
    m_frame->invalid();
}

// ---------------------------------------------------------------------------------------------
// Value traffic

void CEditor::OnSetParameter(int id, float value)
{
    if (!IsEditorOpen() || DeferToUiThread(id, value))
        return;
    if (id >= kMtxPower && id < kMtxTarget + kNumMatrixSlots)
    {
        // A matrix slot changed: the arcs of the knobs may change (also of the knob a
        // target change left), and a depth edit shows its slot on the target's knob.
        for (int other = 0; other < kNumParameters; ++other)
        {
            CControl* control = GetControl(other);
            if (control && control->isTypeOf("CModulationKnob"))
                control->setDirty(true);
        }
        const int slot = (id - kMtxPower) % kNumMatrixSlots;
        const bool depth = id >= kMtxDepth && id < kMtxDepth + kNumMatrixSlots;
        const int target =
            static_cast<int>(m_effect->GetParameterUnscaled(kMtxTarget + slot, false, false, 0));
        if (depth && target >= 0)
        {
            if (auto* knob = dynamic_cast<CModulationKnob*>(GetControl(target)))
                knob->OnModDepthChanged(slot);
        }
    }
    CBaseEditor::OnSetParameter(id, value);
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
    UpdateViews();
    CBaseEditor::UpdateAllControls();
    UpdatePresetName();
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
        return;
    }
    const bool pressed = control->getValue() > 0.5f;
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
        if (pressed && !m_rebuilding)
            ShowSettingsMenu();
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
        UpdateViews();
        break;
    case kTagMatrixSwitch:
        m_matrixShown = pressed;
        UpdateViews();
        break;
    case kTagViewSelector:
        m_masterViewShown = pressed;
        UpdateViews();
        break;
    default:
        break;
    }
}

void CEditor::OnControlMouseUp(long tag, bool contextClick)
{
    // The modulation menu of a context click comes with the editor menus.
    CBaseEditor::OnControlMouseUp(tag, contextClick);
}

void CEditor::ShowSettingsMenu()
{
    if (!m_settingsButton || !m_frame)
        return;
    CPreferences* preferences = m_morvex->GetPreferences();
    auto* menu = new COptionMenu();
    menu->setStyle(COptionMenu::kMultipleCheckStyle);
    const bool compact = m_viewMode == kCompactMode;
    menu->addEntry("Compact GUI Mode", -1, compact ? CMenuItem::kChecked : CMenuItem::kNoFlags);
    long menuTag = -1;
    long index = -1;
    CMenuItem* chosen = ShowPopupMenu(nullptr, m_settingsButton, menu, menuTag, index);
    if (chosen && std::strcmp(chosen->getTitle(), "Compact GUI Mode") == 0)
    {
        const int mode = chosen->isChecked() ? kCompactMode : kNormalMode;
        if (preferences)
        {
            preferences->SetCompactGuiMode(mode);
            SavePreferences(preferences);
        }
        menu->forget();
        m_settingsButton->setValue(0.0f);
        SetEditorViewMode(mode);
        return;
    }
    menu->forget();
    m_settingsButton->setValue(0.0f);
    m_settingsButton->invalid();
}

// ---------------------------------------------------------------------------------------------
// Mouse

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
