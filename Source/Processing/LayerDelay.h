// Stereo echo module of a layer. Two ten-second lines, one per channel, with free
// times in milliseconds or tempo-synced note lengths; time changes glide through a
// one-pole smoother (time constant 0.6 s / 2 pi) and are read with cubic Hermite
// interpolation. The echoes are filtered on two tone paths, a first-order low-pass
// and a band-limited path (120 Hz high-pass, a 3 kHz presence peak and a -30 dB high
// shelf, all RBJ cookbook sections), blended by "Delay Bandpass", then limited and
// clipped before they are fed back. "Delay Input" switches the line input,
// "Delay PingPong" feeds both lines one mono sum and only the left echo back.
#pragma once

#include "Common/wrappers/dsp/BiquadFilter.h"
#include "Common/wrappers/dsp/HermiteDelayLine.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "LayerEffect.h"

class CLayerDelay : public CLayerEffect
{
public:
    // Sets everything up for 44100 Hz.
    CLayerDelay(CBaseEffect* owner, int layer);

    // Recomputes the limiter and time-smoothing coefficients and reallocates both lines
    // (trunc(10 * rate) samples each, silent). UI thread.
    void SetSampleRate(float sampleRate) override;
    // Silences the lines, the fed-back echoes, the limiter and the filters; the write
    // positions, the smoothed times and the ramps carry on. Not concurrently with Process.
    void Reset() override;
    // In place, count samples of each channel. Audio thread.
    void Process(float* left, float* right, int count) noexcept override;

    // Length of each line in samples (the longest delay is one less).
    int GetLineLength() const noexcept { return m_lineLeft.GetLength(); }

private:
    // The echo filters' block-rate coefficients; recomputed only when their inputs move.
    void UpdateToneFilters(float shortestMs, float bandpass, float lowpassPosition) noexcept;

    float m_limiterAttack = 0.0f;
    float m_limiterRelease = 0.0f;
    float m_envelope = 0.0f;

    // Time smoothing s and 1 - s, and the smoothed times in samples. Double precision:
    // in float the glide stalls up to several samples (hundreds for long delays) short of
    // its target, once each step falls below half an ulp of the delay.
    double m_timeSmoothing = 0.0;
    double m_timeSmoothingComplement = 1.0;
    double m_delayLeft = 0.0;
    double m_delayRight = 0.0;

    ParamInterpolator m_feedbackRamp;
    ParamInterpolator m_lowpassRamp; // Hz
    ParamInterpolator m_bandpassRamp;
    ParamInterpolator m_mixRamp;
    ParamInterpolator m_inputRamp;

    CHermiteDelayLine m_lineLeft;
    CHermiteDelayLine m_lineRight;
    float m_feedbackLeft = 0.0f;
    float m_feedbackRight = 0.0f;

    CBiquadFilter m_highPass;
    CBiquadFilter m_presence;
    CBiquadFilter m_shelf;
    float m_presenceShortestMs = -1.0f; // inputs of the last coefficient update
    float m_shelfHz = -1.0f;

    // First-order low-pass of the low-passed path (bilinear, coefficients per sample as
    // its cut-off ramps): previous input and output per channel.
    float m_lowpassX1[2] = {};
    float m_lowpassY1[2] = {};
};
