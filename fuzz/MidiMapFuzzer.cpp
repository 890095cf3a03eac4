// Fuzz target: MIDI controller map files (.ccmap) read from disk, followed by
// control changes on every controller, so that whatever map was taken is used.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzSupport::WriteInput("input.ccmap", data, size);
    CMorvex* effect = FuzzSupport::Effect();
    effect->LoadMidiMap(path.c_str());
    for (int controller = 0; controller < kNumMidiControllers; ++controller)
    {
        const int id = effect->GetMidiMapEntry(controller);
        if (id != -1 && !CBaseEffect::IsValidId(id))
            std::abort();
        effect->OnMidiCC(controller, static_cast<float>(controller % 3) * 0.5f);
    }
    effect->SetParameterScaled(MorvexParam::kPower, 1.0f);
    FuzzSupport::ExerciseState();
    return 0;
}
