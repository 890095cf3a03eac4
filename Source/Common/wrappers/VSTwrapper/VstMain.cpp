// Entry points the host looks up in the plug-in module.
#include "VstWrapper.h"

#include <new>

#define MORVEX_EXPORT extern "C" __attribute__((visibility("default")))

MORVEX_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);

AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (!audioMaster || !audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f))
        return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    if (!effect)
        return nullptr;
    auto* wrapper = static_cast<AudioEffectX*>(effect);
    char buffer[256] = {};
    wrapper->getHostVendorString(buffer);
    wrapper->getHostProductString(buffer);
    return effect->getAeffect();
}

// Older Linux hosts look for a symbol named "main"; the assembler label gives the
// function that name without clashing with a program's main.
MORVEX_EXPORT AEffect* main_plugin(audioMasterCallback audioMaster) __asm__("main");

AEffect* main_plugin(audioMasterCallback audioMaster)
{
    return VSTPluginMain(audioMaster);
}
