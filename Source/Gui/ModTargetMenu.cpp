#include "ModTargetMenu.h"

#include "Common/wrappers/BaseEffect.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"

#include <cstring>

using namespace VSTGUI;

// The layer modules' titles are indented under the layer-wide groups. "Flanger Mode"
// (307, 308), "Delay Input" (309, 310) and "Reverb Input" (311) came after the ranges
// were laid out and follow their module's range.
const CModTargetMenu::GROUP CModTargetMenu::sGroups[kGroupCount] = {
    {10000, "Master", 0, 12, {-1, -1}},
    {10001, "EQ", 13, 18, {-1, -1}},
    {10002, "Reverb", 19, 24, {311, -1}},
    {10003, "   Filter", 25, 40, {-1, -1}},
    {10004, "   Delay", 41, 60, {309, 310}},
    {10005, "   Dist", 61, 76, {-1, -1}},
    {10006, "   LoFi", 77, 88, {-1, -1}},
    {10007, "   Glitch", 89, 104, {-1, -1}},
    {10008, "   Flanger/Phaser", 105, 122, {307, 308}},
    {10009, "Modulators", 123, 210, {-1, -1}},
    {10010, "ModMatrix", 211, 306, {-1, -1}},
};

void CModTargetMenu::AddEntryAndSelect(COptionMenu* menu, CMenuItem* parentItem,
                                       CBaseEffect* effect, int id, int current)
{
    if (!menu)
        return;
    char name[64] = {};
    if (effect && CBaseEffect::IsValidId(id))
        effect->GetParameterName(id, name);
    else
        std::strcpy(name, "---");
    const bool selected = id == current;
    menu->addEntry(name, -1, selected ? CMenuItem::kChecked : CMenuItem::kNoFlags);
    if (selected && parentItem)
        parentItem->setChecked(true);
}

void CModTargetMenu::InitMenu(void* context, COptionMenu* menu, int current)
{
    if (!menu)
        return;
    auto* effect = static_cast<CBaseEffect*>(context);
    menu->removeAllEntry();
    AddEntryAndSelect(menu, nullptr, effect, -1, current);
    menu->addSeparator();
    for (const GROUP& group : sGroups)
    {
        auto* submenu = new COptionMenu();
        submenu->setTag(group.tag);
        CMenuItem* item = menu->addEntry(submenu, group.title);
        submenu->forget(); // the entry remembers it
        for (int id = group.firstId; id <= group.lastId; ++id)
            AddEntryAndSelect(submenu, item, effect, id, current);
        for (int extra : group.extras)
        {
            if (extra >= 0)
                AddEntryAndSelect(submenu, item, effect, extra, current);
        }
    }
}

float CModTargetMenu::GetResult(long menuTag, long index)
{
    for (const GROUP& group : sGroups)
    {
        if (group.tag != menuTag)
            continue;
        const long rangeCount = group.lastId - group.firstId + 1;
        if (index >= 0 && index < rangeCount)
            return static_cast<float>(group.firstId + index);
        long extra = index - rangeCount;
        for (int id : group.extras)
        {
            if (id < 0)
                continue;
            if (extra == 0)
                return static_cast<float>(id);
            --extra;
        }
        return -1.0f;
    }
    return static_cast<float>(index - 1);
}
