// The main preset browser: the editor header's preset name and menu. A preset
// is the whole plug-in state as a .prg file, loaded and saved through the effect;
// every load and reset can be undone as one step. User-interface thread only.
#pragma once

#include "utilities/BasePresetBrowser.h"

class CBaseEffect;

class CMainPresetBrowser : public CBasePresetBrowser
{
public:
    static constexpr const char* kLibraryFolder = "Brenwick/Morvex/Plug-In Presets";
    static constexpr const char* kUserCategory = "User";
    static constexpr const char* kExtension = ".prg";

    CMainPresetBrowser(const VSTGUI::CRect& size, VSTGUI::CFrame* frame, CBaseEffect* effect);

    // Saves the whole state to `path`. On failure the effect has shown the alert
    // and the current preset stays what it was.
    void SavePreset(std::string path) override;
    // Loads `path` as one undo step. A file that cannot be read or is no preset
    // changes nothing (the current preset and its name stay) and the user is told.
    void LoadPreset(std::string path) override;
    // Every parameter and block to its default, as one undo step; no current preset.
    void ResetPreset() override;

private:
    CBaseEffect* m_effect;
};
