// Small enums and flag words shared by the toolkit's views, the frame and the platform layer.
#pragma once

namespace VSTGUI
{

class CFrame;
class CView;
class CControl;

// Button and modifier flags of a mouse event (a `long` word). On Linux the Ctrl key is reported
// as kApple, so that a context click is "right button or kApple"; kControl (the command key) is
// never produced.
enum CButton : long
{
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kDoubleClick = 1 << 10,
};
constexpr long kMouseButtonMask = kLButton | kMButton | kRButton;

enum CMouseEventResult
{
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    // The view took the press but wants neither the moves nor the release.
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
};

enum CMouseWheelAxis
{
    kMouseWheelAxisX = 0,
    kMouseWheelAxisY,
};

enum CCursorType
{
    kCursorDefault = 0,
    kCursorWait,
    kCursorHSize,
    kCursorVSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
    kCursorCopy,
    kCursorNotAllowed,
    kCursorHand,
};

// Keys the toolkit itself reacts to (menus); everything else stays the host's.
enum CVirtualKey
{
    kVirtualKeyNone = 0,
    kVirtualKeyEscape,
    kVirtualKeyReturn,
    kVirtualKeyUp,
    kVirtualKeyDown,
    kVirtualKeyLeft,
    kVirtualKeyRight,
};

enum CMessageResult
{
    kMessageUnknown = 0,
    kMessageNotified = 1,
};

enum CHoriTxtAlign
{
    kLeftText = 0,
    kCenterText,
    kRightText,
};

enum CDrawStyle
{
    kDrawStroked = 0,
    kDrawFilled,
    kDrawFilledAndStroked,
};

enum CDrawMode
{
    kAliasing = 0,
    kAntiAliasing,
};

enum CLineStyle
{
    kLineSolid = 0,
    kLineOnOffDash,
};

enum CTxtFace
{
    kNormalFace = 0,
    kBoldFace = 1,
    kItalicFace = 2,
    kUnderlineFace = 4,
};

} // namespace VSTGUI
