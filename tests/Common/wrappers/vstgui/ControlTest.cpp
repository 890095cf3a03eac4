#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

using namespace VSTGUI;
using namespace ToolkitTest;

namespace
{
class CControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Frames 0..3 of the strip: red, green, blue, white.
        RegisterPng("ControlTestStrip.png", 1,
                    MakeStripPng(20, 80, 4, {kRedCColor, kGreenCColor, kBlueCColor, kWhiteCColor}));
        RegisterPng("ControlTestHandle.png", 1, MakeStripPng(10, 10, 1, {kWhiteCColor}));
        m_strip = new CBitmap("ControlTestStrip.png");
        m_handle = new CBitmap("ControlTestHandle.png");
        m_frame = new CFrame(CRect(0, 0, 400, 400), &m_editor);
        m_editor.SetFrame(m_frame);
        m_editor.setKnobMode(kLinearMode);
        ASSERT_TRUE(m_frame->openOffscreen(1.0));
    }
    void TearDown() override
    {
        m_frame->forget();
        m_strip->forget();
        m_handle->forget();
    }
    template <typename T> T* Add(T* control)
    {
        control->setListener(&m_listener);
        m_frame->addView(control);
        return control;
    }
    CAnimKnob* Knob(const CRect& size = CRect(100, 100, 120, 120), long tag = 7)
    {
        return Add(new CAnimKnob(size, nullptr, tag, 4, 20, m_strip));
    }
    CRecordingEditor m_editor;
    CRecordingListener m_listener;
    CFrame* m_frame = nullptr;
    CBitmap* m_strip = nullptr;
    CBitmap* m_handle = nullptr;
};

enum CONTROL_KIND
{
    kKnob,
    kHorizontalSwitch,
    kVerticalSwitch,
    kFreeSlider,
    kRelativeSlider,
    kBottomSlider,
};
} // namespace

TEST_F(CControlTest, PressMoveReleaseSetsTheValue)
{
    // A press at (x0, y0), a move to (x1, y1) and the release there, with `buttons` added to
    // the left button. Knob: linear mode, 200 px span the range, Shift ten times finer.
    // Switches: the position under the mouse. Sliders: the 10 px handle travels 100..190
    // (left edge) or 200..290.
    const struct
    {
        const char* name;
        CONTROL_KIND kind;
        float start;
        CCoord x0, y0, x1, y1;
        long buttons;
        float value;
        const CColor* drawn; // strip frame drawn at the control's image; nullptr: not checked
    } cases[] = {
        {"knob up 200 px", kKnob, 0.0f, 110, 110, 110, -90, 0, 1.0f, &kWhiteCColor},
        {"knob up 100 px", kKnob, 0.0f, 110, 110, 110, 10, 0, 0.5f, nullptr},
        {"knob up 20 px", kKnob, 0.0f, 110, 110, 110, 90, 0, 0.1f, nullptr},
        {"knob down 50 px", kKnob, 0.5f, 110, 110, 110, 160, 0, 0.25f, nullptr},
        {"knob clamped", kKnob, 0.0f, 110, 110, 110, -290, 0, 1.0f, nullptr},
        {"knob fine", kKnob, 0.5f, 110, 110, 110, 10, kShift, 0.55f, nullptr},
        {"knob double-click: no drag", kKnob, 0.3f, 110, 110, 110, 111, kDoubleClick, 0.3f, nullptr},
        {"knob Ctrl-click: no default on Linux", kKnob, 0.8f, 110, 110, 110, 110, kApple, 0.8f,
         nullptr},
        {"knob Control-click: the default", kKnob, 0.8f, 110, 110, 110, 110, kControl, 0.25f,
         nullptr},
        {"horizontal switch left", kHorizontalSwitch, 0.5f, 105, 110, 105, 110, 0, 0.0f,
         &kRedCColor},
        {"horizontal switch right edge", kHorizontalSwitch, 0.0f, 179, 110, 179, 110, 0, 1.0f,
         nullptr},
        {"horizontal switch third", kHorizontalSwitch, 0.0f, 145, 110, 145, 110, 0, 2.0f / 3, nullptr},
        {"horizontal switch dragged", kHorizontalSwitch, 0.0f, 105, 110, 130, 110, 0, 1.0f / 3,
         &kGreenCColor},
        {"switch: right button", kHorizontalSwitch, 0.0f, 175, 110, 175, 110, kRButton, 0.0f, nullptr},
        {"vertical switch second", kVerticalSwitch, 0.0f, 110, 125, 110, 125, 0, 1.0f / 3, nullptr},
        {"vertical switch bottom", kVerticalSwitch, 0.0f, 110, 179, 110, 179, 0, 1.0f, nullptr},
        {"free slider jumps", kFreeSlider, 0.0f, 150, 305, 150, 305, 0, 0.5f, nullptr},
        {"free slider handle: no jump", kFreeSlider, 1.0f, 192, 305, 147, 305, 0, 0.5f, nullptr},
        {"relative slider click", kRelativeSlider, 0.0f, 150, 305, 150, 305, 0, 0.0f, nullptr},
        {"relative slider drag", kRelativeSlider, 0.0f, 150, 305, 195, 305, 0, 0.5f, nullptr},
        {"relative slider fine", kRelativeSlider, 0.5f, 150, 305, 195, 305, kShift, 0.55f, nullptr},
        {"bottom slider: top is 1", kBottomSlider, 0.0f, 305, 205, 305, 205, 0, 1.0f, nullptr},
    };
    m_frame->addView(new CView(CRect(390, 390, 400, 400))); // the controls are not first
    std::uint32_t timeMs = 100000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CControl* control = nullptr;
        switch (c.kind)
        {
        case kKnob:
            control = Knob();
            control->setDefaultValue(0.25f);
            break;
        case kHorizontalSwitch:
            control = Add(new CHorizontalSwitch(CRect(100, 100, 180, 120), nullptr, 7, 4, 20, 4,
                                                m_strip));
            break;
        case kVerticalSwitch:
            control =
                Add(new CVerticalSwitch(CRect(100, 100, 120, 180), nullptr, 7, 4, 20, 4, m_strip));
            break;
        case kFreeSlider:
        case kRelativeSlider:
            control = Add(new CHorizontalSlider(CRect(100, 300, 200, 310), nullptr, 7, 100, 190,
                                                m_handle, nullptr, CPoint(), CSlider::kLeft));
            static_cast<CSlider*>(control)->setFreeClick(c.kind == kFreeSlider);
            break;
        case kBottomSlider:
            control = Add(new CVerticalSlider(CRect(300, 200, 310, 300), nullptr, 7, 200, 290,
                                              m_handle, nullptr, CPoint(), CSlider::kBottom));
            break;
        }
        control->setValue(c.start);
        m_editor.log.clear();
        const long buttons = (c.buttons & kRButton) ? c.buttons : kLButton | c.buttons;
        // Presses a second apart: never a double-click by accident.
        m_frame->platformOnMouseDown(CPoint(c.x0, c.y0), buttons, timeMs += 1000);
        m_frame->platformOnMouseMoved(CPoint(c.x1, c.y1), buttons);
        m_frame->platformOnMouseUp(CPoint(c.x1, c.y1), buttons);
        EXPECT_NEAR(control->getValue(), c.value, 1e-4);
        EXPECT_FALSE(control->isEditing());
        if (c.kind == kKnob && c.buttons == 0)
        {
            EXPECT_EQ(m_editor.log, "b7 e7 ");
        }
        if (c.drawn != nullptr)
        {
            m_frame->renderNow();
            EXPECT_TRUE(IsColour(PixelAt(*m_frame, 110, 110), *c.drawn));
        }
        m_frame->removeView(control);
    }
}

TEST_F(CControlTest, OnOffTogglesOnPressAndKickIsOneWhilePressedInside)
{
    auto* button = Add(new COnOffButton(CRect(0, 0, 20, 20), nullptr, 5, m_strip));
    for (std::uint32_t timeMs : {1000u, 5000u})
        Click(*m_frame, CPoint(5, 5), kLButton, timeMs);
    Click(*m_frame, CPoint(5, 5), kRButton, 9000);
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(m_listener.changes, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(m_editor.log, "b5 e5 b5 e5 ");
    m_frame->removeView(button);
    m_listener.changes.clear();
    m_editor.log.clear();
    auto* kick = Add(new CKickButton(CRect(0, 0, 20, 20), nullptr, 6, 20, m_strip));
    m_frame->platformOnMouseDown(CPoint(5, 5), kLButton, 20000);
    m_frame->platformOnMouseMoved(CPoint(50, 50), kLButton);
    m_frame->platformOnMouseMoved(CPoint(6, 6), kLButton);
    m_frame->platformOnMouseUp(CPoint(6, 6), kLButton);
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
    EXPECT_EQ(m_listener.changes, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(m_editor.log, "b6 e6 ");
}

TEST_F(CControlTest, SliderHandleTravelsItsRange)
{
    auto* slider = Add(new CHorizontalSlider(CRect(100, 300, 200, 310), nullptr, 8, 100, 190,
                                             m_handle, nullptr, CPoint(), CSlider::kLeft));
    slider->setValue(0.5f);
    EXPECT_EQ(slider->getHandleRect(), CRect(145, 300, 155, 310));
    slider->setValue(1.0f);
    EXPECT_EQ(slider->getHandleRect(), CRect(190, 300, 200, 310));
    auto* vertical = Add(new CVerticalSlider(CRect(300, 200, 310, 300), nullptr, 9, 200, 290,
                                             m_handle, nullptr, CPoint(), CSlider::kBottom));
    vertical->setValue(0.0f);
    EXPECT_EQ(vertical->getHandleRect(), CRect(300, 290, 310, 300));
}

TEST_F(CControlTest, WheelStepsAreOneGestureClosedAfterAQuietHalfSecond)
{
    auto* knob = Knob();
    knob->setWheelInc(0.25f);
    knob->setValue(0.5f);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    EXPECT_EQ(m_listener.changes.size(), 2u); // the clamped step changed nothing
    EXPECT_EQ(m_editor.log, "b7 ");
    EXPECT_TRUE(knob->isWheelEditing());
    CVSTGUITimer::FireDueTimers(CFrame::getTicks() + CControl::kWheelQuietMs / 2);
    EXPECT_EQ(m_editor.log, "b7 ");
    CVSTGUITimer::FireDueTimers(CFrame::getTicks() + CControl::kWheelQuietMs + 100);
    EXPECT_EQ(m_editor.log, "b7 e7 ");
    EXPECT_FALSE(knob->isWheelEditing());
    m_frame->platformOnWheel(CPoint(110, 110), -1.0f, false, 0);
    m_frame->removeView(knob); // gone mid-gesture: the bracket closes
    EXPECT_EQ(m_editor.log, "b7 e7 b7 e7 ");
}

TEST_F(CControlTest, RemovingAControlMidDragClosesTheBracket)
{
    auto* knob = Knob(CRect(0, 0, 20, 20));
    m_frame->platformOnMouseDown(CPoint(10, 10), kLButton, 1);
    EXPECT_TRUE(knob->isEditing());
    m_frame->removeView(knob, false);
    EXPECT_EQ(m_editor.log, "b7 e7 ");
    m_frame->platformOnMouseUp(CPoint(10, 10), kLButton); // goes nowhere
    knob->forget();
}

TEST_F(CControlTest, KickButtonWhoseListenerPutsItBackFiresOnePress)
{
    // A listener that runs a modal menu on the press and puts the button's look back when
    // the menu ends: the press must not fire again before the release.
    struct CMenuListener : CControlListener
    {
        std::vector<float> changes;
        void valueChanged(CControl* control) override
        {
            changes.push_back(control->getValue());
            if (control->getValue() > 0.5f)
                control->setValue(0.0f);
        }
    } listener;
    auto* kick = Add(new CKickButton(CRect(0, 0, 20, 20), nullptr, 6, 20, m_strip));
    kick->setListener(&listener);
    m_frame->platformOnMouseDown(CPoint(5, 5), kLButton, 1);
    m_frame->platformOnMouseUp(CPoint(300, 12), kLButton); // released elsewhere
    EXPECT_EQ(listener.changes, (std::vector<float>{1.0f, 0.0f}));
}

TEST_F(CControlTest, ValuesSetFromAnotherThreadMarkDirtyAndArePainted)
{
    // A learned MIDI controller moves knobs from the audio thread while the UI thread idles.
    std::vector<CAnimKnob*> knobs;
    for (int i = 0; i < 8; ++i)
        knobs.push_back(Knob(CRect(i * 25, 0, i * 25 + 20, 20), i));
    m_frame->renderNow();
    knobs[0]->setValue(knobs[0]->getValue());
    EXPECT_FALSE(knobs[0]->isDirty()); // unchanged
    knobs[0]->setValue(1.0f);
    EXPECT_TRUE(knobs[0]->isDirty());
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int n = 0; n < 20000; ++n)
            knobs[static_cast<size_t>(n % 8)]->setValue((n % 4) / 3.0f);
        for (CAnimKnob* knob : knobs)
            knob->setValue(1.0f);
        done.store(true);
    });
    while (!done.load())
        m_frame->idle();
    audio.join();
    m_frame->idle();
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(IsColour(PixelAt(*m_frame, i * 25 + 10, 10), kWhiteCColor)) << i;
}

TEST_F(CControlTest, ParamDisplayAndLabelDrawText)
{
    auto* display = Add(new CParamDisplay(CRect(0, 0, 100, 20)));
    char text[256];
    display->setValue(0.25f);
    display->getDisplayString(text); // without a text function: two decimals
    EXPECT_STREQ(text, "0.25");
    display->setValueToStringProc([](float, char[256], void*) { return false; }, nullptr);
    display->getDisplayString(text); // a function that declines: two decimals as well
    EXPECT_STREQ(text, "0.25");
    display->setValueToStringProc(
        [](float value, char out[256], void*) {
            std::snprintf(out, 256, "%d %%", static_cast<int>(value * 100));
            return true;
        },
        nullptr);
    display->setValue(0.42f);
    display->getDisplayString(text);
    EXPECT_STREQ(text, "42 %");
    auto* label = Add(new CTextLabel(CRect(0, 30, 100, 50), "VST x64 v1.14"));
    label->setBackColor(kBlackCColor);
    m_frame->renderNow();
    EXPECT_GT(CountDifferent(*m_frame, 1, 31, 99, 49, kBlackCColor), 30);
    label->setText("");
    m_frame->idle();
    EXPECT_EQ(CountDifferent(*m_frame, 1, 31, 99, 49, kBlackCColor), 0);
}

TEST_F(CControlTest, VuMeterRisesAtOnceAndFallsByItsStep)
{
    RegisterPng("ControlTestOn.png", 1, MakeStripPng(10, 100, 1, {kGreenCColor}));
    RegisterPng("ControlTestOff.png", 1, MakeStripPng(10, 100, 1, {kBlackCColor}));
    CBitmap* on = new CBitmap("ControlTestOn.png");
    CBitmap* off = new CBitmap("ControlTestOff.png");
    auto* meter = Add(new CVuMeter(CRect(0, 0, 10, 100), on, off, 10, CVuMeter::kVertical));
    on->forget();
    off->forget();
    meter->setDecreaseStepValue(0.3f);
    meter->setValue(0.8f);
    m_frame->idle();
    EXPECT_EQ(meter->getLitSegments(), 8);
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 5, 25), kGreenCColor));
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 5, 15), kBlackCColor));
    meter->setValue(0.0f);
    for (int lit : {5, 2, 0}) // 0.8 - 0.3 per idle
    {
        m_frame->idle();
        EXPECT_EQ(meter->getLitSegments(), lit);
    }
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 5, 45), kBlackCColor));
    EXPECT_FALSE(meter->isDirty());
}
