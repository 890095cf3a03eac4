// morvex-presets SRC_DIR OUT_DIR: compiles the factory preset sources into the
// library layout the plug-in scans (see PresetCompiler.h), one line per file on
// success, the first error with its file and line otherwise (exit status 1).
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/utilities/AlertDialog.h"
#include "PresetCompiler.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A build has no one to click an alert away: its text goes to the error stream.
bool PrintAlert(const char* title, const char* message, bool)
{
    std::fprintf(stderr, "morvex-presets: %s: %s\n", title, message);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: morvex-presets SRC_DIR OUT_DIR\n");
        return 2;
    }
    // The instance must neither read the builder's own default preset nor write
    // preferences into the builder's data folder: it gets a private one.
    char dataFolder[] = "/tmp/morvex-presets-XXXXXX";
    if (!mkdtemp(dataFolder))
    {
        std::perror("morvex-presets: mkdtemp");
        return 1;
    }
    setenv("XDG_DATA_HOME", dataFolder, 1);
    SetAlertHandler(&PrintAlert);

    int status = 0;
    {
        CVstWrapper* wrapper = static_cast<CVstWrapper*>(createEffectInstance(HostCallback));
        CPresetCompiler compiler(wrapper->GetBaseEffect());
        std::vector<std::string> written;
        std::string error;
        if (compiler.CompileLibrary(argv[1], argv[2], written, error))
        {
            std::printf("morvex-presets: %zu files in %s\n", written.size(), argv[2]);
        }
        else
        {
            std::fprintf(stderr, "morvex-presets: %s\n", error.c_str());
            status = 1;
        }
        delete wrapper;
    }
    std::error_code code;
    std::filesystem::remove_all(dataFolder, code);
    return status;
}
