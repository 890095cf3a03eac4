#include "DistFilter.h"

#include "Common/wrappers/dsp/DspMath.h"

#include <algorithm>
#include <cmath>

#include "Common/wrappers/dsp/Float4.h"

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
    using namespace Float4;
    const FLOAT4 poleHigh = LoadAligned(m_poleHigh), gainHigh = LoadAligned(m_gainHigh);
    const FLOAT4 poleLow = LoadAligned(m_poleLow), gainLow = LoadAligned(m_gainLow);
    FLOAT4 low0 = LoadAligned(m_state[0]), low1 = LoadAligned(m_state[1]);
    FLOAT4 low2 = LoadAligned(m_state[2]), high0 = LoadAligned(m_state[3]);
    FLOAT4 high1 = LoadAligned(m_state[4]), high2 = LoadAligned(m_state[5]);
    // One step: the four bands' outputs for input x, lane b = band b.
    auto step = [&](float x) noexcept {
        const FLOAT4 xv = Broadcast(x);
        low0 = gainHigh * xv + poleHigh * low0;
        low1 = gainHigh * low0 + poleHigh * low1;
        low2 = gainHigh * low1 + poleHigh * low2;
        high0 = gainLow * low2 + poleLow * high0;
        FLOAT4 v = low2 - high0;
        high1 = gainLow * v + poleLow * high1;
        v = v - high1;
        high2 = gainLow * v + poleLow * high2;
        return v - high2;
    };
    int i = 0;
    // Four samples at a time, turned from one register per sample into one per band.
    for (; i + 4 <= count; i += 4)
    {
        FLOAT4 y0 = step(in[i]);
        FLOAT4 y1 = step(in[i + 1]);
        FLOAT4 y2 = step(in[i + 2]);
        FLOAT4 y3 = step(in[i + 3]);
        Transpose(y0, y1, y2, y3);
        Store(out[0] + i, y0);
        Store(out[1] + i, y1);
        Store(out[2] + i, y2);
        Store(out[3] + i, y3);
    }
    for (; i < count; ++i)
    {
        alignas(16) float y[kBandCount];
        StoreAligned(y, step(in[i]));
        for (int band = 0; band < kBandCount; ++band)
            out[band][i] = y[band];
    }
    StoreAligned(m_state[0], low0);
    StoreAligned(m_state[1], low1);
    StoreAligned(m_state[2], low2);
    StoreAligned(m_state[3], high0);
    StoreAligned(m_state[4], high1);
    StoreAligned(m_state[5], high2);
}
