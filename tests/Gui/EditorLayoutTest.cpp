// The editor's layout table, checked for its properties in both windows: nothing overlaps
// that is shown together, everything lies inside its section and the window, module
// controls in their panels, bitmaps match their places, and the pop-ups fit.
#include "Gui/EditorLayout.h"

#include "Morvex.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace MorvexParam;

namespace
{
template <typename ROW> std::vector<ROW> Rows(const ROW* (*get)(int, int&), int mode)
{
    int count = 0;
    const ROW* rows = get(mode, count);
    return std::vector<ROW>(rows, rows + count);
}
std::vector<LAYOUT_CONTROL> Controls(int mode) { return Rows(GetLayoutControls, mode); }
std::vector<LAYOUT_TEXT> Texts(int mode) { return Rows(GetLayoutTexts, mode); }

std::string Name(const LAYOUT_CONTROL& control)
{
    return control.paramId >= 0 ? "param " + std::to_string(control.paramId)
                                : "tag " + std::to_string(control.tag);
}

// Places that two views share by design: the aim dots sit on the modulator tabs, Gate
// and Tension take turns, and so do the step and MSEG editors.
bool SharePlaceByDesign(const LAYOUT_CONTROL& a, const LAYOUT_CONTROL& b)
{
    // One of the pair's roles, as a small number (0: none).
    auto role = [](const LAYOUT_CONTROL& c)
    {
        return c.kind == kLayoutAim              ? 1
               : c.tag == kTagModSelector        ? -1
               : c.paramId == kModGate           ? 2
               : c.paramId == kModTension        ? -2
               : c.kind == kLayoutStepEditor     ? 3
               : c.kind == kLayoutMsegEditor     ? -3
                                                 : 0;
    };
    return role(a) != 0 && role(a) == -role(b);
}

// Something that takes room on screen: a control's view, its read-out or a caption.
struct AREA
{
    LAYOUT_RECT rect;
    std::string what;
    const LAYOUT_CONTROL* control;
};

// No two areas of the controls `keep` selects, and of the texts of the sections it
// selects, overlap.
template <typename KEEP> void ExpectNoOverlap(int mode, KEEP keep, const std::string& context)
{
    const std::vector<LAYOUT_CONTROL> controls = Controls(mode);
    std::vector<AREA> areas;
    for (const LAYOUT_CONTROL& c : controls)
    {
        if (!keep(c.section, &c))
            continue;
        areas.push_back({c.ViewRect(), Name(c), &c});
        if (c.readOut)
            areas.push_back({c.readOutRect, Name(c) + " read-out", &c});
        if (c.caption != nullptr)
            areas.push_back({c.captionRect, Name(c) + " caption '" + c.caption + "'", &c});
    }
    for (const LAYOUT_TEXT& t : Texts(mode))
        if (keep(t.section, nullptr))
            areas.push_back({t.rect, std::string("text '") + t.text + "'", nullptr});
    for (size_t i = 0; i < areas.size(); ++i)
    {
        for (size_t j = i + 1; j < areas.size(); ++j)
        {
            const AREA& a = areas[i];
            const AREA& b = areas[j];
            if (a.control != nullptr && a.control == b.control)
                continue; // a control with its own read-out and caption: placed below it
            if (a.control && b.control && SharePlaceByDesign(*a.control, *b.control))
                continue;
            EXPECT_FALSE(a.rect.Intersects(b.rect))
                << context << ": " << a.what << " overlaps " << b.what;
        }
    }
}
} // namespace

class CEditorLayoutTest : public ::testing::TestWithParam<int>
{
};

INSTANTIATE_TEST_SUITE_P(BothWindowModes, CEditorLayoutTest,
                         ::testing::Values(int(kWindowNormal), int(kWindowCompact)));

TEST(CEditorLayoutFixedTest, CompactWindowFitsALowScreenAndShiftsTheWholeHeader)
{
    const LAYOUT_RECT normal = GetWindowRect(kWindowNormal);
    const LAYOUT_RECT compact = GetWindowRect(kWindowCompact);
    EXPECT_LT(compact.height, 910 - 100) << "fits a screen lower than 910 px with host chrome";
    std::vector<LAYOUT_CONTROL> header[2];
    for (int mode : {int(kWindowNormal), int(kWindowCompact)})
        for (const LAYOUT_CONTROL& c : Controls(mode))
            if (c.section == kSectionHeader)
                header[mode == kWindowCompact].push_back(c);
    ASSERT_EQ(header[0].size(), header[1].size());
    for (size_t i = 0; i < header[0].size(); ++i)
    {
        EXPECT_EQ(header[1][i].rect.x, header[0][i].rect.x + compact.width - normal.width);
        EXPECT_EQ(header[1][i].rect.y, header[0][i].rect.y) << Name(header[0][i]);
    }
    // The master view opens over the modulator section.
    EXPECT_TRUE(GetSectionRect(kWindowCompact, kSectionModulator)
                    .Contains(GetSectionRect(kWindowCompact, kSectionMaster)));
}

TEST_P(CEditorLayoutTest, NoTwoThingsOverlapWhileShownTogether)
{
    const int mode = GetParam();
    const bool compact = mode == kWindowCompact;
    ExpectNoOverlap(
        mode,
        [compact](LAYOUT_SECTION s, const LAYOUT_CONTROL*)
        {
            return s == kSectionFrame || s == kSectionHeader || s == kSectionLayer ||
                   s == kSectionModulator || s == kSectionModShared ||
                   (!compact && s == kSectionMaster);
        },
        "main window");
    // The matrix page, and the views re-attached above it.
    ExpectNoOverlap(
        mode,
        [compact](LAYOUT_SECTION s, const LAYOUT_CONTROL* c)
        {
            return s == kSectionMatrix ||
                   (c && !compact && (c->tag == kTagMatrixSwitch || c->tag == kTagLayerSelector));
        },
        "matrix page");
    // The compact master view, with the tabs, aim dots and frame views that stay above it.
    if (compact)
        ExpectNoOverlap(
            mode,
            [](LAYOUT_SECTION s, const LAYOUT_CONTROL* c)
            {
                return s == kSectionMaster ||
                       (c && (s == kSectionFrame || c->tag == kTagModSelector ||
                              c->kind == kLayoutAim));
            },
            "master view");
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
        EXPECT_TRUE(!c.readOut || section.Contains(c.readOutRect)) << Name(c);
        EXPECT_TRUE(!c.caption || section.Contains(c.captionRect)) << Name(c);
    }
    for (const LAYOUT_TEXT& t : Texts(mode))
        EXPECT_TRUE(GetSectionRect(mode, t.section).Contains(t.rect)) << t.text;
    for (int m = 0; m < kModulePanelCount; ++m)
    {
        const LAYOUT_MODULE_PANEL panel = GetModulePanel(mode, LAYOUT_MODULE(m));
        EXPECT_TRUE(GetSectionRect(mode, kSectionLayer).Contains(panel.rect)) << panel.title;
    }
}

TEST_P(CEditorLayoutTest, ModuleControlsSitInTheirModulePanel)
{
    const int mode = GetParam();
    // Each module's layer A parameters: a run of ids (every second one) and perhaps one
    // added later. The filter's slope has no control.
    struct MODULE_IDS
    {
        LAYOUT_MODULE module;
        int first, end, extra;
    };
    const MODULE_IDS modules[] = {
        {kModulePanelFilter, kFilterOn, kDelayOn, -1},
        {kModulePanelDelay, kDelayOn, kDistOn, kDelayInput},
        {kModulePanelDist, kDistOn, kLoFiOn, -1},
        {kModulePanelLoFi, kLoFiOn, kGlitchOn, -1},
        {kModulePanelGlitch, kGlitchOn, kFlangerOn, -1},
        {kModulePanelFlanger, kFlangerOn, kModSync, kFlangerMode},
    };
    for (const auto& [module, first, end, extra] : modules)
    {
        const LAYOUT_MODULE_PANEL panel = GetModulePanel(mode, module);
        std::vector<int> ids = {extra};
        for (int id = first; id < end; id += 2)
            ids.push_back(id);
        for (int id : ids)
        {
            if (id < 0 || id == kFilterSlope)
                continue;
            const LAYOUT_CONTROL* c = FindLayoutControl(mode, id);
            ASSERT_NE(c, nullptr) << panel.title << " param " << id;
            EXPECT_EQ(c->section, kSectionLayer) << id;
            EXPECT_TRUE(panel.rect.Contains(c->ViewRect())) << panel.title << " param " << id;
        }
        const LAYOUT_CONTROL* dice = FindLayoutControl(mode, kTagRandomizeModule + module);
        ASSERT_NE(dice, nullptr);
        EXPECT_EQ(dice->kind, kLayoutRandomize);
        EXPECT_EQ(dice->unit, module + 1) << "randomizer kinds 1..6 in panel order";
        EXPECT_TRUE(panel.rect.Contains(dice->rect)) << panel.title;
    }
}

TEST_P(CEditorLayoutTest, LookupsMapSharedRowsBackAndKnowNothingElse)
{
    const int mode = GetParam();
    // Layer B and modulators 1..7 share the rows of layer A and modulator 0.
    const std::pair<int, int> shared[] = {{kFlangerMode + 1, kFlangerMode},
                                          {kDelayInput + 1, kDelayInput},
                                          {kModShuffle + 7, kModShuffle},
                                          {kTagModPrevPreset + 7, kTagModPrevPreset},
                                          {kTagModNextPreset + 3, kTagModNextPreset}};
    for (const auto& [id, row] : shared)
        EXPECT_EQ(FindLayoutControl(mode, row), FindLayoutControl(mode, id)) << id;
    // Frame-level pairs are separate rows, not layer rows.
    EXPECT_NE(FindLayoutControl(mode, kLayerBMix), FindLayoutControl(mode, kLayerAMix));
    EXPECT_EQ(FindLayoutControl(mode, kFlangerMode)->section, kSectionLayer);
    for (int m = 0; m < kNumModulators; ++m)
        EXPECT_EQ(FindLayoutControl(mode, kTagAim + m)->unit, m);
    EXPECT_EQ(mode == kWindowCompact, FindLayoutControl(mode, kTagViewSelector) != nullptr);
    for (int id : {int(kModNumSteps), kNumParameters, -1})
        EXPECT_EQ(FindLayoutControl(mode, id), nullptr) << id;
}

TEST_P(CEditorLayoutTest, EveryBitmapIsInTheGeneratorsListWithItsPlacesSize)
{
    const int mode = GetParam();
    for (const LAYOUT_CONTROL& c : Controls(mode))
    {
        EXPECT_EQ(c.kind == kLayoutKnob, c.knobSize != kKnobNone) << Name(c);
        if (c.bitmap == nullptr)
        {
            EXPECT_EQ(c.frames, 0) << Name(c);
            continue;
        }
        const LAYOUT_BITMAP* bitmap = FindLayoutBitmap(c.bitmap);
        ASSERT_NE(bitmap, nullptr) << c.bitmap;
        // A slider's handle travels along the slider.
        if (c.kind == kLayoutSlider)
            EXPECT_LT(bitmap->width, c.rect.width) << c.bitmap;
        else
            EXPECT_EQ(bitmap->width, c.rect.width) << c.bitmap;
        EXPECT_EQ(bitmap->height, c.rect.height) << c.bitmap;
        EXPECT_EQ(bitmap->frames, c.frames) << c.bitmap;
        const std::string name = c.bitmap;
        const bool cmpt = name.size() > 8 && name.compare(name.size() - 8, 8, "Cmpt.png") == 0;
        EXPECT_EQ(cmpt, c.section == kSectionMaster && mode == kWindowCompact) << name;
    }
    EXPECT_EQ(FindLayoutBitmap("NoSuchBitmap.png"), nullptr);
}

TEST(CEditorLayoutBitmapTest, NamesAreUniqueAndPagesMatchTheirSections)
{
    int count = 0;
    const LAYOUT_BITMAP* bitmaps = GetLayoutBitmaps(count);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i)
    {
        EXPECT_TRUE(names.insert(bitmaps[i].name).second) << bitmaps[i].name;
        EXPECT_GT(bitmaps[i].frames, 0) << bitmaps[i].name;
    }
    // (The backgrounds' sizes are the artwork generator's test.)
    const std::pair<const char*, LAYOUT_RECT> pages[] = {
        {"MatrixView.png", GetSectionRect(kWindowNormal, kSectionMatrix)},
        {"cmpt_master_view.png", GetSectionRect(kWindowCompact, kSectionMaster)}};
    for (const auto& [name, section] : pages)
    {
        const LAYOUT_BITMAP* page = FindLayoutBitmap(name);
        ASSERT_NE(page, nullptr) << name;
        EXPECT_EQ(page->width, section.width) << name;
        EXPECT_EQ(page->height, section.height) << name;
    }
    // The pop-up draws its frame's top, the row fills, then the frame from this offset.
    EXPECT_GT(kModPopupHeight, kModPopupBottomOffset);
    EXPECT_EQ(kModPopupBottomOffset - kModPopupHeaderHeight, kModPopupRowHeight);
}

TEST_P(CEditorLayoutTest, CellsAreWholePixelsAndEachAimDotsPopupOpensInsideTheWindow)
{
    // The pop-up's left edge is its aim dot's centre - 269, its top 30 px above the dot; it
    // grows one row per matrix slot of the modulator: eight rows fit the compact window,
    // twelve the normal one.
    const int mode = GetParam();
    EXPECT_EQ(GetModEditorRect(mode).width % 32, 0) << "32 steps of whole pixels";
    EXPECT_EQ(GetRoutingPanelRect(mode).width % 7, 0) << "7 tiles of whole pixels";
    const LAYOUT_CONTROL* tabs = FindLayoutControl(mode, kTagModSelector);
    EXPECT_EQ(tabs->rect.width % kNumModulators, 0);
    const int tabWidth = tabs->rect.width / kNumModulators;
    const LAYOUT_RECT window = GetWindowRect(mode);
    const int rows = mode == kWindowNormal ? 12 : 8;
    for (int m = 0; m < kNumModulators; ++m)
    {
        const LAYOUT_RECT aim = FindLayoutControl(mode, kTagAim + m)->rect;
        const LAYOUT_RECT tab{tabs->rect.x + tabWidth * m, tabs->rect.y, tabWidth,
                              tabs->rect.height};
        EXPECT_TRUE(tab.Contains(aim)) << m;
        const int left = aim.x + aim.width / 2 - 269;
        EXPECT_GE(left, 0) << m;
        EXPECT_LE(left + kModPopupWidth, window.width) << m;
        EXPECT_GE(aim.y - 30, 0) << m;
        EXPECT_LE(aim.y - 30 + kModPopupHeight + rows * kModPopupRowHeight, window.height) << m;
    }
}
