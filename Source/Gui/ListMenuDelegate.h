// Fills the value menu of a list control and turns the user's choice into the
// value to store, for list controls whose values are not a plain range (the
// modulation source and target lists). User-interface thread.
#pragma once

namespace VSTGUI
{
class COptionMenu;
}

class CListMenuDelegate
{
public:
    virtual ~CListMenuDelegate() = default;
    // Fills `menu` and checks the entry of `current` (the unscaled value). `context`
    // is the effect (CBaseEffect*).
    virtual void InitMenu(void* context, VSTGUI::COptionMenu* menu, int current) = 0;
    // The unscaled value for entry `index` (separators not counted) of the (sub)menu
    // whose tag is `menuTag`.
    virtual float GetResult(long menuTag, long index) = 0;
};
