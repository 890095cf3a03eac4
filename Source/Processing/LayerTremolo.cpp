#include "LayerTremolo.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Modulators/StepClock.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <cmath>

using namespace MorvexParam;

namespace
{
// 10^(3/20) - 1: the make-up gain adds 3 dB at full depth.
constexpr float kMakeupGain = 0.41253757f;
// The modulation buffers hold one engine sub-block.
constexpr int kBufferSamples = 16;
// Fastest pan-flip cycle: two samples (guards a 0 ms speed or an infinite tempo).
constexpr float kMaxPhaseIncrement = 0.5f;
} // namespace

CLayerTremolo::CLayerTremolo(CBaseEffect* owner, int layer, bool isMaster)
    : CLayerEffect(owner, layer), m_isMaster(isMaster)
{
}

void CLayerTremolo::SetSampleRate(float sampleRate)
{
    m_sampleRate = sampleRate;
    for (CPanFlip& panFlip : m_panFlips)
        panFlip.SetSampleRate(sampleRate);
}

void CLayerTremolo::SetHostSamplePos(float samplePos)
{
    m_hostSamplePos = samplePos;
    for (CPanFlip& panFlip : m_panFlips)
        panFlip.SetHostSamplePos(samplePos);
}

void CLayerTremolo::Reset()
{
    for (CPanFlip& panFlip : m_panFlips)
        panFlip.Reset();
}

bool CLayerTremolo::Applies(int dst) const noexcept
{
    if (m_isMaster)
        return dst == 0;
    return dst == m_layer + 1;
}

void CLayerTremolo::Process(float* left, float* right, int count) noexcept
{
    if (!left || !right || count <= 0)
        return;
    const float sampleRate = m_sampleRate > 0.0f ? m_sampleRate : 44100.0f;
    for (int i = 0; i < kNumModulators; ++i)
    {
        const float dstValue = ParamRead::ModulatedUnits(*m_owner, kModTremoloDst + i);
        const int dst = (dstValue >= 0.0f && dstValue < 3.0f) ? static_cast<int>(dstValue) : -1;
        // Only the instance that applies the modulator reads its smoothed depth and flip
        // amount: each smoothed read advances the parameter's 50 ms filter by one
        // 16-sample step, and three instances reading it would triple its speed.
        if (!Applies(dst))
            continue;
        const float* buffer = m_owner->GetModulationBuffer(i);
        if (!buffer)
            return;
        const float depth = std::sqrt(ParamRead::Smoothed(*m_owner, kModTremolo + i));
        const float flip = std::sqrt(ParamRead::Smoothed(*m_owner, kModPanFlip + i));
        const float speed = ParamRead::ModulatedUnits(*m_owner, kModSpeed + i);
        const float smooth = ParamRead::Modulated(*m_owner, kModSmooth + i);
        const bool sync = ParamRead::Switch(*m_owner, kModSync + i);

        ParamInterpolator& depthRamp = m_depthRamps[i];
        ParamInterpolator& flipRamp = m_flipRamps[i];
        CPanFlip& panFlip = m_panFlips[i];
        panFlip.SetSmooth(smooth);

        // Free: one full left-right cycle per `speed` ms. Synced: one side change per note
        // length, i.e. half a cycle per note.
        INCREMENT& cached = m_increments[i];
        if (sync != cached.sync || !(speed == cached.speed) || !(m_hostTempo == cached.tempo) ||
            sampleRate != cached.rate)
        {
            const float noteSeconds = StepClock::StepUnitSeconds(sync, speed, m_hostTempo);
            float increment = (sync ? 0.5f : 1.0f) / (noteSeconds * sampleRate);
            if (!(increment <= kMaxPhaseIncrement))
                increment = kMaxPhaseIncrement;
            cached = INCREMENT{sync, speed, m_hostTempo, sampleRate, increment};
        }
        const float increment = cached.increment;

        if (depth == 0.0f && flip == 0.0f && depthRamp.GetCurrent() == 0.0f &&
            flipRamp.GetCurrent() == 0.0f)
        {
            // Depth and flip at 0 for the whole block: gain 1, amount 0 and make-up 1 leave
            // every sample as it is; only the flip's phase and gains run on.
            panFlip.Advance(count, increment, sync);
            continue;
        }
        depthRamp.SetTarget(depth, count);
        flipRamp.SetTarget(flip, count);

        if (depthRamp.IsSettled() && flipRamp.IsSettled() && count <= kBufferSamples)
        {
            // Depth and flip hold still: the make-up and the gain's constant part once.
            const float d = depth;
            const float p = flip;
            const float makeup = 1.0f + kMakeupGain * EXP_TABLE.At(static_cast<int>(d * Dsp::kCurveTableScale));
            // The flip's gains first (a recurrence), then the audio in one pass, with the
            // operations of CPanFlip::Process in their order.
            float gainsLeft[kBufferSamples];
            float gainsRight[kBufferSamples];
            panFlip.Gains(count, increment, sync, gainsLeft, gainsRight);
            const float keep = 1.0f - p;
            for (int n = 0; n < count; ++n)
            {
                const float gain = buffer[n] * d + 1.0f - d;
                const float l = left[n] * gain;
                const float r = right[n] * gain;
                left[n] = (l * p * gainsLeft[n] + keep * l) * makeup;
                right[n] = (r * p * gainsRight[n] + keep * r) * makeup;
            }
            depthRamp.Finish();
            flipRamp.Finish();
            continue;
        }
        for (int n = 0; n < count; ++n)
        {
            const float d = depthRamp.Next();
            const float p = flipRamp.Next();
            const float makeup = 1.0f + kMakeupGain * EXP_TABLE.At(static_cast<int>(d * Dsp::kCurveTableScale));
            const float modulator = buffer[n < kBufferSamples ? n : kBufferSamples - 1];
            const float gain = modulator * d + 1.0f - d;
            float l = left[n] * gain;
            float r = right[n] * gain;
            panFlip.Process(l, r, increment, sync, p);
            left[n] = l * makeup;
            right[n] = r * makeup;
        }
    }
}
