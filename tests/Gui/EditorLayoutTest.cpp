#include "Gui/EditorLayout.h"

#include "Morvex.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace MorvexParam;

namespace
{
std::vector<LAYOUT_CONTROL> Controls(int mode)
{
    int count = 0;
    const LAYOUT_CONTROL* controls = GetLayoutControls(mode, count);
    return std::vector<LAYOUT_CONTROL>(controls, controls + count);
}

std::vector<LAYOUT_TEXT> Texts(int mode)
{
    int count = 0;
    const LAYOUT_TEXT* texts = GetLayoutTexts(mode, count);
    return std::vector<LAYOUT_TEXT>(texts, texts + count);
}

std::string Name(const LAYOUT_CONTROL& control)
{
    return control.paramId >= 0 ? "param " + std::to_string(control.paramId)
                                : "tag " + std::to_string(control.tag);
}

// Places that two views share by design: the aim dots sit on the modulator tabs, Gate
// and Tension take turns, and so do the step and MSEG editors.
bool SharePlaceByDesign(const LAYOUT_CONTROL& a, const LAYOUT_CONTROL& b)
{
    auto isPair = [&](auto first, auto second)
    { return (first(a) && second(b)) || (first(b) && second(a)); };
    auto aim = [](const LAYOUT_CONTROL& c) { return c.kind == kLayoutAim; };
    auto tabs = [](const LAYOUT_CONTROL& c) { return c.tag == kTagModSelector; };
    auto gate = [](const LAYOUT_CONTROL& c) { return c.paramId == kModGate; };
    auto tension = [](const LAYOUT_CONTROL& c) { return c.paramId == kModTension; };
    auto step = [](const LAYOUT_CONTROL& c) { return c.kind == kLayoutStepEditor; };
    auto mseg = [](const LAYOUT_CONTROL& c) { return c.kind == kLayoutMsegEditor; };
    return isPair(aim, tabs) || isPair(gate, tension) || isPair(step, mseg);
}

// Something that takes room on screen: a control's view, its read-out or a caption.
struct AREA
{
    LAYOUT_RECT rect;
    std::string what;
    const LAYOUT_CONTROL* control;
};

std::vector<AREA> Areas(const std::vector<LAYOUT_CONTROL>& controls,
                        const std::vector<LAYOUT_TEXT>& texts)
{
    std::vector<AREA> areas;
    for (const LAYOUT_CONTROL& c : controls)
    {
        areas.push_back({c.ViewRect(), Name(c), &c});
        if (c.readOut)
            areas.push_back({c.readOutRect, Name(c) + " read-out", &c});
        if (c.caption != nullptr)
            areas.push_back({c.captionRect, Name(c) + " caption '" + c.caption + "'", &c});
    }
    for (const LAYOUT_TEXT& t : texts)
        areas.push_back({t.rect, std::string("text '") + t.text + "'", nullptr});
    return areas;
}

void ExpectNoOverlap(const std::vector<AREA>& areas, const std::string& context)
{
    for (size_t i = 0; i < areas.size(); ++i)
    {
        for (size_t j = i + 1; j < areas.size(); ++j)
        {
            const AREA& a = areas[i];
            const AREA& b = areas[j];
            if (a.control != nullptr && a.control == b.control)
                continue; // a control with its own read-out and caption: placed below it
            if (a.control != nullptr && b.control != nullptr &&
                SharePlaceByDesign(*a.control, *b.control))
                continue;
            EXPECT_FALSE(a.rect.Intersects(b.rect))
                << context << ": " << a.what << " overlaps " << b.what;
        }
    }
}

template <typename PREDICATE> std::vector<LAYOUT_CONTROL> Select(int mode, PREDICATE keep)
{
    std::vector<LAYOUT_CONTROL> selected;
    for (const LAYOUT_CONTROL& c : Controls(mode))
        if (keep(c))
            selected.push_back(c);
    return selected;
}

template <typename PREDICATE> std::vector<LAYOUT_TEXT> SelectTexts(int mode, PREDICATE keep)
{
    std::vector<LAYOUT_TEXT> selected;
    for (const LAYOUT_TEXT& t : Texts(mode))
        if (keep(t.section))
            selected.push_back(t);
    return selected;
}
} // namespace

class CEditorLayoutTest : public ::testing::TestWithParam<int>
{
};

INSTANTIATE_TEST_SUITE_P(BothWindowModes, CEditorLayoutTest,
                         ::testing::Values(int(kWindowNormal), int(kWindowCompact)));

TEST(CEditorLayoutFixedTest, CompactWindowIsTheNormalOneWidenedWithItsHeaderShifted)
{
    const LAYOUT_RECT normal = GetWindowRect(kWindowNormal);
    const LAYOUT_RECT compact = GetWindowRect(kWindowCompact);
    EXPECT_LT(compact.height, 910 - 100) << "fits a screen lower than 910 px with host chrome";
    EXPECT_EQ(compact.width, normal.width + 18);
    auto header = [](const LAYOUT_CONTROL& c) { return c.section == kSectionHeader; };
    const std::vector<LAYOUT_CONTROL> inNormal = Select(kWindowNormal, header);
    const std::vector<LAYOUT_CONTROL> inCompact = Select(kWindowCompact, header);
    ASSERT_EQ(inNormal.size(), inCompact.size());
    for (size_t i = 0; i < inNormal.size(); ++i)
    {
        EXPECT_EQ(inCompact[i].rect.x, inNormal[i].rect.x + 18) << Name(inNormal[i]);
        EXPECT_EQ(inCompact[i].rect.y, inNormal[i].rect.y) << Name(inNormal[i]);
    }
    // The master view opens over the modulator section.
    EXPECT_TRUE(GetSectionRect(kWindowCompact, kSectionModulator)
                    .Contains(GetSectionRect(kWindowCompact, kSectionMaster)));
}

TEST_P(CEditorLayoutTest, NoTwoThingsOverlapWhileShownTogether)
{
    const int mode = GetParam();
    const bool compact = mode == kWindowCompact;
    auto always = [compact](LAYOUT_SECTION s)
    {
        return s == kSectionFrame || s == kSectionHeader || s == kSectionLayer ||
               s == kSectionModulator || s == kSectionModShared ||
               (!compact && s == kSectionMaster);
    };
    ExpectNoOverlap(Areas(Select(mode, [&](const LAYOUT_CONTROL& c) { return always(c.section); }),
                          SelectTexts(mode, always)),
                    "main window");

    // The matrix page, and the views re-attached above it.
    auto matrix = [](LAYOUT_SECTION s) { return s == kSectionMatrix; };
    ExpectNoOverlap(Areas(Select(mode,
                                 [&](const LAYOUT_CONTROL& c)
                                 {
                                     return matrix(c.section) ||
                                            (!compact && (c.tag == kTagMatrixSwitch ||
                                                          c.tag == kTagLayerSelector));
                                 }),
                          SelectTexts(mode, matrix)),
                    "matrix page");

    if (compact)
    {
        // The master view, with the tabs, aim dots and frame views that stay above it.
        auto master = [](LAYOUT_SECTION s) { return s == kSectionMaster; };
        ExpectNoOverlap(Areas(Select(mode,
                                     [&](const LAYOUT_CONTROL& c)
                                     {
                                         return master(c.section) || c.section == kSectionFrame ||
                                                c.tag == kTagModSelector || c.kind == kLayoutAim;
                                     }),
                              SelectTexts(mode, master)),
                        "master view");
    }
}

TEST_P(CEditorLayoutTest, EverythingInsideItsSectionAndTheWindow)
{
    const int mode = GetParam();
    const LAYOUT_RECT window = GetWindowRect(mode);
    for (const LAYOUT_CONTROL& c : Controls(mode))
    {
        const LAYOUT_RECT section = GetSectionRect(mode, c.section);
        EXPECT_TRUE(window.Contains(c.ViewRect())) << Name(c);
        EXPECT_TRUE(section.Contains(c.ViewRect())) << Name(c);
        if (c.readOut)
        {
            EXPECT_TRUE(section.Contains(c.readOutRect)) << Name(c);
        }
        if (c.caption != nullptr)
        {
            EXPECT_TRUE(section.Contains(c.captionRect)) << Name(c);
        }
    }
    for (const LAYOUT_TEXT& t : Texts(mode))
    {
        EXPECT_TRUE(GetSectionRect(mode, t.section).Contains(t.rect)) << t.text;
    }
    for (int m = 0; m < kModulePanelCount; ++m)
    {
        const LAYOUT_MODULE_PANEL panel = GetModulePanel(mode, LAYOUT_MODULE(m));
        EXPECT_TRUE(GetSectionRect(mode, kSectionLayer).Contains(panel.rect)) << panel.title;
    }
}

TEST_P(CEditorLayoutTest, ModuleControlsSitInTheirModulePanel)
{
    const int mode = GetParam();
    struct MODULE_IDS
    {
        LAYOUT_MODULE module;
        std::vector<int> ids;
    };
    const MODULE_IDS modules[] = {
        {kModulePanelFilter,
         {kFilterOn, kFilterCutoff, kFilterRes, kFilterLocut, kFilterHicut, kFilterMode,
          kFilterMix}},
        {kModulePanelDist,
         {kDistOn, kDistDrive, kDistFuzz, kDistColor, kDistOutput, kDistMono, kDistMode, kDistMix}},
        {kModulePanelDelay,
         {kDelayOn, kDelayInput, kDelaySpeedL, kDelaySpeedR, kDelayFeedback, kDelayLowpass,
          kDelayBandpass, kDelayLink, kDelaySync, kDelayPingPong, kDelayMix}},
        {kModulePanelLoFi,
         {kLoFiOn, kLoFiBitDepth, kLoFiSampleRate, kLoFiNoise, kLoFiTone, kLoFiMix}},
        {kModulePanelFlanger,
         {kFlangerOn, kFlangerDelay, kFlangerFeedback, kFlangerDepth, kFlangerSpeed, kFlangerSync,
          kFlangerWidth, kFlangerTone, kFlangerMode, kFlangerMix}},
        {kModulePanelGlitch,
         {kGlitchOn, kGlitchScale, kGlitchStretch, kGlitchReverse, kGlitchSmooth, kGlitchMode,
          kGlitchBuffer, kGlitchMix}},
    };
    for (const MODULE_IDS& m : modules)
    {
        const LAYOUT_MODULE_PANEL panel = GetModulePanel(mode, m.module);
        for (int id : m.ids)
        {
            const LAYOUT_CONTROL* c = FindLayoutControl(mode, id);
            ASSERT_NE(c, nullptr) << panel.title << " param " << id;
            EXPECT_EQ(c->section, kSectionLayer) << id;
            EXPECT_TRUE(panel.rect.Contains(c->ViewRect())) << panel.title << " param " << id;
        }
        const LAYOUT_CONTROL* dice = FindLayoutControl(mode, kTagRandomizeModule + m.module);
        ASSERT_NE(dice, nullptr);
        EXPECT_EQ(dice->kind, kLayoutRandomize);
        EXPECT_EQ(dice->unit, m.module + 1) << "randomizer kinds 1..6 in panel order";
        EXPECT_TRUE(panel.rect.Contains(dice->rect)) << panel.title;
    }
}

TEST_P(CEditorLayoutTest, EveryEditorOnlyControlOfTheWindowIsThere)
{
    const int mode = GetParam();
    std::vector<int> tags = {kTagLayerSelector, kTagModSelector, kTagMatrixSwitch, kTagMsegEditor,
                             kTagStepEditor,    kTagPanic,       kTagSettings,     kTagMatrixClose,
                             kTagModInvert,     kTagModOptions,  kTagDragMode,     kTagNextPreset,
                             kTagPrevPreset,    kTagUndo,        kTagRedo,         kTagVersionLabel,
                             kTagMainBrowser,   kTagModBrowser,  kTagRouting,      kTagRandomizeMod,
                             kTagMeterLeft,     kTagMeterRight,  kTagCorrelation};
    for (int m = 0; m < kNumModulators; ++m)
    {
        tags.push_back(kTagModNextPreset + m);
        tags.push_back(kTagModPrevPreset + m);
        tags.push_back(kTagAim + m);
    }
    if (mode == kWindowCompact)
        tags.push_back(kTagViewSelector);
    for (int tag : tags)
        EXPECT_NE(FindLayoutControl(mode, tag), nullptr) << "tag " << tag;
    EXPECT_EQ(FindLayoutControl(kWindowNormal, kTagViewSelector), nullptr);

    for (int m = 0; m < kNumModulators; ++m)
    {
        const LAYOUT_CONTROL* aim = FindLayoutControl(mode, kTagAim + m);
        EXPECT_EQ(aim->unit, m);
        EXPECT_EQ(aim->kind, kLayoutAim);
    }
    EXPECT_EQ(FindLayoutControl(mode, kModNumSteps), nullptr);
    EXPECT_EQ(FindLayoutControl(mode, 312), nullptr);
    EXPECT_EQ(FindLayoutControl(mode, -1), nullptr);
}

TEST_P(CEditorLayoutTest, SharedRowsMapBackToLayerAAndModulatorZero)
{
    const int mode = GetParam();
    EXPECT_EQ(FindLayoutControl(mode, kFlangerMode + 1), FindLayoutControl(mode, kFlangerMode));
    EXPECT_EQ(FindLayoutControl(mode, kDelayInput + 1), FindLayoutControl(mode, kDelayInput));
    EXPECT_EQ(FindLayoutControl(mode, kModShuffle + 7), FindLayoutControl(mode, kModShuffle));
    EXPECT_EQ(FindLayoutControl(mode, kTagModPrevPreset + 7),
              FindLayoutControl(mode, kTagModPrevPreset));
    // Frame-level pairs are separate rows, not layer rows.
    EXPECT_NE(FindLayoutControl(mode, kLayerBMix), FindLayoutControl(mode, kLayerAMix));
    EXPECT_EQ(FindLayoutControl(mode, kFlangerMode)->section, kSectionLayer);
}

TEST_P(CEditorLayoutTest, KnobsFollowTheirSizeConventions)
{
    for (const LAYOUT_CONTROL& c : Controls(GetParam()))
    {
        if (c.kind != kLayoutKnob)
        {
            EXPECT_EQ(c.knobSize, kKnobNone) << Name(c);
            continue;
        }
        const int px = c.knobSize == kKnobSmall ? 26 : c.knobSize == kKnobMedium ? 46 : 64;
        EXPECT_EQ(c.rect.width, px) << Name(c);
        EXPECT_EQ(c.rect.height, px) << Name(c);
        EXPECT_EQ(c.frames, c.knobSize == kKnobSmall ? 64 : 128) << Name(c);
    }
    EXPECT_EQ(FindLayoutControl(GetParam(), kVolume)->knobSize, kKnobBig);
    EXPECT_EQ(FindLayoutControl(GetParam(), kDryWet)->knobSize, kKnobBig);
}

TEST_P(CEditorLayoutTest, EveryBitmapIsInTheGeneratorsListWithItsFrameSize)
{
    const int mode = GetParam();
    for (const LAYOUT_CONTROL& c : Controls(mode))
    {
        if (c.bitmap == nullptr)
        {
            EXPECT_EQ(c.frames, 0) << Name(c);
            continue;
        }
        const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(c.bitmap);
        ASSERT_NE(bitmap, nullptr) << c.bitmap;
        if (c.kind == kLayoutSlider)
        {
            // The handle travels along the slider.
            EXPECT_LT(bitmap->width, c.rect.width) << c.bitmap;
        }
        else
        {
            EXPECT_EQ(bitmap->width, c.rect.width) << c.bitmap;
        }
        EXPECT_EQ(bitmap->height, c.rect.height) << c.bitmap;
        EXPECT_EQ(bitmap->frames, c.frames) << c.bitmap;
        const std::string name = c.bitmap;
        const bool cmpt = name.size() > 8 && name.compare(name.size() - 8, 8, "Cmpt.png") == 0;
        const bool masterInCompact = c.section == kSectionMaster && mode == kWindowCompact;
        EXPECT_EQ(cmpt, masterInCompact) << name;
    }
    for (const char* name :
         {"Background.png", "cmpt_background.png", "MatrixView.png", "cmpt_master_view.png",
          "UndoButtonDisabled.png", "RedoButtonDisabled.png", "AimButtonDisabled.png",
          "AimButtonTremolo.png", "ModPopup.png", "ModPopupFill.png", "ModDeleteButton.png",
          "MainMeterOff.png"})
        EXPECT_NE(FindLayoutBitmap(name), nullptr) << name;
    EXPECT_EQ(FindLayoutBitmap("NoSuchBitmap.png"), nullptr);
}

TEST(CEditorLayoutBitmapTest, NamesAreUniqueAndBackgroundsMatchTheirWindows)
{
    int count = 0;
    const LAYOUT_BITMAP* bitmaps = GetLayoutBitmaps(count);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i)
    {
        EXPECT_TRUE(names.insert(bitmaps[i].name).second) << bitmaps[i].name;
        EXPECT_GT(bitmaps[i].width, 0);
        EXPECT_GT(bitmaps[i].height, 0);
        EXPECT_GT(bitmaps[i].frames, 0);
        if (bitmaps[i].style == kBitmapBackground)
        {
            const LAYOUT_RECT window = GetWindowRect(bitmaps[i].windowMode);
            EXPECT_EQ(bitmaps[i].width, window.width) << bitmaps[i].name;
            EXPECT_EQ(bitmaps[i].height, window.height) << bitmaps[i].name;
        }
    }
    const LAYOUT_BITMAP* matrix = FindLayoutBitmap("MatrixView.png");
    EXPECT_EQ(matrix->width, GetSectionRect(kWindowNormal, kSectionMatrix).width);
    EXPECT_EQ(matrix->height, GetSectionRect(kWindowNormal, kSectionMatrix).height);
    const LAYOUT_BITMAP* masterView = FindLayoutBitmap("cmpt_master_view.png");
    EXPECT_EQ(masterView->width, GetSectionRect(kWindowCompact, kSectionMaster).width);
    EXPECT_EQ(masterView->height, GetSectionRect(kWindowCompact, kSectionMaster).height);
    // The pop-up draws its frame's top, the row fills, then the frame from this offset.
    EXPECT_GT(kModPopupHeight, kModPopupBottomOffset);
    EXPECT_EQ(kModPopupBottomOffset - kModPopupHeaderHeight, kModPopupRowHeight);
}

TEST_P(CEditorLayoutTest, EditorsAndRoutingDivideIntoWholeCells)
{
    const int mode = GetParam();
    EXPECT_EQ(GetModEditorRect(mode).width % 32, 0) << "32 steps of whole pixels";
    EXPECT_EQ(GetRoutingPanelRect(mode).width % 7, 0) << "7 tiles of whole pixels";
    const LAYOUT_CONTROL* tabs = FindLayoutControl(mode, kTagModSelector);
    EXPECT_EQ(tabs->rect.width % kNumModulators, 0);
    for (int m = 0; m < kNumModulators; ++m)
    {
        // Each aim dot lies on its own tab.
        const LAYOUT_RECT aim = FindLayoutControl(mode, kTagAim + m)->rect;
        const int tabWidth = tabs->rect.width / kNumModulators;
        const LAYOUT_RECT tab{tabs->rect.x + tabWidth * m, tabs->rect.y, tabWidth,
                              tabs->rect.height};
        EXPECT_TRUE(tab.Contains(aim)) << m;
    }
}

TEST_P(CEditorLayoutTest, EveryModulationPopupOpensInsideTheWindow)
{
    // The pop-up's left edge is its aim dot's centre - 269; it is kModPopupWidth wide and
    // its top is 30 px above the dot.
    const int mode = GetParam();
    const LAYOUT_RECT window = GetWindowRect(mode);
    for (int m = 0; m < kNumModulators; ++m)
    {
        const LAYOUT_RECT aim = FindLayoutControl(mode, kTagAim + m)->rect;
        const int left = aim.x + aim.width / 2 - 269;
        EXPECT_GE(left, 0) << "modulator " << m;
        EXPECT_LE(left + kModPopupWidth, window.width) << "modulator " << m;
        EXPECT_GE(aim.y - 30, 0) << "modulator " << m;
        // It grows down one row per matrix slot of the modulator: eight rows still end
        // inside the compact window (twelve in the normal one).
        const int rows = mode == kWindowNormal ? 12 : 8;
        EXPECT_LE(aim.y - 30 + kModPopupHeight + rows * kModPopupRowHeight, window.height);
    }
}
