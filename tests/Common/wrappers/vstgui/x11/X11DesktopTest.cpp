#include "vstgui/x11/X11Desktop.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

namespace
{

TEST(CX11DesktopTest, DpiIsReadFromTheXftDpiLine)
{
    const struct
    {
        const char* resources;
        double dpi;
    } cases[] = {
        {nullptr, 0.0},
        {"", 0.0},
        {"Xft.dpi:\t96\n", 96.0},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144.0},
        {"Xft.dpi: 192", 192.0},          // no final newline
        {"  Xft.dpi :\t120.5\n", 120.5},  // spaces around the name
        {"Xft.dpis:\t192\n", 0.0},        // another resource
        {"Xcursor.dpi:\t192\n", 0.0},
        {"Xft.dpi:\tlarge\n", 0.0},
        {"Xft.dpi:\t-96\n", 0.0},
        {"Xft.dpi:\tnan\n", 0.0},
        {"Xft.dpi:\t0\n", 0.0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.resources != nullptr ? c.resources : "(null)");
        EXPECT_DOUBLE_EQ(X11Desktop::DpiFromResources(c.resources), c.dpi);
    }
}

TEST(CX11DesktopTest, ScaleIsTheNearestOfOneOneAndAHalfAndTwo)
{
    struct SCALE_CASE
    {
        double dpi;
        double scale;
    };
    // Boundaries at 96 x 1.25 = 120 and 96 x 1.75 = 168.
    const SCALE_CASE cases[] = {
        {0.0, 1.0},   {-10.0, 1.0}, {72.0, 1.0},  {96.0, 1.0},   {119.9, 1.0}, {120.0, 1.5},
        {144.0, 1.5}, {167.9, 1.5}, {168.0, 2.0}, {192.0, 2.0}, {384.0, 2.0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.dpi);
        EXPECT_DOUBLE_EQ(X11Desktop::ScaleFactorFromDpi(c.dpi), c.scale);
    }
}

} // namespace
