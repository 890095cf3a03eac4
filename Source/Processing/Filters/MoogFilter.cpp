#include "MoogFilter.h"

#include "Common/wrappers/dsp/DspMath.h"

namespace
{
using Dsp::kPi;
// Above this the cutoff polynomials leave their fitted range and g grows past 1
// (at 22.05 kHz a 20 kHz cutoff would give g = 50); 0.46 lies just above the highest
// cutoff at 44.1 kHz (20.1 kHz, 0.457).
constexpr float kMaxRelativeCutoff = 0.46f;
} // namespace

void CMoogFilter::Reset() noexcept
{
    for (auto& section : m_state)
    {
        for (LADDER_STATE& state : section)
            state = LADDER_STATE{};
    }
}

void CMoogFilter::CalcFilter(float relativeCutoff, float resonance, int type) noexcept
{
    const float fc = relativeCutoff < kMaxRelativeCutoff
                         ? (relativeCutoff > 0.0f ? relativeCutoff : 0.0f)
                         : kMaxRelativeCutoff;
    // Cutoff and gain corrections fitted over the cutoff range.
    const float p = 0.9988f - 0.649f * fc + 0.4955f * fc * fc + 1.873f * fc * fc * fc;
    const float comp = 0.9968f + 1.8409f * fc - 3.9364f * fc * fc;
    // g = 1 - exp(z) with z = -pi fc p (2 pi at half the cutoff: the filter runs at twice
    // the rate), from the exponential's series to the fifth power; written as
    // -(z + z^2/2 + ... + z^5/120) so that small cutoffs keep their precision.
    const float z = -kPi * fc * p;
    m_g = -z * (1.0f + z / 2.0f * (1.0f + z / 3.0f * (1.0f + z / 4.0f * (1.0f + z / 5.0f))));
    m_type = (type == kHighPass || type == kBandPass) ? type : kLowPass;
    if (m_type == kLowPass)
    {
        // A single low-pass section gets a little feedback even at zero resonance.
        m_feedbackOne = 3.6f * (resonance + 0.15f) * comp;
        m_feedbackTwo = 3.6f * resonance * comp;
        m_positiveFeedback = 0.99f;
    }
    else
    {
        m_feedbackOne = m_feedbackTwo = 4.1f * resonance * comp;
        m_positiveFeedback = m_type == kHighPass ? 0.97f : 0.99f;
    }
}

void CMoogFilter::FilterSteps(float* frames, const float* g, const float* feedback, int steps,
                              int sections) noexcept
{
    FilterSteps(frames, g, feedback, steps, sections, [frames](int j, float left, float right) {
        frames[2 * j] = left;
        frames[2 * j + 1] = right;
    });
}

CMoogFilter::LADDER_VECTOR CMoogFilter::LoadVector(int lanes) const noexcept
{
    alignas(16) float lane[4] = {};
    LADDER_VECTOR vector;
    const auto gather = [&](auto member) {
        for (int l = 0; l < lanes; ++l)
            lane[l] = member(m_state[l / 2][l % 2]);
        return Float4::LoadAligned(lane);
    };
    for (int i = 0; i < 4; ++i)
    {
        vector.y[i] = gather([i](const LADDER_STATE& s) { return s.y[i]; });
        vector.t[i] = gather([i](const LADDER_STATE& s) { return s.t[i]; });
    }
    vector.fb = gather([](const LADDER_STATE& s) { return s.fb; });
    return vector;
}

void CMoogFilter::StoreVector(const LADDER_VECTOR& vector, int lanes) noexcept
{
    alignas(16) float lane[4];
    const auto scatter = [&](FLOAT4 v, auto member) {
        Float4::StoreAligned(lane, v);
        for (int l = 0; l < lanes; ++l)
            member(m_state[l / 2][l % 2]) = lane[l];
    };
    for (int i = 0; i < 4; ++i)
    {
        scatter(vector.y[i], [i](LADDER_STATE& s) -> float& { return s.y[i]; });
        scatter(vector.t[i], [i](LADDER_STATE& s) -> float& { return s.t[i]; });
    }
    scatter(vector.fb, [](LADDER_STATE& s) -> float& { return s.fb; });
}
