// Translation of X11 pointer events into the toolkit's mouse-button words: which button,
// which modifiers, and which X buttons are wheel steps rather than clicks. Pure functions of
// the event fields, so they are tested without a display. Any thread.
#pragma once

#include "vstgui/PlatformFrame.h"

namespace VSTGUI::X11Input
{

// Modifier flags of an X key-and-button state word: Shift -> kShift, Control -> kApple (the
// context-click modifier on this platform, as the command key is elsewhere), Mod1 (Alt) ->
// kAlt. Button bits of the word are ignored.
long ModifierFlags(unsigned int state);

// Flags of the buttons held in an X state word (Button1Mask .. Button3Mask), for motion.
long HeldButtonFlags(unsigned int state);

// Flag of one X button number: 1 -> kLButton, 2 -> kMButton, 3 -> kRButton; 0 for others.
long ButtonFlag(unsigned int button);

// Wheel step of an X button number: 4 up (+1), 5 down (-1), 6 left (+1, horizontal), 7 right
// (-1, horizontal). Returns false for buttons that are not wheel steps.
bool WheelStep(unsigned int button, float& distance, bool& horizontal);

// The toolkit's virtual key (CVirtualKey) for an X keysym: Escape, Return (and keypad Enter),
// the arrow keys (and keypad arrows); kVirtualKeyNone for every other key.
int VirtualKeyFromKeysym(unsigned long keysym);

// Device pixels to logical coordinates: divided by the scale (1 when the scale is not > 0).
CPoint ToLogical(int deviceX, int deviceY, double scale);

} // namespace VSTGUI::X11Input
