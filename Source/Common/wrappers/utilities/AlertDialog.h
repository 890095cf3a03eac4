// The modal alert: the only message the plug-in shows to the user (a preset
// that cannot be saved). User-interface thread only.
#pragma once

// Shows `title` and `message` with a default button, and a "Cancel" button too
// when `withCancel`. False only when the user chose "Cancel".
bool AlertDialog(const char* title, const char* message, bool withCancel);

// Replacement for the platform's alert (for tests, and for an editor that shows
// its own); null restores the platform's alert. Returns the previous handler.
using ALERT_HANDLER = bool (*)(const char* title, const char* message, bool withCancel);
ALERT_HANDLER SetAlertHandler(ALERT_HANDLER handler);
