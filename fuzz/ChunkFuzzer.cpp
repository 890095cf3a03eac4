// Fuzz target: the state chunk reader, as the host hands it over (first input
// byte even) and as a preset file's bytes (odd).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool isPreset = (data[0] & 1) != 0;
    FuzzSupport::Effect()->SetChunk(data + 1, static_cast<int>(size - 1), isPreset);
    FuzzSupport::ExerciseState();
    return 0;
}
