#include "DistFilter.h"

#include "Common/wrappers/dsp/DspMath.h"

#include <algorithm>
#include <cmath>

#include "Common/wrappers/dsp/Simd.h"

void CDistFilter::CalcParams(float sampleRate, float lowHz, float highHz)
{
    using Dsp::kTwoPi;
    m_poleHigh = std::exp(-kTwoPi * std::min(sampleRate, highHz) / sampleRate);
    m_poleLow = std::exp(-kTwoPi * lowHz / sampleRate);
}

void CDistFilterBank::CalcParams(float sampleRate, const float (&edges)[kBandCount][2])
{
    for (int band = 0; band < kBandCount; ++band)
    {
        CDistFilter single;
        single.CalcParams(sampleRate, edges[band][0], edges[band][1]);
        m_poleHigh[band] = single.GetPoleHigh();
        m_gainHigh[band] = 1.0f - single.GetPoleHigh();
        m_poleLow[band] = single.GetPoleLow();
        m_gainLow[band] = 1.0f - single.GetPoleLow();
    }
}

void CDistFilterBank::Reset() noexcept
{
    for (auto& stage : m_state)
        std::fill(stage, stage + kBandCount, 0.0f);
}

void CDistFilterBank::Filter(const float* in, float* const (&out)[kBandCount], int count) noexcept
{
#if MORVEX_SIMD_SSE2
    const __m128 poleHigh = _mm_load_ps(m_poleHigh), gainHigh = _mm_load_ps(m_gainHigh);
    const __m128 poleLow = _mm_load_ps(m_poleLow), gainLow = _mm_load_ps(m_gainLow);
    __m128 low0 = _mm_load_ps(m_state[0]), low1 = _mm_load_ps(m_state[1]);
    __m128 low2 = _mm_load_ps(m_state[2]), high0 = _mm_load_ps(m_state[3]);
    __m128 high1 = _mm_load_ps(m_state[4]), high2 = _mm_load_ps(m_state[5]);
    // One step: the four bands' outputs for input x, lane b = band b.
    auto step = [&](float x) noexcept {
        const __m128 xv = _mm_set1_ps(x);
        low0 = _mm_add_ps(_mm_mul_ps(gainHigh, xv), _mm_mul_ps(poleHigh, low0));
        low1 = _mm_add_ps(_mm_mul_ps(gainHigh, low0), _mm_mul_ps(poleHigh, low1));
        low2 = _mm_add_ps(_mm_mul_ps(gainHigh, low1), _mm_mul_ps(poleHigh, low2));
        high0 = _mm_add_ps(_mm_mul_ps(gainLow, low2), _mm_mul_ps(poleLow, high0));
        __m128 v = _mm_sub_ps(low2, high0);
        high1 = _mm_add_ps(_mm_mul_ps(gainLow, v), _mm_mul_ps(poleLow, high1));
        v = _mm_sub_ps(v, high1);
        high2 = _mm_add_ps(_mm_mul_ps(gainLow, v), _mm_mul_ps(poleLow, high2));
        return _mm_sub_ps(v, high2);
    };
    int i = 0;
    // Four samples at a time, turned from one register per sample into one per band.
    for (; i + 4 <= count; i += 4)
    {
        __m128 y0 = step(in[i]);
        __m128 y1 = step(in[i + 1]);
        __m128 y2 = step(in[i + 2]);
        __m128 y3 = step(in[i + 3]);
        _MM_TRANSPOSE4_PS(y0, y1, y2, y3);
        _mm_storeu_ps(out[0] + i, y0);
        _mm_storeu_ps(out[1] + i, y1);
        _mm_storeu_ps(out[2] + i, y2);
        _mm_storeu_ps(out[3] + i, y3);
    }
    for (; i < count; ++i)
    {
        alignas(16) float y[kBandCount];
        _mm_store_ps(y, step(in[i]));
        for (int band = 0; band < kBandCount; ++band)
            out[band][i] = y[band];
    }
    _mm_store_ps(m_state[0], low0);
    _mm_store_ps(m_state[1], low1);
    _mm_store_ps(m_state[2], low2);
    _mm_store_ps(m_state[3], high0);
    _mm_store_ps(m_state[4], high1);
    _mm_store_ps(m_state[5], high2);
#else
    for (int band = 0; band < kBandCount; ++band)
    {
        const float poleHigh = m_poleHigh[band], gainHigh = m_gainHigh[band];
        const float poleLow = m_poleLow[band], gainLow = m_gainLow[band];
        float low0 = m_state[0][band], low1 = m_state[1][band], low2 = m_state[2][band];
        float high0 = m_state[3][band], high1 = m_state[4][band], high2 = m_state[5][band];
        float* y = out[band];
        for (int i = 0; i < count; ++i)
        {
            low0 = gainHigh * in[i] + poleHigh * low0;
            low1 = gainHigh * low0 + poleHigh * low1;
            low2 = gainHigh * low1 + poleHigh * low2;
            high0 = gainLow * low2 + poleLow * high0;
            float v = low2 - high0;
            high1 = gainLow * v + poleLow * high1;
            v -= high1;
            high2 = gainLow * v + poleLow * high2;
            y[i] = v - high2;
        }
        m_state[0][band] = low0;
        m_state[1][band] = low1;
        m_state[2][band] = low2;
        m_state[3][band] = high0;
        m_state[4][band] = high1;
        m_state[5][band] = high2;
    }
#endif
}
