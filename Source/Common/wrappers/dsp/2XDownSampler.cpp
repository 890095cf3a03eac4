#include "2XDownSampler.h"

#include "Common/wrappers/dsp/Simd.h"

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
#if MORVEX_SIMD_SSE2
    const __m128 c0 = _mm_load_ps(m_coeff[0]), c1 = _mm_load_ps(m_coeff[1]);
    const __m128 c2 = _mm_load_ps(m_coeff[2]), c3 = _mm_load_ps(m_coeff[3]);
    const __m128 half = _mm_set1_ps(0.5f);
    __m128 input = _mm_load_ps(m_input);
    __m128 y0 = _mm_load_ps(m_y1[0]), y1 = _mm_load_ps(m_y1[1]);
    __m128 y2 = _mm_load_ps(m_y1[2]), y3 = _mm_load_ps(m_y1[3]);
    for (int i = 0; i < count; ++i)
    {
        // (older, newer) of each channel -> (newer l, newer r, older l, older r).
        const __m128 pairLeft = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(left + 2 * i)));
        const __m128 pairRight =
            _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(right + 2 * i)));
        const __m128 olderNewer = _mm_unpacklo_ps(pairLeft, pairRight);
        __m128 a = _mm_shuffle_ps(olderNewer, olderNewer, _MM_SHUFFLE(1, 0, 3, 2));
        __m128 previous = input;
        input = a;
        __m128 y = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(a, y0), c0), previous);
        previous = y0;
        y0 = a = y;
        y = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(a, y1), c1), previous);
        previous = y1;
        y1 = a = y;
        y = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(a, y2), c2), previous);
        previous = y2;
        y2 = a = y; // lanes 2, 3: chain B's output
        y = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(a, y3), c3), previous);
        y3 = y; // lanes 0, 1: chain A's output
        const __m128 out = _mm_mul_ps(_mm_add_ps(y3, _mm_movehl_ps(y2, y2)), half);
        _mm_store_ss(left + i, out);
        _mm_store_ss(right + i, _mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
    }
    _mm_store_ps(m_input, input);
    _mm_store_ps(m_y1[0], y0);
    _mm_store_ps(m_y1[1], y1);
    _mm_store_ps(m_y1[2], y2);
    _mm_store_ps(m_y1[3], y3);
#else
    for (int i = 0; i < count; ++i)
    {
        float v[kLanes] = {left[2 * i + 1], right[2 * i + 1], left[2 * i], right[2 * i]};
        float chainB[kLanes] = {};
        for (int lane = 0; lane < kLanes; ++lane)
        {
            float previous = m_input[lane];
            m_input[lane] = v[lane];
            for (int j = 0; j < kSteps; ++j)
            {
                const float y = (v[lane] - m_y1[j][lane]) * m_coeff[j][lane] + previous;
                previous = m_y1[j][lane];
                m_y1[j][lane] = y;
                v[lane] = y;
                if (j == kSteps - 2)
                    chainB[lane] = y;
            }
        }
        left[i] = (v[0] + chainB[2]) * 0.5f;
        right[i] = (v[1] + chainB[3]) * 0.5f;
    }
#endif
}
