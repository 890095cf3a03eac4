// Facts about the user's desktop read from the X server: the scale factor the user chose for
// text (the Xft.dpi resource) and the screen height. The parsing is split out as pure
// functions so that it is tested without a display. UI thread for the display queries.
#pragma once

namespace VSTGUI::X11Desktop
{

// Dots per inch named by the "Xft.dpi" line of an X resource string (the RESOURCE_MANAGER
// property: "name:\tvalue" lines). 0 when the string is null, has no such line, or its value is
// not a positive finite number.
double DpiFromResources(const char* resources);

// Editor scale for a desktop resolution: dpi / 96 rounded to the nearest of 1, 1.5 and 2 (the
// scales the artwork is drawn for). 1 for a dpi that is not positive.
double ScaleFactorFromDpi(double dpi);

} // namespace VSTGUI::X11Desktop
