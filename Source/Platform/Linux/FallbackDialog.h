// The dialogs the plug-in draws itself when the desktop offers no dialog tool:
// a path field with "OK" and "Cancel", and a message with "OK" (and "Cancel").
// CX11Dialog is the real one; tests put a scripted one in its place.
// User-interface thread only; each call is modal and returns when the window
// closes.
#pragma once

#include <string>

class IFallbackDialog
{
public:
    virtual ~IFallbackDialog() = default;

    // A window titled `title` whose field holds `initialPath` for the user to
    // edit. True, with the field's text in `path`, when confirmed; false when
    // cancelled or when no window can be shown.
    virtual bool AskForPath(const std::string& title, const std::string& initialPath,
                            std::string& path) = 0;

    // `message` under `title` with "OK", and "Cancel" too when `withCancel`.
    // False only when the user chose "Cancel" (or closed the window while it had
    // one); true at once when no window can be shown.
    virtual bool ShowMessage(const std::string& title, const std::string& message,
                             bool withCancel) = 0;
};
