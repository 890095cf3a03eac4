#include "2XDownSampler.h"

void C2XDownSampler::Reset() noexcept
{
    m_inputA = 0.0f;
    m_inputB = 0.0f;
    for (float& y : m_y1)
        y = 0.0f;
}

void C2XDownSampler::Process(float* buffer, int count) noexcept
{
    const float* c = DOWNSAMPLER_AA_FILTER_COEFF;
    float y1[kResamplerCoeffCount];
    for (int k = 0; k < kResamplerCoeffCount; ++k)
        y1[k] = m_y1[k];
    float inputA = m_inputA;
    float inputB = m_inputB;
    // Output i is written after samples 2i and 2i + 1 are read, so in place is safe.
    for (int i = 0; i < count; ++i)
    {
        float a = buffer[2 * i + 1];
        float previousIn = inputA;
        inputA = a;
        for (int k = 0; k < kResamplerCoeffCount; k += 2)
        {
            const float y = (a - y1[k]) * c[k] + previousIn;
            previousIn = y1[k];
            y1[k] = y;
            a = y;
        }
        float b = buffer[2 * i];
        previousIn = inputB;
        inputB = b;
        for (int k = 1; k < kResamplerCoeffCount; k += 2)
        {
            const float y = (b - y1[k]) * c[k] + previousIn;
            previousIn = y1[k];
            y1[k] = y;
            b = y;
        }
        buffer[i] = (a + b) * 0.5f;
    }
    for (int k = 0; k < kResamplerCoeffCount; ++k)
        m_y1[k] = y1[k];
    m_inputA = inputA;
    m_inputB = inputB;
}
