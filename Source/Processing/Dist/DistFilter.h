// Band filter of the distortion's colour equaliser: three one-pole low-passes at
// fHigh in series, then three one-pole high-passes (input minus its one-pole
// low-pass) at fLow; each pole e = exp(-2 pi f / rate), each low-pass
// s = (1 - e) x + e s. A third-order band between fLow and fHigh, mono.
#pragma once

class CDistFilter
{
public:
    // rate in Hz; fLow < fHigh in Hz (fHigh is limited to the rate). UI thread.
    void CalcParams(float sampleRate, float lowHz, float highHz);
    void Reset() noexcept;
    // One sample. Audio thread.
    float Filter(float x) noexcept
    {
        float out = 0.0f;
        Filter(&x, &out, 1);
        return out;
    }
    // count samples from in to out (which may be the same array). Audio thread.
    void Filter(const float* in, float* out, int count) noexcept;

private:
    float m_poleHigh = 0.0f;
    float m_poleLow = 0.0f;
    float m_lowpass[3] = {};
    float m_highpass[3] = {}; // states of the low-passes the high-passes subtract
};
