#include "LayerFilter.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cmath>

using namespace MorvexParam;

// The ladder's per-step callback belongs inside its loop: an out-of-line call per step
// costs more than the step's own work.
#if defined(__GNUC__)
#define MORVEX_INLINE_CALLBACK __attribute__((always_inline))
#else
#define MORVEX_INLINE_CALLBACK
#endif

namespace
{
constexpr float kCutoffRange = CLayerFilter::kMaxCutoffPitch - CLayerFilter::kMinCutoffPitch;
constexpr float kInverseCutoffRange = 1.0f / kCutoffRange;
// The low-cut: a second-order high-pass of the biquad's resonant form at this resonance.
constexpr float kLowCutResonance = 0.85f;
// Level make-up of the ladder modes.
constexpr float kLadderGain = 1.5f;
constexpr float kMaxTunePitch = 170.0f;

// Frequency in Hz of a pitch in semitones: the tune table at trunc(pitch x scaler).
inline float Tune(float pitch) noexcept
{
    pitch = pitch > 0.0f ? (pitch < kMaxTunePitch ? pitch : kMaxTunePitch) : 0.0f;
    return TUNE_TABLE.At(static_cast<int>(pitch * TUNE_TABLE_SCALER));
}

// The cutoff range 20..135.2 semitones; a NaN reads as the bottom.
inline float ClampCutoffPitch(float pitch) noexcept
{
    if (!(pitch >= CLayerFilter::kMinCutoffPitch))
        return CLayerFilter::kMinCutoffPitch;
    return pitch < CLayerFilter::kMaxCutoffPitch ? pitch : CLayerFilter::kMaxCutoffPitch;
}

// A non-finite input sample is taken as silence.
inline float Finite(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}

// The cutoff pitch of sample n: the block's base plus the modulation of that sample
// in semitones (the sum of signal x depth over the routings, times the range).
inline float ModulatedPitch(float basePitch, const PARAM_MODULATION& modulation, int entries,
                            int n) noexcept
{
    float sum = 0.0f;
    for (int i = 0; i < entries; ++i)
        sum += modulation.buffers[i][n] * modulation.depths[i];
    return ClampCutoffPitch(basePitch + kCutoffRange * sum);
}
} // namespace

void CLayerFilter::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    m_inverseSampleRate = sampleRate > 0.0f ? 1.0f / sampleRate : 0.0f;
    m_pitchShifter.SetSampleRate(sampleRate);
}

void CLayerFilter::Reset()
{
    ClearStates();
    std::fill(m_dryHistory, m_dryHistory + 2 * kLatencySamples, 0.0f);
}

void CLayerFilter::ClearStates() noexcept
{
    m_lowCut.Reset();
    m_ladder.Reset();
    m_highCut.Reset();
    m_phaser.Reset();
    m_octaveBand.Reset();
    m_pitchShifter.Reset();
    m_vowel.Reset();
    m_ringMod.Reset();
    for (CHalfBandDecimator& decimator : m_decimator)
        decimator.Reset();
    m_previousLowCut[0] = m_previousLowCut[1] = 0.0f;
}

void CLayerFilter::SetCutoffPitch(float pitch, const BLOCK_SETTINGS& settings) noexcept
{
    m_cutoffPitch = pitch;
    const float u = std::clamp((pitch - kMinCutoffPitch) * kInverseCutoffRange, 0.0f, 1.0f);
    m_relativeCutoff = Tune(pitch) / m_sampleRate;
    switch (settings.mode)
    {
    case kPhaser4:
    case kPhaser8:
        m_phaser.CalcFilter(u, m_sampleRate, settings.mode == kPhaser4 ? 4 : 8);
        break;
    case kRingMod:
    case kPitchShift:
        // Fully wet from about 1.4 semitones above the bottom of the range.
        m_fade = LookupInterpolated(FASTFADEIN_TABLE, u * static_cast<float>(kFastFadeInTableSize));
        break;
    case kOctaveBand:
        m_octaveBand.CalcFilter(0.5f * m_relativeCutoff, settings.ladderResonance,
                                0.5f * m_inverseSampleRate);
        break;
    case kVowel:
        m_vowel.CalcFilter(u, settings.resonance, m_inverseSampleRate);
        break;
    default:
        m_ladder.CalcFilter(m_relativeCutoff, settings.ladderResonance, settings.mode % 3);
        break;
    }
}

void CLayerFilter::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || !(m_sampleRate > 0.0f) || !IsOn(kFilterOn))
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float cutoffBase = ParamRead::SmoothedUnmodulatedUnits(owner, kFilterCutoff + layer);
    const float lowCutPitch = ParamRead::SmoothedUnits(owner, kFilterLocut + layer);
    const float highCutPitch = ParamRead::SmoothedUnits(owner, kFilterHicut + layer);
    BLOCK_SETTINGS settings;
    settings.resonance = ParamRead::Smoothed(owner, kFilterRes + layer);
    const int mode =
        static_cast<int>(ParamRead::ModulatedUnits(owner, kFilterMode + layer));
    settings.mode = std::clamp(mode, 0, kModeCount - 1);
    const PARAM_MODULATION* modulation = owner.GetParameterModulation(kFilterCutoff + layer);
    const float mixTarget = ParamRead::Smoothed(owner, kFilterMix + layer);

    const bool ladder = settings.mode <= kBandpass24;
    const int sections = ladder && settings.mode >= kLowpass24 ? 2 : 1;
    const float q = 0.7f * settings.resonance * (sections == 2 ? 0.85f : 1.0f);
    settings.ladderResonance = 1.0f - (1.0f - q) * (1.0f - q);

    if (lowCutPitch != m_lowCutPitch || m_sampleRate != m_cutRate)
    {
        m_lowCut.CalcFilter(CBiquadFilter::kHighPass, 1, Tune(lowCutPitch), kLowCutResonance, 0.0f,
                            m_sampleRate);
        m_lowCutPitch = lowCutPitch;
    }
    if (highCutPitch != m_highCutPitch || m_sampleRate != m_cutRate)
    {
        m_highCut.SetCutoff(Tune(highCutPitch), 2.0f * m_sampleRate);
        m_highCutPitch = highCutPitch;
    }
    m_cutRate = m_sampleRate;
    m_mixRamp.SetTarget(mixTarget, count);
    m_alignRamp.SetTarget(mixTarget > 0.0f ? 1.0f : 0.0f, count);
    // Standing on their targets (nearly always) the ramps are read once for the block.
    const bool alignStill = m_alignRamp.IsSettled();
    const float alignValue = m_alignRamp.GetCurrent();
    if (alignStill)
        m_alignRamp.Finish();
    const float mixStill = m_mixRamp.IsSettled() ? m_mixRamp.GetCurrent() : -1.0f;
    if (mixStill >= 0.0f)
        m_mixRamp.Finish();

    const int entries = modulation ? std::min(modulation->count, kMaxModulationEntries) : 0;
    SetCutoffPitch(entries > 0 ? ModulatedPitch(cutoffBase, *modulation, entries, 0)
                               : ClampCutoffPitch(cutoffBase),
                   settings);

    bool corrupted = false;
    if (ladder)
    {
        // The ladder modes by stages over chunks of the block: every input of the ladder
        // (the low-cut pairs and the coefficients of each sample) is formed first, so that
        // the ladder can run its independent chains side by side.
        for (int start = 0; start < count; start += kLadderChunk)
        {
            const int n = std::min(kLadderChunk, count - start);
            corrupted |= ProcessLadder(left + start, right + start, start, n, settings,
                                       sections, cutoffBase, modulation, entries,
                                       alignStill ? alignValue : -1.0f, mixStill);
        }
        if (corrupted)
            ClearStates();
        return;
    }
    for (int n = 0; n < count; ++n)
    {
        const float mix = mixStill >= 0.0f ? mixStill : m_mixRamp.Next();
        const float inLeft = Finite(left[n]);
        const float inRight = Finite(right[n]);
        const float align = alignStill ? alignValue : m_alignRamp.Next();
        const float dryLeft = Aligned(inLeft, m_dryHistory[0], align);
        const float dryRight = Aligned(inRight, m_dryHistory[1], align);
        std::copy(m_dryHistory + 2, m_dryHistory + 2 * kLatencySamples, m_dryHistory);
        m_dryHistory[2 * kLatencySamples - 2] = inLeft;
        m_dryHistory[2 * kLatencySamples - 1] = inRight;
        if (entries > 0 && n > 0)
        {
            const float pitch = ModulatedPitch(cutoffBase, *modulation, entries, n);
            if (pitch != m_cutoffPitch)
                SetCutoffPitch(pitch, settings);
        }

        // Low-cut, then the pair (midpoint, on-sample value) at twice the rate.
        float onLeft = inLeft;
        float onRight = inRight;
        m_lowCut.Filter(onLeft, onRight);
        float midLeft = 0.5f * (onLeft + m_previousLowCut[0]);
        float midRight = 0.5f * (onRight + m_previousLowCut[1]);
        m_previousLowCut[0] = onLeft;
        m_previousLowCut[1] = onRight;
        midLeft = m_highCut.Process(0, midLeft);
        onLeft = m_highCut.Process(0, onLeft);
        midRight = m_highCut.Process(1, midRight);
        onRight = m_highCut.Process(1, onRight);
        float wetLeft = m_decimator[0].Process(midLeft, onLeft);
        float wetRight = m_decimator[1].Process(midRight, onRight);

        switch (settings.mode)
        {
        case kPhaser4:
        case kPhaser8:
            m_phaser.Filter(wetLeft, wetRight, settings.resonance);
            break;
        case kRingMod:
            m_ringMod.Filter(wetLeft, wetRight, m_relativeCutoff, m_fade);
            break;
        case kPitchShift:
            m_pitchShifter.Filter(wetLeft, wetRight, m_relativeCutoff, m_fade);
            break;
        case kOctaveBand:
            m_octaveBand.doFilter(wetLeft, wetRight);
            break;
        case kVowel:
            m_vowel.doFilter(wetLeft, wetRight);
            break;
        default:
            wetLeft *= kLadderGain;
            wetRight *= kLadderGain;
            break;
        }

        // Every stage is in series, so a state gone infinite or NaN shows here within the
        // decimator's latency: the sample is silenced and the states cleared after the block.
        if (!std::isfinite(wetLeft))
        {
            wetLeft = 0.0f;
            corrupted = true;
        }
        if (!std::isfinite(wetRight))
        {
            wetRight = 0.0f;
            corrupted = true;
        }
        left[n] = wetLeft * mix + dryLeft * (1.0f - mix);
        right[n] = wetRight * mix + dryRight * (1.0f - mix);
    }
    if (corrupted)
        ClearStates();
}

bool CLayerFilter::ProcessLadder(float* left, float* right, int offset, int count,
                                 const BLOCK_SETTINGS& settings, int sections, float cutoffBase,
                                 const PARAM_MODULATION* modulation, int entries,
                                 float alignStill, float mixStill) noexcept
{
    // line: the last kLatencySamples inputs, then this chunk's finite inputs; dry: the inputs
    // as the mix takes them (line itself while the alignment stands at 1); lowCut: the
    // low-cut's output; steps: the pairs (midpoint,
    // on-sample value) of each sample, left and right side by side, in the ladder's order;
    // g, feedback: the ladder's coefficients of each step.
    constexpr int kHistory = 2 * kLatencySamples;
    alignas(16) float line[kHistory + 2 * kLadderChunk];
    alignas(16) float dry[2 * kLadderChunk];
    std::copy(m_dryHistory, m_dryHistory + kHistory, line);
    alignas(16) float lowCut[2 * kLadderChunk];
    alignas(16) float steps[4 * kLadderChunk];
    alignas(16) float g[2 * kLadderChunk];
    alignas(16) float feedback[2 * kLadderChunk];
    for (int n = 0; n < count; ++n)
    {
        line[kHistory + 2 * n] = lowCut[2 * n] = Finite(left[n]);
        line[kHistory + 2 * n + 1] = lowCut[2 * n + 1] = Finite(right[n]);
        if (entries > 0)
        {
            if (offset + n > 0)
            {
                const float pitch = ModulatedPitch(cutoffBase, *modulation, entries, offset + n);
                if (pitch != m_cutoffPitch)
                    SetCutoffPitch(pitch, settings);
            }
            g[2 * n] = g[2 * n + 1] = m_ladder.GetStageGain();
            feedback[2 * n] = feedback[2 * n + 1] = m_ladder.GetFeedback(sections);
        }
    }
    if (entries == 0)
    {
        // An unmodulated cutoff holds the ladder's coefficients for the whole chunk.
        std::fill(g, g + 2 * count, m_ladder.GetStageGain());
        std::fill(feedback, feedback + 2 * count, m_ladder.GetFeedback(sections));
    }
    const float* mixed = line;
    if (alignStill < 1.0f)
    {
        for (int n = 0; n < 2 * count; n += 2)
        {
            const float align = alignStill >= 0.0f ? alignStill : m_alignRamp.Next();
            dry[n] = Aligned(line[kHistory + n], line[n], align);
            dry[n + 1] = Aligned(line[kHistory + n + 1], line[n + 1], align);
        }
        mixed = dry;
    }
    std::copy(line + 2 * count, line + 2 * count + kHistory, m_dryHistory);
    m_lowCut.FilterInterleaved(lowCut, count);
    float previousLeft = m_previousLowCut[0];
    float previousRight = m_previousLowCut[1];
    for (int n = 0; n < count; ++n)
    {
        const float onLeft = lowCut[2 * n];
        const float onRight = lowCut[2 * n + 1];
        steps[4 * n] = 0.5f * (onLeft + previousLeft);
        steps[4 * n + 1] = 0.5f * (onRight + previousRight);
        steps[4 * n + 2] = onLeft;
        steps[4 * n + 3] = onRight;
        previousLeft = onLeft;
        previousRight = onRight;
    }
    m_previousLowCut[0] = previousLeft;
    m_previousLowCut[1] = previousRight;

    // The high-cut, the decimator and the mix take each step of the ladder as it comes, so
    // that their work fills the time the ladder's chains wait for their previous steps.
    bool corrupted = false;
    float midLeft = 0.0f;
    float midRight = 0.0f;
    m_ladder.FilterSteps(steps, g, feedback, 2 * count, sections,
                         [&](int step, float ladderLeft, float ladderRight) MORVEX_INLINE_CALLBACK {
                             const float highCutLeft = m_highCut.Process(0, ladderLeft);
                             const float highCutRight = m_highCut.Process(1, ladderRight);
                             if ((step & 1) == 0)
                             {
                                 midLeft = highCutLeft;
                                 midRight = highCutRight;
                                 return;
                             }
                             const int n = step >> 1;
                             const float mix = mixStill >= 0.0f ? mixStill : m_mixRamp.Next();
                             float wetLeft =
                                 m_decimator[0].Process(midLeft, highCutLeft) * kLadderGain;
                             float wetRight =
                                 m_decimator[1].Process(midRight, highCutRight) * kLadderGain;
                             if (!std::isfinite(wetLeft))
                             {
                                 wetLeft = 0.0f;
                                 corrupted = true;
                             }
                             if (!std::isfinite(wetRight))
                             {
                                 wetRight = 0.0f;
                                 corrupted = true;
                             }
                             left[n] = wetLeft * mix + mixed[2 * n] * (1.0f - mix);
                             right[n] = wetRight * mix + mixed[2 * n + 1] * (1.0f - mix);
                         });
    return corrupted;
}
