// The editor's settings menu (the settings button in the header): the MIDI controller
// map (load, save, reset), the user's default preset, copy / paste / reset of the
// selected modulator and of the selected layer (through the process-wide CModClipboard)
// and the compact window mode. Entries are recognised by their title after the choice.
// User-interface thread.
#pragma once

namespace VSTGUI
{
class CControl;
class COptionMenu;
} // namespace VSTGUI

class IEditorMenuHost;

class CSettingsMenu
{
public:
    static constexpr const char* kLoadMidiMap = "Load MidiCC map...";
    static constexpr const char* kSaveMidiMap = "Save MidiCC map...";
    static constexpr const char* kResetMidiMap = "Reset MidiCC map";
    static constexpr const char* kMakeDefault = "Use Current Settings as Default Preset";
    static constexpr const char* kResetDefault = "Reset Default Preset";
    static constexpr const char* kCopyMod = "Copy Modulator Settings";
    static constexpr const char* kPasteMod = "Paste Modulator Settings";
    static constexpr const char* kResetMod = "Reset Modulator Settings";
    static constexpr const char* kCopyLayer = "Copy Layer Settings";
    static constexpr const char* kPasteLayer = "Paste Layer Settings";
    static constexpr const char* kResetLayer = "Reset Layer Settings";
    static constexpr const char* kCompactMode = "Compact GUI Mode";
    static constexpr const char* kMidiMapFilter = "MidiCC map files (*.ccmap)";
    static constexpr const char* kMidiMapExtension = ".ccmap";
    static constexpr int kPathSize = 2048;

    // Builds the menu, shows it at the mouse in `button`'s frame and performs the
    // choice. A dismissed menu does nothing.
    static void Run(IEditorMenuHost* host, VSTGUI::CControl* button);
    // The menu as it stands now (one reference for the caller).
    static VSTGUI::COptionMenu* Build(IEditorMenuHost* host);
    // Performs the entry titled `title`; false for a title that is no entry.
    static bool Perform(IEditorMenuHost* host, const char* title);
};
