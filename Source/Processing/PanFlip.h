// Pan flip of one modulator: throws the sound between the left and the right channel.
// A phase (0..1, one full left-right cycle) advances by a given increment per sample;
// in its first half the left channel sounds, in its second half the right one. The two
// channel gains follow their 0/1 targets with a one-pole smoother of 3..33 ms, and the
// amount (0..1) blends the flipped signal with the untouched one. In tempo-synced mode
// the phase is re-derived from the host position whenever that position jumps.
// Audio thread, except the setters marked otherwise.
#pragma once

#include <cmath>

class CPanFlip
{
public:
    CPanFlip();

    // Rate in Hz (positive, finite; other values are ignored). UI thread.
    void SetSampleRate(float sampleRate);
    // Host song position in samples; a new value marks the next synced sample to
    // re-derive the phase from it.
    void SetHostSamplePos(float samplePos);
    // Gain smoothing from s = 0..1: c = 1 - exp(-1 / (rate * 0.001 * (30 s^2 + 3))), a time
    // constant of 3 ms (s = 0) to 33 ms (s = 1). Recomputed only when s changes.
    void SetSmooth(float smooth);
    // Phase and both gains to 0: an active flip fades in over its smoothing time.
    void Reset();
    // One stereo sample in place. increment: phase per sample (cycles); synced: follow the
    // host position; amount 0..1 (0 leaves the sample untouched). Inline: it runs per
    // sample and per modulator.
    void Process(float& left, float& right, float increment, bool synced, float amount) noexcept
    {
        Step(increment, synced);
        left = left * amount * m_gainLeft + (1.0f - amount) * left;
        right = right * amount * m_gainRight + (1.0f - amount) * right;
    }
    // Runs count samples of phase and gains as Process would and stores each sample's two
    // gains, for applying them to a block afterwards.
    void Gains(int count, float increment, bool synced, float* gainsLeft,
               float* gainsRight) noexcept
    {
        for (int n = 0; n < count; ++n)
        {
            Step(increment, synced);
            gainsLeft[n] = m_gainLeft;
            gainsRight[n] = m_gainRight;
        }
    }
    // Runs count samples of phase and gains without touching audio, as count Process calls
    // with amount 0 would (for a modulator whose flip is off). Stretches in which the
    // side does not change are taken in one step each (the gains' exponential approach in
    // closed form), so the result matches the sample-by-sample run to rounding.
    void Advance(int count, float increment, bool synced) noexcept;

    float GetCoefficient() const { return m_coefficient; }

private:
    void UpdateCoefficient();
    // Advances the phase by one sample and the two gains towards their side's target.
    void Step(float increment, bool synced) noexcept
    {
        const double step = static_cast<double>(increment);
        double phase = m_phase;
        if (m_resync && synced)
        {
            // Cycles since the song start. A position before the song start (pre-roll)
            // wraps into 0..1 as well.
            const double cycles = static_cast<double>(m_hostSamplePos) * step;
            phase = cycles - std::floor(cycles);
            m_resync = false;
        }
        phase += step;
        if (phase > 1.0)
            phase -= std::floor(phase);
        if (!std::isfinite(phase))
            phase = 0.0;
        m_phase = phase;

        // First half of the cycle: left; second half: right.
        const float target = phase > 0.5 ? 0.0f : 1.0f;
        m_gainLeft += (target - m_gainLeft) * m_coefficient;
        m_gainRight += ((1.0f - target) - m_gainRight) * m_coefficient;
    }

    bool m_resync = false;
    float m_sampleRate = 44100.0f;
    float m_hostSamplePos = 0.0f;
    // Double: with a float phase, slow cycles (a 4/1 note at 96 kHz advances 1e-7 per
    // sample) would drift or stall on the phase's rounding step.
    double m_phase = 0.0;
    float m_gainLeft = 0.0f;
    float m_gainRight = 0.0f;
    float m_coefficient = 0.0f;
    float m_smooth = 0.0f;
    // (1 - coefficient)^k for k = 0..kMaxRun: k steps towards a fixed target at once.
    static constexpr int kMaxRun = 16;
    float m_decay[kMaxRun + 1] = {};
};
