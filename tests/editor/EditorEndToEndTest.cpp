// The built plug-in's editor as a DAW shows it: drawn whole at its size at scale 1 and 2, a real
// drag as one gesture of automation (through every frame of the knob's strip), host automation
// without echo, hosts' orders of close and reopen.
#include "E2EFixture.h"

#include "Platform/Linux/ScopedEnv.h"

#include <vector>

namespace
{

class CEditorEndToEndTest : public CMorvexE2ETest
{
protected:
    // The host window is covered with drawing (black is the host's own background), each
    // quarter, not only the first paint's corner.
    void ExpectDrawnAllOver()
    {
        const CScreenshot shot = Capture();
        EXPECT_GT(shot.NonBlackShare(), 0.9);
        const int w = shot.Width() / 2;
        const int h = shot.Height() / 2;
        for (const PIXEL_RECT& quarter : {PIXEL_RECT{0, 0, w, h}, PIXEL_RECT{w, 0, w, h},
                                          PIXEL_RECT{0, h, w, h}, PIXEL_RECT{w, h, w, h}})
            EXPECT_GT(shot.NonBlackShare(quarter), 0.5);
    }

    // The host window, the editor's window and the reported rect are `width` x `height`.
    void ExpectSize(int width, int height)
    {
        for (int which = 0; which < 3; ++which)
        {
            int w = 0;
            int h = 0;
            ASSERT_TRUE(which == 2 ? m_host.QueryEditorRect(w, h)
                                   : m_host.WindowSize(w, h, which == 1));
            EXPECT_EQ(w, width) << which;
            EXPECT_EQ(h, height) << which;
        }
    }
};

// At scale 2, asked for by the environment before the plug-in loads.
class CEditorScaleTwoTest : public CEditorEndToEndTest
{
protected:
    CScopedEnv m_scale{"MORVEX_UI_SCALE", "2"};
};

} // namespace

TEST_F(CEditorEndToEndTest, DraggingAKnobIsOneGestureOfAutomation)
{
    const int volume = m_host.FindParameter("Volume");
    ASSERT_GE(volume, 0);
    const float before = m_host.GetParameter(volume);
    // From the knob's centre up and to the right: that raises the value whether knobs follow
    // the pointer's angle or its linear distance.
    const PIXEL_RECT knob = Rect(volume);
    const int x = knob.x + knob.width / 2;
    const int y = knob.y + knob.height / 2;
    m_host.ClearEvents();
    Drag(x, y, x + 40, y - 60);

    const std::vector<HOST_EDIT_EVENT> events = m_host.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().kind, HOST_EDIT_EVENT::kBeginEdit);
    EXPECT_EQ(events.front().index, volume);
    EXPECT_EQ(events.back().kind, HOST_EDIT_EVENT::kEndEdit);
    EXPECT_EQ(events.back().index, volume);
    EXPECT_EQ(m_host.CountEvents(HOST_EDIT_EVENT::kBeginEdit), 1);
    EXPECT_EQ(m_host.CountEvents(HOST_EDIT_EVENT::kEndEdit), 1);
    EXPECT_GE(m_host.CountEvents(HOST_EDIT_EVENT::kAutomate, volume), 3);
    const float after = m_host.GetParameter(volume);
    EXPECT_GT(after, before + 0.05f);
    // The host's automation lane ends where the control ended.
    EXPECT_NEAR(events[events.size() - 2].value, after, 1e-6f);
    EXPECT_EQ(events[events.size() - 2].kind, HOST_EDIT_EVENT::kAutomate);
}

TEST_F(CEditorScaleTwoTest, DrawsTwiceTheSizeAndShowsHostAutomationWithoutEcho)
{
    // The far quarter too: an editor that scaled without telling the host, or drew at scale 1
    // into a big window, leaves it black.
    const LAYOUT_RECT window = GetWindowRect(kWindowNormal);
    ExpectSize(2 * window.width, 2 * window.height);
    ExpectDrawnAllOver();

    // Host automation lands on the control at its doubled place and is not echoed back.
    const int volume = m_host.FindParameter("Volume");
    ASSERT_GE(volume, 0);
    m_host.SetParameter(volume, 0.1f);
    const CScreenshot low = Capture();
    m_host.ClearEvents();
    m_host.SetParameter(volume, 0.9f);
    const PIXEL_RECT knob = Rect(volume);
    EXPECT_GT(Capture().ChangedPixels(
                  low, {2 * knob.x, 2 * knob.y, 2 * knob.width, 2 * knob.height}),
              40);
    EXPECT_EQ(m_host.CountEvents(HOST_EDIT_EVENT::kAutomate, volume), 0);
    EXPECT_EQ(m_host.CountEvents(HOST_EDIT_EVENT::kBeginEdit), 0);
}

TEST_F(CEditorEndToEndTest, ReopensWholeAtItsSizeAlsoAfterTheHostDestroyedItsWindow)
{
    // After one full cycle every library has opened what it keeps (fonts, caches).
    m_host.CloseEditor();
    std::string error;
    ASSERT_TRUE(m_host.OpenEditor(error)) << error;
    m_host.RunFor(60);
    const int descriptors = CountOpenFileDescriptors();
    for (int cycle = 0; cycle < 20; ++cycle)
    {
        m_host.CloseEditor();
        m_host.RunFor(30);
        ASSERT_TRUE(m_host.OpenEditor(error)) << error;
        m_host.RunFor(40);
    }
    ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs));
    const LAYOUT_RECT window = GetWindowRect(kWindowNormal);
    ExpectSize(window.width, window.height);
    ExpectDrawnAllOver();
    EXPECT_EQ(CountOpenFileDescriptors(), descriptors); // no X connection left behind

    // A host that destroys its window before effEditClose, idles on, then opens the editor
    // again in a new window.
    m_host.DestroyHostWindow();
    m_host.RunFor(100);
    m_host.CloseEditor();
    m_host.RunFor(40);
    ASSERT_TRUE(m_host.OpenEditor(error)) << error;
    ASSERT_TRUE(m_host.RunUntilDrawn(kOpenTimeoutMs));
    EXPECT_GT(Capture().NonBlackShare(), 0.9);
    EXPECT_GT(m_host.ProcessedBlocks(), 0);
    EXPECT_EQ(CEditorHost::XErrorCount(), 0);
}
