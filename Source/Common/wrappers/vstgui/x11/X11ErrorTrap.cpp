#include "X11ErrorTrap.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace VSTGUI
{

namespace
{

struct TRAPPED_DISPLAY
{
    Display* display = nullptr;
    int errorCount = 0;
    int lastErrorCode = 0;
};

using XErrorHandlerProc = int (*)(Display*, XErrorEvent*);

std::mutex g_trapMutex;
std::vector<TRAPPED_DISPLAY> g_trapped;
XErrorHandlerProc g_previousHandler = nullptr;
bool g_installed = false;

TRAPPED_DISPLAY* FindTrapped(Display* display)
{
    for (TRAPPED_DISPLAY& entry : g_trapped)
    {
        if (entry.display == display)
        {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

void CX11ErrorTrap::Register(Display* display)
{
    if (display == nullptr)
    {
        return;
    }
    std::lock_guard<std::mutex> lock(g_trapMutex);
    if (FindTrapped(display) == nullptr)
    {
        g_trapped.push_back(TRAPPED_DISPLAY{display, 0, 0});
    }
    if (!g_installed)
    {
        g_previousHandler = XSetErrorHandler(&CX11ErrorTrap::HandleError);
        g_installed = true;
    }
}

void CX11ErrorTrap::Unregister(Display* display)
{
    std::lock_guard<std::mutex> lock(g_trapMutex);
    g_trapped.erase(std::remove_if(g_trapped.begin(), g_trapped.end(),
                                   [display](const TRAPPED_DISPLAY& entry)
                                   { return entry.display == display; }),
                    g_trapped.end());
    if (g_installed && g_trapped.empty())
    {
        // Put the previous handler back only if ours is still the current one: XSetErrorHandler
        // answers the handler it replaced, so a handler installed after ours is restored at once.
        const XErrorHandlerProc current = XSetErrorHandler(g_previousHandler);
        if (current != &CX11ErrorTrap::HandleError)
        {
            XSetErrorHandler(current);
            return;
        }
        g_previousHandler = nullptr;
        g_installed = false;
    }
}

int CX11ErrorTrap::ErrorCount(Display* display)
{
    std::lock_guard<std::mutex> lock(g_trapMutex);
    const TRAPPED_DISPLAY* entry = FindTrapped(display);
    return entry != nullptr ? entry->errorCount : 0;
}

int CX11ErrorTrap::LastErrorCode(Display* display)
{
    std::lock_guard<std::mutex> lock(g_trapMutex);
    const TRAPPED_DISPLAY* entry = FindTrapped(display);
    return entry != nullptr ? entry->lastErrorCode : 0;
}

int CX11ErrorTrap::RegisteredCount()
{
    std::lock_guard<std::mutex> lock(g_trapMutex);
    return static_cast<int>(g_trapped.size());
}

int CX11ErrorTrap::HandleError(Display* display, XErrorEvent* error)
{
    XErrorHandlerProc previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_trapMutex);
        if (TRAPPED_DISPLAY* entry = FindTrapped(display))
        {
            ++entry->errorCount;
            entry->lastErrorCode = error->error_code;
            return 0;
        }
        previous = g_previousHandler;
    }
    // Another connection of the process (the host's own): its errors are its business.
    return previous != nullptr ? previous(display, error) : 0;
}

} // namespace VSTGUI
