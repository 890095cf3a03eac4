// Trapezoidal grain window: an optional silent start delay, a linear rise from 0 to 1
// over `ramp` samples, a sustain at 1, a linear fall from 1 to 0 over `ramp` samples,
// then idle at 0. For ramp R >= 2 and length L the values are i / (R - 1) for
// i = 0..R-1, then L - 2R ones, then (R - 1 - i) / (R - 1); the phase after sample i
// of the window is (i + 1) / L. Counts are in samples; values and phase are 0..1.
// Every method may be called on the audio thread: nothing allocates.
#pragma once

class CTrapezia
{
public:
    static constexpr int kIdle = 0;
    static constexpr int kRising = 1;
    static constexpr int kSustain = 2;
    static constexpr int kFalling = 3;

    // Refills the counters for a window of `length` samples with ramps of `ramp`
    // samples and starts it rising (a length of 0 or less leaves it idle). The ramp is
    // cut to length / 2 - 1 when it would leave no sustain and to 0 when negative; the
    // start delay is left as it is.
    void SetParams(int length, int ramp) noexcept;
    // Samples of silence (phase 0) before the window starts; 0 or more.
    void SetStartDelay(int samples) noexcept { m_startDelay = samples > 0 ? samples : 0; }
    // The window value of the next sample (0..1), advancing the window by one sample.
    inline float GetSample() noexcept;
    // How far through the window the last GetSample went: 0 during the start delay,
    // else 1 - (samples left) / length, clamped to 0..1.
    inline float GetPhase() const noexcept;
    int GetStage() const noexcept { return m_stage; }
    bool IsIdle() const noexcept { return m_stage == kIdle; }

private:
    int m_upCount = 0;
    int m_downCount = 0;
    int m_sustainCount = 0;
    int m_startDelay = 0;
    float m_upIncrement = 0.0f;
    float m_downIncrement = 0.0f;
    int m_length = 0;
    float m_inverseLength = 0.0f;
    int m_rampLength = 0;
    int m_stage = kIdle;
};

// Inline: both run per sample and per grain.
inline float CTrapezia::GetSample() noexcept
{
    if (m_startDelay > 0)
    {
        --m_startDelay;
        return 0.0f;
    }
    switch (m_stage)
    {
    case kRising:
    {
        const int count = m_upCount--;
        if (count < 2)
            m_stage = kSustain;
        return 1.0f - static_cast<float>(count - 1) * m_upIncrement;
    }
    case kSustain:
    {
        const int count = m_sustainCount--;
        if (count < 2)
            m_stage = kFalling;
        return 1.0f;
    }
    case kFalling:
    {
        const int count = m_downCount--;
        if (count < 2)
            m_stage = kIdle;
        return static_cast<float>(count - 1) * m_downIncrement;
    }
    default:
        return 0.0f;
    }
}

inline float CTrapezia::GetPhase() const noexcept
{
    if (m_startDelay > 0 || m_length <= 0)
        return 0.0f;
    const int left = m_upCount + m_downCount + m_sustainCount;
    const float phase = 1.0f - static_cast<float>(left) * m_inverseLength;
    return phase < 0.0f ? 0.0f : (phase > 1.0f ? 1.0f : phase);
}
