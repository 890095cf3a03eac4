// The preset browser of one modulator: loads and saves its step pattern or its
// envelope, with its mode and number of steps, as a .mprg file (the format in
// utilities/MsegPresetFile.h). The current preset's path lives in the plug-in
// state (raw block 10019 + modulator), so that a reopened editor shows it again.
// Loads and resets are one undo step each. A file that is not a whole modulator
// preset is refused before anything changes, and the user is told why; a save
// that fails is reported the same way as a main preset's. User-interface thread.
#pragma once

#include "utilities/BasePresetBrowser.h"

class CBaseEffect;

class CMsegPresetBrowser : public CBasePresetBrowser
{
public:
    static constexpr const char* kLibraryFolder = "Brenwick/Morvex/Modulator Presets";
    static constexpr const char* kUserCategory = "User";
    static constexpr const char* kExtension = ".mprg";

    // `modulator` 0..7.
    CMsegPresetBrowser(const VSTGUI::CRect& size, VSTGUI::CFrame* frame, CBaseEffect* effect,
                       int modulator);

    // Writes the modulator's mode, number of steps and the block its mode plays
    // (steps for mode 0, else the envelope). On failure: the alert, nothing else.
    void SavePreset(std::string path) override;
    // Takes a whole .mprg file: the mode and number of steps, the block of that
    // mode from the file and the other block at its default. A file that cannot be
    // read or is refused changes nothing, not even the current preset, and alerts.
    void LoadPreset(std::string path) override;
    // "Mod%d NumSteps", the steps and the envelope to their defaults (the mode
    // stays); no current preset.
    void ResetPreset() override;

    // Zero-fills the path block and copies the current path into it (cut to 2047
    // bytes so that it stays terminated).
    void UpdatePresetPathDataBlock();
    // Makes the path stored in the plug-in state current (the editor calls this
    // whenever it re-reads all its controls).
    void UpdateFromEffect();

    int GetModulator() const { return m_modulator; }

private:
    CBaseEffect* m_effect;
    int m_modulator;
};
