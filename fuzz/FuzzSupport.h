// Support of the fuzz targets: a private data folder for the whole run, the
// plug-in behind its host adapter (created once: building it per input would
// leave little time for the inputs), and a file holding the input for the
// readers that take a path.
#pragma once

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace FuzzSupport
{
// A fresh folder made the user's data folder before the plug-in first looks.
inline const std::string& DataFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/morvex-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        std::string path = made ? made : "/tmp";
        setenv("XDG_DATA_HOME", path.c_str(), 1);
        return path;
    }();
    return folder;
}

inline CVstWrapper* Plugin()
{
    static CVstWrapper* wrapper = [] {
        DataFolder();
        auto* created = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        created->setSampleRate(44100.0f);
        created->setBlockSize(64);
        created->resume();
        return created;
    }();
    return wrapper;
}

inline CMorvex* Effect()
{
    return static_cast<CMorvex*>(Plugin()->GetBaseEffect());
}

// Writes the input as a file and answers its path.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = DataFolder() + "/" + name;
    if (FILE* file = std::fopen(path.c_str(), "wb"))
    {
        if (size)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}

// Whatever state the input left: 64 samples through the whole plug-in must give
// finite output, and the state must survive a round trip through a chunk.
inline void ExerciseState()
{
    CVstWrapper* wrapper = Plugin();
    float left[64], right[64], outLeft[64], outRight[64];
    for (int i = 0; i < 64; ++i)
    {
        left[i] = 0.5f * std::sin(0.1f * static_cast<float>(i));
        right[i] = -left[i];
    }
    float* inputs[2] = {left, right};
    float* outputs[2] = {outLeft, outRight};
    wrapper->processReplacing(inputs, outputs, 64);
    for (int i = 0; i < 64; ++i)
    {
        if (!std::isfinite(outLeft[i]) || !std::isfinite(outRight[i]))
            std::abort();
    }
    void* chunk = nullptr;
    const VstInt32 size = wrapper->getChunk(&chunk, false);
    if (size <= 0 || !chunk)
        std::abort();
    char text[64];
    for (int id = 0; id < kNumParameters; id += 7)
        wrapper->getParameterDisplay(id, text);
}
} // namespace FuzzSupport
