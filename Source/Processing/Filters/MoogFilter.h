// Saturating four-stage ladder filter in the style of Huovilainen's non-linear
// digital Moog model ("Non-linear digital implementation of the Moog ladder filter",
// DAFx 2004): four one-pole stages y += g (T(in) - T(y)) with a rational tanh-like
// saturator T, the fourth stage's output averaged over two steps and fed back
// against the input. The low-pass taps stage 2 (12 dB/oct per section), the
// high-pass mixes the saturated stage outputs binomially (1 - H)^4, the band-pass
// H^2 (1 - H)^2. One or two identical sections per channel, stereo.
//
// The filter runs at twice the layer's sample rate: CalcFilter takes the cutoff
// relative to the layer's rate and folds the factor 1/2 into the coefficient.
#pragma once

#include <algorithm>
#include <cmath>

class CMoogFilter
{
public:
    enum TYPE : int
    {
        kLowPass = 0,
        kHighPass = 1,
        kBandPass = 2,
    };

    static constexpr int kMaxSections = 2;

    // relativeCutoff = cutoff / layer sample rate (0 .. 0.46, clamped; the filter runs at
    // twice that rate), resonance 0..1, type 0..2. Per sample or per block; audio thread.
    void CalcFilter(float relativeCutoff, float resonance, int type) noexcept;
    // One step at the running rate: left through the left channel's first section, right
    // through the right one's; with two sections both again through the second.
    inline void Filter(float& left, float& right, int sections) noexcept;
    // Clears every stage, saturator and feedback state.
    void Reset() noexcept;

private:
    struct LADDER_STATE
    {
        float y[4]; // stage outputs of the last step
        float t[4]; // their saturated values T(y)
        float fb;   // feedback value for the next step
    };

    // Rational saturator: with s = 2v, a = |s|, h = a (a + 3) + 6: T = s h / (h a + 12).
    // Slope 1 at 0, limits +-1. Beyond a = 1000 the value is +-1 to float precision; the
    // limit keeps h a from overflowing.
    static inline float Saturate(float v) noexcept;
    // One step of one (channel, section) on input x with feedback amount k (K x comp).
    inline float Step(LADDER_STATE& state, float x, float k) noexcept;

    LADDER_STATE m_state[kMaxSections][2] = {}; // [section][channel]
    float m_g = 0.0f;                           // stage gain
    float m_feedbackOne = 0.0f;                 // K x comp with one section (low-pass: boosted)
    float m_feedbackTwo = 0.0f;                 // K x comp with two sections
    float m_positiveFeedback = 0.99f;           // factor on a positive feedback value
    int m_type = kLowPass;
};

inline float CMoogFilter::Saturate(float v) noexcept
{
    const float s = 2.0f * v;
    const float a = std::min(std::fabs(s), 1000.0f); // a NaN stays NaN
    const float h = a * (a + 3.0f) + 6.0f;
    return std::copysign(a * h / (h * a + 12.0f), s);
}

inline float CMoogFilter::Step(LADDER_STATE& state, float x, float k) noexcept
{
    const float t0 = Saturate(x - k * state.fb);
    const float g = m_g;
    const float y1 = state.y[0] + g * (t0 - state.t[0]);
    const float t1 = Saturate(y1);
    const float y2 = state.y[1] + g * (t1 - state.t[1]);
    const float t2 = Saturate(y2);
    const float y3 = state.y[2] + g * (t2 - state.t[2]);
    const float t3 = Saturate(y3);
    const float y4 = state.y[3] + g * (t3 - state.t[3]);
    const float t4 = Saturate(y4);
    // Half-sample average of the last stage; positive values fed back slightly weaker.
    // (A select rather than a branch: the sign of a quiet high-pass feedback is noise.)
    const float fb = 0.5f * (state.y[3] + y4);
    state.fb = fb * (fb > 0.0f ? m_positiveFeedback : 1.0f);
    state.y[0] = y1;
    state.y[1] = y2;
    state.y[2] = y3;
    state.y[3] = y4;
    state.t[0] = t1;
    state.t[1] = t2;
    state.t[2] = t3;
    state.t[3] = t4;
    switch (m_type)
    {
    case kHighPass:
        return 0.75f * (t0 - 4.0f * t1 + 6.0f * t2 - 4.0f * t3 + t4);
    case kBandPass:
        return 2.0f * (t2 - 2.0f * t3 + t4);
    default:
        return y2;
    }
}

inline void CMoogFilter::Filter(float& left, float& right, int sections) noexcept
{
    if (sections >= 2)
    {
        left = Step(m_state[1][0], Step(m_state[0][0], left, m_feedbackTwo), m_feedbackTwo);
        right = Step(m_state[1][1], Step(m_state[0][1], right, m_feedbackTwo), m_feedbackTwo);
    }
    else
    {
        left = Step(m_state[0][0], left, m_feedbackOne);
        right = Step(m_state[0][1], right, m_feedbackOne);
    }
}
