#include "AudioEffect.h"

#include "AEffEditor.h"

#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : m_audioMaster(audioMaster), m_numPrograms(numPrograms), m_numParams(numParams)
{
    std::memset(&m_cEffect, 0, sizeof(m_cEffect));
    m_cEffect.magic = kEffectMagic;
    m_cEffect.dispatcher = DispatchEffectClass;
    m_cEffect.process = ProcessClass;
    m_cEffect.setParameter = SetParameterClass;
    m_cEffect.getParameter = GetParameterClass;
    m_cEffect.numPrograms = numPrograms;
    m_cEffect.numParams = numParams;
    m_cEffect.numInputs = 1;
    m_cEffect.numOutputs = 2;
    m_cEffect.ioRatio = 1.0f;
    m_cEffect.object = this;
    m_cEffect.uniqueID = CCONST('N', 'o', 'E', 'f');
    m_cEffect.version = 1;
    m_cEffect.processReplacing = ProcessReplacingClass;
    m_cEffect.processDoubleReplacing = ProcessDoubleReplacingClass;
}

AudioEffect::~AudioEffect()
{
    delete m_editor;
}

void AudioEffect::setEditor(AEffEditor* editor)
{
    m_editor = editor;
    if (editor)
        m_cEffect.flags |= effFlagsHasEditor;
    else
        m_cEffect.flags &= ~effFlagsHasEditor;
}

void AudioEffect::canProcessReplacing(bool state)
{
    if (state)
        m_cEffect.flags |= effFlagsCanReplacing;
    else
        m_cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state)
{
    if (state)
        m_cEffect.flags |= effFlagsCanDoubleReplacing;
    else
        m_cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state)
{
    if (state)
        m_cEffect.flags |= effFlagsProgramChunks;
    else
        m_cEffect.flags &= ~effFlagsProgramChunks;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (m_audioMaster)
        m_audioMaster(&m_cEffect, audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion()
{
    VstInt32 version = 1;
    if (m_audioMaster)
    {
        version = static_cast<VstInt32>(
            m_audioMaster(&m_cEffect, audioMasterVersion, 0, 0, nullptr, 0.0f));
        if (!version)
            version = 1; // old hosts answer 0
    }
    return version;
}

VstInt32 AudioEffect::getCurrentUniqueId()
{
    if (!m_audioMaster)
        return 0;
    return static_cast<VstInt32>(
        m_audioMaster(&m_cEffect, audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle()
{
    if (m_audioMaster)
        m_audioMaster(&m_cEffect, audioMasterIdle, 0, 0, nullptr, 0.0f);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt)
{
    switch (opcode)
    {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < m_numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (!value)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        if (m_editor && ptr)
        {
            ERect** rect = static_cast<ERect**>(ptr);
            if (m_editor->getRect(rect) && *rect)
                return 1;
        }
        return 0;
    case effEditOpen:
        if (m_editor)
            return m_editor->open(ptr) ? 1 : 0;
        return 0;
    case effEditClose:
        if (m_editor)
            m_editor->close();
        return 0;
    case effEditIdle:
        if (m_editor)
            m_editor->idle();
        return 0;
    case effIdentify:
        return CCONST('N', 'v', 'E', 'f');
    case effGetChunk:
        if (!ptr)
            return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        if (!ptr)
            return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr AudioEffect::DispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt)
{
    AudioEffect* effect = e ? static_cast<AudioEffect*>(e->object) : nullptr;
    if (!effect)
        return 0;
    if (opcode == effClose)
    {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void AudioEffect::ProcessClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    static_cast<AudioEffect*>(e->object)->process(inputs, outputs, frames);
}

void AudioEffect::ProcessReplacingClass(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 frames)
{
    static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, frames);
}

void AudioEffect::ProcessDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 frames)
{
    static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, frames);
}

void AudioEffect::SetParameterClass(AEffect* e, VstInt32 index, float value)
{
    static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

float AudioEffect::GetParameterClass(AEffect* e, VstInt32 index)
{
    return static_cast<AudioEffect*>(e->object)->getParameter(index);
}
