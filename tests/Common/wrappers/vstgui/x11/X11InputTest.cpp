// gtest before the X headers: X.h defines None, a name gtest uses.
#include <gtest/gtest.h>

#include <utility>

#include "vstgui/x11/X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

using namespace VSTGUI;

namespace
{

TEST(CX11InputTest, StateWordGivesModifiersAndHeldButtons)
{
    // Control is the context-click modifier here (kApple), never kControl; Lock and NumLock
    // (Mod2) change nothing.
    const struct
    {
        unsigned int state;
        long modifiers, held;
    } cases[] = {
        {0, 0, 0},
        {ShiftMask, kShift, 0},
        {ControlMask, kApple, 0},
        {Mod1Mask, kAlt, 0},
        {LockMask | Mod2Mask, 0, 0},
        {ShiftMask | ControlMask | Mod1Mask, kShift | kApple | kAlt, 0},
        {Button1Mask, 0, kLButton},
        {Button2Mask | Button3Mask, 0, kMButton | kRButton},
        {Button1Mask | ControlMask, kApple, kLButton},
        {Button4Mask | Button5Mask, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.state);
        EXPECT_EQ(X11Input::ModifierFlags(c.state), c.modifiers);
        EXPECT_EQ(X11Input::HeldButtonFlags(c.state), c.held);
    }
}

TEST(CX11InputButtonTest, ButtonNumbersMapToClicksOrWheelSteps)
{
    const struct
    {
        unsigned int button;
        long flag;
        bool wheel;
        float distance;
        bool horizontal;
    } cases[] = {
        {1, kLButton, false, 0.0f, false}, {2, kMButton, false, 0.0f, false},
        {3, kRButton, false, 0.0f, false}, {4, 0, true, 1.0f, false},
        {5, 0, true, -1.0f, false},        {6, 0, true, 1.0f, true},
        {7, 0, true, -1.0f, true},         {8, 0, false, 0.0f, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.button);
        EXPECT_EQ(X11Input::ButtonFlag(c.button), c.flag);
        float distance = 0.0f;
        bool horizontal = false;
        EXPECT_EQ(X11Input::WheelStep(c.button, distance, horizontal), c.wheel);
        if (c.wheel)
        {
            EXPECT_EQ(distance, c.distance);
            EXPECT_EQ(horizontal, c.horizontal);
        }
    }
}

TEST(CX11InputKeyTest, MenuKeysMapToVirtualKeysAndOthersStayTheHosts)
{
    const std::pair<unsigned long, int> cases[] = {
        {XK_Escape, kVirtualKeyEscape}, {XK_Return, kVirtualKeyReturn},
        {XK_KP_Enter, kVirtualKeyReturn}, {XK_Up, kVirtualKeyUp},
        {XK_KP_Down, kVirtualKeyDown},  {XK_Left, kVirtualKeyLeft},
        {XK_Right, kVirtualKeyRight},   {XK_space, kVirtualKeyNone},
        {XK_z, kVirtualKeyNone},        {XK_Tab, kVirtualKeyNone},
    };
    for (const auto& [keysym, key] : cases)
    {
        SCOPED_TRACE(keysym);
        EXPECT_EQ(X11Input::VirtualKeyFromKeysym(keysym), key);
    }
}

TEST(CX11InputCoordinateTest, DevicePixelsAreDividedByTheScale)
{
    const CPoint doubled = X11Input::ToLogical(301, 50, 2.0);
    EXPECT_DOUBLE_EQ(doubled.x, 150.5);
    EXPECT_DOUBLE_EQ(doubled.y, 25.0);
    const CPoint oneAndHalf = X11Input::ToLogical(-30, 45, 1.5);
    EXPECT_DOUBLE_EQ(oneAndHalf.x, -20.0); // drags outside the window keep their sign
    EXPECT_DOUBLE_EQ(oneAndHalf.y, 30.0);
    const CPoint invalid = X11Input::ToLogical(10, 20, 0.0);
    EXPECT_DOUBLE_EQ(invalid.x, 10.0);
    EXPECT_DOUBLE_EQ(invalid.y, 20.0);
}

} // namespace
