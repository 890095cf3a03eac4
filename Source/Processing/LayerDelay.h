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
#include "PeakLimiter.h"

class CLayerDelay : public CLayerEffect
{
public:
    // Sets everything up for 44100 Hz.
    CLayerDelay(CBaseEffect* owner, int layer);

    // Recomputes the limiter and time-smoothing coefficients and reallocates both lines
    // (trunc(10 * rate) samples each, silent). UI thread.
    void SetSampleRate(float sampleRate) override;
    // Silences the lines (in constant time: they clear lazily), the fed-back echoes, the
    // limiter and the filters; the write positions, the smoothed times and the ramps carry
    // on. Real-time safe. Not concurrently with Process.
    void Reset() override;
    // In place, count samples of each channel. While the mix stands at 0 the module rests
    // (the block passes unchanged); it restarts with silent lines and its times on target.
    // Audio thread.
    void Process(float* left, float* right, int count) noexcept override;

    // Length of each line in samples (the longest delay is one less).
    int GetLineLength() const noexcept { return m_lineLeft.GetLength(); }

private:
    // The echo filters' block-rate coefficients; recomputed only when their inputs move.
    void UpdateToneFilters(float shortestMs, float bandpass, float lowpassPosition) noexcept;
    // The per-sample loop over count (<= 16) samples. ramped: the ramps move within it
    // (per-sample values in the chunk), otherwise element 0 holds each value. direct: both
    // lines serve the pass from plain memory at the indices in access (see
    // CHermiteDelayLine::BeginBlock), otherwise through Push and Taps. pingPong: "Delay
    // PingPong" routing.
    struct CHUNK;
    struct LINE_ACCESS
    {
        int writeLeft, readLeft, writeRight, readRight;
    };
    template <bool ramped, bool direct, bool pingPong>
    void Run(float* left, float* right, int count, const CHUNK& chunk,
             const LINE_ACCESS& access) noexcept;
    // Run for a direct pass whose taps read nothing the pass writes: the echoes and
    // everything outside the feedback loop are computed for four samples at once, and the
    // non-finite check of the echoes is made once on the pass's output. Returns false,
    // having changed nothing, when an output is not finite; Run then computes the pass
    // with its per-sample checks, so both give the same output.
    template <bool ramped, bool pingPong>
    bool RunAhead(float* left, float* right, int count, const CHUNK& chunk,
                  const LINE_ACCESS& access) noexcept;

    CPeakLimiter m_limiter; // on the echoes, inside the feedback loop

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

    // Coefficients of the band-limited path; the filtering itself runs in Run, both
    // channels at once, on m_history, with the coefficients packed for it in
    // m_bandCoefficients (presence, shelf, high-pass) whenever they are recomputed.
    CBiquadFilter m_highPass;
    CBiquadFilter m_presence;
    CBiquadFilter m_shelf;
    alignas(16) float m_bandCoefficients[3][16] = {};
    // The last two values (newest first), left and right, of the echo and of the outputs
    // of the presence, shelf and high-pass sections. The echo's history is also the
    // low-pass's previous input.
    static constexpr int kHistoryValues = 4 * 2 * 2;
    float m_history[4][2][2] = {};
    float m_presenceShortestMs = -1.0f; // inputs of the last coefficient update
    float m_shelfHz = -1.0f;

    // First-order low-pass of the low-passed path (bilinear, coefficients per sample as
    // its cut-off ramps): previous output per channel (its previous input is m_history[0][0]).
    float m_lowpassY1[2] = {};
};
