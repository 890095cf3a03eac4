#include "ModulationMenu.h"

#include "Common/wrappers/BaseEditor.h"
#include "Decorators.h"
#include "Gui/MatrixSlots.h"
#include "Gui/ModulationKnob.h"
#include "Morvex.h"
#include "Processing/ModulationMatrix.h"
#include "vstgui/MenuItem.h"
#include "vstgui/OptionMenu.h"
#include "vstgui/ViewContainer.h"

#include <bitset>
#include <cstdio>
#include <cstring>
#include <string>

using namespace VSTGUI;
using namespace MorvexParam;

CModulationMenu::CModulationMenu(CMorvex* effect) : m_effect(effect) {}

void CModulationMenu::FormatSlotEntry(char* text, int size, const char* sourceName,
                                      float depthPercent, bool powered)
{
    if (!text || size <= 0)
        return;
    std::snprintf(text, static_cast<size_t>(size), "    %s [%+.2f%%]%s",
                  sourceName ? sourceName : "", static_cast<double>(depthPercent),
                  powered ? "" : ", Disabled");
}

COptionMenu* CModulationMenu::Build(CControl* control)
{
    if (!m_effect || !control)
        return nullptr;
    const int id = static_cast<int>(control->getTag());
    if (!CBaseEffect::IsValidId(id))
        return nullptr;
    auto* knob = dynamic_cast<CModulationKnob*>(control);

    auto* menu = new COptionMenu();
    char name[64] = {};
    m_effect->GetParameterName(id, name);
    menu->addEntry(name, -1, CMenuItem::kTitle);
    menu->addSeparator();

    auto* modulators = new COptionMenu();
    modulators->setTag(kAddModulationTag);
    for (int m = 0; m < kNumModulators; ++m)
        modulators->addEntry(Decorators::modSrc2str(m_effect, static_cast<float>(m)).c_str());
    menu->addEntry(modulators, kAddModulation);
    modulators->forget();

    int slotEntries = 0;
    bool anyPowered = false;
    for (int slot = 0; slot < kNumMatrixSlots; ++slot)
    {
        const int source = MatrixSlots::Source(m_effect, slot);
        if (source < 0 || MatrixSlots::Target(m_effect, slot) != id)
            continue;
        const float depth = m_effect->GetParameterUnscaled(kMtxDepth + slot, false, false, 0);
        const bool powered = MatrixSlots::StoredScaled(m_effect, kMtxPower + slot) > 0.5f;
        anyPowered = anyPowered || powered;
        char text[128];
        FormatSlotEntry(text, sizeof(text),
                        Decorators::modSrc2str(m_effect, static_cast<float>(source)).c_str(),
                        depth, powered);
        const bool shown = knob && knob->GetModIndex() == slotEntries;
        menu->addEntry(text, -1, shown ? CMenuItem::kChecked : CMenuItem::kNoFlags);
        ++slotEntries;
    }
    if (slotEntries > 0)
    {
        menu->addEntry(anyPowered ? kDisableAll : kEnableAll);
        menu->addEntry(kRemoveAll);
    }

    menu->addSeparator();
    menu->addEntry(m_effect->IsMidiLearnActive() == id ? kStopLearn : kStartLearn);
    const int controller = m_effect->GetAssignedMidiCC(id);
    if (controller >= 0)
    {
        char text[64];
        std::snprintf(text, sizeof(text), "    MidiCC [CC%d]", controller);
        menu->addEntry(text, -1, CMenuItem::kDisabled);
        menu->addEntry(kClearMidiCC);
    }
    menu->addEntry(kLock, -1,
                   m_effect->GetParameterLock(id) ? CMenuItem::kChecked : CMenuItem::kNoFlags);
    return menu;
}

void CModulationMenu::Perform(CControl* control)
{
    COptionMenu* menu = Build(control);
    if (!menu)
        return;
    auto* container = dynamic_cast<CViewContainer*>(control->getParentView());
    long tag = -1;
    long index = -1;
    CMenuItem* chosen = CBaseEditor::ShowPopupMenu(container, control, menu, tag, index);
    const std::string title = chosen ? chosen->getTitle() : "";
    menu->forget();
    if (chosen)
        Apply(control, tag, index, title.c_str());
}

bool CModulationMenu::Apply(CControl* control, long menuTag, long index, const char* title)
{
    if (!m_effect || !control || !title || index < 0)
        return false;
    const int id = static_cast<int>(control->getTag());
    if (!CBaseEffect::IsValidId(id))
        return false;
    if (menuTag == kAddModulationTag)
    {
        if (index >= kNumModulators)
            return false;
        m_effect->AddModulation(id, static_cast<int>(index), true);
        return true;
    }
    CModulationMatrix* matrix = m_effect->GetModulationMatrix();
    const auto is = [title](const char* entry) { return std::strcmp(title, entry) == 0; };
    if (is(kRemoveAll))
        matrix->ClearModulations(id);
    else if (is(kEnableAll))
        matrix->EnableModulations(id, true);
    else if (is(kDisableAll))
        matrix->EnableModulations(id, false);
    else if (is(kStartLearn))
        m_effect->ActivateMidiLearn(id, true);
    else if (is(kStopLearn))
        m_effect->ActivateMidiLearn(id, false);
    else if (is(kClearMidiCC))
        m_effect->RemoveAssignedMidiCC(id);
    else if (is(kLock))
        m_effect->SetParameterLock(id, !m_effect->GetParameterLock(id));
    else
    {
        // A slot entry: the knob shows (and its depth drags edit) that modulation.
        auto* knob = dynamic_cast<CModulationKnob*>(control);
        const long slotEntry = index - kFirstSlotIndex;
        const long count = static_cast<long>(
            std::bitset<kNumMatrixSlots>(MatrixSlots::SlotsTargeting(m_effect, id)).count());
        if (!knob || slotEntry < 0 || slotEntry >= count)
            return false;
        knob->SetModIndex(slotEntry);
        knob->setDirty();
    }
    return true;
}
