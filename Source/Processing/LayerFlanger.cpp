#include "LayerFlanger.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cmath>

using namespace MorvexParam;

namespace
{
constexpr int kChannels = 2;
constexpr float kCurveIndexScale = Dsp::kCurveTableScale;
constexpr float kFlangerFeedbackGain = 0.93f;
constexpr float kPhaserFeedbackGain = 0.95f;
// Phaser sweep in semitones of the MIDI note scale: from 64 + 58 * delay up to 165.
constexpr float kSweepBasePitch = 64.0f;
constexpr float kSweepBaseRange = 58.0f;
constexpr float kSweepTopPitch = 165.0f;
constexpr float kSweepSpan = 101.0f; // 165 - 64: normalises a pitch to 0..1

double WrapPhase(double phase) noexcept
{
    return phase - std::floor(phase);
}
} // namespace

CLayerFlanger::CLayerFlanger(CBaseEffect* owner, int layer) : CLayerEffect(owner, layer)
{
    m_sampleRate = 44100.0f;
    m_blockSize = 1024;
    for (CDelayAp& line : m_lines)
        line.SetSize(44100);
}

void CLayerFlanger::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return;
    for (CDelayAp& line : m_lines)
        line.SetSize(static_cast<int>(sampleRate));
}

void CLayerFlanger::SetHostSamplePos(float samplePos)
{
    m_resync = false;
    if (samplePos != m_hostSamplePos)
    {
        m_hostSamplePos = samplePos;
        m_resync = true;
    }
}

void CLayerFlanger::Reset()
{
    for (int c = 0; c < kChannels; ++c)
    {
        m_lines[c].Clear();
        m_feedbackSums[c] = 0.0f;
        m_phases[c] = 0.0;
        m_lfoValues[c] = 0.0f;
        m_phaserFeedback[c] = 0.0f;
        std::fill(m_phaserStates[c], m_phaserStates[c] + kPhaserStages, 0.0f);
    }
    m_tone.Reset();
    m_phaserShelf.Reset();
    // A synced LFO takes its phase from the host position again.
    m_resync = true;
}

void CLayerFlanger::UpdateTone(float tone) noexcept
{
    if (tone == m_toneSetting && m_sampleRate == m_toneRate)
        return;
    m_toneSetting = tone;
    m_toneRate = m_sampleRate;
    float frequencyHz;
    float q;
    float gainDb;
    if (tone >= 0.5f)
    {
        // Brighter: up to +12 dB from 10 kHz (10.5 kHz at the top).
        const float u = 2.0f * tone - 1.0f;
        frequencyHz = 10000.0f + 500.0f * u * u;
        q = 1.0f;
        gainDb = 12.0f * u;
    }
    else
    {
        // Darker: down to -24 dB from 6 kHz, with a gentler slope.
        const float v = 1.0f - 2.0f * tone;
        frequencyHz = 10000.0f - 4000.0f * v * v;
        q = 1.0f + 0.5f * v;
        gainDb = -24.0f * v;
    }
    // At the middle the shelf is 0 dB: it is left out, so that the neutral setting is exact
    // rather than an identity in float, and restarts from silence.
    const bool active = gainDb != 0.0f;
    if (!active && m_toneActive)
        m_tone.Reset();
    m_toneActive = active;
    m_tone.CalcFilter(CBiquadFilter::kHighShelf, 0, frequencyHz, q, gainDb, m_sampleRate);
}

void CLayerFlanger::UpdatePhaserSweep(float delayScaled, float depth) noexcept
{
    const float base = kSweepBasePitch + kSweepBaseRange * delayScaled;
    const float span = (kSweepTopPitch - base) * depth;
    float sweep[kChannels];
    for (int c = 0; c < kChannels; ++c)
    {
        const float pitch = std::clamp(base + span * m_lfoValues[c], 0.0f, kSweepTopPitch);
        sweep[c] = (pitch - kSweepBasePitch) / kSweepSpan;
        // Stage frequency as a fraction of the rate: three stages above it (x1, x6.6,
        // x12.2) and three below (/2, /7.6, /13.2) spread the notches.
        const float w = TUNE_TABLE.At(static_cast<int>(pitch * TUNE_TABLE_SCALER)) / m_sampleRate;
        for (int k = 0; k < kPhaserStages; ++k)
        {
            const float wk = k < 3 ? (5.6f * static_cast<float>(k) + 1.0f) * w
                                   : w / (5.6f * static_cast<float>(k - 3) + 2.0f);
            m_phaserCoefficients[c][k] = (1.0f - wk) / (1.0f + wk);
        }
        // Up to 4 dB quieter at the bottom of the sweep; the 0.5 halves the sum of the
        // input and the all-pass chain.
        m_phaserGains[c] = 0.5f * std::pow(10.0f, -4.0f * (1.0f - sweep[c]) / 20.0f);
    }
    m_phaserShelf.CalcFilter(3000.0f + 3000.0f * sweep[0], 3000.0f + 3000.0f * sweep[1], 1.0f, 1.0f,
                             8.0f * (1.0f - sweep[0]), 8.0f * (1.0f - sweep[1]), m_sampleRate);
}

void CLayerFlanger::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || !(m_sampleRate > 0.0f) || !IsOn(kFlangerOn))
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float mode = ParamRead::Smoothed(owner, kFlangerMode + layer);
    const float feedback =
        2.0f * ParamRead::Smoothed(owner, kFlangerFeedback + layer) - 1.0f;
    const float mix = ParamRead::Smoothed(owner, kFlangerMix + layer);
    const float delayScaled = ParamRead::Smoothed(owner, kFlangerDelay + layer);
    const float delayMs = owner.ScaledValueToUnscaled(kFlangerDelay + layer, delayScaled);
    const float delayRaw = ParamRead::Settled(owner, kFlangerDelay + layer);
    const bool sync = ParamRead::Switch(owner, kFlangerSync + layer);
    const float speed = ParamRead::ModulatedUnits(owner, kFlangerSpeed + layer);
    const float depth = ParamRead::Smoothed(owner, kFlangerDepth + layer);
    const float width = ParamRead::Smoothed(owner, kFlangerWidth + layer);
    const float tone = ParamRead::Smoothed(owner, kFlangerTone + layer);

    // LFO period in samples: milliseconds when free, a note length at the host tempo when
    // synced. At least one sample, so that a free speed read as 0 cannot stop the clock.
    const double rate = static_cast<double>(m_sampleRate);
    const double seconds =
        sync ? static_cast<double>(TimeScaling::ToRatio(static_cast<int>(speed), m_hostTempo))
             : static_cast<double>(speed) * 0.001;
    double period = seconds * rate;
    if (!(period >= 1.0))
        period = 1.0;
    const double increment = 1.0 / period;

    if (Resting(mix, m_mixRamp.GetCurrent()))
        return;
    m_mixRamp.SetTarget(mix, count);
    m_feedbackRamp.SetTarget(feedback, count);
    m_depthRamp.SetTarget(depth, count);
    m_widthRamp.SetTarget(width, count);
    UpdateTone(tone);
    // In pure flanger mode the phaser is weighted 0: it pauses, and picks up from where it
    // stopped once the mode moves (its share then starts near 0).
    const bool phaserOn = mode > 0.0f;
    if (phaserOn)
        UpdatePhaserSweep(delayScaled, depth);
    const bool toneActive = m_toneActive;

    // Centre delay, and the shortest delay the sweep reaches at full depth.
    const float centre = delayMs * 0.001f * m_sampleRate;
    const float shortest = (0.04f + 0.3f * delayRaw) * 0.001f * m_sampleRate;
    const bool flangerInput = mode <= 0.5f;
    const float phaserShare = mode;
    const float flangerShare = 1.0f - mode;

    // Ramps standing on their targets give the same value every sample: read once.
    const bool settled = m_mixRamp.IsSettled() && m_feedbackRamp.IsSettled() &&
                         m_depthRamp.IsSettled() && m_widthRamp.IsSettled();
    const float settledWidthOffset =
        0.5f * EXP_TABLE.At(static_cast<int>(m_widthRamp.GetCurrent() * kCurveIndexScale));

    // The wet signal and each sample's mix go through the arrays; the tone shelf (outside the
    // feedback loop) and the mix then run over the block.
    constexpr int kPiece = 32;
    float wetFrames[2 * kPiece];
    float mixes[kPiece];

    double phaseLeft = m_phases[0];
    double phaseRight = m_phases[1];
    float lfo[kChannels] = {m_lfoValues[0], m_lfoValues[1]};
    for (int start = 0; start < count; start += kPiece)
    {
        const int pieceCount = count - start < kPiece ? count - start : kPiece;
        for (int j = 0; j < pieceCount; ++j)
        {
            const int n = start + j;
            const float x[kChannels] = {left[n], right[n]};
            const float lineInput[kChannels] = {flangerInput ? m_feedbackSums[0] : x[0],
                                                flangerInput ? m_feedbackSums[1] : x[1]};
            const float m = settled ? m_mixRamp.GetCurrent() : m_mixRamp.Next();
            const float f = settled ? m_feedbackRamp.GetCurrent() : m_feedbackRamp.Next();
            const float d = settled ? m_depthRamp.GetCurrent() : m_depthRamp.Next();
            const float wd = settled ? m_widthRamp.GetCurrent() : m_widthRamp.Next();

            if (m_resync && sync)
            {
                phaseLeft = phaseRight =
                    WrapPhase(static_cast<double>(m_hostSamplePos) * increment);
                m_resync = false;
            }
            phaseLeft += increment;
            if (phaseLeft > 1.0)
                phaseLeft -= std::floor(phaseLeft);
            phaseRight += increment;
            if (phaseRight > 1.0)
                phaseRight -= std::floor(phaseRight);
        // Width moves the right LFO up to half a cycle away (EXP_TABLE reaches 1 at 100 %).
            const float widthOffset =
                settled ? settledWidthOffset
                        : 0.5f * EXP_TABLE.At(static_cast<int>(wd * kCurveIndexScale));
            double readRight = phaseRight + static_cast<double>(widthOffset);
            if (readRight > 1.0)
                readRight -= std::floor(readRight);
            lfo[0] = (LookupPhase(SINE_TABLE, static_cast<float>(phaseLeft)) + 1.0f) * 0.5f;
            lfo[1] = (LookupPhase(SINE_TABLE, static_cast<float>(readRight)) + 1.0f) * 0.5f;

            const float sweep = d * (centre - shortest);
            float delayed[kChannels];
            float phaser[kChannels];
            for (int c = 0; c < kChannels; ++c)
            {
            // Flanger: the delay line (clamped to at least 0.5 samples by the line).
                const float delay =
                    centre - LOG_TABLE.At(static_cast<int>(lfo[c] * kCurveIndexScale)) * sweep;
                delayed[c] = m_lines[c].Process(lineInput[c], delay);
                m_feedbackSums[c] = kFlangerFeedbackGain * f * delayed[c] + x[c];
                phaser[c] = 0.0f;
                if (!phaserOn)
                    continue;

            // Phaser: six first-order all-pass sections in a feedback loop.
                float v = kPhaserFeedbackGain * f * m_phaserFeedback[c] + lineInput[c];
                float* states = m_phaserStates[c];
                const float* coefficients = m_phaserCoefficients[c];
                for (int k = 0; k < kPhaserStages; ++k)
                {
                    const float out = states[k] - coefficients[k] * v;
                    states[k] = coefficients[k] * out + v;
                    v = out;
                }
                if (!std::isfinite(v))
                {
                    std::fill(states, states + kPhaserStages, 0.0f);
                    v = 0.0f;
                }
                m_phaserFeedback[c] = v;
            // Negative feedback also inverts the all-pass contribution.
                phaser[c] = f >= 0.0f ? lineInput[c] + v : lineInput[c] - v;
            }
            if (phaserOn)
                m_phaserShelf.Filter(phaser[0], phaser[1]);

            wetFrames[2 * j] =
                phaser[0] * m_phaserGains[0] * phaserShare + delayed[0] * flangerShare;
            wetFrames[2 * j + 1] =
                phaser[1] * m_phaserGains[1] * phaserShare + delayed[1] * flangerShare;
            mixes[j] = m;
        }
        if (toneActive)
            m_tone.FilterInterleaved(wetFrames, pieceCount);
        for (int j = 0; j < pieceCount; ++j)
        {
            const int n = start + j;
            const float m = mixes[j];
            left[n] = wetFrames[2 * j] * m + left[n] * (1.0f - m);
            right[n] = wetFrames[2 * j + 1] * m + right[n] * (1.0f - m);
        }
    }
    if (settled)
    {
        m_mixRamp.Finish();
        m_feedbackRamp.Finish();
        m_depthRamp.Finish();
        m_widthRamp.Finish();
    }
    m_phases[0] = phaseLeft;
    m_phases[1] = phaseRight;
    m_lfoValues[0] = lfo[0];
    m_lfoValues[1] = lfo[1];
}
