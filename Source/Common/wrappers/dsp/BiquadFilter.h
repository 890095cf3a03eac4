// Stereo biquad with up to four identical cascaded sections, after the RBJ
// audio-EQ cookbook (peaking, shelves, notch) with its own resonant high- and
// low-pass form and a first-order variant. Coefficients at block rate
// (CalcFilter), Filter per sample on the audio thread.
#pragma once

#include <cmath>

class CBiquadFilter
{
public:
    enum KIND : int
    {
        kPeaking = 0,
        kLowShelf = 1,
        kHighPass = 2,
        kHighShelf = 3,
        kLowPass = 4,
        kNotch = 5,
    };

    // kind 0..5; order 0..3 (high- and low-pass only: 0 = first order, 1..3 = 1, 2 or 4
    // cascaded second-order sections); frequencyHz is clamped to 0.49 of the rate; q is a
    // bandwidth in octaves for the peaking kind, the resonance 0..1 for the high- and
    // low-pass, the shelf and notch Q otherwise; gainDb for peaking and shelves.
    // A change of kind clears the state.
    void CalcFilter(int kind, int order, float frequencyHz, float q, float gainDb,
                    float sampleRate) noexcept;
    // Filters one stereo sample in place.
    inline void Filter(float& left, float& right) noexcept;
    // Clears every section's state.
    void Reset() noexcept;

    int GetSectionCount() const noexcept { return m_order <= 1 ? 1 : 1 << (m_order - 1); }
    // Coefficients as stored; the difference equation multiplies by 1/a0 at the end.
    float GetB0() const noexcept { return m_b0; }
    float GetB1() const noexcept { return m_b1; }
    float GetB2() const noexcept { return m_b2; }
    float GetA1() const noexcept { return m_a1; }
    float GetA2() const noexcept { return m_a2; }
    float GetInverseA0() const noexcept { return m_invA0; }

private:
    static constexpr int kMaxSections = 4;
    // Per section: left x1, x2, y1, y2, right x1, x2, y1, y2.
    float m_state[kMaxSections][8] = {};
    int m_order = 0;
    int m_kind = -1;
    float m_b0 = 1.0f, m_b1 = 0.0f, m_b2 = 0.0f, m_a1 = 0.0f, m_a2 = 0.0f, m_invA0 = 1.0f;
};

inline void CBiquadFilter::Filter(float& left, float& right) noexcept
{
    const int sections = GetSectionCount();
    float l = left;
    float r = right;
    for (int s = 0; s < sections; ++s)
    {
        float* z = m_state[s];
        const float yl = (m_b0 * l + m_b1 * z[0] + m_b2 * z[1] - m_a1 * z[2] - m_a2 * z[3]) * m_invA0;
        z[1] = z[0];
        z[0] = l;
        z[3] = z[2];
        z[2] = yl;
        const float yr = (m_b0 * r + m_b1 * z[4] + m_b2 * z[5] - m_a1 * z[6] - m_a2 * z[7]) * m_invA0;
        z[5] = z[4];
        z[4] = r;
        z[7] = z[6];
        z[6] = yr;
        l = yl;
        r = yr;
        // A state gone infinite or NaN is cleared so the filter recovers on the next sample.
        for (int i = 0; i < 8; ++i)
        {
            if (!std::isfinite(z[i]))
                z[i] = 0.0f;
        }
        if (!std::isfinite(l))
            l = 0.0f;
        if (!std::isfinite(r))
            r = 0.0f;
    }
    left = l;
    right = r;
}
