#include "ToolkitTestSupport.h"

#include "vstgui/MenuOverlay.h"

#include <gtest/gtest.h>

#include <string>

using namespace VSTGUI;
using namespace ToolkitTest;

namespace
{
class CMenuListener : public CControlListener
{
public:
    void valueChanged(CControl* control) override
    {
        ++calls;
        lastTag = control->getTag();
    }
    int calls = 0;
    long lastTag = -100;
};

// The open pop-up's layout, read from inside the modal loop.
struct LAYOUT_PROBE
{
    std::vector<CRect> levels;
    std::vector<int> columns;
    CRect item;
    int level = 0;
    int index = 0;
};

CSyntheticEvent Key(int virtualKey)
{
    CSyntheticEvent event;
    event.type = CSyntheticEvent::kKeyDown;
    event.key = virtualKey;
    return event;
}

// Rows are 20 px from 4 px below the control's bottom: the centre of the row at rowTop.
CPoint RowCentre(CCoord rowTop)
{
    return CPoint(150, 120 + CMenuOverlay::kPadding + rowTop + CMenuOverlay::kRowHeight / 2);
}

class COptionMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame = new CFrame(CRect(0, 0, 1080, 790), nullptr);
        ASSERT_TRUE(m_frame->openOffscreen(1.0));
        m_menu = new COptionMenu(CRect(100, 100, 200, 120), &m_listener, 10001, nullptr, nullptr,
                                 COptionMenu::kCheckStyle);
        m_frame->addView(m_menu);
    }
    void TearDown() override { m_frame->forget(); }
    // Opens the menu by a click on its control (or a held press), then plays `events`.
    void OpenWith(const std::vector<CSyntheticEvent>& events, bool held = false)
    {
        m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseDown, CPoint(150, 110)));
        if (!held)
            m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseUp, CPoint(150, 110)));
        for (const CSyntheticEvent& event : events)
            m_frame->queueSyntheticEvent(event);
        m_frame->idle();
    }
    // Hovers the submenu entry at rowTop; the layout with entry `index` of the submenu.
    LAYOUT_PROBE HoverSubmenu(CCoord rowTop, int index)
    {
        LAYOUT_PROBE probe;
        probe.level = 1;
        probe.index = index;
        OpenWith({MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(rowTop), 0), Probe(&probe)});
        return probe;
    }
    // Reaches `item` of the submenu at rowTop (across, then to it) and clicks it.
    void ChooseInSubmenu(CCoord rowTop, CPoint item)
    {
        const CPoint row = RowCentre(rowTop);
        OpenWith({MouseEvent(CSyntheticEvent::kMouseMoved, row, 0),
                  MouseEvent(CSyntheticEvent::kMouseMoved, CPoint(item.x, row.y), 0),
                  MouseEvent(CSyntheticEvent::kMouseMoved, item, 0),
                  MouseEvent(CSyntheticEvent::kMouseDown, item),
                  MouseEvent(CSyntheticEvent::kMouseUp, item)});
    }
    static CSyntheticEvent Probe(LAYOUT_PROBE* probe)
    {
        CSyntheticEvent event;
        event.type = CSyntheticEvent::kCallback;
        event.userData = probe;
        event.callback = [](CFrame* frame, void* data)
        {
            auto* p = static_cast<LAYOUT_PROBE*>(data);
            CMenuOverlay* overlay = frame->GetModalOverlay();
            for (int l = 0; overlay != nullptr && l < overlay->GetLevelCount(); ++l)
            {
                p->levels.push_back(overlay->GetLevelRect(l));
                p->columns.push_back(overlay->GetColumnCount(l));
            }
            if (overlay != nullptr)
                p->item = overlay->GetItemRect(p->level, p->index);
        };
        return event;
    }
    CMenuListener m_listener;
    CFrame* m_frame = nullptr;
    COptionMenu* m_menu = nullptr;
};

} // namespace

TEST_F(COptionMenuTest, ClicksDragsAndKeysChooseEnabledEntriesOnly)
{
    // Rows: title 0..20, "First" 20..40, separator 40..49, "Second" 49..69, "Disabled" 69..89.
    m_menu->addEntry("Title", -1, CMenuItem::kTitle);
    m_menu->addEntry("First");
    m_menu->addSeparator();
    m_menu->addEntry("Second");
    m_menu->addEntry("Disabled", -1, CMenuItem::kDisabled);
    auto click = [](CPoint at) -> std::vector<CSyntheticEvent> {
        return {MouseEvent(CSyntheticEvent::kMouseDown, at),
                MouseEvent(CSyntheticEvent::kMouseUp, at)};
    };
    CSyntheticEvent gone;
    gone.type = CSyntheticEvent::kCallback;
    gone.callback = [](CFrame* frame, void*) { frame->platformOnWindowGone(); };
    const CPoint second = RowCentre(49);
    const struct
    {
        const char* name;
        std::vector<CSyntheticEvent> events;
        bool held;
        const char* chosen; // nullptr: nothing
        long index;         // without separators
    } cases[] = {
        {"click", click(second), false, "Second", 2},
        {"press, drag, release",
         {MouseEvent(CSyntheticEvent::kMouseMoved, second),
          MouseEvent(CSyntheticEvent::kMouseUp, second)},
         true, "Second", 2},
        {"keys: down skips the title and the separator",
         {Key(kVirtualKeyDown), Key(kVirtualKeyDown), Key(kVirtualKeyReturn)}, false, "Second", 2},
        {"title", click(RowCentre(0)), false, nullptr, -1},
        {"disabled", click(RowCentre(69)), false, nullptr, -1},
        {"outside, then a press in the closed menu's place",
         {MouseEvent(CSyntheticEvent::kMouseDown, CPoint(900, 700)),
          MouseEvent(CSyntheticEvent::kMouseUp, CPoint(900, 700)),
          MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(20))},
         false, nullptr, -1},
        {"escape", {Key(kVirtualKeyEscape)}, false, nullptr, -1},
        {"no input", {}, false, nullptr, -1},
        {"window gone",
         {gone, MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(20)),
          MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(20))},
         false, nullptr, -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_listener.calls = 0;
        OpenWith(c.events, c.held);
        long index = -5;
        EXPECT_EQ(m_menu->getLastItemMenu(index), c.chosen ? m_menu : nullptr);
        EXPECT_EQ(index, c.index);
        EXPECT_EQ(m_listener.calls, c.chosen ? 1 : 0);
        EXPECT_FALSE(m_frame->isInModalSession());
        EXPECT_EQ(m_frame->getFocusView(), nullptr);
        if (c.chosen != nullptr)
        {
            EXPECT_STREQ(m_menu->getCurrent()->getTitle(), c.chosen);
            EXPECT_TRUE(m_menu->isCheckEntry(3)); // check style; index with the separator
            EXPECT_EQ(m_listener.lastTag, 10001);
        }
        while (m_frame->dispatchNextSyntheticEvent()) // leftovers of a closed menu
            ;
    }
    EXPECT_FALSE(m_frame->platformOnKeyDown(kVirtualKeyEscape)); // no menu: the host's key
}

TEST_F(COptionMenuTest, SubmenuChoiceReportsTheSubmenuAndItsIndex)
{
    m_menu->addEntry("Default Preset");
    m_menu->addSeparator();
    for (int c = 0; c < 2; ++c)
    {
        auto* category = new COptionMenu();
        category->setTag(10002 + c);
        category->addEntry("Intro");
        category->addSeparator();
        category->addEntry(c == 0 ? "Bass" : "Drums");
        m_menu->addEntry(category, c == 0 ? "Factory" : "User");
        category->forget();
    }
    // Main rows (tops): 0, separator 20, "Factory" 29, "User" 49; "Drums" is entry 2 of "User".
    const LAYOUT_PROBE probe = HoverSubmenu(49, 2);
    ASSERT_EQ(probe.levels.size(), 2u);
    // The submenu sits right of the main menu.
    EXPECT_GE(probe.levels[1].left, probe.levels[0].right - 15);
    EXPECT_LE(probe.levels[1].left, probe.levels[0].right);
    ASSERT_FALSE(probe.item.isEmpty());
    ChooseInSubmenu(49, probe.item.getCenter());
    long index = -5;
    COptionMenu* chosenIn = m_menu->getLastItemMenu(index);
    ASSERT_NE(chosenIn, nullptr);
    EXPECT_EQ(chosenIn->getTag(), 10003);
    EXPECT_EQ(index, 1);
    EXPECT_STREQ(chosenIn->getCurrent()->getTitle(), "Drums");
    EXPECT_EQ(m_listener.lastTag, 10003); // the submenu reaches the root's listener
}

TEST_F(COptionMenuTest, LongMenuFitsTheFrameInColumnsAndItsLastEntryIsClickable)
{
    auto* targets = new COptionMenu();
    targets->setTag(10009);
    for (int i = 0; i < 88; ++i)
        targets->addEntry(
            ("Mod" + std::to_string(i / 11 + 1) + " Parameter " + std::to_string(i)).c_str());
    m_menu->addEntry("---");
    m_menu->addSeparator();
    m_menu->addEntry(targets, "Modulators");
    targets->forget();
    // "Modulators" row: 29..49.
    const LAYOUT_PROBE probe = HoverSubmenu(29, 87);
    ASSERT_EQ(probe.levels.size(), 2u);
    const CRect frameRect = m_frame->getViewSize();
    for (const CRect& level : probe.levels)
    {
        CRect inside = level;
        inside.bound(frameRect);
        EXPECT_EQ(inside, level);
    }
    EXPECT_GE(probe.columns[1], 3); // 88 x 20 px does not fit 790 px in fewer
    ASSERT_TRUE(frameRect.pointInside(probe.item.getCenter()));
    ChooseInSubmenu(29, probe.item.getCenter());
    long index = -5;
    COptionMenu* chosenIn = m_menu->getLastItemMenu(index);
    ASSERT_NE(chosenIn, nullptr);
    EXPECT_EQ(chosenIn->getTag(), 10009);
    EXPECT_EQ(index, 87);
}

TEST_F(COptionMenuTest, MultipleCheckStyleTogglesAndTheMenuIsDrawnOnTop)
{
    m_menu->setStyle(COptionMenu::kMultipleCheckStyle);
    m_menu->addEntry("Compact GUI Mode", -1, CMenuItem::kChecked);
    struct PIXELS
    {
        int inked = 0;
    } pixels;
    CSyntheticEvent look;
    look.type = CSyntheticEvent::kCallback;
    look.userData = &pixels;
    look.callback = [](CFrame* frame, void* data)
    {
        frame->platformOnModalIdle();
        // The pop-up's panel colour inside its first row.
        static_cast<PIXELS*>(data)->inked =
            CountDifferent(*frame, 104, 124, 280, 144, CMenuOverlay::kBackground, 10);
    };
    std::vector<CSyntheticEvent> events = {look,
                                           MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(0)),
                                           MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(0))};
    OpenWith(events);
    EXPECT_GT(pixels.inked, 20);       // text and the check mark
    EXPECT_LT(pixels.inked, 176 * 20); // on the menu's own panel
    EXPECT_FALSE(m_menu->isCheckEntry(0));
}

TEST_F(COptionMenuTest, EntryBookkeeping)
{
    m_menu->addEntry("A");
    m_menu->addSeparator();
    m_menu->addEntry("B");
    m_menu->addEntry("C", 0);
    EXPECT_EQ(m_menu->getNbEntries(), 4);
    EXPECT_STREQ(m_menu->getEntry(0)->getTitle(), "C");
    EXPECT_TRUE(m_menu->getEntry(2)->isSeparator());
    EXPECT_TRUE(m_menu->setCurrent(2, false)); // "B" without separators
    EXPECT_EQ(m_menu->getCurrentIndex(true), 3);
    EXPECT_FALSE(m_menu->setCurrent(2)); // the separator
    m_menu->checkEntry(0, true);
    m_menu->checkEntryAlone(1);
    EXPECT_FALSE(m_menu->isCheckEntry(0));
    EXPECT_TRUE(m_menu->isCheckEntry(1));
    const long before = CBaseObject::GetLiveObjectCount();
    m_menu->removeAllEntry();
    EXPECT_EQ(m_menu->getNbEntries(), 0);
    EXPECT_EQ(CBaseObject::GetLiveObjectCount(), before - 4);
}
