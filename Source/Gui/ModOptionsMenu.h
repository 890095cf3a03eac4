// The modulator options menu (the options button of the modulator section): how the
// randomizer rolls the selected modulator's pattern - everything, only positions, only
// levels (envelopes: or only tensions), 16 or 32 steps for envelopes, dense sequences
// preferred. The choices are preferences, saved at once. User-interface thread.
#pragma once

namespace VSTGUI
{
class CControl;
class COptionMenu;
} // namespace VSTGUI

class IEditorMenuHost;

class CModOptionsMenu
{
public:
    static constexpr const char* kRandomizeAll = "Randomize All";
    static constexpr const char* kOnlyPositions = "Randomize Only Positions";
    static constexpr const char* kOnlyLevels = "Randomize Only Levels";
    static constexpr const char* kOnlyTensions = "Randomize Only Tensions";
    static constexpr const char* kGenerate32 = "Generate 32 Steps";
    static constexpr const char* kGenerate16 = "Generate 16 Steps";
    static constexpr const char* kPreferDense = "Prefer Dense Sequences";

    // Builds the menu for the selected modulator, shows it at the mouse in `button`'s
    // frame and stores the choice.
    static void Run(IEditorMenuHost* host, VSTGUI::CControl* button);
    // The menu for the selected modulator's mode (one reference for the caller).
    static VSTGUI::COptionMenu* Build(IEditorMenuHost* host);
    // Stores the entry titled `title` in the preferences and saves them; false for a
    // title that is no entry of the selected modulator's menu.
    static bool Perform(IEditorMenuHost* host, const char* title);
};
