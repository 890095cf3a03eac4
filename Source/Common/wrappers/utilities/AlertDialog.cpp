#include "AlertDialog.h"

#include "Platform/Platform.h"

namespace
{
ALERT_HANDLER g_alertHandler = nullptr;
} // namespace

bool AlertDialog(const char* title, const char* message, bool withCancel)
{
    if (g_alertHandler)
        return g_alertHandler(title, message, withCancel);
    return Platform::ShowAlert(title, message, withCancel);
}

ALERT_HANDLER SetAlertHandler(ALERT_HANDLER handler)
{
    const ALERT_HANDLER previous = g_alertHandler;
    g_alertHandler = handler;
    return previous;
}
