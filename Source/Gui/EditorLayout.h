// The editor window's layout table: where every control, read-out, caption and
// panel of the editor sits, in both window modes, and which bitmap each control
// shows. The editor places its views from it and the artwork generator draws the
// backgrounds and film strips from it, so captions and controls cannot drift apart.
//
// Coordinates are logical pixels in window coordinates (the background bitmap's),
// top-left origin; a view inside a container subtracts the container's origin
// (GetSectionRect). Window mode 0 is the normal window (1080 x 790), mode 1 the
// compact one (1098 x 700): the same layer page and modulator section, shifted
// 18 px right to make room for a column at the left edge (meters and the compact
// view selector); the master strip lives in the master-view container.
//
// Rows are shared where views repeat:
// - kSectionLayer rows carry layer A's parameter id; layer B uses id + 1 at the
//   same place. A randomize row's unit is its randomizer kind, the layer is the
//   index.
// - kSectionModulator rows carry modulator 0's parameter id (or tag, for the
//   preset stepping buttons); modulator m uses id + m (tag + m) at the same place.
// - Every other row is one view.
// Gate and Tension of a modulator share one place (only one is shown at a time);
// so do the step and MSEG editors; the aim buttons sit on the modulator tabs.
//
// Pages: the matrix rows start at x 194 + 390c, y 404 + 27r in the normal window and
// so reach y 721: the matrix page covers the modulator section and the master strip
// (398..779). The compact window (700 px high) places them 23 px apart from y 420
// under a row of column heads, inside the modulator section. The compact master view
// covers the modulator section below its tab row (y 434..696), so the tabs, aim dots
// and matrix switch stay usable above it. In the normal window the matrix page lies
// above the modulator tabs and aim dots (its row 13 overlaps the tab row); only the
// layer selector and the matrix switch stay above it there. The compact matrix page
// lies above everything. Views that stay above a page never overlap the page's own
// views.
//
// Plain data, no toolkit; any thread (the tables are built once, on first use,
// and never change).
#pragma once

#include <cstdint>

enum LAYOUT_KIND : int
{
    kLayoutKnob,        // film-strip knob with modulation arc (AddModKnob)
    kLayoutOnOff,       // two-state button, state 0 (off) on top
    kLayoutKick,        // momentary button, frame 0 released, frame 1 pressed
    kLayoutHSwitch,     // horizontal selector, one frame per position
    kLayoutVSwitch,     // vertical selector, one frame per position
    kLayoutList,        // list control (text of the value, menu on click)
    kLayoutSlider,      // horizontal depth slider; bitmap is the handle
    kLayoutMeter,       // level meter; bitmap is the lit image (see EditorArtwork.h)
    kLayoutCorrelation, // correlation meter (drawn by the control)
    kLayoutLabel,       // text label view (the version label)
    kLayoutBrowser,     // preset browser; bitmap is its menu button's background
    kLayoutNodePanel,   // routing panel; bitmap holds both rows of tiles
    kLayoutStepEditor,  // step editor (drawn by the control)
    kLayoutMsegEditor,  // MSEG editor (drawn by the control)
    kLayoutRandomize,   // dice button (a kick button)
    kLayoutAim,         // aim button of a modulator (a kick button)
};

enum LAYOUT_SECTION : int
{
    kSectionFrame,     // attached to the frame for the editor's life
    kSectionHeader,    // header row (in the frame)
    kSectionLayer,     // per-layer container
    kSectionModulator, // per-modulator container
    kSectionModShared, // modulator section views shared by all modulators (in the frame)
    kSectionMatrix,    // matrix page container
    kSectionMaster,    // normal: in the frame (bottom strip); compact: master-view container
    kSectionCount
};

enum KNOB_SIZE : int
{
    kKnobNone,   // not a knob
    kKnobSmall,  // 26 px, 64 frames, SMALL_KNOB_MOD_STYLE
    kKnobMedium, // 46 px, 128 frames, MEDIUM_KNOB_MOD_STYLE
    kKnobBig,    // 64 px, 128 frames, BIG_KNOB_MOD_STYLE
};

// Colour families of the artwork; each module's controls and title use its accent.
enum LAYOUT_ACCENT : int
{
    kAccentNeutral,
    kAccentFilter,
    kAccentDist,
    kAccentDelay,
    kAccentLoFi,
    kAccentFlanger,
    kAccentGlitch,
    kAccentEq,
    kAccentReverb,
    kAccentMaster,
    kAccentMod,
    kAccentCount
};

enum LAYOUT_WINDOW_MODE : int
{
    kWindowNormal = 0,
    kWindowCompact = 1,
    kWindowModeCount = 2
};

// Editor-only tags. Those up to 100043 are the editor's action tags; the ones from
// 100100 are keys for views without an action of their own, so that every row can
// be found with FindLayoutControl (the editor may use them as tags or not).
enum LAYOUT_TAG : int
{
    kTagLayerSelector = 100000,
    kTagModSelector = 100001,
    kTagMatrixSwitch = 100002,
    kTagMsegEditor = 100003,
    kTagStepEditor = 100004,
    kTagPanic = 100005,
    kTagSettings = 100006,
    kTagMatrixClose = 100007,
    kTagModInvert = 100008,
    kTagModOptions = 100009,
    kTagDragMode = 100010,
    kTagNextPreset = 100011,
    kTagPrevPreset = 100012,
    kTagUndo = 100013,
    kTagRedo = 100014,
    kTagModNextPreset = 100015, // + modulator
    kTagModPrevPreset = 100023, // + modulator
    kTagViewSelector = 100043,

    kTagVersionLabel = 100100,
    kTagMainBrowser = 100101,
    kTagModBrowser = 100102,
    kTagRouting = 100103,
    kTagRandomizeModule = 100110, // + randomizer kind - 1 (kinds 1..6)
    kTagRandomizeMod = 100116,
    kTagAim = 100120, // + modulator
    kTagMeterLeft = 100130,
    kTagMeterRight = 100131,
    kTagCorrelation = 100132,
};

struct LAYOUT_RECT
{
    int x = 0, y = 0, width = 0, height = 0;

    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    // Half-open rectangles: touching edges do not intersect.
    bool Intersects(const LAYOUT_RECT& other) const
    {
        return !IsEmpty() && !other.IsEmpty() && x < other.Right() && other.x < Right() &&
               y < other.Bottom() && other.y < Bottom();
    }
    bool Contains(const LAYOUT_RECT& other) const
    {
        return other.x >= x && other.y >= y && other.Right() <= Right() &&
               other.Bottom() <= Bottom();
    }
    LAYOUT_RECT Grown(int by) const { return {x - by, y - by, width + 2 * by, height + 2 * by}; }
};

struct LAYOUT_CONTROL
{
    LAYOUT_SECTION section;
    LAYOUT_KIND kind;
    int paramId;        // parameter id (see the row-sharing rules above), or -1
    int tag;            // editor tag or layout key when paramId is -1, else -1
    LAYOUT_RECT rect;   // one frame / one state of the control (a knob's film-strip frame,
                        // before the 4-px growth for the modulation arc)
    const char* bitmap; // bitmap resource name, or nullptr (lists, editors, meters' off image)
    int frames;         // film-strip frames / switch positions / 2 for buttons; 0 without bitmap
    KNOB_SIZE knobSize; // kKnobNone unless a knob
    LAYOUT_ACCENT accent;
    bool readOut; // a read-out under the knob at readOutRect
    LAYOUT_RECT readOutRect;
    const char* caption; // drawn into the background at captionRect, or nullptr
    LAYOUT_RECT captionRect;
    int unit; // randomize: the randomizer kind (0 modulator, 1..6 modules);
              // aim: the modulator; else -1

    // The area the view occupies: knobs grow by 4 px on every side for the arc.
    LAYOUT_RECT ViewRect() const { return kind == kLayoutKnob ? rect.Grown(4) : rect; }
};

// Text drawn into a background bitmap (titles, hints, column heads); captions of
// controls are in LAYOUT_CONTROL.
enum LAYOUT_TEXT_STYLE : int
{
    kTextCaption,  // 9 px, secondary text colour, centred
    kTextTitle,    // 11 px bold upper case, accent colour, left
    kTextGroup,    // 10 px bold upper case, accent colour, vertical (bottom to top), centred
    kTextHint,     // 9 px, secondary text colour, left
    kTextHeading,  // 9 px bold upper case, secondary text colour, left
    kTextNumber,   // 9 px, secondary text colour, right-aligned
    kTextWordmark, // the product name
};

struct LAYOUT_TEXT
{
    LAYOUT_SECTION section; // which bitmap: kSectionMatrix -> the matrix page, kSectionMaster
                            // in compact mode -> the master view, else the background
    LAYOUT_TEXT_STYLE style;
    LAYOUT_ACCENT accent;
    LAYOUT_RECT rect;
    const char* text;
};

enum LAYOUT_PANEL_STYLE : int
{
    kPanelSection, // a window section (rounded, edge)
    kPanelModule,  // a module panel inside the layer page (accent line along its top)
    kPanelGroup,   // a group inside a section (lighter, no title bar)
    kPanelField,   // a recessed field (editor area, meter slot)
};

struct LAYOUT_PANEL
{
    LAYOUT_SECTION section; // as for LAYOUT_TEXT
    LAYOUT_PANEL_STYLE style;
    LAYOUT_ACCENT accent;
    LAYOUT_RECT rect;
};

struct LAYOUT_COLOUR
{
    std::uint8_t red, green, blue, alpha;
};

// Palette of the editor (sRGB).
namespace LayoutPalette
{
constexpr LAYOUT_COLOUR kWindow{0x1B, 0x1E, 0x24, 255};
constexpr LAYOUT_COLOUR kPanel{0x25, 0x29, 0x2F, 255};
constexpr LAYOUT_COLOUR kSection{0x20, 0x24, 0x2B, 255};
constexpr LAYOUT_COLOUR kEdge{0x36, 0x3C, 0x47, 255};
constexpr LAYOUT_COLOUR kText{0xE8, 0xEA, 0xED, 255};
constexpr LAYOUT_COLOUR kTextSecondary{0x9A, 0xA0, 0xA6, 255};
constexpr LAYOUT_COLOUR kField{0x14, 0x16, 0x1B, 255};
constexpr LAYOUT_COLOUR kModulationArc{255, 110, 0, 255};
constexpr LAYOUT_COLOUR kLayerListText{124, 175, 254, 255};
constexpr LAYOUT_COLOUR kReadOutText{255, 255, 255, 255};
constexpr int kCornerRadius = 6;
} // namespace LayoutPalette

LAYOUT_COLOUR GetAccentColour(LAYOUT_ACCENT accent);

// Bitmaps the generator draws. Every bitmap a control names is listed, with the
// size of one frame; the strip is frames x height tall (vertically stacked).
enum BITMAP_STYLE : int
{
    kBitmapBackground,       // a window background (Background.png, cmpt_background.png)
    kBitmapPage,             // a container background (matrix page, master view)
    kBitmapKnob,             // knob film strip
    kBitmapPower,            // power-icon toggle, lights in the accent colour
    kBitmapToggle,           // text toggle; face "TEXT" or "OFF TEXT|ON TEXT"
    kBitmapKick,             // text or icon kick button ("@icon" faces), pressed frame 1
    kBitmapKickDisabled,     // the same, dimmed (both frames)
    kBitmapSegments,         // selector: face lists the positions ("A|B|C"), one lit per frame
    kBitmapSegmentsVertical, // the same, positions stacked (text rotated if narrow)
    kBitmapTabs,             // the modulator tabs
    kBitmapAim,              // aim dot; face "normal", "disabled" or "tremolo"
    kBitmapDice,             // randomize button
    kBitmapMeterOn,          // meter, all segments lit
    kBitmapMeterOff,         // meter, all segments unlit
    kBitmapRouting,          // routing tiles, normal row then dragged row
    kBitmapHandle,           // slider handle
    kBitmapBrowser,          // preset browser field, frame 1 while the menu is open
    kBitmapPopup,            // modulation pop-up frame
    kBitmapPopupFill,        // modulation pop-up row fill
};

struct LAYOUT_BITMAP
{
    const char* name;
    BITMAP_STYLE style;
    LAYOUT_ACCENT accent;
    int width, height; // of one frame, logical px
    int frames;
    const char* face; // text or icon, see BITMAP_STYLE; nullptr for none
    int windowMode;   // backgrounds and pages: the mode they belong to; else -1
};

// Size of the modulation pop-up's pieces (its rows are placed by the pop-up itself).
// The pop-up draws the top kModPopupHeaderHeight px of "ModPopup.png", one fill per
// row, then the image from kModPopupBottomOffset down: n rows paint
// kModPopupHeight + (n - 1) x kModPopupRowHeight px. Its left edge is its aim dot's
// centre - 269, its top 30 px above the dot (the tabs are placed so that all eight
// pop-ups open inside the window).
constexpr int kModPopupWidth = 300;
constexpr int kModPopupHeight = 116;       // "ModPopup.png"
constexpr int kModPopupHeaderHeight = 79;  // drawn from the top of the frame image
constexpr int kModPopupBottomOffset = 102; // the frame image is drawn again from here down
constexpr int kModPopupRowHeight = 23;     // "ModPopupFill.png"

// Window size of a mode (out-of-range modes count as compact when above 0).
LAYOUT_RECT GetWindowRect(int windowMode);

// All controls of a mode; count receives their number.
const LAYOUT_CONTROL* GetLayoutControls(int windowMode, int& count);

// The row of a parameter id (layer A's / modulator 0's id for shared rows) or of a
// tag/layout key; nullptr if none. Layer B ids and modulator m ids are mapped back
// to their row.
const LAYOUT_CONTROL* FindLayoutControl(int windowMode, int paramIdOrTag);

// Texts and panels the generator draws for a mode.
const LAYOUT_TEXT* GetLayoutTexts(int windowMode, int& count);
const LAYOUT_PANEL* GetLayoutPanels(int windowMode, int& count);

// The area of a section (the container's rectangle for the switchable ones:
// layer page, modulator section, matrix page, master view; the strip in normal mode).
LAYOUT_RECT GetSectionRect(int windowMode, LAYOUT_SECTION section);

// The six module panels of the layer page, in display order.
enum LAYOUT_MODULE : int
{
    kModulePanelFilter,
    kModulePanelDist,
    kModulePanelDelay,
    kModulePanelLoFi,
    kModulePanelFlanger,
    kModulePanelGlitch,
    kModulePanelCount
};
struct LAYOUT_MODULE_PANEL
{
    LAYOUT_RECT rect;
    const char* title;
    LAYOUT_ACCENT accent;
};
LAYOUT_MODULE_PANEL GetModulePanel(int windowMode, LAYOUT_MODULE module);

// The step / MSEG editor's rectangle (shared by both editors) and the routing
// panel's, for the selected layer.
LAYOUT_RECT GetModEditorRect(int windowMode);
LAYOUT_RECT GetRoutingPanelRect(int windowMode);

// Every bitmap the editor uses (controls, disabled looks, backgrounds, pop-up).
const LAYOUT_BITMAP* GetLayoutBitmaps(int& count);
const LAYOUT_BITMAP* FindLayoutBitmap(const char* name);
