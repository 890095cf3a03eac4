// Linux only: what the platform layer's dialogs and file-manager calls run on.
// The real program runner and fallback window serve by default; tests replace
// them so that nothing is spawned or shown. User-interface thread only.
#pragma once

#include "Platform/Linux/FallbackDialog.h"
#include "Platform/Linux/ToolRunner.h"

namespace Platform
{
// Each replaces the one in use (null: back to the real one) and returns the
// previous replacement (null when the real one was in use).
IToolRunner* SetToolRunner(IToolRunner* runner);
IFallbackDialog* SetFallbackDialog(IFallbackDialog* dialog);
} // namespace Platform
