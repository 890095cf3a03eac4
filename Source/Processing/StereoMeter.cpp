#include "StereoMeter.h"

#include "Common/wrappers/utilities/SnapSmoothing.h"

#include <cmath>

namespace
{
constexpr int kMaxSamples = 16;
}

void CStereoMeter::SetSampleRate(float sampleRate) noexcept
{
    m_correlationB = std::exp(-6.28318530717958647692f / (0.75000006f * sampleRate));
    m_correlationA = 1.0f - m_correlationB;
    m_decay = 1.0f / std::pow(10.0f, 1.0f / sampleRate);
}

void CStereoMeter::Reset() noexcept
{
    m_peakLeft = 0.0f;
    m_peakRight = 0.0f;
    m_correlation = 0.0f;
}

void CStereoMeter::Process(const float* left, const float* right, int numSamples) noexcept
{
    if (numSamples > kMaxSamples)
        numSamples = kMaxSamples;
    // The correlation term of each sample: l r / |l r| (0 when silent). Apart from the
    // smoothing below, so that this loop vectorises.
    float terms[kMaxSamples];
    for (int i = 0; i < numSamples; ++i)
    {
        const float l = left[i];
        const float r = right[i];
        const float product = l * l * r * r;
        const float divisor = std::fabs(product) < 1e-16f ? 1.0f : std::sqrt(product);
        terms[i] = l * r / divisor;
    }
    const float decay = m_decay;
    const float a = m_correlationA;
    const float b = m_correlationB;
    float peakLeft = m_peakLeft;
    float peakRight = m_peakRight;
    float state = m_correlationState;
    float correlation = m_correlation;
    for (int i = 0; i < numSamples; ++i)
    {
        const float absLeft = std::fabs(left[i]);
        const float absRight = std::fabs(right[i]);
        peakLeft = absLeft > peakLeft ? absLeft : peakLeft * decay;
        peakRight = absRight > peakRight ? absRight : peakRight * decay;
        correlation = SnapSmoothing::Advance(
            terms[i], state, [a, b](float to, float from) { return to * a + from * b; });
    }
    m_peakLeft = peakLeft;
    m_peakRight = peakRight;
    m_correlationState = state;
    m_correlation = correlation;
}
