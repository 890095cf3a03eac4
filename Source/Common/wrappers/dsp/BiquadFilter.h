// Stereo biquad with up to four identical cascaded sections, after the RBJ
// audio-EQ cookbook (peaking, shelves, notch) with its own resonant high- and
// low-pass form and a first-order variant. Coefficients at block rate
// (CalcFilter), Filter per sample or FilterBlock / FilterInterleaved per block on
// the audio thread; all three compute the same samples bit for bit.
//
// Non-finite values: every state of a section reaches its next output (each is multiplied
// by a finite coefficient and summed, and 0 times infinity is NaN), and a non-finite input
// makes every later section's output non-finite too. So a finite final output means a
// finite state, and only the outputs are checked: once per sample in Filter, once per call
// in the block forms. On a non-finite output the non-finite states are cleared and the
// non-finite outputs become 0, so nothing latches and the output stays finite.
//
// Precision: in a direct-form section the roundoff of each output is fed back through
// 1 / |1 - p|^2, which grows without bound as the pole p nears 1. Below kPreciseRatio of the
// rate (about 110 Hz at 44.1 kHz; the layer filter's low-cut sits at 8 Hz) a section computes
// its coefficients, state and sums in double, so its roundoff stays 100 dB and more below the
// signal; above, float is as exact as its coefficients and twice as fast.
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
    // Filters count samples of both channels in place, as Filter would sample by sample.
    void FilterBlock(float* left, float* right, int count) noexcept;
    // Filters count stereo frames stored left, right, left, right ... in place, as Filter
    // would frame by frame.
    void FilterInterleaved(float* frames, int count) noexcept;
    // Copies count samples of the two channels into frames (left, right, left ...) and back.
    static void Interleave(const float* left, const float* right, float* frames,
                           int count) noexcept;
    static void Deinterleave(const float* frames, float* left, float* right, int count) noexcept;
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
    // True when the section runs in double (frequency below kPreciseRatio of the rate).
    bool IsPrecise() const noexcept { return m_precise; }

    static constexpr float kPreciseRatio = 0.0025f;

private:
    static constexpr int kMaxSections = 4;
    // Slots of a section's state: each holds the left and the right value side by side.
    enum : int
    {
        kX1 = 0,
        kX2 = 2,
        kY1 = 4,
        kY2 = 6,
    };
    // Clears the non-finite states of every section and sets the non-finite ones of count
    // output samples to 0. Rare: only after a non-finite output.
    void Recover(float* samples, int count) noexcept;
    // The double-precision forms of Filter and FilterInterleaved.
    void FilterPrecise(float& left, float& right) noexcept;
    void FilterInterleavedPrecise(float* frames, int count) noexcept;

    // Per section: left x1, right x1, left x2, right x2, left y1, right y1, left y2, right y2.
    float m_state[kMaxSections][8] = {};
    int m_order = 0;
    int m_kind = -1;
    float m_b0 = 1.0f, m_b1 = 0.0f, m_b2 = 0.0f, m_a1 = 0.0f, m_a2 = 0.0f, m_invA0 = 1.0f;
    // The precise form: coefficients b0, b1, b2, a1, a2, 1/a0 and the states, as m_state.
    bool m_precise = false;
    double m_precision[6] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0};
    double m_stateDouble[kMaxSections][8] = {};
};

inline void CBiquadFilter::Filter(float& left, float& right) noexcept
{
    if (m_precise)
    {
        FilterPrecise(left, right);
        return;
    }
    const int sections = GetSectionCount();
    const float b0 = m_b0, b1 = m_b1, b2 = m_b2, a1 = m_a1, a2 = m_a2, invA0 = m_invA0;
    float l = left;
    float r = right;
    for (int s = 0; s < sections; ++s)
    {
        float* z = m_state[s];
        const float yl =
            (b0 * l + b1 * z[kX1] + b2 * z[kX2] - a1 * z[kY1] - a2 * z[kY2]) * invA0;
        const float yr =
            (b0 * r + b1 * z[kX1 + 1] + b2 * z[kX2 + 1] - a1 * z[kY1 + 1] - a2 * z[kY2 + 1]) *
            invA0;
        z[kX2] = z[kX1];
        z[kX2 + 1] = z[kX1 + 1];
        z[kX1] = l;
        z[kX1 + 1] = r;
        z[kY2] = z[kY1];
        z[kY2 + 1] = z[kY1 + 1];
        z[kY1] = yl;
        z[kY1 + 1] = yr;
        l = yl;
        r = yr;
    }
    // x - x is 0 for a finite x and NaN otherwise.
    if ((l - l) + (r - r) != 0.0f)
    {
        float out[2] = {l, r};
        Recover(out, 2);
        l = out[0];
        r = out[1];
    }
    left = l;
    right = r;
}
