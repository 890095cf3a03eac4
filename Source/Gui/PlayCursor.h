// The play cursor of the step and envelope editors.
#pragma once

#include "vstgui/View.h"

#include <cmath>

// Moves a pattern editor's play cursor to `position` (in step units). It is called at every
// idle while the transport runs, and all the cursor shows is which step unit plays: the view
// repaints only when that unit changes, and then only the two cells of its strip the cursor
// leaves and enters (`cellRect(unit)`), not the pattern under them. A detached view just
// marks itself dirty. UI thread.
template <typename CellRect>
void MovePlayCursor(VSTGUI::CView& view, float& cursor, float position, int unitCount,
                    CellRect cellRect)
{
    const float before = std::trunc(cursor);
    const float after = std::trunc(position);
    cursor = position;
    if (before == after)
        return;
    if (!view.isAttached())
    {
        view.setDirty();
        return;
    }
    for (float unit : {before, after})
    {
        if (unit >= 0.0f && unit < static_cast<float>(unitCount))
            view.invalidRect(cellRect(unit));
    }
}
