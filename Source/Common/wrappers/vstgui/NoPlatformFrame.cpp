// Stand-ins for the X11 part when it is not built: no window can be opened (open() fails,
// openOffscreen() still works), one scale and no screen.
#include "PlatformFrame.h"

namespace VSTGUI
{

IPlatformFrame* CreateX11PlatformFrame(CFrame* /*frame*/, void* /*parentNativeWindow*/,
                                       double /*scale*/, int /*logicalWidth*/,
                                       int /*logicalHeight*/)
{
    return nullptr;
}

double GetDesktopScaleFactor()
{
    return 1.0;
}

int GetDesktopScreenHeight()
{
    return 0;
}

} // namespace VSTGUI
