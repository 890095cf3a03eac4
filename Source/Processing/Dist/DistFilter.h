// Band edges of the distortion's colour equaliser: three one-pole low-passes at
// fHigh in series, then three one-pole high-passes (input minus its one-pole
// low-pass) at fLow; each pole e = exp(-2 pi f / rate), each low-pass
// s = (1 - e) x + e s. A third-order band between fLow and fHigh, mono.
#pragma once

// The two poles of one band.
class CDistFilter
{
public:
    // rate in Hz; fLow < fHigh in Hz (fHigh is limited to the rate). UI thread.
    void CalcParams(float sampleRate, float lowHz, float highHz);

    float GetPoleHigh() const noexcept { return m_poleHigh; }
    float GetPoleLow() const noexcept { return m_poleLow; }

private:
    float m_poleHigh = 0.0f;
    float m_poleLow = 0.0f;
};

// Four bands fed by the same mono input, run side by side: the four bands' states
// sit in the four lanes of one SSE register, so one pass over the block filters all
// of them.
class CDistFilterBank
{
public:
    static constexpr int kBandCount = 4;

    // rate in Hz; edges[band] = {fLow, fHigh} in Hz. UI thread.
    void CalcParams(float sampleRate, const float (&edges)[kBandCount][2]);
    void Reset() noexcept;
    // count samples of in to out[band][0..count). in may not alias any out. Audio thread.
    void Filter(const float* in, float* const (&out)[kBandCount], int count) noexcept;

private:
    alignas(16) float m_poleHigh[kBandCount] = {};
    alignas(16) float m_gainHigh[kBandCount] = {};
    alignas(16) float m_poleLow[kBandCount] = {};
    alignas(16) float m_gainLow[kBandCount] = {};
    // Three low-pass states, then the three low-passes the high-passes subtract.
    alignas(16) float m_state[6][kBandCount] = {};
};
