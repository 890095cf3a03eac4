#include "2XDownSampler.h"

#include "Common/wrappers/dsp/Float4.h"

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

C2XStereoDownSampler::C2XStereoDownSampler() noexcept
{
    // Step j: section 2j of chain A in lanes 0 and 1, section 2j + 1 of chain B in lanes
    // 2 and 3 (none at the last step: a zero coefficient, its result unused).
    for (int j = 0; j < kSteps; ++j)
    {
        const int a = 2 * j, b = 2 * j + 1;
        m_coeff[j][0] = m_coeff[j][1] = DOWNSAMPLER_AA_FILTER_COEFF[a];
        m_coeff[j][2] = m_coeff[j][3] =
            b < kResamplerCoeffCount ? DOWNSAMPLER_AA_FILTER_COEFF[b] : 0.0f;
    }
}

void C2XStereoDownSampler::Reset() noexcept
{
    for (int lane = 0; lane < kLanes; ++lane)
    {
        m_input[lane] = 0.0f;
        for (int j = 0; j < kSteps; ++j)
            m_y1[j][lane] = 0.0f;
    }
}

void C2XStereoDownSampler::Process(float* left, float* right, int count) noexcept
{
    // Output i is written after samples 2i and 2i + 1 are read, so in place is safe.
    using namespace Float4;
    const FLOAT4 c0 = LoadAligned(m_coeff[0]), c1 = LoadAligned(m_coeff[1]);
    const FLOAT4 c2 = LoadAligned(m_coeff[2]), c3 = LoadAligned(m_coeff[3]);
    const FLOAT4 half = Broadcast(0.5f);
    FLOAT4 input = LoadAligned(m_input);
    FLOAT4 y0 = LoadAligned(m_y1[0]), y1 = LoadAligned(m_y1[1]);
    FLOAT4 y2 = LoadAligned(m_y1[2]), y3 = LoadAligned(m_y1[3]);
    for (int i = 0; i < count; ++i)
    {
        // (older, newer) of each channel -> (newer l, newer r, older l, older r).
        const FLOAT4 olderNewer = InterleaveLow(LoadTwo(left + 2 * i), LoadTwo(right + 2 * i));
        FLOAT4 a = Shuffle<2, 3, 0, 1>(olderNewer, olderNewer);
        FLOAT4 previous = input;
        input = a;
        FLOAT4 y = (a - y0) * c0 + previous;
        previous = y0;
        y0 = a = y;
        y = (a - y1) * c1 + previous;
        previous = y1;
        y1 = a = y;
        y = (a - y2) * c2 + previous;
        previous = y2;
        y2 = a = y; // lanes 2, 3: chain B's output
        y = (a - y3) * c3 + previous;
        y3 = y; // lanes 0, 1: chain A's output
        StorePair(left + i, right + i, (y3 + HighToLow(y2)) * half);
    }
    StoreAligned(m_input, input);
    StoreAligned(m_y1[0], y0);
    StoreAligned(m_y1[1], y1);
    StoreAligned(m_y1[2], y2);
    StoreAligned(m_y1[3], y3);
}
