#include "VstWrapper.h"

#include "../EffectEditor.h"
#include "../BaseEffect.h"
#include "../vst2sdk/AEffEditor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// Copies at most `limit` characters of `source` and terminates the result. Writes
// no padding, so a host buffer is touched only as far as the text needs.
void CopyString(char* destination, const char* source, size_t limit)
{
    const size_t length = std::min(std::strlen(source), limit);
    std::memcpy(destination, source, length);
    destination[length] = 0;
}

const char* const kCanDoYes[] = {
    "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstMidiEvent", "receiveVstTimeInfo",
    "plugAsChannelInsert", "plugAsSend", "1in1out", "1in2out", "2in2out",
};

// x - x is 0 for every finite x and NaN for NaN and both infinities; the select
// compiles without a branch and vectorises.
inline float SanitiseSample(float x) noexcept
{
    return (x - x == 0.0f) ? x : 0.0f;
}
} // namespace

CVstWrapper::CVstWrapper(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kNumParams), m_midiQueue(new CVstMidiProcessor())
{
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    programsAreChunks(true);
    setUniqueID(CCONST('M', 'v', 'x', 'Q'));
    m_cEffect.version = kVendorVersion;
    if (audioMaster)
        suspend();
}

CVstWrapper::~CVstWrapper()
{
    // A host that unloads without effEditClose would otherwise leave the editor's
    // views alive past the effect they read; the SDK base deletes the editor later.
    if (m_editor && m_editor->isOpen())
        m_editor->close();
    delete m_effect;
    delete m_midiQueue;
}

void CVstWrapper::SetBaseEffect(CBaseEffect* effect)
{
    m_effect = effect;
    IEffectEditor* editor = effect ? effect->GetEditor() : nullptr;
    setEditor(editor ? editor->GetHostEditor() : nullptr);
}

// ---------------------------------------------------------------------------------------------
// Calls from the effect

void CVstWrapper::HostBeginEdit(int id)
{
    beginEdit(id);
}

void CVstWrapper::HostEndEdit(int id)
{
    endEdit(id);
}

void CVstWrapper::HostSetParameterAutomated(int id, float value)
{
    CallHost(audioMasterAutomate, id, 0, nullptr, value);
}

// ---------------------------------------------------------------------------------------------
// Constant answers

bool CVstWrapper::getEffectName(char* name)
{
    CopyString(name, "Morvex", kVstMaxEffectNameLen - 1);
    return true;
}

bool CVstWrapper::getProductString(char* text)
{
    CopyString(text, "Morvex", kVstMaxProductStrLen - 1);
    return true;
}

bool CVstWrapper::getVendorString(char* text)
{
    CopyString(text, "Brenwick", kVstMaxVendorStrLen - 1);
    return true;
}

bool CVstWrapper::FillPinProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index > 1)
        return false;
    CopyString(properties->label, index == 0 ? "Morvex L" : "Morvex R", 63);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool CVstWrapper::getInputProperties(VstInt32 index, VstPinProperties* properties)
{
    return FillPinProperties(index, properties);
}

bool CVstWrapper::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    return FillPinProperties(index, properties);
}

VstInt32 CVstWrapper::canDo(char* text)
{
    for (const char* yes : kCanDoYes)
    {
        if (std::strcmp(text, yes) == 0)
            return 1;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Forwarded calls

void CVstWrapper::getProgramName(char* name)
{
    if (!m_effect || !name)
        return;
    std::string programName = m_effect->GetCurrentProgramName();
    if (programName.empty())
        programName = "Default Preset";
    CopyString(name, programName.c_str(), kVstMaxProgNameLen);
}

bool CVstWrapper::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* text)
{
    if (text)
        getProgramName(text);
    return true;
}

void CVstWrapper::getParameterDisplay(VstInt32 index, char* text)
{
    if (!m_effect)
        return;
    text[0] = 0;
    m_effect->GetParameterTextValue(index, text);
}

void CVstWrapper::getParameterName(VstInt32 index, char* text)
{
    if (!m_effect)
        return;
    text[0] = 0;
    m_effect->GetParameterName(index, text);
}

VstInt32 CVstWrapper::getChunk(void** data, bool /*isPreset*/)
{
    if (!m_effect || !data)
        return 0;
    int size = 0;
    m_effect->GetChunk(data, &size, false);
    return size;
}

VstInt32 CVstWrapper::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/)
{
    if (m_effect && data && byteSize > 0)
        m_effect->SetChunk(data, byteSize, false);
    return 0;
}

void CVstWrapper::setParameter(VstInt32 index, float value)
{
    // Hosts send normalised values; anything else (NaN, out of range) would
    // be stored as a value outside the parameter's range.
    if (!m_effect || !(value == value))
        return;
    value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    m_effect->SetParameterScaled(index, value);
    const float scaled = m_effect->GetParameterScaled(index, false, false, 0);
    if (IEffectEditor* editor = m_effect->GetEditor())
        editor->OnSetParameter(index, scaled);
    m_effect->OnSetParameter(index, scaled);
}

float CVstWrapper::getParameter(VstInt32 index)
{
    return m_effect ? m_effect->GetParameterScaled(index, false, false, 0) : 0.0f;
}

void CVstWrapper::setSampleRate(float sampleRate)
{
    AudioEffectX::setSampleRate(sampleRate);
    if (m_effect)
        m_effect->SetSampleRate(sampleRate);
}

void CVstWrapper::setBlockSize(VstInt32 blockSize)
{
    AudioEffectX::setBlockSize(blockSize);
    if (m_effect)
        m_effect->SetBlockSize(blockSize);
}

void CVstWrapper::resume()
{
    AudioEffectX::resume();
    if (m_effect)
    {
        m_effect->Reset();
        m_effect->PrepareToProcess();
    }
    m_midiQueue->Reset();
}

VstInt32 CVstWrapper::processEvents(VstEvents* events)
{
    for (VstInt32 i = 0; i < events->numEvents; ++i)
    {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const uint8_t data[3] = {static_cast<uint8_t>(midi->midiData[0]),
                                 static_cast<uint8_t>(midi->midiData[1]),
                                 static_cast<uint8_t>(midi->midiData[2])};
        m_midiQueue->PushEvent(data, midi->deltaFrames);
    }
    return 1;
}

void CVstWrapper::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (!inputs || !outputs || !m_effect || sampleFrames <= 0)
        return;
    float* left = outputs[0];
    float* right = outputs[1];
    if (!left || !right || !inputs[0] || !inputs[1])
        return;
    // A state loaded since the last block becomes the engine's before anything reads it.
    m_effect->ApplyPendingState();

    // Time information: tempo 120, position 0 and a stopped transport when the
    // host gives none.
    float tempo = 120.0f;
    float samplePos = 0.0f;
    bool playing = false;
    if (const VstTimeInfo* time = getTimeInfo(kVstTempoValid | kVstTransportPlaying))
    {
        if (time->flags & kVstTempoValid)
            tempo = static_cast<float>(time->tempo);
        samplePos = static_cast<float>(time->samplePos);
        playing = (time->flags & kVstTransportPlaying) != 0;
    }
    if (playing != m_lastPlaying)
    {
        if (playing)
            m_effect->OnTransportStart();
        else
            m_effect->OnTransportStop();
        m_lastPlaying = playing;
    }
    if (!(tempo == m_lastTempo))
        m_effect->SetHostTempo(tempo);
    if (!(samplePos == m_lastSamplePos))
        m_effect->SetHostSamplePos(samplePos);
    m_lastTempo = tempo;
    m_lastSamplePos = samplePos;

    // All processing runs in place on the output buffers, which start as the dry input.
    const size_t bytes = static_cast<size_t>(sampleFrames) * sizeof(float);
    if (left != inputs[0])
        std::memmove(left, inputs[0], bytes);
    if (right != inputs[1])
        std::memmove(right, inputs[1], bytes);
    // A NaN or an infinity from the host would latch in every recursive filter and
    // delay line of the engine: such samples become silence here.
    for (int i = 0; i < sampleFrames; ++i)
    {
        left[i] = SanitiseSample(left[i]);
        right[i] = SanitiseSample(right[i]);
    }

    m_effect->PreProcess(sampleFrames);

    MIDI_EVENT event;
    // Events carried over from the last block are due before its first sub-block,
    // whatever the size of this one.
    while (m_midiQueue->PopEvent(event, 0))
        m_effect->OnMidiCC(event.controller, event.value);

    const int wholeBlocks = sampleFrames / kSubBlockSize;
    for (int k = 1; k <= wholeBlocks; ++k)
    {
        while (m_midiQueue->PopEvent(event, k * kSubBlockSize))
            m_effect->OnMidiCC(event.controller, event.value);
        m_effect->Process(left, right, kSubBlockSize);
        left += kSubBlockSize;
        right += kSubBlockSize;
    }
    const int remainder = sampleFrames % kSubBlockSize;
    if (remainder)
        m_effect->Process(left, right, remainder);
    m_midiQueue->MarkLate();
}

// ---------------------------------------------------------------------------------------------
// Creation

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    auto* wrapper = new CVstWrapper(audioMaster);
    CBaseEffect* effect = createBaseEffect(wrapper);
    if (!effect)
    {
        delete wrapper;
        return nullptr;
    }
    wrapper->SetBaseEffect(effect);
    return wrapper;
}
