#include "ModSourceMenu.h"

#include "Common/wrappers/BaseEffect.h"
#include "Decorators.h"
#include "Morvex.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"

using namespace VSTGUI;

void CModSourceMenu::InitMenu(void* context, COptionMenu* menu, int current)
{
    if (!menu)
        return;
    auto* effect = static_cast<CBaseEffect*>(context);
    menu->removeAllEntry();
    for (int value = -1; value < MorvexParam::kNumModulators; ++value)
    {
        const std::string name = Decorators::modSrc2str(effect, static_cast<float>(value));
        menu->addEntry(name.c_str(), -1,
                       value == current ? CMenuItem::kChecked : CMenuItem::kNoFlags);
        if (value == -1)
            menu->addSeparator();
    }
}

float CModSourceMenu::GetResult(long /*menuTag*/, long index)
{
    return static_cast<float>(index - 1);
}
