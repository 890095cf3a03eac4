#include "LayerDelay.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Morvex.h"

#include <algorithm>
#include <cmath>

using namespace MorvexParam;

namespace
{
constexpr double kTwoPi = 6.28318530717958647692;
constexpr float kPi = 3.14159265358979323846f;
constexpr float kLineSeconds = 10.0f;
constexpr float kMaxShortestMs = 100.0f;
constexpr float kPresenceHz = 3000.0f;
constexpr float kPresenceOctaves = 2.5f;
constexpr float kHighPassHz = 120.0f;
constexpr float kShelfGainDb = -30.0f;
constexpr float kWetLimit = 0.999f;
// Line inputs are kept finite and within +60 dBFS, far above any real signal, so that
// no history can overflow.
constexpr float kInputLimit = 1000.0f;

float SanitizeInput(float x) noexcept
{
    return std::isfinite(x) ? std::clamp(x, -kInputLimit, kInputLimit) : 0.0f;
}
} // namespace

CLayerDelay::CLayerDelay(CBaseEffect* owner, int layer) : CLayerEffect(owner, layer)
{
    SetSampleRate(44100.0f);
}

void CLayerDelay::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    const float samplesPerMs = sampleRate * 0.001f;
    // The envelope covers 99 % of a step in 0.1 ms (attack) and in 500 ms (release).
    m_limiterAttack = std::pow(0.01f, 1.0f / (0.1f * samplesPerMs));
    m_limiterRelease = std::pow(0.01f, 1.0f / (500.0f * samplesPerMs));
    m_timeSmoothing = std::exp(-kTwoPi / (0.6 * static_cast<double>(sampleRate)));
    m_timeSmoothingComplement = 1.0 - m_timeSmoothing;
    // New lines start silent, so no block can read what the old ones held.
    const int length = static_cast<int>(sampleRate * kLineSeconds);
    m_lineLeft.SetLength(length);
    m_lineRight.SetLength(length);
    m_highPass.CalcFilter(CBiquadFilter::kHighPass, 0, kHighPassHz, 1.0f, 0.0f, sampleRate);
    m_presenceShortestMs = -1.0f;
    m_shelfHz = -1.0f;
}

void CLayerDelay::Reset()
{
    m_envelope = 0.0f;
    m_lineLeft.Clear();
    m_lineRight.Clear();
    m_feedbackLeft = 0.0f;
    m_feedbackRight = 0.0f;
    m_highPass.Reset();
    m_presence.Reset();
    m_shelf.Reset();
    for (int channel = 0; channel < 2; ++channel)
    {
        m_lowpassX1[channel] = 0.0f;
        m_lowpassY1[channel] = 0.0f;
    }
}

void CLayerDelay::UpdateToneFilters(float shortestMs, float bandpass,
                                    float lowpassPosition) noexcept
{
    if (shortestMs != m_presenceShortestMs)
    {
        // 6 dB of presence for the shortest times up to 12 dB from 100 ms on.
        const int index = static_cast<int>((1.0f - shortestMs / kMaxShortestMs) * 100002.0f);
        const float gainDb = 12.0f - 6.0f * LOG_TABLE.At(index);
        m_presence.CalcFilter(CBiquadFilter::kPeaking, 0, kPresenceHz, kPresenceOctaves, gainDb,
                              m_sampleRate);
        m_presenceShortestMs = shortestMs;
    }
    // 8 kHz, moved up by the low-pass setting and down by the band-pass amount.
    const float shelfHz = lowpassPosition * 7000.0f + 8000.0f - bandpass * 7000.0f;
    if (shelfHz != m_shelfHz)
    {
        m_shelf.CalcFilter(CBiquadFilter::kHighShelf, 0, shelfHz, 1.0f, kShelfGainDb, m_sampleRate);
        m_shelfHz = shelfHz;
    }
}

void CLayerDelay::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || !IsOn(kDelayOn))
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const bool sync = owner.GetParameterScaled(kDelaySync + layer, false, true, 0) > 0.5f;
    const bool link = owner.GetParameterScaled(kDelayLink + layer, false, true, 0) > 0.5f;
    const bool pingPong = owner.GetParameterScaled(kDelayPingPong + layer, false, true, 0) > 0.5f;
    const float mix = owner.GetParameterScaled(kDelayMix + layer, true, true, 0);
    const float speedLeft = owner.GetParameterUnscaled(kDelaySpeedL + layer, false, true, 0);
    const float speedRight = owner.GetParameterUnscaled(kDelaySpeedR + layer, false, true, 0);
    const float bandpass = 0.5f * owner.GetParameterScaled(kDelayBandpass + layer, true, true, 0);
    const float feedbackAmount = owner.GetParameterScaled(kDelayFeedback + layer, true, true, 0);
    const float lowpassHz = owner.GetParameterUnscaled(kDelayLowpass + layer, true, true, 0);
    const float lowpassPosition = owner.GetParameterScaled(kDelayLowpass + layer, false, false, 0);
    const float input = owner.GetParameterScaled(kDelayInput + layer, true, true, 0);

    float timeLeft = 0.0f; // seconds
    float timeRight = 0.0f;
    if (sync)
    {
        timeLeft = TimeScaling::ToRatio(static_cast<int>(speedLeft), m_hostTempo);
        timeRight = TimeScaling::ToRatio(static_cast<int>(speedRight), m_hostTempo);
    }
    else
    {
        timeLeft = speedLeft * 0.001f;
        timeRight = speedRight * 0.001f;
    }
    const float timeRightHeard = link ? timeLeft : timeRight;
    const float shortestMs =
        std::clamp(std::min(timeLeft, timeRightHeard) * 1000.0f, 0.0f, kMaxShortestMs);
    UpdateToneFilters(shortestMs, bandpass, lowpassPosition);

    m_feedbackRamp.SetTarget((1.0f - bandpass) * 0.999f * feedbackAmount, count);
    m_lowpassRamp.SetTarget(lowpassHz, count);
    m_bandpassRamp.SetTarget(bandpass, count);
    m_mixRamp.SetTarget(mix, count);
    m_inputRamp.SetTarget(input, count);

    const double rate = static_cast<double>(m_sampleRate);
    const double glideLeft = m_timeSmoothingComplement * static_cast<double>(timeLeft) * rate;
    const double glideRight = m_timeSmoothingComplement * static_cast<double>(timeRight) * rate;
    const double smoothing = m_timeSmoothing;
    const float lowpassLimitHz = 0.49f * m_sampleRate;
    const float piOverRate = kPi / m_sampleRate;

    float coefficientHz = -1.0f; // cut-off of the low-pass coefficients below
    float lowpassB = 0.0f;
    float lowpassA1 = 0.0f;
    double delayLeft = m_delayLeft;
    double delayRight = m_delayRight;
    float envelope = m_envelope;
    float feedbackLeft = m_feedbackLeft;
    float feedbackRight = m_feedbackRight;
    float lowpassX1Left = m_lowpassX1[0], lowpassX1Right = m_lowpassX1[1];
    float lowpassY1Left = m_lowpassY1[0], lowpassY1Right = m_lowpassY1[1];

    for (int i = 0; i < count; ++i)
    {
        const float feedback = m_feedbackRamp.Next();
        const float cutoffHz = std::min(m_lowpassRamp.Next(), lowpassLimitHz);
        const float blend = m_bandpassRamp.Next();
        const float wetMix = m_mixRamp.Next();
        const float inputLevel = m_inputRamp.Next();

        if (cutoffHz != coefficientHz)
        {
            // First-order bilinear low-pass, tan(x) from its series x + x^3/3 + 2x^5/15.
            const float x = piOverRate * cutoffHz;
            const float x2 = x * x;
            const float t = x + x * x2 / 3.0f + 2.0f * x * x2 * x2 / 15.0f;
            const float inverse = 1.0f / (1.0f + t);
            lowpassB = t * inverse;
            lowpassA1 = (t - 1.0f) * inverse;
            coefficientHz = cutoffHz;
        }

        delayLeft = smoothing * delayLeft + glideLeft;
        delayRight = smoothing * delayRight + glideRight;

        const float dryLeft = left[i];
        const float dryRight = right[i];
        const float inLeft = SanitizeInput(dryLeft);
        const float inRight = SanitizeInput(dryRight);
        if (pingPong)
        {
            const float mono = feedback * feedbackLeft + 0.5f * inputLevel * (inLeft + inRight);
            m_lineLeft.Push(mono);
            m_lineRight.Push(mono);
        }
        else
        {
            m_lineLeft.Push(inLeft * inputLevel + feedback * feedbackLeft);
            m_lineRight.Push(inRight * inputLevel + feedback * feedbackRight);
        }
        const float echoLeft = m_lineLeft.Read(delayLeft);
        const float echoRight = m_lineRight.Read(link ? delayLeft : delayRight);

        float lowLeft = lowpassB * (echoLeft + lowpassX1Left) - lowpassA1 * lowpassY1Left;
        float lowRight = lowpassB * (echoRight + lowpassX1Right) - lowpassA1 * lowpassY1Right;
        if (!std::isfinite(lowLeft))
            lowLeft = 0.0f;
        if (!std::isfinite(lowRight))
            lowRight = 0.0f;
        lowpassX1Left = echoLeft;
        lowpassX1Right = echoRight;
        lowpassY1Left = lowLeft;
        lowpassY1Right = lowRight;

        float bandLeft = echoLeft;
        float bandRight = echoRight;
        m_presence.Filter(bandLeft, bandRight);
        m_shelf.Filter(bandLeft, bandRight);
        m_highPass.Filter(bandLeft, bandRight);

        float wetLeft = bandLeft * blend + lowLeft * (1.0f - blend);
        float wetRight = bandRight * blend + lowRight * (1.0f - blend);
        if (!std::isfinite(wetLeft))
            wetLeft = 0.0f;
        if (!std::isfinite(wetRight))
            wetRight = 0.0f;

        // The louder echo drives the limiter, whatever its sign.
        const float level = std::max(std::fabs(wetLeft), std::fabs(wetRight));
        const float coefficient = level > envelope ? m_limiterAttack : m_limiterRelease;
        envelope = level + coefficient * (envelope - level);
        if (envelope >= 1.0f)
        {
            wetLeft /= envelope;
            wetRight /= envelope;
        }
        wetLeft = std::clamp(wetLeft, -kWetLimit, kWetLimit);
        wetRight = std::clamp(wetRight, -kWetLimit, kWetLimit);
        feedbackLeft = wetLeft;
        feedbackRight = wetRight;

        left[i] = wetLeft * wetMix + dryLeft * (1.0f - wetMix);
        right[i] = wetRight * wetMix + dryRight * (1.0f - wetMix);
    }

    m_delayLeft = delayLeft;
    m_delayRight = delayRight;
    m_envelope = envelope;
    m_feedbackLeft = feedbackLeft;
    m_feedbackRight = feedbackRight;
    m_lowpassX1[0] = lowpassX1Left;
    m_lowpassX1[1] = lowpassX1Right;
    m_lowpassY1[0] = lowpassY1Left;
    m_lowpassY1[1] = lowpassY1Right;
}
