#include "Gui/EditorLayout.h"

#include "Morvex.h"

#include <cstring>
#include <vector>

namespace
{
using namespace MorvexParam;

constexpr int kSmallKnobPx = 26;
constexpr int kMediumKnobPx = 46;
constexpr int kBigKnobPx = 64;
constexpr int kReadOutHeight = 15; // 9-point text on a recessed field
constexpr int kCaptionHeight = 12; // one line of 9 px text
constexpr int kCompactShift = 18;  // header, layer page and modulator section, compact mode

// Layer page geometry: six module panels of equal width.
constexpr int kModulePanelLeft = 20;
constexpr int kModulePanelPitch = 174;
constexpr int kModulePanelWidth = 168;
constexpr int kModulePanelTop = 106;
constexpr int kModulePanelHeight = 278;
// Rows inside a module panel (window y).
constexpr int kRow1Y = 143;       // medium knobs (Filter Cutoff's row)
constexpr int kRow2MediumY = 240; // medium knobs of the second row
constexpr int kRow2SmallY = 250;  // small knobs, centred on the medium ones beside them
constexpr int kRow3SmallY = 336;
constexpr int kRow3ListY = 340;
constexpr int kListHeight = 22;

// Modulator section geometry.
constexpr int kModTabPitch = 62;
constexpr int kModColumnLeft = 676;
constexpr int kModColumnPitch = 64;
constexpr int kModKnobY = 486;

struct LAYOUT_TABLES
{
    std::vector<LAYOUT_CONTROL> controls;
    std::vector<LAYOUT_TEXT> texts;
    std::vector<LAYOUT_PANEL> panels;
    LAYOUT_RECT window;
    LAYOUT_RECT sections[kSectionCount];
    LAYOUT_MODULE_PANEL modules[kModulePanelCount];
    LAYOUT_RECT modEditor;
    LAYOUT_RECT routing;
};

int KnobPixels(KNOB_SIZE size)
{
    switch (size)
    {
    case kKnobSmall:
        return kSmallKnobPx;
    case kKnobMedium:
        return kMediumKnobPx;
    case kKnobBig:
        return kBigKnobPx;
    case kKnobNone:
        break;
    }
    return 0;
}

LAYOUT_RECT CentredRect(int centreX, int y, int width, int height)
{
    return {centreX - width / 2, y, width, height};
}

// Builds one mode's tables; dx is the x shift of the header, layer page and
// modulator section (0 normal, 18 compact).
class CLayoutBuilder
{
  public:
    CLayoutBuilder(LAYOUT_TABLES& tables, int dx) : m_tables(tables), m_dx(dx) {}

    LAYOUT_CONTROL& Add(LAYOUT_SECTION section, LAYOUT_KIND kind, int paramId, int tag,
                        LAYOUT_RECT rect, const char* bitmap, int frames, LAYOUT_ACCENT accent)
    {
        LAYOUT_CONTROL control{};
        control.section = section;
        control.kind = kind;
        control.paramId = paramId;
        control.tag = paramId >= 0 ? -1 : tag;
        control.rect = rect;
        control.bitmap = bitmap;
        control.frames = frames;
        control.knobSize = kKnobNone;
        control.accent = accent;
        control.readOut = false;
        control.caption = nullptr;
        control.unit = -1;
        m_tables.controls.push_back(control);
        return m_tables.controls.back();
    }

    // A knob at (x, y) (film-strip frame's top-left). With a read-out, it sits under the
    // knob and the caption under the read-out; else the caption sits under the knob.
    LAYOUT_CONTROL& Knob(LAYOUT_SECTION section, int id, int x, int y, KNOB_SIZE size,
                         const char* bitmap, LAYOUT_ACCENT accent, const char* caption,
                         bool readOut)
    {
        const int px = KnobPixels(size);
        LAYOUT_CONTROL& knob = Add(section, kLayoutKnob, id, -1, {x, y, px, px}, bitmap,
                                   size == kKnobSmall ? 64 : 128, accent);
        knob.knobSize = size;
        const int centreX = x + px / 2;
        int below = y + px + (size == kKnobSmall ? 6 : 8);
        if (readOut)
        {
            knob.readOut = true;
            knob.readOutRect =
                CentredRect(centreX, below, size == kKnobSmall ? 44 : px, kReadOutHeight);
            below = knob.readOutRect.Bottom() + 2;
        }
        if (caption != nullptr)
        {
            knob.caption = caption;
            knob.captionRect =
                CentredRect(centreX, below, CaptionWidth(section, size), kCaptionHeight);
        }
        return knob;
    }

    // Captions use the knob's column: 56 px in the module panels, 64 px in the modulator
    // section; the master strip's small knobs sit 36 px apart.
    static int CaptionWidth(LAYOUT_SECTION section, KNOB_SIZE size)
    {
        if (size == kKnobSmall)
            return section == kSectionLayer ? 54 : section == kSectionModulator ? 62 : 36;
        return size == kKnobMedium ? 54 : 64;
    }

    void Text(LAYOUT_SECTION section, LAYOUT_TEXT_STYLE style, LAYOUT_ACCENT accent,
              LAYOUT_RECT rect, const char* text)
    {
        m_tables.texts.push_back({section, style, accent, rect, text});
    }

    void Panel(LAYOUT_SECTION section, LAYOUT_PANEL_STYLE style, LAYOUT_ACCENT accent,
               LAYOUT_RECT rect)
    {
        m_tables.panels.push_back({section, style, accent, rect});
    }

    void Header();
    void LayerPage();
    void ModulatorSection(int bottom);
    void MatrixPage(LAYOUT_RECT page, int rowY0, int rowPitch, int headingY);
    void MasterStrip();
    void MasterView();
    void CompactColumn();
    void NormalMeters();

  private:
    void ModuleTitle(int module, int left, const char* title, LAYOUT_ACCENT accent, int onId,
                     const char* onBitmap);
    void FilterPanel(int left);
    void DistPanel(int left);
    void DelayPanel(int left);
    void LoFiPanel(int left);
    void FlangerPanel(int left);
    void GlitchPanel(int left);

    LAYOUT_TABLES& m_tables;
    int m_dx;
};

void CLayoutBuilder::Header()
{
    const int dx = m_dx;
    m_tables.sections[kSectionHeader] = {8 + dx, 8, 1064, 54};
    Panel(kSectionHeader, kPanelSection, kAccentNeutral, m_tables.sections[kSectionHeader]);
    Text(kSectionHeader, kTextWordmark, kAccentNeutral, {24 + dx, 23, 108, 28}, "MORVEX");
    Add(kSectionHeader, kLayoutLabel, -1, kTagVersionLabel, {140 + dx, 36, 92, 12}, nullptr, 0,
        kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagUndo, {640 + dx, 32, 46, 23}, "UndoButton.png", 2,
        kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagRedo, {692 + dx, 32, 46, 23}, "RedoButton.png", 2,
        kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagPanic, {744 + dx, 32, 46, 23}, "PanicButton.png", 2,
        kAccentNeutral);
    Add(kSectionHeader, kLayoutOnOff, kPower, -1, {802 + dx, 32, 24, 23}, "PowerSwitch.png", 2,
        kAccentMaster);
    Add(kSectionHeader, kLayoutBrowser, -1, kTagMainBrowser, {830 + dx, 32, 172, 23},
        "PresetBrowser.png", 2, kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagPrevPreset, {1004 + dx, 32, 18, 23}, "PrevButton.png",
        2, kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagNextPreset, {1022 + dx, 32, 18, 23}, "NextButton.png",
        2, kAccentNeutral);
    Add(kSectionHeader, kLayoutKick, -1, kTagSettings, {1043 + dx, 30, 28, 25},
        "SettingsButton.png", 2, kAccentNeutral);
}

void CLayoutBuilder::ModuleTitle(int module, int left, const char* title, LAYOUT_ACCENT accent,
                                 int onId, const char* onBitmap)
{
    const LAYOUT_RECT rect{left, kModulePanelTop, kModulePanelWidth, kModulePanelHeight};
    m_tables.modules[module] = {rect, title, accent};
    Panel(kSectionLayer, kPanelModule, accent, rect);
    Text(kSectionLayer, kTextTitle, accent, {left + 10, 111, 104, 16}, title);
    Add(kSectionLayer, kLayoutOnOff, onId, -1, {left + 116, 109, 22, 20}, onBitmap, 2, accent);
    const int kind = module + 1; // randomizer kinds 1..6 follow the panel order
    LAYOUT_CONTROL& dice = Add(kSectionLayer, kLayoutRandomize, -1, kTagRandomizeModule + module,
                               {left + 142, 109, 22, 20}, "FxRndButton.png", 2, accent);
    dice.unit = kind;
}

void CLayoutBuilder::FilterPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentFilter;
    ModuleTitle(kModulePanelFilter, left, "Filter", a, kFilterOn, "PowerButtonFlt.png");
    Knob(kSectionLayer, kFilterCutoff, left + 19, kRow1Y, kKnobMedium, "KnobMedFilter.png", a,
         "Cutoff", true);
    Knob(kSectionLayer, kFilterRes, left + 103, kRow1Y, kKnobMedium, "KnobMedFilter.png", a,
         "Resonance", true);
    Knob(kSectionLayer, kFilterLocut, left + 15, kRow2SmallY, kKnobSmall, "KnobSmlFilter.png", a,
         "Lo Cut", true);
    Knob(kSectionLayer, kFilterHicut, left + 71, kRow2SmallY, kKnobSmall, "KnobSmlFilter.png", a,
         "Hi Cut", true);
    Knob(kSectionLayer, kFilterMix, left + 127, kRow2SmallY, kKnobSmall, "KnobSmlFilter.png", a,
         "Mix", false);
    Add(kSectionLayer, kLayoutList, kFilterMode, -1, {left + 14, kRow3ListY, 140, kListHeight},
        nullptr, 0, a);
}

void CLayoutBuilder::DistPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentDist;
    ModuleTitle(kModulePanelDist, left, "Dist", a, kDistOn, "PowerButtonDist.png");
    Knob(kSectionLayer, kDistDrive, left + 5, kRow1Y, kKnobMedium, "KnobMedDist.png", a, "Drive",
         true);
    Knob(kSectionLayer, kDistFuzz, left + 61, kRow1Y, kKnobMedium, "KnobMedDist.png", a, "Fuzz",
         true);
    Knob(kSectionLayer, kDistColor, left + 117, kRow1Y, kKnobMedium, "KnobDistTone.png", a, "Color",
         true);
    Knob(kSectionLayer, kDistOutput, left + 5, kRow2MediumY, kKnobMedium, "KnobMedDist.png", a,
         "Output", true);
    Knob(kSectionLayer, kDistMono, left + 71, kRow2SmallY, kKnobSmall, "KnobSmlDist.png", a, "Mono",
         false);
    Knob(kSectionLayer, kDistMix, left + 127, kRow2SmallY, kKnobSmall, "KnobSmlDist.png", a, "Mix",
         false);
    LAYOUT_CONTROL& mode = Add(kSectionLayer, kLayoutList, kDistMode, -1,
                               {left + 60, kRow3ListY, 94, kListHeight}, nullptr, 0, a);
    mode.caption = "Mode";
    mode.captionRect = {left + 10, kRow3ListY + 5, 46, kCaptionHeight};
}

void CLayoutBuilder::DelayPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentDelay;
    ModuleTitle(kModulePanelDelay, left, "Delay", a, kDelayOn, "PowerButtonDelay.png");
    Knob(kSectionLayer, kDelaySpeedL, left + 5, kRow1Y, kKnobMedium, "KnobDlySpeedL.png", a,
         "Speed L", true);
    Knob(kSectionLayer, kDelaySpeedR, left + 61, kRow1Y, kKnobMedium, "KnobDlySpeedR.png", a,
         "Speed R", true);
    Knob(kSectionLayer, kDelayFeedback, left + 117, kRow1Y, kKnobMedium, "KnobMedDelay.png", a,
         "Feedback", true);
    Knob(kSectionLayer, kDelayLowpass, left + 15, kRow2SmallY, kKnobSmall, "KnobSmlDelay.png", a,
         "Lowpass", false);
    Knob(kSectionLayer, kDelayBandpass, left + 71, kRow2SmallY, kKnobSmall, "KnobSmlDelay.png", a,
         "Bandpass", false);
    Knob(kSectionLayer, kDelayMix, left + 127, kRow2SmallY, kKnobSmall, "KnobSmlDelay.png", a,
         "Mix", false);
    Add(kSectionLayer, kLayoutOnOff, kDelayLink, -1, {left + 6, kRow3ListY, 38, 20},
        "DelayLink.png", 2, a);
    Add(kSectionLayer, kLayoutOnOff, kDelaySync, -1, {left + 48, kRow3ListY, 38, 20},
        "DelaySync.png", 2, a);
    Add(kSectionLayer, kLayoutOnOff, kDelayPingPong, -1, {left + 90, kRow3ListY, 38, 20},
        "DelayPingPong.png", 2, a);
    LAYOUT_CONTROL& input = Add(kSectionLayer, kLayoutOnOff, kDelayInput, -1,
                                {left + 140, kRow3ListY, 22, 20}, "PowerButtonDelay.png", 2, a);
    input.caption = "Input";
    input.captionRect = {left + 131, kRow3ListY + 24, 40, kCaptionHeight};
}

void CLayoutBuilder::LoFiPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentLoFi;
    ModuleTitle(kModulePanelLoFi, left, "Lo-Fi", a, kLoFiOn, "PowerButtonLoFi.png");
    Knob(kSectionLayer, kLoFiBitDepth, left + 19, kRow1Y, kKnobMedium, "KnobMedLoFi.png", a, "Bits",
         true);
    Knob(kSectionLayer, kLoFiSampleRate, left + 103, kRow1Y, kKnobMedium, "KnobMedLoFi.png", a,
         "Rate", true);
    Knob(kSectionLayer, kLoFiNoise, left + 15, kRow2SmallY, kKnobSmall, "KnobSmlLoFi.png", a,
         "Noise", false);
    Knob(kSectionLayer, kLoFiTone, left + 71, kRow2SmallY, kKnobSmall, "KnobSmlLoFi.png", a, "Tone",
         false);
    Knob(kSectionLayer, kLoFiMix, left + 127, kRow2SmallY, kKnobSmall, "KnobSmlLoFi.png", a, "Mix",
         false);
}

void CLayoutBuilder::FlangerPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentFlanger;
    ModuleTitle(kModulePanelFlanger, left, "Flanger/Phaser", a, kFlangerOn, "PowerButtonFlng.png");
    Knob(kSectionLayer, kFlangerDelay, left + 5, kRow1Y, kKnobMedium, "KnobMedFlanger.png", a,
         "Delay", true);
    Knob(kSectionLayer, kFlangerFeedback, left + 61, kRow1Y, kKnobMedium, "KnobMedFlanger.png", a,
         "Feedback", true);
    Knob(kSectionLayer, kFlangerDepth, left + 117, kRow1Y, kKnobMedium, "KnobMedFlanger.png", a,
         "Depth", true);
    Knob(kSectionLayer, kFlangerSpeed, left + 5, kRow2MediumY, kKnobMedium, "KnobMedFlanger.png", a,
         "Speed", true);
    Add(kSectionLayer, kLayoutOnOff, kFlangerSync, -1, {left + 60, 254, 48, 20}, "FlangerSync.png",
        2, a);
    Add(kSectionLayer, kLayoutOnOff, kFlangerMode, -1, {left + 112, 254, 52, 20},
        "PowerButtonPhs.png", 2, a);
    Knob(kSectionLayer, kFlangerWidth, left + 15, kRow3SmallY, kKnobSmall, "KnobSmlFlanger.png", a,
         "Width", false);
    Knob(kSectionLayer, kFlangerTone, left + 71, kRow3SmallY, kKnobSmall, "KnobSmlFlanger.png", a,
         "Tone", false);
    Knob(kSectionLayer, kFlangerMix, left + 127, kRow3SmallY, kKnobSmall, "KnobSmlFlanger.png", a,
         "Mix", false);
}

void CLayoutBuilder::GlitchPanel(int left)
{
    const LAYOUT_ACCENT a = kAccentGlitch;
    ModuleTitle(kModulePanelGlitch, left, "Glitch", a, kGlitchOn, "PowerButtonGlitch.png");
    Knob(kSectionLayer, kGlitchScale, left + 19, kRow1Y, kKnobMedium, "KnobMedGlitch.png", a,
         "Scale", true);
    Knob(kSectionLayer, kGlitchStretch, left + 103, kRow1Y, kKnobMedium, "KnobMedGlitch.png", a,
         "Stretch", true);
    Add(kSectionLayer, kLayoutOnOff, kGlitchReverse, -1, {left + 8, 246, 56, 20},
        "GlitchReverse.png", 2, a);
    Add(kSectionLayer, kLayoutOnOff, kGlitchSmooth, -1, {left + 8, 270, 56, 20}, "GlitchSmooth.png",
        2, a);
    Add(kSectionLayer, kLayoutVSwitch, kGlitchMode, -1, {left + 70, 244, 48, 44}, "GlitchMode.png",
        2, a);
    // Beside the mode switch: a caption no wider than the knob's own column.
    LAYOUT_CONTROL& mix = Knob(kSectionLayer, kGlitchMix, left + 127, kRow2SmallY, kKnobSmall,
                               "KnobSmlGlitch.png", a, "Mix", false);
    mix.captionRect = CentredRect(left + 140, mix.captionRect.y, 36, kCaptionHeight);
    LAYOUT_CONTROL& buffer = Add(kSectionLayer, kLayoutList, kGlitchBuffer, -1,
                                 {left + 60, kRow3ListY, 94, kListHeight}, nullptr, 0, a);
    buffer.caption = "Buffer";
    buffer.captionRect = {left + 10, kRow3ListY + 5, 46, kCaptionHeight};
}

void CLayoutBuilder::LayerPage()
{
    const int dx = m_dx;
    m_tables.sections[kSectionLayer] = {8 + dx, 68, 1064, 324};
    Panel(kSectionLayer, kPanelSection, kAccentNeutral, m_tables.sections[kSectionLayer]);

    // Top row, always in the frame: layer selector, the layers' mix, pan and on
    // switches and the layer mode; then the routing panel of the selected layer.
    Add(kSectionFrame, kLayoutHSwitch, -1, kTagLayerSelector, {20 + dx, 76, 120, 24},
        "LayerSelector.png", 2, kAccentMaster);
    struct LAYER_STRIP
    {
        int on, mix, pan;
        const char* onBitmap;
    };
    const LAYER_STRIP strips[2] = {{kLayerAOn, kLayerAMix, kLayerAPan, "OnOffLayerA.png"},
                                   {kLayerBOn, kLayerBMix, kLayerBPan, "OnOffLayerB.png"}};
    for (int layer = 0; layer < 2; ++layer)
    {
        const int x = 152 + dx + 146 * layer;
        Add(kSectionFrame, kLayoutOnOff, strips[layer].on, -1, {x, 78, 22, 20},
            strips[layer].onBitmap, 2, kAccentMaster);
        LAYOUT_CONTROL& mix = Knob(kSectionFrame, strips[layer].mix, x + 50, 75, kKnobSmall,
                                   "KnobSmlLayer.png", kAccentMaster, nullptr, false);
        mix.caption = "Mix";
        mix.captionRect = {x + 26, 82, 20, kCaptionHeight};
        LAYOUT_CONTROL& pan = Knob(kSectionFrame, strips[layer].pan, x + 106, 75, kKnobSmall,
                                   "KnobSmlLayer.png", kAccentMaster, nullptr, false);
        pan.caption = "Pan";
        pan.captionRect = {x + 82, 82, 20, kCaptionHeight};
    }
    Add(kSectionFrame, kLayoutOnOff, kLayerMode, -1, {444 + dx, 78, 64, 20}, "LayerMode.png", 2,
        kAccentMaster);
    Text(kSectionLayer, kTextHeading, kAccentNeutral, {518 + dx, 82, 50, kCaptionHeight},
         "Routing");
    m_tables.routing = {570 + dx, 77, 490, 24};
    Add(kSectionLayer, kLayoutNodePanel, -1, kTagRouting, m_tables.routing, "RoutingControl.png", 2,
        kAccentNeutral);

    const int left0 = kModulePanelLeft + dx;
    FilterPanel(left0);
    DistPanel(left0 + kModulePanelPitch);
    DelayPanel(left0 + 2 * kModulePanelPitch);
    LoFiPanel(left0 + 3 * kModulePanelPitch);
    FlangerPanel(left0 + 4 * kModulePanelPitch);
    GlitchPanel(left0 + 5 * kModulePanelPitch);
}

void CLayoutBuilder::ModulatorSection(int bottom)
{
    const int dx = m_dx;
    const LAYOUT_ACCENT a = kAccentMod;
    m_tables.sections[kSectionModulator] = {8 + dx, 398, 1064, bottom - 398};
    m_tables.sections[kSectionModShared] = m_tables.sections[kSectionModulator];
    // Drawn to 696 in both modes: in the normal window the master strip's panel starts at
    // 700, 4 px around its meters (704..779).
    Panel(kSectionModShared, kPanelSection, kAccentNeutral, {8 + dx, 398, 1064, 298});

    // Tabs with each modulator's aim dot on its right end.
    // The tabs sit at the right end: a modulator's pop-up opens 269 px left of its
    // aim dot's centre and 31 px right of it, which keeps all eight inside the window.
    const int tabsX = 1060 + dx - 8 * kModTabPitch;
    Add(kSectionModShared, kLayoutHSwitch, -1, kTagModSelector, {tabsX, 406, 8 * kModTabPitch, 22},
        "ModSelector.png", 8, a);
    for (int m = 0; m < kNumModulators; ++m)
    {
        LAYOUT_CONTROL& aim =
            Add(kSectionModShared, kLayoutAim, -1, kTagAim + m,
                {tabsX + kModTabPitch * m + 40, 409, 16, 16}, "AimButton.png", 2, a);
        aim.unit = m;
    }
    Text(kSectionModShared, kTextHint, kAccentNeutral, {112 + dx, 411, 440, kCaptionHeight},
         "Drag a tab's dot onto any knob to modulate it");
    Add(kSectionFrame, kLayoutOnOff, -1, kTagMatrixSwitch, {20 + dx, 406, 80, 22},
        "MatrixSwitch.png", 2, a);

    // The shared step / MSEG editor: 640 px = 32 cells of 20 px.
    m_tables.modEditor = {20 + dx, 436, 640, 200};
    Panel(kSectionModShared, kPanelField, kAccentNeutral, m_tables.modEditor);
    Add(kSectionModShared, kLayoutStepEditor, -1, kTagStepEditor, m_tables.modEditor, nullptr, 0,
        a);
    Add(kSectionModShared, kLayoutMsegEditor, -1, kTagMsegEditor, m_tables.modEditor, nullptr, 0,
        a);
    Add(kSectionModulator, kLayoutHSwitch, kModMode, -1, {20 + dx, 648, 120, 22},
        "CurveEditMode.png", 2, a);
    Add(kSectionModShared, kLayoutKick, -1, kTagModInvert, {148 + dx, 648, 64, 22}, "ModInvert.png",
        2, a);
    Add(kSectionModShared, kLayoutOnOff, -1, kTagDragMode, {220 + dx, 648, 72, 22},
        "ModDragMode.png", 2, a);
    LAYOUT_CONTROL& dice = Add(kSectionModShared, kLayoutRandomize, -1, kTagRandomizeMod,
                               {300 + dx, 649, 22, 20}, "FxRndButton.png", 2, a);
    dice.unit = 0;

    // Right column: preset browser, knobs, sync and tremolo destination.
    const int column = kModColumnLeft + dx;
    Add(kSectionModulator, kLayoutBrowser, -1, kTagModBrowser, {column, 440, 304, 23},
        "ModPresetBrowser.png", 2, a);
    Add(kSectionModulator, kLayoutKick, -1, kTagModPrevPreset, {column + 308, 440, 20, 23},
        "ModPrevButton.png", 2, a);
    Add(kSectionModulator, kLayoutKick, -1, kTagModNextPreset, {column + 332, 440, 20, 23},
        "ModNextButton.png", 2, a);
    Add(kSectionModShared, kLayoutKick, -1, kTagModOptions, {column + 358, 440, 26, 23},
        "ModOptions.png", 2, a);

    struct MOD_KNOB
    {
        int id;
        const char* caption;
        bool readOut;
    };
    const MOD_KNOB knobs[] = {{kModSpeed, "Speed", true},        {kModSmooth, "Smooth", true},
                              {kModTremolo, "Tremolo", true},    {kModPanFlip, "Pan Flip", true},
                              {kModGate, "Gate/Tension", false}, {kModShuffle, "Shuffle", false}};
    int col = 0;
    for (const MOD_KNOB& k : knobs)
    {
        const int centreX = column + kModColumnPitch / 2 + kModColumnPitch * col;
        LAYOUT_CONTROL& knob = Knob(kSectionModulator, k.id, centreX - kSmallKnobPx / 2, kModKnobY,
                                    kKnobSmall, "KnobSmlMod.png", a, k.caption, k.readOut);
        if (k.id == kModGate)
        {
            // Gate (step mode) and Tension (curve mode) take turns at one place.
            Knob(kSectionModulator, kModTension, knob.rect.x, kModKnobY, kKnobSmall,
                 "KnobSmlMod.png", a, nullptr, false);
        }
        ++col;
    }
    Add(kSectionModulator, kLayoutOnOff, kModSync, -1, {column + 6, 566, 52, 20},
        "ModSyncButton.png", 2, a);
    LAYOUT_CONTROL& tremolo = Add(kSectionModulator, kLayoutHSwitch, kModTremoloDst, -1,
                                  {column + 130, 566, 180, 20}, "TremoloSelector.png", 3, a);
    Text(kSectionModulator, kTextHint, kAccentNeutral, {column + 6, 616, 378, kCaptionHeight},
         "Right-drag a modulated knob to change the depth.");
    Text(kSectionModulator, kTextHint, kAccentNeutral, {column + 6, 632, 378, kCaptionHeight},
         "Right-click a tab's dot to list and remove its targets.");
    tremolo.caption = "Tremolo to";
    tremolo.captionRect = {column + 70, 570, 56, kCaptionHeight};
}

void CLayoutBuilder::MatrixPage(LAYOUT_RECT page, int rowY0, int rowPitch, int headingY)
{
    static const char* const kSlotNumbers[kNumMatrixSlots] = {
        "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12",
        "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "23", "24"};
    const LAYOUT_ACCENT a = kAccentMod;
    const int dx = m_dx;
    m_tables.sections[kSectionMatrix] = page;
    // Under the matrix switch, which stays above the page in the normal window.
    Text(kSectionMatrix, kTextTitle, a, {20 + dx, 440, 140, 16}, "Modulation Matrix");
    Add(kSectionMatrix, kLayoutOnOff, kModMtxPower, -1, {20 + dx, 466, 96, 22}, "MatrixBypass.png",
        2, a);
    Add(kSectionMatrix, kLayoutKick, -1, kTagMatrixClose, {20 + dx, 496, 96, 22}, "MatrixClose.png",
        2, a);
    Text(kSectionMatrix, kTextHint, kAccentNeutral, {20 + dx, 530, 136, kCaptionHeight},
         "Drag a tab's dot onto");
    Text(kSectionMatrix, kTextHint, kAccentNeutral, {20 + dx, 544, 136, kCaptionHeight},
         "a knob to add a row.");
    for (int slot = 0; slot < kNumMatrixSlots; ++slot)
    {
        const int x = 194 + dx + 390 * (slot / 12);
        const int y = rowY0 + rowPitch * (slot % 12);
        Text(kSectionMatrix, kTextNumber, kAccentNeutral, {x - 20, y + 3, 16, kCaptionHeight},
             kSlotNumbers[slot]);
        Add(kSectionMatrix, kLayoutOnOff, kMtxPower + slot, -1, {x, y + 2, 16, 16},
            "MatrixPowerButton.png", 2, a);
        Add(kSectionMatrix, kLayoutList, kMtxSource + slot, -1, {x + 22, y, 60, 19}, nullptr, 0, a);
        Add(kSectionMatrix, kLayoutSlider, kMtxDepth + slot, -1, {x + 88, y, 120, 19},
            "ModSliderHandle.png", 1, a);
        Add(kSectionMatrix, kLayoutList, kMtxTarget + slot, -1, {x + 214, y, 154, 19}, nullptr, 0,
            a);
    }
    for (int c = 0; c < 2; ++c)
    {
        const int x = 194 + dx + 390 * c;
        Text(kSectionMatrix, kTextHeading, kAccentNeutral, {x - 4, headingY, 24, kCaptionHeight},
             "On");
        Text(kSectionMatrix, kTextHeading, kAccentNeutral, {x + 22, headingY, 60, kCaptionHeight},
             "Source");
        Text(kSectionMatrix, kTextHeading, kAccentNeutral, {x + 88, headingY, 120, kCaptionHeight},
             "Depth");
        Text(kSectionMatrix, kTextHeading, kAccentNeutral, {x + 214, headingY, 154, kCaptionHeight},
             "Target");
    }
}

// Normal window: the master strip along the bottom (y 704..779).
void CLayoutBuilder::MasterStrip()
{
    const LAYOUT_SECTION s = kSectionMaster;
    m_tables.sections[s] = {8, 704, 1064, 75};
    Panel(s, kPanelSection, kAccentNeutral, {8, 700, 1064, 84});

    // Volume and Dry/Wet: big knobs with caption and read-out at their right.
    LAYOUT_CONTROL& volume =
        Knob(s, kVolume, 16, 709, kKnobBig, "KnobMstVolume.png", kAccentMaster, nullptr, false);
    volume.readOut = true;
    volume.readOutRect = {88, 727, 52, kReadOutHeight};
    volume.caption = "Volume";
    volume.captionRect = {88, 712, 52, kCaptionHeight};
    Add(s, kLayoutOnOff, kLimiter, -1, {88, 750, 52, 20}, "LimiterButton.png", 2, kAccentMaster);
    LAYOUT_CONTROL& dryWet =
        Knob(s, kDryWet, 150, 709, kKnobBig, "KnobMstDryWet.png", kAccentMaster, nullptr, false);
    dryWet.readOut = true;
    dryWet.readOutRect = {222, 727, 52, kReadOutHeight};
    dryWet.caption = "Dry/Wet";
    dryWet.captionRect = {222, 712, 52, kCaptionHeight};
    LAYOUT_CONTROL& pan =
        Knob(s, kPan, 288, 714, kKnobMedium, "KnobMstPan.png", kAccentMaster, nullptr, false);
    pan.readOut = true;
    pan.readOutRect = {340, 735, 46, kReadOutHeight};
    pan.caption = "Pan";
    pan.captionRect = {340, 720, 46, kCaptionHeight};

    // EQ and reverb: medium and small knobs centred on one line, captions below.
    constexpr int kMediumY = 710;
    constexpr int kSmallY = 720;
    constexpr int kCaptionY = 762;
    struct STRIP_KNOB
    {
        int id;
        int x;
        KNOB_SIZE size;
        const char* bitmap;
        LAYOUT_ACCENT accent;
        const char* caption;
    };
    const STRIP_KNOB knobs[] = {
        {kEqBass, 438, kKnobMedium, "KnobMedEq.png", kAccentEq, "Bass"},
        {kEqBassFreq, 494, kKnobSmall, "KnobSmlEq.png", kAccentEq, "Freq"},
        {kEqMid, 530, kKnobMedium, "KnobMedEq.png", kAccentEq, "Mid"},
        {kEqMidFreq, 586, kKnobSmall, "KnobSmlEq.png", kAccentEq, "Freq"},
        {kEqTreble, 622, kKnobMedium, "KnobMedEq.png", kAccentEq, "Treble"},
        {kReverbSize, 740, kKnobMedium, "KnobMedReverb.png", kAccentReverb, "Size"},
        {kReverbDecay, 796, kKnobMedium, "KnobMedReverb.png", kAccentReverb, "Decay"},
        {kReverbMix, 852, kKnobMedium, "KnobMedReverb.png", kAccentReverb, "Mix"},
        {kReverbBass, 908, kKnobSmall, "KnobSmlReverb.png", kAccentReverb, "Bass"},
        {kReverbTreble, 944, kKnobSmall, "KnobSmlReverb.png", kAccentReverb, "Treble"},
    };
    for (const STRIP_KNOB& k : knobs)
    {
        LAYOUT_CONTROL& knob = Knob(s, k.id, k.x, k.size == kKnobSmall ? kSmallY : kMediumY, k.size,
                                    k.bitmap, k.accent, nullptr, false);
        knob.caption = k.caption;
        knob.captionRect = CentredRect(k.x + KnobPixels(k.size) / 2, kCaptionY,
                                       CaptionWidth(s, k.size), kCaptionHeight);
    }
    Text(s, kTextGroup, kAccentEq, {392, 708, 12, 68}, "EQ");
    Add(s, kLayoutOnOff, kEqOn, -1, {410, 723, 22, 20}, "PowerButtonEq.png", 2, kAccentEq);
    Text(s, kTextGroup, kAccentReverb, {678, 708, 12, 68}, "Reverb");
    Add(s, kLayoutOnOff, kReverbOn, -1, {698, 712, 22, 20}, "PowerButtonRev.png", 2, kAccentReverb);
    LAYOUT_CONTROL& input = Add(s, kLayoutOnOff, kReverbInput, -1, {698, 744, 22, 20},
                                "PowerButtonRev.png", 2, kAccentReverb);
    input.caption = "Input";
    input.captionRect = {691, 766, 36, kCaptionHeight};
}

// Compact window: the master controls in the master-view container, which the view
// selector swaps in over the lower part of the modulator section (the tabs and the
// matrix switch stay visible above it).
void CLayoutBuilder::MasterView()
{
    const LAYOUT_SECTION s = kSectionMaster;
    m_tables.sections[s] = {26, 434, 1064, 262};
    const LAYOUT_RECT output{38, 444, 330, 242};
    const LAYOUT_RECT eq{374, 444, 340, 242};
    const LAYOUT_RECT reverb{720, 444, 358, 242};
    Panel(s, kPanelGroup, kAccentMaster, output);
    Panel(s, kPanelGroup, kAccentEq, eq);
    Panel(s, kPanelGroup, kAccentReverb, reverb);
    Text(s, kTextTitle, kAccentMaster, {output.x + 12, 452, 150, 16}, "Output");
    Text(s, kTextTitle, kAccentEq, {eq.x + 12, 452, 150, 16}, "EQ");
    Text(s, kTextTitle, kAccentReverb, {reverb.x + 12, 452, 150, 16}, "Reverb");

    Knob(s, kVolume, 54, 490, kKnobBig, "KnobMstVolumeCmpt.png", kAccentMaster, "Volume", true);
    Knob(s, kDryWet, 136, 490, kKnobBig, "KnobMstDryWetCmpt.png", kAccentMaster, "Dry/Wet", true);
    Knob(s, kPan, 220, 499, kKnobMedium, "KnobMstPanCmpt.png", kAccentMaster, "Pan", true);
    Add(s, kLayoutOnOff, kLimiter, -1, {286, 511, 64, 22}, "LimiterButtonCmpt.png", 2,
        kAccentMaster);

    Add(s, kLayoutOnOff, kEqOn, -1, {eq.Right() - 28, 450, 22, 20}, "PowerButtonEqCmpt.png", 2,
        kAccentEq);
    Knob(s, kEqBass, 411, 490, kKnobMedium, "KnobMedEqCmpt.png", kAccentEq, "Bass", false);
    Knob(s, kEqMid, 521, 490, kKnobMedium, "KnobMedEqCmpt.png", kAccentEq, "Mid", false);
    Knob(s, kEqTreble, 631, 490, kKnobMedium, "KnobMedEqCmpt.png", kAccentEq, "Treble", false);
    Knob(s, kEqBassFreq, 421, 590, kKnobSmall, "KnobSmlEqCmpt.png", kAccentEq, "Bass Freq", false)
        .captionRect.width = 60;
    m_tables.controls.back().captionRect.x = 404;
    Knob(s, kEqMidFreq, 531, 590, kKnobSmall, "KnobSmlEqCmpt.png", kAccentEq, "Mid Freq", false)
        .captionRect.width = 60;
    m_tables.controls.back().captionRect.x = 514;

    Add(s, kLayoutOnOff, kReverbOn, -1, {reverb.Right() - 28, 450, 22, 20},
        "PowerButtonRevCmpt.png", 2, kAccentReverb);
    Knob(s, kReverbSize, 757, 490, kKnobMedium, "KnobMedReverbCmpt.png", kAccentReverb, "Size",
         false);
    Knob(s, kReverbDecay, 876, 490, kKnobMedium, "KnobMedReverbCmpt.png", kAccentReverb, "Decay",
         false);
    Knob(s, kReverbMix, 995, 490, kKnobMedium, "KnobMedReverbCmpt.png", kAccentReverb, "Mix",
         false);
    Knob(s, kReverbBass, 767, 590, kKnobSmall, "KnobSmlReverbCmpt.png", kAccentReverb, "Bass",
         false);
    Knob(s, kReverbTreble, 886, 590, kKnobSmall, "KnobSmlReverbCmpt.png", kAccentReverb, "Treble",
         false);
    LAYOUT_CONTROL& input = Add(s, kLayoutOnOff, kReverbInput, -1, {1007, 593, 22, 20},
                                "PowerButtonRevCmpt.png", 2, kAccentReverb);
    input.caption = "Input";
    input.captionRect = {998, 619, 40, kCaptionHeight};
}

// Compact window: meters and the view selector in the column left of the sections.
void CLayoutBuilder::CompactColumn()
{
    Panel(kSectionFrame, kPanelSection, kAccentNeutral, {1, 68, 24, 628});
    Add(kSectionFrame, kLayoutMeter, -1, kTagMeterLeft, {4, 74, 8, 75}, "MainMeter.png", 1,
        kAccentMaster);
    Add(kSectionFrame, kLayoutMeter, -1, kTagMeterRight, {14, 74, 8, 75}, "MainMeter.png", 1,
        kAccentMaster);
    Add(kSectionFrame, kLayoutCorrelation, -1, kTagCorrelation, {9, 157, 8, 75}, nullptr, 0,
        kAccentMaster);
    Add(kSectionFrame, kLayoutVSwitch, -1, kTagViewSelector, {4, 434, 18, 96},
        "cmpt_view_selector.png", 2, kAccentMaster);
}

// Normal window: meters at the right end of the master strip.
void CLayoutBuilder::NormalMeters()
{
    Text(kSectionMaster, kTextGroup, kAccentMaster, {1002, 708, 12, 68}, "Output");
    Add(kSectionFrame, kLayoutMeter, -1, kTagMeterLeft, {1020, 704, 8, 75}, "MainMeter.png", 1,
        kAccentMaster);
    Add(kSectionFrame, kLayoutMeter, -1, kTagMeterRight, {1032, 704, 8, 75}, "MainMeter.png", 1,
        kAccentMaster);
    Add(kSectionFrame, kLayoutCorrelation, -1, kTagCorrelation, {1048, 704, 8, 75}, nullptr, 0,
        kAccentMaster);
}

LAYOUT_TABLES BuildTables(int windowMode)
{
    LAYOUT_TABLES tables;
    const bool compact = windowMode == kWindowCompact;
    CLayoutBuilder builder(tables, compact ? kCompactShift : 0);
    tables.window = compact ? LAYOUT_RECT{0, 0, 1098, 700} : LAYOUT_RECT{0, 0, 1080, 790};
    tables.sections[kSectionFrame] = tables.window;
    builder.Header();
    builder.LayerPage();
    if (compact)
    {
        builder.ModulatorSection(696);
        // Twelve rows at 27 px do not fit above 696: a tighter pitch under a heading row.
        builder.MatrixPage({26, 398, 1064, 298}, 420, 23, 404);
        builder.MasterView();
        builder.CompactColumn();
    }
    else
    {
        builder.ModulatorSection(700);
        // The rows reach y 721, below the modulator section: the page also covers the
        // master strip, with the column heads under the rows.
        builder.MatrixPage({8, 398, 1064, 381}, 404, 27, 730);
        builder.MasterStrip();
        builder.NormalMeters();
    }
    return tables;
}

const LAYOUT_TABLES& Tables(int windowMode)
{
    static const LAYOUT_TABLES normal = BuildTables(kWindowNormal);
    static const LAYOUT_TABLES compact = BuildTables(kWindowCompact);
    return windowMode > 0 ? compact : normal;
}

// Bitmaps: name, style, accent, frame width, frame height, frames, face, window mode.
const LAYOUT_BITMAP kBitmaps[] = {
    {"Background.png", kBitmapBackground, kAccentNeutral, 1080, 790, 1, nullptr, kWindowNormal},
    {"cmpt_background.png", kBitmapBackground, kAccentNeutral, 1098, 700, 1, nullptr,
     kWindowCompact},
    {"MatrixView.png", kBitmapPage, kAccentMod, 1064, 381, 1, nullptr, kWindowNormal},
    {"MatrixViewCmpt.png", kBitmapPage, kAccentMod, 1064, 298, 1, nullptr, kWindowCompact},
    {"cmpt_master_view.png", kBitmapPage, kAccentMaster, 1064, 262, 1, nullptr, kWindowCompact},

    {"KnobMedFilter.png", kBitmapKnob, kAccentFilter, 46, 46, 128, nullptr, -1},
    {"KnobSmlFilter.png", kBitmapKnob, kAccentFilter, 26, 26, 64, nullptr, -1},
    {"KnobMedDist.png", kBitmapKnob, kAccentDist, 46, 46, 128, nullptr, -1},
    {"KnobDistTone.png", kBitmapKnob, kAccentDist, 46, 46, 128, nullptr, -1},
    {"KnobSmlDist.png", kBitmapKnob, kAccentDist, 26, 26, 64, nullptr, -1},
    {"KnobDlySpeedL.png", kBitmapKnob, kAccentDelay, 46, 46, 128, nullptr, -1},
    {"KnobDlySpeedR.png", kBitmapKnob, kAccentDelay, 46, 46, 128, nullptr, -1},
    {"KnobMedDelay.png", kBitmapKnob, kAccentDelay, 46, 46, 128, nullptr, -1},
    {"KnobSmlDelay.png", kBitmapKnob, kAccentDelay, 26, 26, 64, nullptr, -1},
    {"KnobMedLoFi.png", kBitmapKnob, kAccentLoFi, 46, 46, 128, nullptr, -1},
    {"KnobSmlLoFi.png", kBitmapKnob, kAccentLoFi, 26, 26, 64, nullptr, -1},
    {"KnobMedFlanger.png", kBitmapKnob, kAccentFlanger, 46, 46, 128, nullptr, -1},
    {"KnobSmlFlanger.png", kBitmapKnob, kAccentFlanger, 26, 26, 64, nullptr, -1},
    {"KnobMedGlitch.png", kBitmapKnob, kAccentGlitch, 46, 46, 128, nullptr, -1},
    {"KnobSmlGlitch.png", kBitmapKnob, kAccentGlitch, 26, 26, 64, nullptr, -1},
    {"KnobSmlMod.png", kBitmapKnob, kAccentMod, 26, 26, 64, nullptr, -1},
    {"KnobSmlLayer.png", kBitmapKnob, kAccentMaster, 26, 26, 64, nullptr, -1},
    {"KnobMstVolume.png", kBitmapKnob, kAccentMaster, 64, 64, 128, nullptr, -1},
    {"KnobMstVolumeCmpt.png", kBitmapKnob, kAccentMaster, 64, 64, 128, nullptr, -1},
    {"KnobMstDryWet.png", kBitmapKnob, kAccentMaster, 64, 64, 128, nullptr, -1},
    {"KnobMstDryWetCmpt.png", kBitmapKnob, kAccentMaster, 64, 64, 128, nullptr, -1},
    {"KnobMstPan.png", kBitmapKnob, kAccentMaster, 46, 46, 128, nullptr, -1},
    {"KnobMstPanCmpt.png", kBitmapKnob, kAccentMaster, 46, 46, 128, nullptr, -1},
    {"KnobMedEq.png", kBitmapKnob, kAccentEq, 46, 46, 128, nullptr, -1},
    {"KnobMedEqCmpt.png", kBitmapKnob, kAccentEq, 46, 46, 128, nullptr, -1},
    {"KnobSmlEq.png", kBitmapKnob, kAccentEq, 26, 26, 64, nullptr, -1},
    {"KnobSmlEqCmpt.png", kBitmapKnob, kAccentEq, 26, 26, 64, nullptr, -1},
    {"KnobMedReverb.png", kBitmapKnob, kAccentReverb, 46, 46, 128, nullptr, -1},
    {"KnobMedReverbCmpt.png", kBitmapKnob, kAccentReverb, 46, 46, 128, nullptr, -1},
    {"KnobSmlReverb.png", kBitmapKnob, kAccentReverb, 26, 26, 64, nullptr, -1},
    {"KnobSmlReverbCmpt.png", kBitmapKnob, kAccentReverb, 26, 26, 64, nullptr, -1},

    {"PowerSwitch.png", kBitmapPower, kAccentMaster, 24, 23, 2, nullptr, -1},
    {"PowerButtonFlt.png", kBitmapPower, kAccentFilter, 22, 20, 2, nullptr, -1},
    {"PowerButtonDist.png", kBitmapPower, kAccentDist, 22, 20, 2, nullptr, -1},
    {"PowerButtonDelay.png", kBitmapPower, kAccentDelay, 22, 20, 2, nullptr, -1},
    {"PowerButtonLoFi.png", kBitmapPower, kAccentLoFi, 22, 20, 2, nullptr, -1},
    {"PowerButtonFlng.png", kBitmapPower, kAccentFlanger, 22, 20, 2, nullptr, -1},
    {"PowerButtonGlitch.png", kBitmapPower, kAccentGlitch, 22, 20, 2, nullptr, -1},
    {"PowerButtonEq.png", kBitmapPower, kAccentEq, 22, 20, 2, nullptr, -1},
    {"PowerButtonEqCmpt.png", kBitmapPower, kAccentEq, 22, 20, 2, nullptr, -1},
    {"PowerButtonRev.png", kBitmapPower, kAccentReverb, 22, 20, 2, nullptr, -1},
    {"PowerButtonRevCmpt.png", kBitmapPower, kAccentReverb, 22, 20, 2, nullptr, -1},
    {"MatrixPowerButton.png", kBitmapPower, kAccentMod, 16, 16, 2, nullptr, -1},

    {"PowerButtonPhs.png", kBitmapToggle, kAccentFlanger, 52, 20, 2, "FLANGER|PHASER", -1},
    {"FlangerSync.png", kBitmapToggle, kAccentFlanger, 48, 20, 2, "SYNC", -1},
    {"DelayLink.png", kBitmapToggle, kAccentDelay, 38, 20, 2, "LINK", -1},
    {"DelaySync.png", kBitmapToggle, kAccentDelay, 38, 20, 2, "SYNC", -1},
    {"DelayPingPong.png", kBitmapToggle, kAccentDelay, 38, 20, 2, "PING", -1},
    {"GlitchReverse.png", kBitmapToggle, kAccentGlitch, 56, 20, 2, "REVERSE", -1},
    {"GlitchSmooth.png", kBitmapToggle, kAccentGlitch, 56, 20, 2, "SMOOTH", -1},
    {"ModSyncButton.png", kBitmapToggle, kAccentMod, 52, 20, 2, "SYNC", -1},
    {"ModDragMode.png", kBitmapToggle, kAccentMod, 72, 22, 2, "RIPPLE|CLAMP", -1},
    {"MatrixSwitch.png", kBitmapToggle, kAccentMod, 80, 22, 2, "MATRIX", -1},
    {"MatrixBypass.png", kBitmapToggle, kAccentMod, 96, 22, 2, "BYPASSED|ACTIVE", -1},
    {"LayerMode.png", kBitmapToggle, kAccentMaster, 64, 20, 2, "PARALLEL|SERIAL", -1},
    {"OnOffLayerA.png", kBitmapToggle, kAccentMaster, 22, 20, 2, "A", -1},
    {"OnOffLayerB.png", kBitmapToggle, kAccentMaster, 22, 20, 2, "B", -1},
    {"LimiterButton.png", kBitmapToggle, kAccentMaster, 52, 20, 2, "LIMIT", -1},
    {"LimiterButtonCmpt.png", kBitmapToggle, kAccentMaster, 64, 22, 2, "LIMIT", -1},

    {"UndoButton.png", kBitmapKick, kAccentNeutral, 46, 23, 2, "UNDO", -1},
    {"UndoButtonDisabled.png", kBitmapKickDisabled, kAccentNeutral, 46, 23, 2, "UNDO", -1},
    {"RedoButton.png", kBitmapKick, kAccentNeutral, 46, 23, 2, "REDO", -1},
    {"RedoButtonDisabled.png", kBitmapKickDisabled, kAccentNeutral, 46, 23, 2, "REDO", -1},
    {"PanicButton.png", kBitmapKick, kAccentNeutral, 46, 23, 2, "PANIC", -1},
    {"PrevButton.png", kBitmapKick, kAccentNeutral, 18, 23, 2, "@prev", -1},
    {"NextButton.png", kBitmapKick, kAccentNeutral, 18, 23, 2, "@next", -1},
    {"SettingsButton.png", kBitmapKick, kAccentNeutral, 28, 25, 2, "@gear", -1},
    {"ModPrevButton.png", kBitmapKick, kAccentMod, 20, 23, 2, "@prev", -1},
    {"ModNextButton.png", kBitmapKick, kAccentMod, 20, 23, 2, "@next", -1},
    {"ModOptions.png", kBitmapKick, kAccentMod, 26, 23, 2, "@more", -1},
    {"ModInvert.png", kBitmapKick, kAccentMod, 64, 22, 2, "INVERT", -1},
    {"MatrixClose.png", kBitmapKick, kAccentMod, 96, 22, 2, "CLOSE", -1},
    {"ModDeleteButton.png", kBitmapKick, kAccentMod, 18, 18, 2, "@close", -1},

    {"LayerSelector.png", kBitmapSegments, kAccentMaster, 120, 24, 2, "LAYER A|LAYER B", -1},
    {"TremoloSelector.png", kBitmapSegments, kAccentMod, 180, 20, 3, "MASTER|LAYER A|LAYER B", -1},
    {"CurveEditMode.png", kBitmapSegments, kAccentMod, 120, 22, 2, "STEPS|CURVE", -1},
    {"GlitchMode.png", kBitmapSegmentsVertical, kAccentGlitch, 48, 44, 2, "RUN|FREEZE", -1},
    {"cmpt_view_selector.png", kBitmapSegmentsVertical, kAccentMaster, 18, 96, 2, "MOD|MASTER", -1},
    {"ModSelector.png", kBitmapTabs, kAccentMod, 496, 22, 8, nullptr, -1},

    {"AimButton.png", kBitmapAim, kAccentMod, 16, 16, 2, "normal", -1},
    {"AimButtonDisabled.png", kBitmapAim, kAccentMod, 16, 16, 2, "disabled", -1},
    {"AimButtonTremolo.png", kBitmapAim, kAccentMod, 16, 16, 2, "tremolo", -1},
    {"FxRndButton.png", kBitmapDice, kAccentNeutral, 22, 20, 2, nullptr, -1},
    {"MainMeter.png", kBitmapMeterOn, kAccentMaster, 8, 75, 1, nullptr, -1},
    {"MainMeterOff.png", kBitmapMeterOff, kAccentMaster, 8, 75, 1, nullptr, -1},
    {"RoutingControl.png", kBitmapRouting, kAccentNeutral, 490, 24, 2, nullptr, -1},
    {"ModSliderHandle.png", kBitmapHandle, kAccentMod, 10, 19, 1, nullptr, -1},
    {"PresetBrowser.png", kBitmapBrowser, kAccentNeutral, 172, 23, 2, nullptr, -1},
    {"ModPresetBrowser.png", kBitmapBrowser, kAccentMod, 304, 23, 2, nullptr, -1},
    {"ModPopup.png", kBitmapPopup, kAccentMod, kModPopupWidth, kModPopupHeight, 1, nullptr, -1},
    {"ModPopupFill.png", kBitmapPopupFill, kAccentMod, kModPopupWidth, kModPopupRowHeight, 1,
     nullptr, -1},
};

bool IsLayerBId(int id)
{
    return (id >= kFilterOn && id <= kFlangerMix + 1 && (id - kFilterOn) % 2 == 1) ||
           id == kFlangerMode + 1 || id == kDelayInput + 1;
}
} // namespace

LAYOUT_COLOUR GetAccentColour(LAYOUT_ACCENT accent)
{
    switch (accent)
    {
    case kAccentFilter:
        return {0x4F, 0xC3, 0xF7, 255};
    case kAccentDist:
        return {0xFF, 0x70, 0x43, 255};
    case kAccentDelay:
        return {0x4D, 0xB6, 0xAC, 255};
    case kAccentLoFi:
        return {0xFF, 0xD5, 0x4F, 255};
    case kAccentFlanger:
        return {0xBA, 0x68, 0xC8, 255};
    case kAccentGlitch:
        return {0xF0, 0x62, 0x92, 255};
    case kAccentEq:
        return {0x90, 0xCA, 0xF9, 255};
    case kAccentReverb:
        return {0xB3, 0x9D, 0xDB, 255};
    case kAccentMaster:
        return {0xE0, 0xE0, 0xE0, 255};
    case kAccentMod:
        return {255, 172, 72, 255}; // the step / envelope fill's colour
    case kAccentNeutral:
    case kAccentCount:
        break;
    }
    return LayoutPalette::kTextSecondary;
}

LAYOUT_RECT GetWindowRect(int windowMode)
{
    return Tables(windowMode).window;
}

const LAYOUT_CONTROL* GetLayoutControls(int windowMode, int& count)
{
    const LAYOUT_TABLES& tables = Tables(windowMode);
    count = static_cast<int>(tables.controls.size());
    return tables.controls.data();
}

const LAYOUT_CONTROL* FindLayoutControl(int windowMode, int paramIdOrTag)
{
    const std::vector<LAYOUT_CONTROL>& controls = Tables(windowMode).controls;
    for (const LAYOUT_CONTROL& control : controls)
    {
        if ((control.paramId >= 0 && control.paramId == paramIdOrTag) ||
            (control.paramId < 0 && control.tag == paramIdOrTag))
            return &control;
    }
    // Shared rows: layer B's ids and modulators 1..7's ids and preset buttons.
    int rowKey = -1;
    LAYOUT_SECTION rowSection = kSectionFrame;
    if (IsLayerBId(paramIdOrTag))
    {
        rowKey = paramIdOrTag - 1;
        rowSection = kSectionLayer;
    }
    else if (paramIdOrTag >= kModSync && paramIdOrTag < kMtxPower)
    {
        rowKey = paramIdOrTag - (paramIdOrTag - kModSync) % kNumModulators;
        rowSection = kSectionModulator;
    }
    else if (paramIdOrTag >= kTagModNextPreset && paramIdOrTag < kTagModPrevPreset + 8)
    {
        rowKey = paramIdOrTag < kTagModPrevPreset ? kTagModNextPreset : kTagModPrevPreset;
        rowSection = kSectionModulator;
    }
    if (rowKey < 0)
        return nullptr;
    for (const LAYOUT_CONTROL& control : controls)
    {
        const int key = control.paramId >= 0 ? control.paramId : control.tag;
        if (key == rowKey && control.section == rowSection)
            return &control;
    }
    return nullptr;
}

const LAYOUT_TEXT* GetLayoutTexts(int windowMode, int& count)
{
    const LAYOUT_TABLES& tables = Tables(windowMode);
    count = static_cast<int>(tables.texts.size());
    return tables.texts.data();
}

const LAYOUT_PANEL* GetLayoutPanels(int windowMode, int& count)
{
    const LAYOUT_TABLES& tables = Tables(windowMode);
    count = static_cast<int>(tables.panels.size());
    return tables.panels.data();
}

LAYOUT_RECT GetSectionRect(int windowMode, LAYOUT_SECTION section)
{
    if (section < 0 || section >= kSectionCount)
        return {};
    return Tables(windowMode).sections[section];
}

LAYOUT_MODULE_PANEL GetModulePanel(int windowMode, LAYOUT_MODULE module)
{
    if (module < 0 || module >= kModulePanelCount)
        return {{}, nullptr, kAccentNeutral};
    return Tables(windowMode).modules[module];
}

LAYOUT_RECT GetModEditorRect(int windowMode)
{
    return Tables(windowMode).modEditor;
}

LAYOUT_RECT GetRoutingPanelRect(int windowMode)
{
    return Tables(windowMode).routing;
}

const LAYOUT_BITMAP* GetLayoutBitmaps(int& count)
{
    count = static_cast<int>(sizeof(kBitmaps) / sizeof(kBitmaps[0]));
    return kBitmaps;
}

const LAYOUT_BITMAP* FindLayoutBitmap(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const LAYOUT_BITMAP& bitmap : kBitmaps)
    {
        if (std::strcmp(bitmap.name, name) == 0)
            return &bitmap;
    }
    return nullptr;
}
