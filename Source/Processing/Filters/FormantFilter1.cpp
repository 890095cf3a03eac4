#include "FormantFilter1.h"

#include "SvfFrequencyLimit.h"

const float CFormantFilter1::kFormantHz[kRows][kFormants] = {
    {482.0f, 785.0f, 3860.0f},  {255.0f, 1440.0f, 1910.0f}, {292.0f, 1000.0f, 2120.0f},
    {200.0f, 690.0f, 1900.0f},  {369.0f, 721.0f, 1200.0f},  {312.0f, 2460.0f, 5780.0f},
    {709.0f, 1790.0f, 2170.0f},
};

namespace
{
// Damping of each formant relative to d.
constexpr float kDampingScale[CFormantFilter1::kFormants] = {1.0f, 0.88f, 0.92f};
} // namespace

void CFormantFilter1::CalcFilter(float u, float resonance, float inverseSampleRate) noexcept
{
    const float damping = 1.0f - 0.94f * resonance > 0.02f ? 1.0f - 0.94f * resonance : 0.02f;
    // Position 0..6 across the rows; the last row is used alone.
    float position = 6.0f * u;
    position = position > 0.0f ? (position < 6.0f ? position : 6.0f) : 0.0f;
    const int row = static_cast<int>(position);
    const int next = row < kRows - 1 ? row + 1 : row;
    const float weight = position - static_cast<float>(row);
    for (int j = 0; j < kFormants; ++j)
    {
        const float hz = kFormantHz[row][j] + weight * (kFormantHz[next][j] - kFormantHz[row][j]);
        const float relative = ClampSvfFrequency(hz * inverseSampleRate);
        for (auto& channel : m_sections)
            channel[j].SetCoefficients(relative, 1.0f, kDampingScale[j] * damping);
    }
}

void CFormantFilter1::Reset() noexcept
{
    for (auto& channel : m_sections)
    {
        for (CStateVariableSection& section : channel)
            section.Reset();
    }
}
