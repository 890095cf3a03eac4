// Fuzz target: the preferences file prefs.bin.
#include "FuzzSupport.h"

#include "Platform/Platform.h"
#include "Preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::DataFolder();
    static CPreferences prefs(nullptr);
    if (prefs.GetPath().empty())
        return 0;
    // The file's folder does not exist in a fresh data folder: without it nothing would be
    // written and Load would never see the input.
    static const bool folderMade =
        Platform::CreateFolders(prefs.GetPath().substr(0, prefs.GetPath().rfind('/')));
    if (!folderMade)
        std::abort();
    FILE* file = std::fopen(prefs.GetPath().c_str(), "wb");
    if (!file)
        return 0;
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    prefs.Load();
    const int mode = prefs.GetCompactGuiMode();
    if (mode < -1 || mode > 1 || prefs.GetStepRandomizeMode() < 0 ||
        prefs.GetStepRandomizeMode() > 2 || prefs.GetCurveRandomizeMode() < 0 ||
        prefs.GetCurveRandomizeMode() > 3)
        std::abort();
    return 0;
}
