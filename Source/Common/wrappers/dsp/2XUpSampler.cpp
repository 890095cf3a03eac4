#include "2XUpSampler.h"

void C2XUpSampler::Reset() noexcept
{
    for (int k = 0; k < kResamplerCoeffCount; ++k)
    {
        m_x1[k] = 0.0f;
        m_y1[k] = 0.0f;
    }
}

void C2XUpSampler::Process(const float* in, float* out, int count) noexcept
{
    const float* c = UPSAMPLER_AA_FILTER_COEFF;
    float x1[kResamplerCoeffCount];
    float y1[kResamplerCoeffCount];
    for (int k = 0; k < kResamplerCoeffCount; ++k)
    {
        x1[k] = m_x1[k];
        y1[k] = m_y1[k];
    }
    for (int i = 0; i < count; ++i)
    {
        float a = in[i];
        for (int k = 0; k < kResamplerCoeffCount; k += 2)
        {
            const float y = (a - y1[k]) * c[k] + x1[k];
            x1[k] = a;
            y1[k] = y;
            a = y;
        }
        float b = in[i];
        for (int k = 1; k < kResamplerCoeffCount; k += 2)
        {
            const float y = (b - y1[k]) * c[k] + x1[k];
            x1[k] = b;
            y1[k] = y;
            b = y;
        }
        out[2 * i] = a;
        out[2 * i + 1] = b;
    }
    for (int k = 0; k < kResamplerCoeffCount; ++k)
    {
        m_x1[k] = x1[k];
        m_y1[k] = y1[k];
    }
}
