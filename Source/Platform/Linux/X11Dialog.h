// The plug-in's own modal dialog, for desktops without zenity or kdialog: a
// small window on its own X connection, drawn with cairo and pango in the
// editor's dark colours, with either an editable path field or a wrapped
// message, and "OK" (and "Cancel") buttons. Return confirms, Escape cancels.
// It runs its own event loop until the window closes; without a reachable X
// display it answers at once. User-interface thread only.
#pragma once

#include "Platform/Linux/FallbackDialog.h"

class CX11Dialog : public IFallbackDialog
{
public:
    bool AskForPath(const std::string& title, const std::string& initialPath,
                    std::string& path) override;
    // Without a display the message goes to standard error and counts as read.
    bool ShowMessage(const std::string& title, const std::string& message,
                     bool withCancel) override;
};
