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

#include "Common/wrappers/dsp/Float4.h"

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
    // Runs steps stereo steps in place: frames holds left, right of step 0, then of step
    // 1 ..., g and feedback the stage gain and the feedback amount (K x comp, for the
    // given section count) of each step. Computes exactly what Filter would step by step
    // with those coefficients. The independent chains (both channels and, with two
    // sections, both sections) share one vector: the second section runs two steps behind
    // the first, so a step of each chain waits only for its own previous step.
    // Audio thread.
    void FilterSteps(float* frames, const float* g, const float* feedback, int steps,
                     int sections) noexcept;
    // The same on the inputs in frames, handing each step's output to sink(step, left,
    // right) in step order instead of storing it; the sink's work overlaps the ladder's
    // next steps. frames may be written by the sink up to the step it is given.
    template <class SINK>
    void FilterSteps(const float* frames, const float* g, const float* feedback, int steps,
                     int sections, SINK&& sink) noexcept;
    // Clears every stage, saturator and feedback state.
    void Reset() noexcept;

    // The coefficients as last computed: stage gain, feedback amount for a section count.
    float GetStageGain() const noexcept { return m_g; }
    float GetFeedback(int sections) const noexcept
    {
        return sections >= 2 ? m_feedbackTwo : m_feedbackOne;
    }

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
    // One step of one (channel, section) on input x with stage gain g and feedback amount
    // k (K x comp).
    inline float Step(LADDER_STATE& state, float x, float g, float k) noexcept;

    // The states of four chains, lane l holding (section l / 2, channel l % 2).
    struct LADDER_VECTOR
    {
        FLOAT4 y[4];
        FLOAT4 t[4];
        FLOAT4 fb;
    };
    // The states of the first lanes (2: the first sections, 4: all) into a vector and back;
    // lanes not loaded are zero.
    LADDER_VECTOR LoadVector(int lanes) const noexcept;
    void StoreVector(const LADDER_VECTOR& vector, int lanes) noexcept;
    static inline FLOAT4 SaturateVector(FLOAT4 v) noexcept;
    // Step on four lanes, each bit-identical to the scalar Step.
    template <int TYPE>
    static inline FLOAT4 StepVector(LADDER_VECTOR& state, FLOAT4 x, FLOAT4 g, FLOAT4 k,
                                    FLOAT4 positiveFeedback) noexcept;
    template <int TYPE, class SINK>
    void RunOneSection(LADDER_VECTOR& state, const float* frames, const float* g,
                       const float* feedback, int steps, SINK& sink) noexcept;
    template <int TYPE, class SINK>
    void RunTwoSections(LADDER_VECTOR& state, const float* frames, const float* g,
                        const float* feedback, int steps, SINK& sink) noexcept;

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

inline float CMoogFilter::Step(LADDER_STATE& state, float x, float g, float k) noexcept
{
    const float t0 = Saturate(x - k * state.fb);
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
        const float g = m_g, k = m_feedbackTwo;
        left = Step(m_state[1][0], Step(m_state[0][0], left, g, k), g, k);
        right = Step(m_state[1][1], Step(m_state[0][1], right, g, k), g, k);
    }
    else
    {
        left = Step(m_state[0][0], left, m_g, m_feedbackOne);
        right = Step(m_state[0][1], right, m_g, m_feedbackOne);
    }
}

// Saturate with the scalar form's operations in the same order: min(1000, |s|) returns |s|
// for a NaN as std::min(|s|, 1000) does, and h a equals a h exactly. The quotient is never
// negative (a NaN in it comes from |s| and is positive too), so or-ing the sign of s onto it
// is copysign.
inline FLOAT4 CMoogFilter::SaturateVector(FLOAT4 v) noexcept
{
    using namespace Float4;
    const FLOAT4 s = Broadcast(2.0f) * v;
    const FLOAT4 a = Min(Broadcast(1000.0f), Abs(s));
    const FLOAT4 h = a * (a + Broadcast(3.0f)) + Broadcast(6.0f);
    const FLOAT4 ah = a * h;
    return Or(ah / (ah + Broadcast(12.0f)), SignBits(s));
}

template <int TYPE>
inline FLOAT4 CMoogFilter::StepVector(LADDER_VECTOR& state, FLOAT4 x, FLOAT4 g, FLOAT4 k,
                                      FLOAT4 positiveFeedback) noexcept
{
    using namespace Float4;
    const FLOAT4 t0 = SaturateVector(x - k * state.fb);
    const FLOAT4 y1 = state.y[0] + g * (t0 - state.t[0]);
    const FLOAT4 t1 = SaturateVector(y1);
    const FLOAT4 y2 = state.y[1] + g * (t1 - state.t[1]);
    const FLOAT4 t2 = SaturateVector(y2);
    const FLOAT4 y3 = state.y[2] + g * (t2 - state.t[2]);
    const FLOAT4 t3 = SaturateVector(y3);
    const FLOAT4 y4 = state.y[3] + g * (t3 - state.t[3]);
    const FLOAT4 t4 = SaturateVector(y4);
    // fb x 1 is fb exactly, so the select can follow the product.
    const FLOAT4 fb = Broadcast(0.5f) * (state.y[3] + y4);
    state.fb = Select(Greater(fb, Zero()), fb * positiveFeedback, fb);
    state.y[0] = y1;
    state.y[1] = y2;
    state.y[2] = y3;
    state.y[3] = y4;
    state.t[0] = t1;
    state.t[1] = t2;
    state.t[2] = t3;
    state.t[3] = t4;
    if (TYPE == kHighPass)
    {
        const FLOAT4 four = Broadcast(4.0f);
        FLOAT4 sum = t0 - four * t1;
        sum = sum + Broadcast(6.0f) * t2;
        sum = sum - four * t3;
        sum = sum + t4;
        return Broadcast(0.75f) * sum;
    }
    if (TYPE == kBandPass)
    {
        FLOAT4 sum = t2 - Broadcast(2.0f) * t3;
        sum = sum + t4;
        return Broadcast(2.0f) * sum;
    }
    return y2;
}

// One section per channel: lanes (left, right, -, -), one vector step per step.
template <int TYPE, class SINK>
void CMoogFilter::RunOneSection(LADDER_VECTOR& state, const float* frames, const float* g,
                                const float* feedback, int steps, SINK& sink) noexcept
{
    using namespace Float4;
    const FLOAT4 positiveFeedback = Broadcast(m_positiveFeedback);
    for (int j = 0; j < steps; ++j)
    {
        const FLOAT4 x = Set(frames[2 * j], frames[2 * j + 1], 0.0f, 0.0f);
        const FLOAT4 out = StepVector<TYPE>(state, x, Broadcast(g[j]), Broadcast(feedback[j]),
                                            positiveFeedback);
        sink(j, Lane<0>(out), Lane<1>(out));
    }
}

// Two sections per channel: lanes (left 1, right 1, left 2, right 2). Vector step j runs
// step j of the first sections and step j - 2 of the second ones, whose input the first
// sections gave two vector steps before, so the second sections' input is never waited for.
// In the first and last two vector steps the lanes without a step keep their state.
template <int TYPE, class SINK>
void CMoogFilter::RunTwoSections(LADDER_VECTOR& state, const float* frames, const float* g,
                                 const float* feedback, int steps, SINK& sink) noexcept
{
    using namespace Float4;
    const FLOAT4 positiveFeedback = Broadcast(m_positiveFeedback);
    const FLOAT4 firstLanes = LaneMask(true, true, false, false);
    const FLOAT4 secondLanes = LaneMask(false, false, true, true);
    FLOAT4 firstOut1 = Zero(); // first sections' output of step j - 1
    FLOAT4 firstOut2 = Zero(); // of step j - 2
    for (int j = 0; j < steps + 2; ++j)
    {
        const bool first = j < steps;
        const bool second = j >= 2;
        const int jf = first ? j : steps - 1;
        const int js = second ? j - 2 : 0;
        const FLOAT4 x = LowHalves(
            Set(first ? frames[2 * j] : 0.0f, first ? frames[2 * j + 1] : 0.0f, 0.0f, 0.0f),
            firstOut2);
        const FLOAT4 gv = Set(g[jf], g[jf], g[js], g[js]);
        const FLOAT4 kv = Set(feedback[jf], feedback[jf], feedback[js], feedback[js]);
        FLOAT4 out;
        if (first && second)
        {
            out = StepVector<TYPE>(state, x, gv, kv, positiveFeedback);
        }
        else if (first || second)
        {
            const FLOAT4 mask = first ? firstLanes : secondLanes;
            const LADDER_VECTOR old = state;
            out = StepVector<TYPE>(state, x, gv, kv, positiveFeedback);
            for (int i = 0; i < 4; ++i)
            {
                state.y[i] = Select(mask, state.y[i], old.y[i]);
                state.t[i] = Select(mask, state.t[i], old.t[i]);
            }
            state.fb = Select(mask, state.fb, old.fb);
        }
        else
        {
            out = Zero();
        }
        if (second)
            sink(j - 2, Lane<2>(out), Lane<3>(out));
        firstOut2 = firstOut1;
        firstOut1 = out;
    }
}

template <class SINK>
void CMoogFilter::FilterSteps(const float* frames, const float* g, const float* feedback,
                              int steps, int sections, SINK&& sink) noexcept
{
    if (steps <= 0)
        return;
    const int lanes = sections >= 2 ? 4 : 2;
    LADDER_VECTOR state = LoadVector(lanes);
    switch (m_type)
    {
    case kHighPass:
        if (lanes == 4)
            RunTwoSections<kHighPass>(state, frames, g, feedback, steps, sink);
        else
            RunOneSection<kHighPass>(state, frames, g, feedback, steps, sink);
        break;
    case kBandPass:
        if (lanes == 4)
            RunTwoSections<kBandPass>(state, frames, g, feedback, steps, sink);
        else
            RunOneSection<kBandPass>(state, frames, g, feedback, steps, sink);
        break;
    default:
        if (lanes == 4)
            RunTwoSections<kLowPass>(state, frames, g, feedback, steps, sink);
        else
            RunOneSection<kLowPass>(state, frames, g, feedback, steps, sink);
        break;
    }
    StoreVector(state, lanes);
}
