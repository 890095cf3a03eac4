// The modulation menu of a parameter's control (a right or Ctrl click): the parameter's
// name, "Add Modulation" with the eight modulators, one entry per matrix slot aiming at
// the parameter (source, signed depth, whether it is off), enable / disable / remove
// all of them, MIDI learn, the learned controller and the parameter lock.
// User-interface thread.
#pragma once

namespace VSTGUI
{
class CControl;
class COptionMenu;
} // namespace VSTGUI

class CMorvex;

class CModulationMenu
{
public:
    // Tag of the "Add Modulation" submenu.
    static constexpr long kAddModulationTag = 1;
    static constexpr const char* kAddModulation = "Add Modulation";
    static constexpr const char* kEnableAll = "Enable All Modulations";
    static constexpr const char* kDisableAll = "Disable All Modulations";
    static constexpr const char* kRemoveAll = "Remove All Modulations";
    static constexpr const char* kStartLearn = "Start Midi Learn";
    static constexpr const char* kStopLearn = "Stop Midi Learn";
    static constexpr const char* kClearMidiCC = "Clear MidiCC";
    static constexpr const char* kLock = "Lock";
    // Entries before the first slot entry: the title and the submenu.
    static constexpr long kFirstSlotIndex = 2;

    explicit CModulationMenu(CMorvex* effect);

    // For the parameter whose tag `control` carries: shows the menu at the mouse in the
    // control's parent container and performs the choice.
    void Perform(VSTGUI::CControl* control);
    // The menu for `control`'s parameter (one reference for the caller); null for a
    // control without a parameter tag.
    VSTGUI::COptionMenu* Build(VSTGUI::CControl* control);
    // Performs a choice of the menu Build made for `control`: the (sub)menu's tag, the
    // entry's index there (separators not counted) and its title. False when nothing
    // was done.
    bool Apply(VSTGUI::CControl* control, long menuTag, long index, const char* title);

    // The text of a slot entry: "    Mod 3 [-25.00%]", with ", Disabled" when off.
    static void FormatSlotEntry(char* text, int size, const char* sourceName, float depthPercent,
                                bool powered);

private:
    CMorvex* m_effect;
};
