#include "BaseEffect.h"

#include "ActionStack.h"
#include "EffectEditor.h"
#include "VSTwrapper/VstWrapper.h"
#include "utilities/AlertDialog.h"
#include "utilities/ByteReader.h"
#include "utilities/ByteWriter.h"
#include "utilities/FileUtils.h"
#include "utilities/RawBlockHandover.h"
#include "utilities/MidiMapFile.h"
#include "utilities/PresetFileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float kTwoPi = 6.28318530717958647692f;
constexpr float kLog2E = 1.442695f; // log2(x) = ln(x) * log2(e)
constexpr int kSubBlockSize = 16;
constexpr int32_t kBlockRecordMarker = 1;
// Preset files are 28 KB; anything past this is no part of one.
constexpr size_t kMaxPresetFileSize = 1 << 20;

// The effect whose state load is open on this thread, if any (nested loads: the outer).
thread_local const CBaseEffect* t_loadingEffect = nullptr;
} // namespace

CBaseEffect::CBaseEffect(CVstWrapper* wrapper) : m_wrapper(wrapper)
{
    for (auto& entry : m_midiMap)
        entry = -1;
    for (auto& value : m_midiValues)
        value = 0.0f;
    for (int id = 0; id < kNumParameters; ++id)
        UpdateSmoothingCoefficients(id);
    m_actionStack = new CActionStack(this, kUndoDepth);
}

CBaseEffect::~CBaseEffect()
{
    delete m_actionStack;
    for (auto& block : m_rawBlocks)
        delete block.handover;
}

// ---------------------------------------------------------------------------------------------
// Declaration

void CBaseEffect::SetParameterInfo(int id, int curve, const char* name, float min, float max,
                                   float defaultValue, PARAM_DECORATOR decorator,
                                   float smoothingMs, float power)
{
    if (!IsValidId(id))
        return;
    PARAMETER_INFO& info = m_parameters[id];
    info.curve = curve;
    // Redeclaration usually keeps the name: writing only on a change keeps a
    // concurrent reader of the name from seeing a write at all.
    char newName[kParamNameSize] = {};
    if (name)
        std::strncpy(newName, name, kParamNameSize - 1);
    if (std::memcmp(info.name, newName, kParamNameSize) != 0)
        std::memcpy(info.name, newName, kParamNameSize);
    info.min = min;
    info.max = max;
    info.defaultValue = defaultValue;
    info.smoothingTime = smoothingMs;
    info.power = power;
    info.decorator = decorator;
    const float range = max - min;
    info.range = range;
    info.inverseRange = range != 0.0f ? 1.0f / range : 0.0f;
    if (curve == kCurveLogarithmic || curve == kCurveOctave)
    {
        const float logRange = std::log(range + 1.0f);
        info.logRange = logRange;
        info.inverseLogRange = logRange != 0.0f ? 1.0f / logRange : 0.0f;
        const float octaves = (min > 0.0f) ? std::log(max / min) * kLog2E : 0.0f;
        info.octaves = octaves;
        info.inverseOctaves = octaves != 0.0f ? 1.0f / octaves : 0.0f;
    }
    // Last, so that the derived values use the new curve.
    StoreValue(id, defaultValue);
    UpdateSmoothingCoefficients(id);
    OnSetParameter(id, defaultValue);
}

PARAMETER_INFO* CBaseEffect::GetParameterInfo(int id)
{
    return IsValidId(id) ? &m_parameters[id] : nullptr;
}

void CBaseEffect::GetParameterName(int id, char* text)
{
    if (!text)
        return;
    std::memset(text, 0, kParamNameSize);
    if (!IsValidId(id))
        return;
    // Names are at most 23 characters, so the copy stays terminated.
    std::memcpy(text, m_parameters[id].name, kParamNameSize - 1);
}

void CBaseEffect::GetParameterTextValue(int id, char* text)
{
    if (!text)
        return;
    std::memset(text, 0, kParamNameSize);
    if (!IsValidId(id))
        return;
    const PARAMETER_INFO& info = m_parameters[id];
    const float value = info.value;
    const PARAM_DECORATOR decorator = info.decorator;
    if (decorator)
    {
        const std::string shown = decorator(this, value);
        std::strncpy(text, shown.c_str(), kParamNameSize - 1);
    }
    else
    {
        std::snprintf(text, kParamNameSize, "%.2f", static_cast<double>(value));
    }
}

// ---------------------------------------------------------------------------------------------
// Curves

float CBaseEffect::CurveToScaled(const PARAMETER_INFO& info, float v) noexcept
{
    const float min = info.min;
    switch (static_cast<int>(info.curve))
    {
    case kCurveLinear:
        return (v - min) * info.inverseRange;
    case kCurveLogarithmic:
        return std::log(1.0f - min + v) * info.inverseLogRange;
    case kCurveOctave:
        return std::log(v / min) * kLog2E * info.inverseOctaves;
    case kCurvePower:
        return std::pow((v - min) * info.inverseRange, 1.0f / info.power);
    case kCurveStepped:
        return (std::clamp(v, min, static_cast<float>(info.max)) - min) * info.inverseRange;
    default:
        return 0.0f;
    }
}

namespace
{
// NaN compares false both ways and would pass a clamp: it reads as 0.
inline float ClampUnit(float y) noexcept
{
    if (!(y >= 0.0f))
        return 0.0f;
    return y > 1.0f ? 1.0f : y;
}
} // namespace

void CBaseEffect::StoreValue(int id, float unscaled) noexcept
{
    PARAMETER_INFO& info = m_parameters[id];
    const bool single = !IsLoadingState();
    // Stamped before the value moves: a snapshot taken from here on holds this value or
    // gives way to it.
    if (single)
        m_valueStamps[id].store(m_writeClock.fetch_add(1, std::memory_order_relaxed) + 1,
                                std::memory_order_relaxed);
    // A reader on the other thread may see the new value with derived values of the
    // previous one for a single read; each field on its own is always whole.
    info.value = unscaled;
    const float scaled = CurveToScaled(info, unscaled);
    const float clamped = ClampUnit(scaled);
    info.scaled = scaled;
    info.scaledClamped = clamped;
    info.unscaledOfClamped = CurveToUnscaled(info, clamped);
    if (!single)
        return;
    AUDIO_VIEW& view = m_audioView[id];
    view.curve = static_cast<float>(static_cast<int>(info.curve));
    view.min = info.min;
    view.range = info.range;
    view.logRange = info.logRange;
    view.octaves = info.octaves;
    view.power = info.power;
    view.scaled = scaled;
    view.scaledClamped = clamped;
    view.unscaledOfClamped = info.unscaledOfClamped;
}

// ---------------------------------------------------------------------------------------------
// Whole-state loads

CBaseEffect::CStateLoad::CStateLoad(CBaseEffect& effect)
    : m_effect(effect), m_lock(effect.m_accessLock), m_outer(t_loadingEffect)
{
    t_loadingEffect = &effect;
}

CBaseEffect::CStateLoad::~CStateLoad()
{
    t_loadingEffect = m_outer;
    if (m_outer != &m_effect)
        m_effect.PublishState();
}

bool CBaseEffect::IsLoadingState() const noexcept
{
    return t_loadingEffect == this;
}

void CBaseEffect::PublishState()
{
    STATE_SNAPSHOT& snapshot = m_stateHandover.GetBack();
    // Before any value is taken: a single write stamped after this is newer than the copy.
    snapshot.clock = m_writeClock.load(std::memory_order_relaxed);
    for (int id = 0; id < kNumParameters; ++id)
    {
        const PARAMETER_INFO& info = m_parameters[id];
        PARAM_VALUE_VIEW<float>& view = snapshot.values[id];
        view.curve = static_cast<float>(static_cast<int>(info.curve));
        view.min = info.min;
        view.range = info.range;
        view.logRange = info.logRange;
        view.octaves = info.octaves;
        view.power = info.power;
        view.scaled = info.scaled;
        view.scaledClamped = info.scaledClamped;
        view.unscaledOfClamped = info.unscaledOfClamped;
    }
    size_t bytes = 0;
    for (const CRawParameterBlock& block : m_rawBlocks)
        bytes += static_cast<size_t>(block.size);
    // Sized here, on the loading thread: the audio thread only copies out of it.
    snapshot.rawBytes.resize(bytes);
    snapshot.rawSequences.resize(m_rawBlocks.size());
    size_t offset = 0;
    for (size_t i = 0; i < m_rawBlocks.size(); ++i)
    {
        const CRawParameterBlock& block = m_rawBlocks[i];
        if (block.size > 0)
            std::memcpy(snapshot.rawBytes.data() + offset, block.handover->GetShared(),
                        static_cast<size_t>(block.size));
        snapshot.rawSequences[i] = block.handover->GetWriteSequence();
        offset += static_cast<size_t>(block.size);
    }
    m_stateHandover.Publish();
}

void CBaseEffect::ApplyNewestState() noexcept
{
    const STATE_SNAPSHOT* snapshot = m_stateHandover.TakeNewest();
    if (!snapshot)
        return;
    for (int id = 0; id < kNumParameters; ++id)
    {
        // Written on its own since the snapshot was taken: that value is the newer one.
        if (m_valueStamps[id].load(std::memory_order_relaxed) > snapshot->clock)
            continue;
        const PARAM_VALUE_VIEW<float>& from = snapshot->values[id];
        AUDIO_VIEW& view = m_audioView[id];
        view.curve = from.curve;
        view.min = from.min;
        view.range = from.range;
        view.logRange = from.logRange;
        view.octaves = from.octaves;
        view.power = from.power;
        view.scaled = from.scaled;
        view.scaledClamped = from.scaledClamped;
        view.unscaledOfClamped = from.unscaledOfClamped;
    }
    // Blocks registered after the snapshot was taken are not in it.
    const size_t count = snapshot->rawSequences.size() < m_rawBlocks.size()
                             ? snapshot->rawSequences.size()
                             : m_rawBlocks.size();
    size_t offset = 0;
    for (size_t i = 0; i < count; ++i)
    {
        CRawParameterBlock& block = m_rawBlocks[i];
        if (block.size > 0 && offset + static_cast<size_t>(block.size) <= snapshot->rawBytes.size())
            block.handover->Adopt(snapshot->rawBytes.data() + offset, snapshot->rawSequences[i]);
        offset += static_cast<size_t>(block.size);
    }
}

float CBaseEffect::ScaledValueToUnscaled(int id, float scaled) const noexcept
{
    return IsValidId(id) ? CurveToUnscaled(m_parameters[id], scaled) : 0.0f;
}

float CBaseEffect::UnscaledValueToScaled(int id, float unscaled) const noexcept
{
    return IsValidId(id) ? CurveToScaled(m_parameters[id], unscaled) : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Values

void CBaseEffect::SetParameterScaled(int id, float scaled)
{
    if (IsValidId(id))
        StoreValue(id, CurveToUnscaled(m_parameters[id], scaled));
}

void CBaseEffect::SetParameterUnscaled(int id, float unscaled)
{
    if (IsValidId(id))
        StoreValue(id, unscaled);
}

void CBaseEffect::ResetParameter(int id)
{
    if (!IsValidId(id))
        return;
    const float defaultValue = m_parameters[id].defaultValue;
    StoreValue(id, defaultValue);
    OnSetParameter(id, defaultValue);
}

void CBaseEffect::RefreshParameter(int id, float scaled)
{
    if (!IsValidId(id))
        return;
    SetParameterScaled(id, scaled);
    const float y = GetParameterScaled(id, false, false, 0);
    if (m_editor)
        m_editor->OnSetParameter(id, y);
    OnSetParameter(id, y);
}

void CBaseEffect::UpdateParameter(int id, float scaled)
{
    if (!m_wrapper || !IsValidId(id))
        return;
    m_wrapper->setParameter(id, scaled);
}

void CBaseEffect::SetParameterLock(int id, bool locked)
{
    if (IsValidId(id))
        m_parameters[id].locked = locked;
}

bool CBaseEffect::GetParameterLock(int id)
{
    return IsValidId(id) && m_parameters[id].locked;
}

// ---------------------------------------------------------------------------------------------
// Host relays

void CBaseEffect::HostBeginEdit(int id)
{
    // The value from before the gesture; the undo step is recorded at its end, and only
    // when the gesture changed something (a click that leaves a knob where it was is no
    // step and keeps the redo list). An inner bracket on the same id keeps the outer start.
    if (IsValidId(id) && m_editDepth[id]++ == 0)
        m_editStart[id] = GetParameterScaled(id, false, false, 0);
    if (m_wrapper)
        m_wrapper->HostBeginEdit(id);
}

void CBaseEffect::HostEndEdit(int id)
{
    if (IsValidId(id) && m_editDepth[id] > 0 && --m_editDepth[id] == 0 && m_actionStack &&
        GetParameterScaled(id, false, false, 0) != m_editStart[id])
        m_actionStack->AddParameterChange(id, m_editStart[id]);
    if (m_wrapper)
        m_wrapper->HostEndEdit(id);
}

void CBaseEffect::HostSetParameterAutomated(int id, float value)
{
    if (m_wrapper)
        m_wrapper->HostSetParameterAutomated(id, value);
}

void CBaseEffect::HostAnnounceParameter(int id)
{
    if (!IsValidId(id))
        return;
    HostBeginEdit(id);
    HostSetParameterAutomated(id, GetParameterScaled(id, false, false, 0));
    HostEndEdit(id);
}

void CBaseEffect::RequestUpdateDisplay()
{
    if (m_wrapper)
        m_wrapper->updateDisplay();
}

bool CBaseEffect::ResizeWindow(int width, int height)
{
    if (!m_editor || !m_editor->HasOpenFrame())
        return false;
    if (m_wrapper)
    {
        char sizeWindow[] = "sizeWindow";
        if (m_wrapper->canHostDo(sizeWindow) <= 0)
            return false;
        m_wrapper->sizeWindow(width, height);
    }
    return m_editor->SetFrameSize(width, height);
}

std::string CBaseEffect::GetCurrentProgramName()
{
    const char* path = m_currentPresetPath;
    const char* start = path;
    for (const char* p = path; *p; ++p)
    {
        if (*p == '/' || *p == '\\')
            start = p + 1;
    }
    std::string name(start);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

// ---------------------------------------------------------------------------------------------
// Engine state

void CBaseEffect::UpdateSmoothingCoefficients(int id)
{
    // One filter step per 16-sample sub-block: b = e^(-2 pi / (T * 0.0625 * 0.001 * rate)).
    const float timeMs = m_parameters[id].smoothingTime;
    const float stepsPerPeriod = timeMs * (1.0f / kSubBlockSize) * 0.001f * m_sampleRate;
    const float b = stepsPerPeriod > 0.0f ? std::exp(-kTwoPi / stepsPerPeriod) : 0.0f;
    m_smoothers[id].b = b;
    m_smoothers[id].a = 1.0f - b;
}

void CBaseEffect::SetSampleRate(float sampleRate)
{
    m_sampleRate = sampleRate;
    for (int id = 0; id < kNumParameters; ++id)
        UpdateSmoothingCoefficients(id);
}

void CBaseEffect::SetBlockSize(int blockSize)
{
    m_blockSize = blockSize;
}

void CBaseEffect::SetHostTempo(float tempoBpm)
{
    m_hostTempo = tempoBpm;
}

void CBaseEffect::SetHostSamplePos(float samplePos)
{
    m_hostSamplePos = samplePos;
}

void CBaseEffect::OnTransportStart()
{
    m_transportPlaying = true;
}

void CBaseEffect::OnTransportStop()
{
    m_transportPlaying = false;
}

bool CBaseEffect::IsTransportPlaying()
{
    return m_transportPlaying;
}

void CBaseEffect::PreProcess(int /*numSamples*/) noexcept
{
    for (int id = 0; id < kNumParameters; ++id)
        m_modulation[id] = GetParameterModulation(id);
}

// ---------------------------------------------------------------------------------------------
// Raw parameter blocks

void CBaseEffect::IndexRawParameterBlocks()
{
    m_rawBlockPlaces.clear();
    if (m_rawBlocks.empty())
        return;
    long long first = m_rawBlocks.front().id;
    long long last = first;
    for (const CRawParameterBlock& block : m_rawBlocks)
    {
        first = block.id < first ? block.id : first;
        last = block.id > last ? block.id : last;
    }
    // A compact range of ids only (registration ids are small and close together).
    if (last - first >= 4096)
        return;
    m_rawBlockFirstId = first;
    m_rawBlockPlaces.assign(static_cast<size_t>(last - first + 1), -1);
    for (size_t i = 0; i < m_rawBlocks.size(); ++i)
    {
        int& place = m_rawBlockPlaces[static_cast<size_t>(m_rawBlocks[i].id - first)];
        if (place < 0 && m_rawBlocks[i].size > 0)
            place = static_cast<int>(i);
    }
}

CRawParameterBlock* CBaseEffect::FindRawParameterBlock(int id) noexcept
{
    // The place table answers at once for the ids it covers.
    const long long slot = static_cast<long long>(id) - m_rawBlockFirstId;
    if (slot >= 0 && slot < static_cast<long long>(m_rawBlockPlaces.size()))
    {
        const int place = m_rawBlockPlaces[static_cast<size_t>(slot)];
        if (place >= 0)
        {
            CRawParameterBlock& block = m_rawBlocks[static_cast<size_t>(place)];
            if (block.id == id && block.size > 0)
                return &block;
        }
    }
    for (auto& block : m_rawBlocks)
    {
        if (block.id == id && block.size > 0)
            return &block;
    }
    return nullptr;
}

void CBaseEffect::AddRawParameterBlock(int id, int size)
{
    if (size < 0)
        return;
    CRawParameterBlock block;
    block.id = id;
    block.size = size;
    block.handover = new CRawBlockHandover(size);
    block.data = const_cast<uint8_t*>(block.handover->GetShared());
    {
        CAccessLock::CScoped lock(m_accessLock);
        m_rawBlocks.push_back(block);
        IndexRawParameterBlocks();
        ResetRawParameterBlock(id);
    }
    // Registration happens before any audio: the audio thread's copy starts complete.
    block.handover->Synchronise();
}

const uint8_t* CBaseEffect::GetRawParameterBlock(int id)
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    return block ? block->data : nullptr;
}

int CBaseEffect::GetRawParameterBlockSize(int id)
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    return block ? block->size : 0;
}

void CBaseEffect::SetRawParameterBlock(int id, const void* data)
{
    if (!data)
        return;
    CAccessLock::CScoped lock(m_accessLock);
    WriteRawParameterBlock(id, data);
}

void CBaseEffect::WriteRawParameterBlock(int id, const void* data)
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    if (!block)
        return;
    if (IsLoadingState())
        block->handover->WriteHeld(data);
    else
        block->handover->Write(data);
}

const uint8_t* CBaseEffect::GetRawParameterBlockSnapshot(int id) noexcept
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    return block ? block->handover->Read() : nullptr;
}

const uint8_t* CBaseEffect::GetRawParameterBlockSnapshot(int id, uint32_t& sequence) noexcept
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    if (!block)
        return nullptr;
    const uint8_t* data = block->handover->Read();
    sequence = block->handover->GetReadSequence();
    return data;
}

void CBaseEffect::ResetRawParameterBlock(int id)
{
    CAccessLock::CScoped lock(m_accessLock);
    WriteRawParameterBlock(id, nullptr);
}

// ---------------------------------------------------------------------------------------------
// MIDI controllers

void CBaseEffect::OnMidiCC(int controller, float value)
{
    if (controller < 0 || controller >= kNumMidiControllers)
        return;
    m_midiValues[controller] = value;
    const int target = m_midiLearnTarget;
    if (IsValidId(target))
    {
        const int previous = m_midiMap[controller];
        if (IsValidId(previous))
            RemoveAssignedMidiCC(previous);
        m_midiMap[controller] = target;
        m_midiLearnTarget = -1;
    }
    const int id = m_midiMap[controller];
    if (IsValidId(id) && m_wrapper)
        m_wrapper->setParameter(id, value);
}

int CBaseEffect::ActivateMidiLearn(int id, bool on)
{
    m_midiLearnTarget = on ? id : -1;
    return m_midiLearnTarget;
}

int CBaseEffect::IsMidiLearnActive()
{
    return m_midiLearnTarget;
}

int CBaseEffect::GetAssignedMidiCC(int id)
{
    if (!IsValidId(id))
        return -1;
    for (int controller = 0; controller < kNumMidiControllers; ++controller)
    {
        if (m_midiMap[controller] == id)
            return controller;
    }
    return -1;
}

void CBaseEffect::RemoveAssignedMidiCC(int id)
{
    for (auto& entry : m_midiMap)
    {
        if (entry == id)
            entry = -1;
    }
}

void CBaseEffect::ResetMidiMap()
{
    for (auto& entry : m_midiMap)
        entry = -1;
}

int CBaseEffect::GetMidiMapEntry(int controller) const
{
    if (controller < 0 || controller >= kNumMidiControllers)
        return -1;
    return m_midiMap[controller];
}

bool CBaseEffect::SaveMidiMap(const char* path)
{
    if (!path || !*path)
        return false;
    int32_t map[kNumMidiControllers];
    for (int controller = 0; controller < kNumMidiControllers; ++controller)
        map[controller] = m_midiMap[controller];
    const std::vector<uint8_t> bytes = MidiMapFile::Build(map);
    return FileUtils::WriteFileReplacing(path, bytes.data(), bytes.size());
}

bool CBaseEffect::LoadMidiMap(const char* path)
{
    if (!path || !*path)
        return false;
    // One byte more than a map file: a longer file is no map file either.
    std::vector<uint8_t> bytes;
    if (!FileUtils::ReadFile(path, bytes, MidiMapFile::kFileSize + 1))
        return false;
    int32_t map[kNumMidiControllers];
    if (!MidiMapFile::Parse(bytes.data(), bytes.size(), kNumParameters, map))
        return false;
    for (int controller = 0; controller < kNumMidiControllers; ++controller)
        m_midiMap[controller] = map[controller];
    return true;
}

// ---------------------------------------------------------------------------------------------
// State chunk and preset files
//
// Little-endian, IEEE single floats, no padding:
//   0     uint32      magic 0x4D767851 ('MvxQ')
//   4     int32       version (written: 1140)
//   8     char[2048]  current preset path, terminated and zero-filled
//   2056  int32[128]  MIDI map: parameter id per controller, -1 = none (host chunk only)
//   then  float[312]  unscaled parameter values in id order (the product's versions
//                     before 1100 stored fewer)
//   then  per registered raw block, in registration order:
//         int32 marker (1, ignored on reading), int32 id, int32 size, size bytes.

void CBaseEffect::GetChunk(void** data, int* size, bool isPreset)
{
    if (!data || !size)
        return;
    CAccessLock::CScoped lock(m_accessLock);
    m_chunkBuffer.clear();
    CByteWriter writer(m_chunkBuffer);
    writer.WriteUInt32(kChunkMagic);
    writer.WriteInt32(kChunkVersion);
    writer.WriteBytes(m_currentPresetPath, kPresetPathSize);
    if (!isPreset)
    {
        for (const auto& entry : m_midiMap)
            writer.WriteInt32(entry);
    }
    for (const PARAMETER_INFO& info : m_parameters)
        writer.WriteFloat(info.value);
    for (const CRawParameterBlock& block : m_rawBlocks)
    {
        writer.WriteInt32(kBlockRecordMarker);
        writer.WriteInt32(block.id);
        writer.WriteInt32(block.size);
        writer.WriteBytes(block.data, static_cast<size_t>(block.size));
    }
    *data = m_chunkBuffer.data();
    *size = static_cast<int>(m_chunkBuffer.size());
}

void CBaseEffect::SetChunk(const void* data, int size, bool isPreset)
{
    CByteReader reader(data, size > 0 ? static_cast<size_t>(size) : 0);
    int32_t version = 0;
    if (!ReadChunkHeader(reader, version))
        return;
    ReadChunkPath(reader, isPreset);
    {
        CStateLoad load(*this);
        ReadChunkMidiMap(reader, isPreset);
        ReadChunkValues(reader, GetChunkValueCount(version));
        ReadChunkBlocks(reader);
        OnChunkRead(version);
    }
    AnnounceNewState();
}

bool CBaseEffect::ReadChunkHeader(CByteReader& reader, int32_t& version)
{
    uint32_t magic = 0;
    return reader.ReadUInt32(magic) && magic == kChunkMagic && reader.ReadInt32(version);
}

void CBaseEffect::ReadChunkPath(CByteReader& reader, bool isPreset)
{
    char path[kPresetPathSize];
    if (!reader.ReadBytes(path, sizeof(path)) || isPreset)
        return;
    // The stored text need not be terminated.
    path[kPresetPathSize - 1] = 0;
    SetCurrentPresetPath(path);
}

void CBaseEffect::ReadChunkMidiMap(CByteReader& reader, bool isPreset)
{
    if (isPreset)
        return;
    for (auto& entry : m_midiMap)
    {
        int32_t id = 0;
        if (!reader.ReadInt32(id))
            return;
        entry = IsValidId(id) ? id : -1;
    }
}

void CBaseEffect::ReadChunkValues(CByteReader& reader, int count)
{
    for (int id = 0; id < count && id < kNumParameters; ++id)
    {
        float value = 0.0f;
        if (!reader.ReadFloat(value))
            return;
        PARAMETER_INFO& info = m_parameters[id];
        if (info.locked)
            continue;
        // The range is read now: a switch read before may have redeclared this parameter.
        const float min = info.min;
        const float max = info.max;
        if (!std::isfinite(value))
            value = info.defaultValue;
        else if (value < min)
            value = min;
        else if (value > max)
            value = max;
        StoreValue(id, value);
        OnSetParameter(id, value);
    }
}

void CBaseEffect::ReadChunkBlocks(CByteReader& reader)
{
    for (;;)
    {
        int32_t marker = 0;
        int32_t id = 0;
        int32_t size = 0;
        if (!reader.ReadInt32(marker) || !reader.ReadInt32(id) || !reader.ReadInt32(size))
            return;
        if (size < 0 || static_cast<size_t>(size) > reader.GetRemaining())
            return; // a broken record: nothing after it can be trusted
        CRawParameterBlock* block = FindRawParameterBlock(id);
        if (block && block->size == size)
            WriteRawParameterBlock(id, reader.GetCurrent());
        reader.Skip(static_cast<size_t>(size));
    }
}

void CBaseEffect::AnnounceNewState()
{
    if (m_editor)
        m_editor->UpdateAllControls();
    // While the product is still being built, its adapter does not hold it yet and
    // the host does not know the plug-in: it learns every value when it asks.
    if (m_wrapper && m_wrapper->GetBaseEffect() != this)
        return;
    for (int id = 0; id < kNumParameters; ++id)
        HostSetParameterAutomated(id, GetParameterScaled(id, false, false, 0));
    RequestUpdateDisplay();
}

void CBaseEffect::SetCurrentPresetPath(const char* path)
{
    CAccessLock::CScoped lock(m_accessLock);
    std::memset(m_currentPresetPath, 0, sizeof(m_currentPresetPath));
    size_t length = 0;
    while (path && length < kPresetPathSize - 1 && path[length])
        ++length;
    if (length)
        std::memcpy(m_currentPresetPath, path, length);
}

bool CBaseEffect::LoadPreset(const char* path)
{
    if (!path || !*path)
        return false;
    std::vector<uint8_t> bytes;
    if (!FileUtils::ReadFile(path, bytes, kMaxPresetFileSize))
        return false;
    // A file of another kind changes nothing, not even the preset name.
    CByteReader header(bytes.data(), bytes.size());
    int32_t version = 0;
    if (!ReadChunkHeader(header, version))
        return false;
    SetCurrentPresetPath(path);
    SetChunk(bytes.data(), static_cast<int>(bytes.size()), true);
    return true;
}

bool CBaseEffect::SavePreset(const char* path)
{
    void* data = nullptr;
    int size = 0;
    GetChunk(&data, &size, true);
    if (!path || !*path || !PresetFileWriter::Write(path, data, static_cast<size_t>(size)))
    {
        AlertDialog("File cannot be saved",
                    "The file has not been saved, please check if you have sufficient "
                    "permissions to create files in the specified location",
                    false);
        return false;
    }
    SetCurrentPresetPath(path);
    RequestUpdateDisplay();
    return true;
}

void CBaseEffect::ResetPreset()
{
    {
        CStateLoad load(*this);
        for (int id = 0; id < kNumParameters; ++id)
        {
            if (m_parameters[id].locked)
                continue;
            const float defaultValue = m_parameters[id].defaultValue;
            StoreValue(id, defaultValue);
            OnSetParameter(id, defaultValue);
        }
        for (size_t i = 0; i < m_rawBlocks.size(); ++i)
            ResetRawParameterBlock(m_rawBlocks[i].id);
    }
    // Cleared before the editor re-reads it, so that it shows no preset name.
    SetCurrentPresetPath(nullptr);
    AnnounceNewState();
}

// ---------------------------------------------------------------------------------------------
// Undo

void CBaseEffect::Undo()
{
    if (m_actionStack)
        m_actionStack->Undo();
}

void CBaseEffect::Redo()
{
    if (m_actionStack)
        m_actionStack->Redo();
}

int CBaseEffect::GetUndoCount()
{
    return m_actionStack ? m_actionStack->GetUndoCount() : 0;
}

int CBaseEffect::GetRedoCount()
{
    return m_actionStack ? m_actionStack->GetRedoCount() : 0;
}

void CBaseEffect::AddUndoItem(IActionItem* item)
{
    if (m_actionStack)
        m_actionStack->AddActionItem(item);
    else
        delete item;
}
