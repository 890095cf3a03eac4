#include "AudioEffectX.h"

#include "AEffEditor.h"

#include <cstring>

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms,
                           VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams)
{
}

VstIntPtr AudioEffectX::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt)
{
    if (!m_audioMaster)
        return 0;
    return m_audioMaster(&m_cEffect, opcode, index, value, ptr, opt);
}

void AudioEffectX::resume()
{
    char midi[] = "receiveVstMidiEvent";
    if (canDo(midi) == 1)
        wantEvents(1);
}

void AudioEffectX::wantEvents(VstInt32 filter)
{
    CallHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::getHostVendorString(char* text)
{
    return CallHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text)
{
    return CallHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion()
{
    return static_cast<VstInt32>(CallHost(audioMasterGetVendorVersion));
}

VstInt32 AudioEffectX::canHostDo(char* text)
{
    // 1 yes, -1 no, 0 don't know.
    return static_cast<VstInt32>(CallHost(audioMasterCanDo, 0, 0, text));
}

bool AudioEffectX::updateDisplay()
{
    return CallHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height)
{
    return CallHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::beginEdit(VstInt32 index)
{
    return CallHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index)
{
    return CallHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::ioChanged()
{
    return CallHost(audioMasterIOChanged) != 0;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt)
{
    switch (opcode)
    {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
        return getProgramNameIndexed(static_cast<VstInt32>(value), index,
                                     static_cast<char*>(ptr))
                   ? 1
                   : 0;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetParameterProperties:
        return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr))
                   ? 1
                   : 0;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
        return m_editor && m_editor->onKeyDown(static_cast<char>(index),
                                               static_cast<int>(value), static_cast<int>(opt))
                   ? 1
                   : 0;
    case effEditKeyUp:
        return m_editor && m_editor->onKeyUp(static_cast<char>(index), static_cast<int>(value),
                                             static_cast<int>(opt))
                   ? 1
                   : 0;
    case effSetEditKnobMode:
        return m_editor && m_editor->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
