// Phaser of the filter layer ("Phaser 4p", "Phaser 8p"): a chain of N first-order
// all-passes H(z) = (z^-1 - a) / (1 - a z^-1), a = (1 - w) / (1 + w) (bilinear
// all-pass with w standing for tan(pi f / rate)), with feedback from the chain's output
// to its input, summed with the input: N/2 notches. From the cutoff position u (0..1):
// w = (30000 u + 2000) / rate; stage i takes (i + 1) w in the first half of the chain
// and w / (i - N/2 + 2) in the second, spreading the stages around the cutoff.
// Stereo, coefficients shared by both channels.
#pragma once

class CPhaserFilter
{
public:
    static constexpr int kMaxStages = 8;

    // u = normalised cutoff 0..1, stages 4 or 8 (clamped to 1..8). Per sample or per
    // block; audio thread.
    void CalcFilter(float u, float sampleRate, int stages) noexcept;
    // One sample of both channels in place; resonance 0..1 sets the feedback 0.95 r.
    inline void Filter(float& left, float& right, float resonance) noexcept;
    // Clears the all-pass and feedback states.
    void Reset() noexcept;

private:
    inline float FilterChannel(float x, float* state, float feedback) noexcept;

    float m_a[kMaxStages] = {};
    int m_stages = 4;
    // Per channel: the feedback value, then the all-pass states.
    float m_state[2][kMaxStages + 1] = {};
};

inline float CPhaserFilter::FilterChannel(float x, float* state, float feedback) noexcept
{
    float y = x + feedback * state[0];
    float* s = state + 1;
    for (int i = 0; i < m_stages; ++i)
    {
        const float a = m_a[i];
        const float out = s[i] - a * y;
        s[i] = a * out + y;
        y = out;
    }
    state[0] = y;
    return x + y;
}

inline void CPhaserFilter::Filter(float& left, float& right, float resonance) noexcept
{
    const float feedback = 0.95f * resonance;
    left = FilterChannel(left, m_state[0], feedback);
    right = FilterChannel(right, m_state[1], feedback);
}
