// Test support: a fresh, empty folder made the user's data folder
// ($XDG_DATA_HOME) for the object's lifetime, so that nothing a test does
// reads or writes the real preset library or preferences. The previous value
// of the variable comes back and the folder is deleted with its contents when
// the object goes.
#pragma once

#include <string>

class CTempDataFolder
{
public:
    CTempDataFolder();
    ~CTempDataFolder();
    CTempDataFolder(const CTempDataFolder&) = delete;
    CTempDataFolder& operator=(const CTempDataFolder&) = delete;

    const std::string& GetPath() const { return m_path; }
    // The plug-in's folder and its main preset library inside the data folder.
    std::string GetMorvexFolder() const { return m_path + "/Brenwick/Morvex"; }
    std::string GetPresetFolder() const { return GetMorvexFolder() + "/Plug-In Presets"; }
    std::string GetDefaultPresetPath() const { return GetPresetFolder() + "/Default Preset.prg"; }

private:
    std::string m_path;
    bool m_hadPrevious = false;
    std::string m_previous;
};
