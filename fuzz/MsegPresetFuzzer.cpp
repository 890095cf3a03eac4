// Fuzz target: modulator preset files (.mprg). Whatever the reader takes must be
// a whole file (written back, it gives the same bytes) and must play: it goes into
// a modulator as the preset browser puts it there, and the plug-in runs with it.
#include "FuzzSupport.h"
#include "Common/wrappers/utilities/MsegPresetFile.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MsegPresetFile::MSEG_PRESET preset;
    if (MsegPresetFile::Parse(data, size, preset) != MsegPresetFile::kOk)
        return 0;
    const std::vector<uint8_t> rebuilt =
        MsegPresetFile::Build(preset.mode, preset.numSteps, preset.body.data());
    if (rebuilt.size() != size || std::memcmp(rebuilt.data(), data, size) != 0)
        std::abort();

    CMorvex* effect = FuzzSupport::Effect();
    const int modulator = static_cast<int>(size % MorvexParam::kNumModulators);
    const bool envelope = preset.mode != MsegPresetFile::kModeSteps;
    const int blockId = (envelope ? kRawBlockMsegPoints : kRawBlockSteps) + modulator;
    effect->SetParameterUnscaled(MorvexParam::kModMode + modulator,
                                 static_cast<float>(preset.mode));
    effect->SetParameterUnscaled(MorvexParam::kModNumSteps + modulator,
                                 static_cast<float>(preset.numSteps));
    effect->SetRawParameterBlock(blockId, preset.body.data());
    effect->SetParameterScaled(MorvexParam::kPower, 1.0f);
    FuzzSupport::ExerciseState();
    return 0;
}
