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

// Captures the open pop-up's layout from inside the modal loop.
struct LAYOUT_PROBE
{
    std::vector<CRect> levels;
    std::vector<int> columns;
    CRect item;
    int level = 0;
    int index = 0;
};

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
    void TearDown() override
    {
        m_frame->forget();
    }
    // Opens the menu by a press on its control, then plays the queued events.
    void OpenWith(const std::vector<CSyntheticEvent>& events)
    {
        m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseDown, CPoint(150, 110)));
        m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseUp, CPoint(150, 110)));
        for (const CSyntheticEvent& event : events)
        {
            m_frame->queueSyntheticEvent(event);
        }
        m_frame->idle();
    }
    // Row centre of entry `index` (with separators) of the level, as laid out when open.
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
            {
                p->item = overlay->GetItemRect(p->level, p->index);
            }
        };
        return event;
    }
    CMenuListener m_listener;
    CFrame* m_frame = nullptr;
    COptionMenu* m_menu = nullptr;
};

// Rows are 20 px from 4 px below the control's bottom: entry i's centre.
CPoint RowCentre(int rowTop)
{
    return CPoint(150, 120 + CMenuOverlay::kPadding + rowTop + CMenuOverlay::kRowHeight / 2);
}
} // namespace

TEST_F(COptionMenuTest, ClickOnAnEntryChoosesIt)
{
    m_menu->addEntry("Default Preset");
    m_menu->addSeparator();
    m_menu->addEntry("Save New Preset As...");
    m_menu->addEntry("Disabled", -1, CMenuItem::kDisabled);
    // Rows: 0..20, separator 20..29, 29..49, 49..69.
    std::vector<CSyntheticEvent> events;
    events.push_back(MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(29)));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(29)));
    OpenWith(events);
    long index = -5;
    EXPECT_EQ(m_menu->getLastItemMenu(index), m_menu);
    EXPECT_EQ(index, 1); // separators not counted
    EXPECT_STREQ(m_menu->getCurrent()->getTitle(), "Save New Preset As...");
    EXPECT_EQ(m_menu->getCurrentIndex(true), 2);
    EXPECT_TRUE(m_menu->isCheckEntry(2)); // check style
    EXPECT_EQ(m_listener.calls, 1);
    EXPECT_EQ(m_listener.lastTag, 10001);
    EXPECT_FALSE(m_frame->isInModalSession());
    EXPECT_EQ(m_frame->getFocusView(), nullptr);
}

TEST_F(COptionMenuTest, DisabledEntriesAndOutsideClicksChooseNothing)
{
    m_menu->addEntry("Title", -1, CMenuItem::kTitle);
    m_menu->addEntry("Only");
    struct CASE
    {
        const char* name;
        std::vector<CSyntheticEvent> events;
    };
    const CASE cases[] = {
        {"title",
         {MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(0)),
          MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(0))}},
        {"outside",
         {MouseEvent(CSyntheticEvent::kMouseDown, CPoint(900, 700)),
          MouseEvent(CSyntheticEvent::kMouseUp, CPoint(900, 700)),
          MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(20))}},
        {"escape",
         {[]
          {
              CSyntheticEvent key;
              key.type = CSyntheticEvent::kKeyDown;
              key.key = kVirtualKeyEscape;
              return key;
          }()}},
        {"no input", {}},
    };
    for (const CASE& c : cases)
    {
        OpenWith(c.events);
        long index = 0;
        EXPECT_EQ(m_menu->getLastItemMenu(index), nullptr) << c.name;
        EXPECT_EQ(index, -1) << c.name;
        EXPECT_EQ(m_listener.calls, 0) << c.name;
        while (m_frame->dispatchNextSyntheticEvent())
        {
        }
    }
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
    // Main rows (tops): 0, separator 20, "Factory" 29, "User" 49.
    LAYOUT_PROBE probe;
    probe.level = 1;
    probe.index = 2; // "Drums" (separator counted)
    std::vector<CSyntheticEvent> events;
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(49), 0)); // hover "User"
    events.push_back(Probe(&probe));
    OpenWith(events);
    ASSERT_EQ(probe.levels.size(), 2u);
    // The submenu sits right of the main menu, its first row level with "User".
    EXPECT_GE(probe.levels[1].left, probe.levels[0].right - 15);
    EXPECT_LE(probe.levels[1].left, probe.levels[0].right);
    ASSERT_FALSE(probe.item.isEmpty());

    const CPoint drums = probe.item.getCenter();
    events.clear();
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(49), 0));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, CPoint(drums.x, RowCentre(49).y), 0));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseDown, drums));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseUp, drums));
    OpenWith(events);
    long index = -5;
    COptionMenu* chosenIn = m_menu->getLastItemMenu(index);
    ASSERT_NE(chosenIn, nullptr);
    EXPECT_EQ(chosenIn->getTag(), 10003);
    EXPECT_EQ(index, 1);
    EXPECT_STREQ(chosenIn->getCurrent()->getTitle(), "Drums");
    EXPECT_EQ(m_listener.lastTag, 10003); // the submenu reaches the root's listener
}

TEST_F(COptionMenuTest, PressDragReleaseChooses)
{
    m_menu->addEntry("First");
    m_menu->addEntry("Second");
    // The press that opens stays held; the release over "Second" chooses it.
    m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseDown, CPoint(150, 110)));
    m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(20)));
    m_frame->queueSyntheticEvent(MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(20)));
    m_frame->idle();
    long index = -5;
    EXPECT_EQ(m_menu->getLastItemMenu(index), m_menu);
    EXPECT_EQ(index, 1);
}

TEST_F(COptionMenuTest, LongMenuFitsTheFrameInColumnsAndItsLastEntryIsClickable)
{
    auto* targets = new COptionMenu();
    targets->setTag(10009);
    for (int i = 0; i < 88; ++i)
    {
        targets->addEntry(
            ("Mod" + std::to_string(i / 11 + 1) + " Parameter " + std::to_string(i)).c_str());
    }
    m_menu->addEntry("---");
    m_menu->addSeparator();
    m_menu->addEntry(targets, "Modulators");
    targets->forget();
    // "Modulators" row: 29..49.
    LAYOUT_PROBE probe;
    probe.level = 1;
    probe.index = 87;
    std::vector<CSyntheticEvent> events;
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(29), 0));
    events.push_back(Probe(&probe));
    OpenWith(events);
    ASSERT_EQ(probe.levels.size(), 2u);
    const CRect frameRect = m_frame->getViewSize();
    for (const CRect& level : probe.levels)
    {
        EXPECT_GE(level.left, frameRect.left);
        EXPECT_GE(level.top, frameRect.top);
        EXPECT_LE(level.right, frameRect.right);
        EXPECT_LE(level.bottom, frameRect.bottom);
    }
    EXPECT_GE(probe.columns[1], 3); // 88 x 20 px does not fit 790 px in fewer
    ASSERT_TRUE(frameRect.pointInside(probe.item.getCenter()));

    const CPoint last = probe.item.getCenter();
    events.clear();
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, RowCentre(29), 0));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, CPoint(last.x, RowCentre(29).y), 0));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseMoved, last, 0));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseDown, last));
    events.push_back(MouseEvent(CSyntheticEvent::kMouseUp, last));
    OpenWith(events);
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

TEST_F(COptionMenuTest, MenusCloseWhenTheWindowGoes)
{
    m_menu->addEntry("Only");
    CSyntheticEvent gone;
    gone.type = CSyntheticEvent::kCallback;
    gone.callback = [](CFrame* frame, void*) { frame->platformOnWindowGone(); };
    OpenWith({gone, MouseEvent(CSyntheticEvent::kMouseDown, RowCentre(0)),
              MouseEvent(CSyntheticEvent::kMouseUp, RowCentre(0))});
    long index = 0;
    EXPECT_EQ(m_menu->getLastItemMenu(index), nullptr);
    EXPECT_FALSE(m_frame->isInModalSession());
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

TEST_F(COptionMenuTest, KeysWalkTheEntriesAndReturnChooses)
{
    m_menu->addEntry("Title", -1, CMenuItem::kTitle);
    m_menu->addEntry("First");
    m_menu->addSeparator();
    m_menu->addEntry("Second");
    auto key = [](int virtualKey)
    {
        CSyntheticEvent event;
        event.type = CSyntheticEvent::kKeyDown;
        event.key = virtualKey;
        return event;
    };
    // Down skips the title, then the separator.
    OpenWith({key(kVirtualKeyDown), key(kVirtualKeyDown), key(kVirtualKeyReturn)});
    long index = -5;
    EXPECT_EQ(m_menu->getLastItemMenu(index), m_menu);
    EXPECT_EQ(index, 2);                                         // "Second" without the separator
    EXPECT_FALSE(m_frame->platformOnKeyDown(kVirtualKeyEscape)); // no menu: the host's key
}
