#include "ToolkitTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
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
    CRecordingEditor m_editor;
    CRecordingListener m_listener;
    CFrame* m_frame = nullptr;
    CBitmap* m_strip = nullptr;
    CBitmap* m_handle = nullptr;
};
} // namespace

TEST_F(CControlTest, LinearKnobDragOf200PixelsSpansTheRange)
{
    auto* knob = Add(new CAnimKnob(CRect(100, 100, 120, 120), nullptr, 7, 4, 20, m_strip));
    struct CASE
    {
        float start;
        CCoord dy;
        long modifiers;
        float expected;
    };
    const CASE cases[] = {
        {0.0f, -200, 0, 1.0f},       // full range up
        {0.0f, -100, 0, 0.5f},       // half
        {0.5f, 50, 0, 0.25f},        // down lowers
        {0.0f, -400, 0, 1.0f},       // clamped
        {0.5f, -100, kShift, 0.55f}, // fine: ten times less
    };
    for (const CASE& c : cases)
    {
        knob->setValue(c.start);
        Drag(*m_frame, CPoint(110, 110), CPoint(110, 110 + c.dy), c.modifiers);
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-4) << c.dy << " mods " << c.modifiers;
    }
    EXPECT_FALSE(knob->isEditing());
    EXPECT_EQ(m_listener.lastControl, knob);
}

TEST_F(CControlTest, KnobBracketsTheGestureForTheEditor)
{
    auto* knob = Add(new CAnimKnob(CRect(100, 100, 120, 120), nullptr, 7, 4, 20, m_strip));
    knob->setValue(0.0f);
    m_frame->platformOnMouseDown(CPoint(110, 110), kLButton, 1);
    EXPECT_TRUE(knob->isEditing());
    m_frame->platformOnMouseMoved(CPoint(110, 90), kLButton);
    m_frame->platformOnMouseUp(CPoint(110, 90), kLButton);
    EXPECT_EQ(m_editor.log, "b7 e7 ");
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5);
}

TEST_F(CControlTest, KnobDoubleClickDoesNotDrag)
{
    auto* knob = Add(new CAnimKnob(CRect(100, 100, 120, 120), nullptr, 7, 4, 20, m_strip));
    knob->setValue(0.3f);
    m_frame->platformOnMouseDown(CPoint(110, 110), kLButton | kDoubleClick, 1);
    knob->setValue(0.5f); // what a reset would do
    m_frame->platformOnMouseMoved(CPoint(110, 111), kLButton);
    m_frame->platformOnMouseUp(CPoint(110, 111), kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
}

TEST_F(CControlTest, CommandClickRestoresTheDefault)
{
    auto* knob = Add(new CAnimKnob(CRect(100, 100, 120, 120), nullptr, 7, 4, 20, m_strip));
    knob->setDefaultValue(0.25f);
    knob->setValue(0.8f);
    Click(*m_frame, CPoint(110, 110), kLButton | kApple); // Linux Ctrl: no default gesture
    EXPECT_FLOAT_EQ(knob->getValue(), 0.8f);
    Click(*m_frame, CPoint(110, 110), kLButton | kControl);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
}

TEST_F(CControlTest, WheelStepsAndClamps)
{
    auto* knob = Add(new CAnimKnob(CRect(100, 100, 120, 120), nullptr, 7, 4, 20, m_strip));
    knob->setWheelInc(0.25f);
    knob->setValue(0.5f);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    m_frame->platformOnWheel(CPoint(110, 110), 1.0f, false, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    EXPECT_EQ(m_listener.changes.size(), 2u); // the clamped step changed nothing
    // The steps are one gesture, closed after half a second without a step.
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

TEST_F(CControlTest, SwitchPicksThePositionUnderTheMouse)
{
    auto* horizontal =
        Add(new CHorizontalSwitch(CRect(0, 0, 80, 20), nullptr, 3, 4, 20, 4, m_strip));
    auto* vertical =
        Add(new CVerticalSwitch(CRect(100, 0, 120, 80), nullptr, 4, 4, 20, 4, m_strip));
    struct CASE
    {
        CSwitchBase* control;
        CPoint at;
        float value;
    };
    const CASE cases[] = {
        {horizontal, {5, 10}, 0.0f},         {horizontal, {79, 10}, 1.0f},
        {horizontal, {45, 10}, 2.0f / 3.0f}, {vertical, {110, 25}, 1.0f / 3.0f},
        {vertical, {110, 79}, 1.0f},
    };
    for (const CASE& c : cases)
    {
        Click(*m_frame, c.at);
        EXPECT_FLOAT_EQ(c.control->getValue(), c.value) << c.at.x << "," << c.at.y;
    }
    // Dragging along moves it; a right click does not switch.
    Drag(*m_frame, CPoint(5, 10), CPoint(30, 10));
    EXPECT_FLOAT_EQ(horizontal->getValue(), 1.0f / 3.0f);
    Click(*m_frame, CPoint(75, 10), kRButton);
    EXPECT_FLOAT_EQ(horizontal->getValue(), 1.0f / 3.0f);
    m_frame->renderNow();
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 10, 10), kGreenCColor)); // frame 1
}

TEST_F(CControlTest, OnOffButtonTogglesOnPress)
{
    auto* button = Add(new COnOffButton(CRect(0, 0, 20, 20), nullptr, 5, m_strip));
    m_frame->platformOnMouseDown(CPoint(5, 5), kLButton, 1);
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    m_frame->platformOnMouseUp(CPoint(5, 5), kLButton);
    Click(*m_frame, CPoint(5, 5), kLButton, 5000);
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(m_listener.changes, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(m_editor.log, "b5 e5 b5 e5 ");
    Click(*m_frame, CPoint(5, 5), kRButton, 9000);
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
}

TEST_F(CControlTest, KickButtonIsOneWhilePressedInside)
{
    auto* kick = Add(new CKickButton(CRect(0, 0, 20, 20), nullptr, 6, 20, m_strip));
    m_frame->platformOnMouseDown(CPoint(5, 5), kLButton, 1);
    EXPECT_FLOAT_EQ(kick->getValue(), 1.0f);
    m_frame->platformOnMouseMoved(CPoint(50, 50), kLButton);
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
    m_frame->platformOnMouseMoved(CPoint(6, 6), kLButton);
    EXPECT_FLOAT_EQ(kick->getValue(), 1.0f);
    m_frame->platformOnMouseUp(CPoint(6, 6), kLButton);
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
    EXPECT_EQ(m_listener.changes, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(m_editor.log, "b6 e6 ");
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

TEST_F(CControlTest, SliderFreeClickJumpsAndHandleTravelsItsRange)
{
    // Horizontal: 10 px handle travels 100..190 (left edge), minimum at the left.
    auto* slider = Add(new CHorizontalSlider(CRect(100, 300, 200, 310), nullptr, 8, 100, 190,
                                             m_handle, nullptr, CPoint(), CSlider::kLeft));
    slider->setFreeClick(true);
    slider->setValue(0.0f);
    Click(*m_frame, CPoint(150, 305)); // handle centre to 150: left edge 145
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-5);
    EXPECT_EQ(slider->getHandleRect(), CRect(145, 300, 155, 310));
    slider->setValue(1.0f);
    EXPECT_EQ(slider->getHandleRect(), CRect(190, 300, 200, 310));
    // Grabbing the handle drags it without a jump.
    Drag(*m_frame, CPoint(192, 305), CPoint(147, 305));
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-5);

    // Vertical with the minimum at the bottom (style 64): handle travels 200..290.
    auto* vertical = Add(new CVerticalSlider(CRect(300, 200, 310, 300), nullptr, 9, 200, 290,
                                             m_handle, nullptr, CPoint(), CSlider::kBottom));
    vertical->setValue(0.0f);
    EXPECT_EQ(vertical->getHandleRect(), CRect(300, 290, 310, 300));
    Click(*m_frame, CPoint(305, 205));
    EXPECT_NEAR(vertical->getValue(), 1.0f, 1e-5);
}

TEST_F(CControlTest, SliderWithoutFreeClickDragsRelatively)
{
    auto* slider = Add(
        new CHorizontalSlider(CRect(100, 300, 200, 310), nullptr, 8, 100, 190, m_handle, nullptr));
    slider->setFreeClick(false);
    slider->setValue(0.0f);
    Click(*m_frame, CPoint(150, 305));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);
    Drag(*m_frame, CPoint(150, 305), CPoint(195, 305));
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-5);
    Drag(*m_frame, CPoint(150, 305), CPoint(195, 305), kShift); // fine
    EXPECT_NEAR(slider->getValue(), 0.55f, 1e-5);
}

TEST_F(CControlTest, ValueChangesFromAnotherThreadAreAtomicAndMarkDirty)
{
    auto* knob = Add(new CAnimKnob(CRect(0, 0, 20, 20), nullptr, 7, 4, 20, m_strip));
    m_frame->renderNow();
    EXPECT_FALSE(knob->isDirty());
    knob->setValue(knob->getValue());
    EXPECT_FALSE(knob->isDirty()); // unchanged
    knob->setValue(1.0f);
    EXPECT_TRUE(knob->isDirty());
    m_frame->idle();
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 10, 10), kWhiteCColor));
}

TEST_F(CControlTest, RemovingAControlMidGestureClosesTheBracket)
{
    auto* knob = Add(new CAnimKnob(CRect(0, 0, 20, 20), nullptr, 7, 4, 20, m_strip));
    m_frame->platformOnMouseDown(CPoint(10, 10), kLButton, 1);
    m_frame->removeView(knob, false);
    EXPECT_EQ(m_editor.log, "b7 e7 ");
    m_frame->platformOnMouseUp(CPoint(10, 10), kLButton); // goes nowhere
    knob->forget();
}

TEST_F(CControlTest, ParamDisplayAndLabelDrawText)
{
    auto* display = Add(new CParamDisplay(CRect(0, 0, 100, 20)));
    display->setValueToStringProc(
        [](float value, char text[256], void*)
        {
            std::snprintf(text, 256, "%d %%", static_cast<int>(value * 100));
            return true;
        },
        nullptr);
    display->setValue(0.42f);
    char text[256];
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
    m_frame->idle();
    EXPECT_EQ(meter->getLitSegments(), 5); // 0.8 - 0.3
    EXPECT_TRUE(IsColour(PixelAt(*m_frame, 5, 45), kBlackCColor));
    m_frame->idle();
    EXPECT_EQ(meter->getLitSegments(), 2);
    m_frame->idle();
    EXPECT_EQ(meter->getLitSegments(), 0);
    EXPECT_FALSE(meter->isDirty());
}

TEST_F(CControlTest, ValuesSetFromAnotherThreadWhileTheFramePaints)
{
    // A learned MIDI controller moves knobs from the audio thread while the UI thread idles.
    std::vector<CAnimKnob*> knobs;
    for (int i = 0; i < 8; ++i)
    {
        knobs.push_back(
            Add(new CAnimKnob(CRect(i * 25, 0, i * 25 + 20, 20), nullptr, i, 4, 20, m_strip)));
    }
    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
            for (int n = 0; n < 20000; ++n)
            {
                knobs[static_cast<size_t>(n % 8)]->setValue((n % 4) / 3.0f);
            }
            for (CAnimKnob* knob : knobs)
            {
                knob->setValue(1.0f);
            }
            done.store(true);
        });
    while (!done.load())
    {
        m_frame->idle();
    }
    audio.join();
    m_frame->idle();
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_TRUE(IsColour(PixelAt(*m_frame, i * 25 + 10, 10), kWhiteCColor)) << i;
    }
}
