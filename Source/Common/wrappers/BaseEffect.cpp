#include "BaseEffect.h"

#include "BaseEditor.h"
#include "VSTwrapper/VstWrapper.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float kTwoPi = 6.28318530717958647692f;
constexpr float kLog2E = 1.442695f; // log2(x) = ln(x) * log2(e)
constexpr float kSmoothingSnap = 1e-5f;
constexpr float kDenormalFloor = 1e-20f;
constexpr int kSubBlockSize = 16;

float Truncate(float x)
{
    return static_cast<float>(static_cast<int>(x));
}
} // namespace

CBaseEffect::CBaseEffect(CVstWrapper* wrapper) : m_wrapper(wrapper)
{
    for (auto& entry : m_midiMap)
        entry = -1;
    for (auto& value : m_midiValues)
        value = 0.0f;
    for (int id = 0; id < kNumParameters; ++id)
        UpdateSmoothingCoefficients(id);
}

CBaseEffect::~CBaseEffect()
{
    for (auto& block : m_rawBlocks)
        delete[] block.data;
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
    info.value = defaultValue;
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

float CBaseEffect::CurveToUnscaled(const PARAMETER_INFO& info, float x) noexcept
{
    const float min = info.min;
    switch (static_cast<int>(info.curve))
    {
    case kCurveLinear:
        return min + info.range * x;
    case kCurveLogarithmic:
        return min + std::exp(x * info.logRange) - 1.0f;
    case kCurveOctave:
        return min * std::exp2(x * info.octaves);
    case kCurvePower:
        return min + info.range * std::pow(x, static_cast<float>(info.power));
    case kCurveStepped:
        // range + 0.99 steps: x = 1 reaches max and every step is reachable.
        return Truncate(min + Truncate((info.range + 0.99f) * x));
    default:
        return 0.0f;
    }
}

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
        m_parameters[id].value = CurveToUnscaled(m_parameters[id], scaled);
}

void CBaseEffect::SetParameterUnscaled(int id, float unscaled)
{
    if (IsValidId(id))
        m_parameters[id].value = unscaled;
}

float CBaseEffect::GetParameterScaled(int id, bool smooth, bool modulated, int sampleIndex) noexcept
{
    if (!IsValidId(id))
        return 0.0f;
    const PARAMETER_INFO& info = m_parameters[id];
    float y = CurveToScaled(info, info.value);
    if (smooth)
    {
        PARAM_SMOOTHER& smoother = m_smoothers[id];
        float s = smoother.state;
        if (std::fabs(s) < kDenormalFloor)
            s = 0.0f;
        if (std::fabs(y - s) >= kSmoothingSnap)
        {
            s = smoother.a * y + smoother.b * s;
            y = s;
        }
        smoother.state = s;
    }
    if (modulated)
    {
        const PARAM_MODULATION* modulation = m_modulation[id];
        if (modulation)
        {
            for (int i = 0; i < modulation->count; ++i)
                y += modulation->buffers[i][sampleIndex] * modulation->depths[i];
        }
    }
    // NaN compares false both ways and would pass a clamp: it reads as 0.
    if (!(y >= 0.0f))
        return 0.0f;
    return y > 1.0f ? 1.0f : y;
}

float CBaseEffect::GetParameterUnscaled(int id, bool smooth, bool modulated,
                                        int sampleIndex) noexcept
{
    if (!IsValidId(id))
        return 0.0f;
    return CurveToUnscaled(m_parameters[id], GetParameterScaled(id, smooth, modulated, sampleIndex));
}

void CBaseEffect::ResetParameter(int id)
{
    if (!IsValidId(id))
        return;
    const float defaultValue = m_parameters[id].defaultValue;
    m_parameters[id].value = defaultValue;
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
    if (m_wrapper)
        m_wrapper->HostBeginEdit(id);
}

void CBaseEffect::HostEndEdit(int id)
{
    if (m_wrapper)
        m_wrapper->HostEndEdit(id);
}

void CBaseEffect::HostSetParameterAutomated(int id, float value)
{
    if (m_wrapper)
        m_wrapper->HostSetParameterAutomated(id, value);
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

CRawParameterBlock* CBaseEffect::FindRawParameterBlock(int id)
{
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
    block.data = new uint8_t[static_cast<size_t>(size)]();
    {
        CAccessLock::CScoped lock(m_accessLock);
        m_rawBlocks.push_back(block);
        ResetRawParameterBlock(id);
    }
}

uint8_t* CBaseEffect::GetRawParameterBlock(int id)
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
    CRawParameterBlock* block = FindRawParameterBlock(id);
    if (block)
        std::memcpy(block->data, data, static_cast<size_t>(block->size));
}

void CBaseEffect::ResetRawParameterBlock(int id)
{
    CRawParameterBlock* block = FindRawParameterBlock(id);
    if (block)
        std::memset(block->data, 0, static_cast<size_t>(block->size));
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
