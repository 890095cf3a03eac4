// The value menu of a matrix slot's target list: "---" (no target), then one submenu
// per group of parameters (master, EQ, reverb, each layer module, modulators, matrix)
// holding every parameter of the group by name; the current target and its group are
// checked. Every one of the 312 parameters is in exactly one group. User-interface
// thread.
#pragma once

#include "Gui/ListMenuDelegate.h"

class CBaseEffect;

namespace VSTGUI
{
class CMenuItem;
}

class CModTargetMenu : public CListMenuDelegate
{
public:
    static constexpr int kMaxExtras = 2;
    // One submenu: its tag and title, the range of ids it lists and the ids listed after
    // the range (-1: none).
    struct GROUP
    {
        long tag;
        const char* title;
        int firstId;
        int lastId;
        int extras[kMaxExtras];
    };
    static constexpr int kGroupCount = 11;
    static const GROUP sGroups[kGroupCount];

    void InitMenu(void* context, VSTGUI::COptionMenu* menu, int current) override;
    // Main menu (a tag that is no group's): index - 1. In a group: the range's ids, then
    // the extras; -1 beyond them.
    float GetResult(long menuTag, long index) override;

    // Appends the entry of parameter `id` (its name; "---" outside 0..311) to `menu`;
    // checks it, and `parentItem` (the group's entry, may be null), when id is `current`.
    static void AddEntryAndSelect(VSTGUI::COptionMenu* menu, VSTGUI::CMenuItem* parentItem,
                                  CBaseEffect* effect, int id, int current);
};
