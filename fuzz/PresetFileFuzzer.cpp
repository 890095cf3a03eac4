// Fuzz target: preset files (.prg) read from disk.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzSupport::WriteInput("input.prg", data, size);
    FuzzSupport::Effect()->LoadPreset(path.c_str());
    FuzzSupport::ExerciseState();
    return 0;
}
