#include "X11Desktop.h"

#include "vstgui/PlatformFrame.h"

#include <X11/Xlib.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace VSTGUI
{

namespace X11Desktop
{

namespace
{
constexpr const char* kDpiResource = "Xft.dpi";
constexpr double kBaseDpi = 96.0; // the resolution at which the artwork is drawn 1:1
} // namespace

double DpiFromResources(const char* resources)
{
    if (resources == nullptr)
    {
        return 0.0;
    }
    const std::size_t nameLength = std::strlen(kDpiResource);
    const char* line = resources;
    while (*line != '\0')
    {
        const char* cursor = line;
        while (*cursor == ' ' || *cursor == '\t')
        {
            ++cursor;
        }
        if (std::strncmp(cursor, kDpiResource, nameLength) == 0)
        {
            cursor += nameLength;
            while (*cursor == ' ' || *cursor == '\t')
            {
                ++cursor;
            }
            if (*cursor == ':')
            {
                char* end = nullptr;
                const double dpi = std::strtod(cursor + 1, &end);
                if (end != cursor + 1 && std::isfinite(dpi) && dpi > 0.0)
                {
                    return dpi;
                }
                return 0.0;
            }
        }
        const char* next = std::strchr(line, '\n');
        if (next == nullptr)
        {
            break;
        }
        line = next + 1;
    }
    return 0.0;
}

double ScaleFactorFromDpi(double dpi)
{
    if (!(dpi > 0.0))
    {
        return 1.0;
    }
    const double ratio = dpi / kBaseDpi;
    // Nearest of 1, 1.5 and 2: the midpoints 1.25 and 1.75 split the ranges.
    if (ratio < 1.25)
    {
        return 1.0;
    }
    if (ratio < 1.75)
    {
        return 1.5;
    }
    return 2.0;
}

} // namespace X11Desktop

double GetDesktopScaleFactor()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return 1.0;
    }
    // The string was read from the root window when the connection opened; the display owns it.
    const double dpi = X11Desktop::DpiFromResources(XResourceManagerString(display));
    XCloseDisplay(display);
    return X11Desktop::ScaleFactorFromDpi(dpi);
}

int GetDesktopScreenHeight()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return 0;
    }
    const int height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    return height;
}

} // namespace VSTGUI
