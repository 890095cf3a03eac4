#include "2XUpSampler.h"

#include "Common/wrappers/dsp/Float4.h"

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

C2XStereoUpSampler::C2XStereoUpSampler() noexcept
{
    // Step j: section 2j of chain A in lanes 0 and 1, section 2j + 1 of chain B in lanes
    // 2 and 3 (none at the last step: a zero coefficient, its result unused).
    for (int j = 0; j < kSteps; ++j)
    {
        const int a = 2 * j, b = 2 * j + 1;
        m_coeff[j][0] = m_coeff[j][1] = UPSAMPLER_AA_FILTER_COEFF[a];
        m_coeff[j][2] = m_coeff[j][3] = b < kResamplerCoeffCount ? UPSAMPLER_AA_FILTER_COEFF[b] : 0.0f;
    }
}

void C2XStereoUpSampler::Reset() noexcept
{
    for (int j = 0; j < kSteps; ++j)
    {
        for (int lane = 0; lane < kLanes; ++lane)
        {
            m_x1[j][lane] = 0.0f;
            m_y1[j][lane] = 0.0f;
        }
    }
}

void C2XStereoUpSampler::Process(const float* inLeft, const float* inRight, float* outLeft,
                                 float* outRight, int count) noexcept
{
    using namespace Float4;
    const FLOAT4 c0 = LoadAligned(m_coeff[0]), c1 = LoadAligned(m_coeff[1]);
    const FLOAT4 c2 = LoadAligned(m_coeff[2]), c3 = LoadAligned(m_coeff[3]);
    FLOAT4 x0 = LoadAligned(m_x1[0]), x1 = LoadAligned(m_x1[1]);
    FLOAT4 x2 = LoadAligned(m_x1[2]), x3 = LoadAligned(m_x1[3]);
    FLOAT4 y0 = LoadAligned(m_y1[0]), y1 = LoadAligned(m_y1[1]);
    FLOAT4 y2 = LoadAligned(m_y1[2]), y3 = LoadAligned(m_y1[3]);
    for (int i = 0; i < count; ++i)
    {
        // (l, r, l, r): both chains of both channels take the input sample.
        const FLOAT4 lr = LoadPair(inLeft + i, inRight + i);
        FLOAT4 a = LowHalves(lr, lr);
        FLOAT4 y = (a - y0) * c0 + x0;
        x0 = a;
        y0 = a = y;
        y = (a - y1) * c1 + x1;
        x1 = a;
        y1 = a = y;
        y = (a - y2) * c2 + x2;
        x2 = a;
        y2 = a = y; // lanes 2, 3: chain B's output
        y = (a - y3) * c3 + x3;
        x3 = a;
        y3 = y; // lanes 0, 1: chain A's output
        // (A l, A r, B l, B r) -> (A l, B l, A r, B r): each channel's raised pair.
        FLOAT4 pairs = Shuffle<0, 1, 2, 3>(y3, y2);
        pairs = Shuffle<0, 2, 1, 3>(pairs, pairs);
        StoreTwo(outLeft + 2 * i, pairs);
        StoreUpperTwo(outRight + 2 * i, pairs);
    }
    StoreAligned(m_x1[0], x0);
    StoreAligned(m_x1[1], x1);
    StoreAligned(m_x1[2], x2);
    StoreAligned(m_x1[3], x3);
    StoreAligned(m_y1[0], y0);
    StoreAligned(m_y1[1], y1);
    StoreAligned(m_y1[2], y2);
    StoreAligned(m_y1[3], y3);
}
