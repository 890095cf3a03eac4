#include "ModulationMatrix.h"

#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/utilities/SnapSmoothing.h"
#include "Morvex.h"
#include "UndoItems.h"

#include <cmath>
#include <cstring>

using namespace MorvexParam;

namespace
{
constexpr float kTwoPi = 6.28318530717958647692f;
// The parameter smoother's snap distance and denormal floor (scaled units).

// Whole part of a stored list value (source, target, mode, number of steps); values
// outside the int range read as -1.
int Truncate(float value)
{
    if (!(value > -2147483520.0f && value < 2147483520.0f))
        return -1;
    return static_cast<int>(value);
}

float Clamp01(float value)
{
    if (!(value >= 0.0f))
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}
} // namespace

CModulationMatrix::CModulationMatrix(CBaseEffect* owner) : m_owner(owner)
{
    for (CMonoBuffer& buffer : m_buffers)
    {
        buffer.SetSamplesCount(kMinBufferSize);
        buffer.Clear();
    }
}

void CModulationMatrix::SetSampleRate(float sampleRate)
{
    if (sampleRate > 0.0f && std::isfinite(sampleRate))
        m_sampleRate = sampleRate;
    for (int i = 0; i < kNumModulators; ++i)
    {
        m_msegs[i].SetSampleRate(sampleRate);
        m_steppers[i].SetSampleRate(sampleRate);
    }
}

void CModulationMatrix::SetHostTempo(float tempoBpm)
{
    for (int i = 0; i < kNumModulators; ++i)
    {
        m_msegs[i].SetHostTempo(tempoBpm);
        m_steppers[i].SetHostTempo(tempoBpm);
    }
}

void CModulationMatrix::SetHostSamplePos(float samplePos)
{
    for (int i = 0; i < kNumModulators; ++i)
    {
        m_msegs[i].SetHostSamplePos(samplePos);
        m_steppers[i].SetHostSamplePos(samplePos);
    }
}

void CModulationMatrix::SetBlockSize(int blockSize)
{
    const int size = blockSize > kMinBufferSize ? blockSize : kMinBufferSize;
    for (CMonoBuffer& buffer : m_buffers)
    {
        if (buffer.GetSamplesCount() != size)
        {
            buffer.SetSamplesCount(size);
            buffer.Clear();
        }
    }
}

void CModulationMatrix::Reset()
{
    for (int i = 0; i < kNumModulators; ++i)
    {
        m_buffers[i].Clear();
        m_msegs[i].Reset();
        m_steppers[i].Reset();
    }
}

// ---------------------------------------------------------------------------------------------
// Audio side

void CModulationMatrix::PreProcess(int numSamples) noexcept
{
    RebuildMatrix(numSamples);
    CopyModulatorData();
}

void CModulationMatrix::AdvanceDepthSmoothing(int numSamples) noexcept
{
    const float samples = numSamples > 0 ? static_cast<float>(numSamples) : 0.0f;
    float lastTimeMs = -1.0f;
    float decay = 0.0f;
    for (int k = 0; k < kNumSlots; ++k)
    {
        const int id = kMtxDepth + k;
        const PARAMETER_INFO* info = m_owner->GetParameterInfo(id);
        const float timeMs = info ? static_cast<float>(info->smoothingTime) : 0.0f;
        if (timeMs != lastTimeMs)
        {
            // The parameter smoother takes b = e^(-2 pi / (T * 0.0625 * 0.001 * rate)) per
            // 16-sample step; a host block of n samples is n / 16 such steps:
            // b^(n / 16) = e^(-2 pi n / (T * 0.001 * rate)). Kept from the last block while
            // time, block length and rate stay.
            DECAY& cached = m_depthDecay;
            if (!(timeMs == cached.timeMs && samples == cached.samples &&
                  m_sampleRate == cached.rate))
            {
                const float periodSamples = timeMs * 0.001f * m_sampleRate;
                cached.value =
                    periodSamples > 0.0f ? std::exp(-kTwoPi * samples / periodSamples) : 0.0f;
                cached.timeMs = timeMs;
                cached.samples = samples;
                cached.rate = m_sampleRate;
            }
            decay = cached.value;
            lastTimeMs = timeMs;
        }
        const float target = m_owner->GetAudioScaled(id);
        float state = m_depthState[k];
        if (!std::isfinite(state))
            state = target;
        // The depth is kept as read: within the snap distance it becomes the target.
        m_depthState[k] = SnapSmoothing::Advance(target, state, [decay](float to, float from) {
            return to + (from - to) * decay;
        });
    }
}

void CModulationMatrix::RebuildMatrix(int numSamples) noexcept
{
    // Only the records filled last time can hold entries.
    for (int k = 0; k < m_filledCount; ++k)
        m_records[m_filled[k]].count = 0;
    m_filledCount = 0;
    for (bool& routed : m_routed)
        routed = false;
    // Every slot's depth keeps its 50 ms course whether or not the slot is in use, so a
    // slot switched on later starts from its settled depth.
    AdvanceDepthSmoothing(numSamples);

    if (!(m_owner->GetParameterScaled(kModMtxPower, false, true, 0) > 0.5f))
        return;
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (!(m_owner->GetParameterScaled(kMtxPower + k, false, true, 0) > 0.5f))
            continue;
        const int source = Truncate(m_owner->GetParameterUnscaled(kMtxSource + k, false, true, 0));
        const int target = Truncate(m_owner->GetParameterUnscaled(kMtxTarget + k, false, true, 0));
        if (source < 0 || source >= kNumModulators || !CBaseEffect::IsValidId(target))
            continue;

        // Smoothed depth plus the modulation of sample 0 appended so far in this rebuild.
        float depth = m_depthState[k];
        const PARAM_MODULATION& depthModulation = m_records[kMtxDepth + k];
        for (int e = 0; e < depthModulation.count; ++e)
            depth += depthModulation.buffers[e][0] * depthModulation.depths[e];
        depth = Clamp01(depth);

        PARAM_MODULATION& record = m_records[target];
        if (record.count >= kMaxModulationEntries)
            continue;
        const int entry = record.count;
        if (entry == 0)
            m_filled[m_filledCount++] = target;
        record.buffers[entry] = m_buffers[source].GetBuffer();
        record.depths[entry] = 2.0f * depth - 1.0f;
        record.sources[entry] = source;
        record.slots[entry] = k;
        record.count = entry + 1;
        m_routed[source] = true;
    }
}

void CModulationMatrix::CopyModulatorData() noexcept
{
    static_assert(sizeof(MSEG_POINT) == 12, "MSEG_POINT is three packed floats");
    static_assert(sizeof(STEP_RECORD) == 8, "STEP_RECORD is two packed floats");
    for (int i = 0; i < kNumModulators; ++i)
    {
        // Only a new write of a block is copied again.
        uint32_t pointsSequence = 1;
        const uint8_t* points =
            m_owner->GetRawParameterBlockSnapshot(kRawBlockMsegPoints + i, pointsSequence);
        if (points && pointsSequence != m_pointsSequence[i] &&
            m_owner->GetRawParameterBlockSize(kRawBlockMsegPoints + i) >= kRawBlockMsegPointsSize)
        {
            MSEG_POINT copy[kMsegMaxPoints];
            std::memcpy(copy, points, sizeof(copy));
            m_msegs[i].SetPoints(copy);
            m_pointsSequence[i] = pointsSequence;
        }
        uint32_t stepsSequence = 1;
        const uint8_t* steps = m_owner->GetRawParameterBlockSnapshot(kRawBlockSteps + i, stepsSequence);
        if (steps && stepsSequence != m_stepsSequence[i] && m_owner->GetRawParameterBlockSize(kRawBlockSteps + i) >= kRawBlockStepsSize)
        {
            STEP_RECORD copy[kStepperMaxSteps];
            std::memcpy(copy, steps, sizeof(copy));
            m_steppers[i].SetSteps(copy);
            m_stepsSequence[i] = stepsSequence;
        }
    }
}

void CModulationMatrix::Generate(int numSamples, unsigned otherListeners) noexcept
{
    for (int i = 0; i < kNumModulators; ++i)
    {
        float* buffer = m_buffers[i].GetBuffer();
        const int count = numSamples < m_buffers[i].GetSamplesCount()
                              ? numSamples
                              : m_buffers[i].GetSamplesCount();
        if (!buffer || count <= 0)
            continue;
        const int mode = Truncate(m_owner->GetParameterUnscaled(kModMode + i, false, true, 0));
        const int numSteps =
            Truncate(m_owner->GetParameterUnscaled(kModNumSteps + i, false, true, 0));
        const float speed = m_owner->GetParameterUnscaled(kModSpeed + i, false, true, 0);
        const bool sync = m_owner->GetParameterScaled(kModSync + i, false, true, 0) > 0.5f;
        const float smooth = m_owner->GetParameterScaled(kModSmooth + i, true, true, 0);
        const float gate = m_owner->GetParameterScaled(kModGate + i, true, true, 0);
        const float tension = m_owner->GetParameterScaled(kModTension + i, true, true, 0);
        const float shuffle = m_owner->GetParameterScaled(kModShuffle + i, true, true, 0);

        // -100 % .. 0 % .. +100 % gives a tension offset of -1 .. -0.5 .. +0.5.
        const float t = 2.0f * tension - 1.0f;
        const float offset = t >= 0.0f ? t - 0.5f : 0.5f * t - 0.5f;

        CMseg& mseg = m_msegs[i];
        mseg.SetStartHold(9.0f);
        mseg.SetSmooth(smooth);
        mseg.SetTensionOffset(offset);
        mseg.SetSpeed(speed);
        mseg.SetSync(sync);
        mseg.SetShuffle(shuffle);

        CStepper& stepper = m_steppers[i];
        stepper.SetNumSteps(numSteps);
        stepper.SetGate(gate);
        stepper.SetSmooth(smooth);
        stepper.SetSpeed(speed);
        stepper.SetSync(sync);
        stepper.SetShuffle(shuffle);

        // Only the selected generator advances; the other keeps its position.
        if (mode != 0)
            mseg.Generate(buffer, count);
        else if (m_routed[i] || (otherListeners & (1u << i)) != 0)
            stepper.Generate(buffer, count);
        else
            stepper.Advance(count);
    }
}

PARAM_MODULATION* CModulationMatrix::GetModulation(int id) noexcept
{
    return CBaseEffect::IsValidId(id) ? &m_records[id] : nullptr;
}

float* CModulationMatrix::GetModulationBuffer(int index) noexcept
{
    if (index < 0 || index >= kNumModulators)
        return nullptr;
    return m_buffers[index].GetBuffer();
}

// ---------------------------------------------------------------------------------------------
// Editing

int CModulationMatrix::ReadSlotIndex(int id)
{
    const PARAMETER_INFO* info = m_owner->GetParameterInfo(id);
    return info ? Truncate(info->value) : -1;
}

void CModulationMatrix::AddModulation(int id, int source, bool setDepth)
{
    if (!CBaseEffect::IsValidId(id) || source < 0 || source >= kNumModulators)
        return;
    m_owner->AddUndoItem(new CMatrixUndoItem(m_owner));
    int slot = -1;
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (ReadSlotIndex(kMtxSource + k) < 0 || ReadSlotIndex(kMtxTarget + k) < 0)
        {
            slot = k;
            break;
        }
    }
    if (slot < 0)
        return; // every slot in use
    m_owner->SetParameterUnscaled(kMtxSource + slot, static_cast<float>(source));
    m_owner->SetParameterUnscaled(kMtxTarget + slot, static_cast<float>(id));

    // An on/off switch gets the whole range, anything else 15 %.
    const PARAMETER_INFO* info = m_owner->GetParameterInfo(id);
    const bool isSwitch = info->curve == kCurveStepped && info->min >= 0.0f && info->max <= 1.0f;
    float amount = isSwitch ? 1.0f : 0.15f;
    if (setDepth)
    {
        // Point the depth into the range from where the value stands.
        if (m_owner->GetParameterScaled(id, false, false, 0) + amount > 1.0f)
            amount = -amount;
        m_owner->SetParameterUnscaled(kMtxDepth + slot, amount * 100.0f);
    }
    else
    {
        m_owner->SetParameterUnscaled(kMtxDepth + slot, 0.0f);
    }
    for (const int first : {kMtxSource, kMtxTarget, kMtxDepth})
        m_owner->HostAnnounceParameter(first + slot);
    if (IEffectEditor* editor = m_owner->GetEditor())
        editor->UpdateAllControls();
}

void CModulationMatrix::EnableModulations(int id, bool enable)
{
    if (!CBaseEffect::IsValidId(id))
        return;
    m_owner->AddUndoItem(new CMatrixUndoItem(m_owner));
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (ReadSlotIndex(kMtxSource + k) < 0 || ReadSlotIndex(kMtxTarget + k) != id)
            continue;
        const int powerId = kMtxPower + k;
        m_owner->SetParameterScaled(powerId, enable ? 1.0f : 0.0f);
        m_owner->HostAnnounceParameter(powerId);
        if (IEffectEditor* editor = m_owner->GetEditor())
            editor->OnSetParameter(powerId, m_owner->GetParameterScaled(powerId, false, false, 0));
    }
}

void CModulationMatrix::ClearModulations(int id)
{
    if (!CBaseEffect::IsValidId(id))
        return;
    m_owner->AddUndoItem(new CMatrixUndoItem(m_owner));
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (ReadSlotIndex(kMtxTarget + k) != id)
            continue;
        m_owner->UpdateParameter(kMtxSource + k, 0.0f); // -1, "---"
        m_owner->UpdateParameter(kMtxTarget + k, 0.0f); // -1, "---"
        m_owner->UpdateParameter(kMtxDepth + k, 0.5f);  // 0 %
        m_owner->UpdateParameter(kMtxPower + k, 1.0f);  // on
        for (const int first : {kMtxSource, kMtxTarget, kMtxDepth, kMtxPower})
            m_owner->HostAnnounceParameter(first + k);
    }
    if (IEffectEditor* editor = m_owner->GetEditor())
        editor->UpdateAllControls();
}

int CModulationMatrix::GetParamsCountForMod(int modulator)
{
    int count = 0;
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (ReadSlotIndex(kMtxSource + k) == modulator)
            ++count;
    }
    return count;
}

int CModulationMatrix::GetParamIDForMod(int modulator, int n)
{
    const int slot = GetSlotIDForMod(modulator, n);
    return slot < 0 ? -1 : ReadSlotIndex(kMtxTarget + slot);
}

int CModulationMatrix::GetSlotIDForMod(int modulator, int n)
{
    if (modulator < 0 || modulator >= kNumModulators || n < 0)
        return -1;
    for (int k = 0; k < kNumSlots; ++k)
    {
        if (ReadSlotIndex(kMtxSource + k) == modulator && n-- == 0)
            return k;
    }
    return -1;
}

float CModulationMatrix::GetCursorPos(int modulator)
{
    const int index = ClampModulator(modulator);
    const int mode = Truncate(m_owner->GetParameterUnscaled(kModMode + index, false, false, 0));
    return mode != 0 ? m_msegs[index].GetCursorPosition() : m_steppers[index].GetCursorPosition();
}
