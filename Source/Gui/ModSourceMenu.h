// The value menu of a matrix slot's source list: "---" (no source), then the eight
// modulators. User-interface thread.
#pragma once

#include "Gui/ListMenuDelegate.h"

class CModSourceMenu : public CListMenuDelegate
{
public:
    void InitMenu(void* context, VSTGUI::COptionMenu* menu, int current) override;
    // index - 1: entry 0 is "---" (-1), entries 1..8 are the modulators 0..7.
    float GetResult(long menuTag, long index) override;
};
