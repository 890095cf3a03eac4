#include "LayerLoFi.h"

#include "Common/wrappers/BaseEffect.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

using namespace MorvexParam;

namespace
{
constexpr float kPeakHz = 1073.0f;
constexpr float kPeakOctaves = 3.0f;
constexpr float kHighShelfHz = 2324.0f;
constexpr float kLowShelfHz = 239.0f;
} // namespace

void CLayerLoFi::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    m_lofi.SetSampleRate(sampleRate);
}

void CLayerLoFi::Reset()
{
    m_lofi.Reset();
    ResetFilters();
}

void CLayerLoFi::ResetFilters() noexcept
{
    m_peak.Reset();
    m_lowShelf.Reset();
    m_highShelf.Reset();
}

void CLayerLoFi::UpdateTone(float tone) noexcept
{
    if (tone == m_toneSetting && m_sampleRate == m_toneRate)
        return;
    m_toneSetting = tone;
    m_toneRate = m_sampleRate;
    float peakDb;
    float highDb;
    float lowDb;
    if (tone < 0.5f)
    {
        // Darker: a mid bump over a thinned top and bottom, like a small speaker.
        const float v = 1.0f - 2.0f * tone;
        peakDb = 11.52f * v;
        highDb = -20.16f * v;
        lowDb = -24.0f * v;
    }
    else
    {
        // Brighter: a scooped middle under a lifted top and bottom.
        const float u = 2.0f * tone - 1.0f;
        peakDb = -3.0f * u;
        highDb = 18.72f * u;
        lowDb = 8.0f * u;
    }
    // At the middle all three gains are 0 dB: the filters are left out, so that the neutral
    // setting is exact rather than three identities in float; they restart from silence.
    const bool active = peakDb != 0.0f || highDb != 0.0f || lowDb != 0.0f;
    if (!active && m_toneActive)
        ResetFilters();
    m_toneActive = active;
    m_peak.CalcFilter(CBiquadFilter::kPeaking, 0, kPeakHz, kPeakOctaves, peakDb, m_sampleRate);
    m_highShelf.CalcFilter(CBiquadFilter::kHighShelf, 0, kHighShelfHz, 1.0f, highDb, m_sampleRate);
    m_lowShelf.CalcFilter(CBiquadFilter::kLowShelf, 0, kLowShelfHz, 1.0f, lowDb, m_sampleRate);
}

void CLayerLoFi::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || !(m_sampleRate > 0.0f) || !IsOn(kLoFiOn))
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float bits = ParamRead::Smoothed(owner, kLoFiBitDepth + layer);
    const float rate = ParamRead::Smoothed(owner, kLoFiSampleRate + layer);
    const float noise = ParamRead::Smoothed(owner, kLoFiNoise + layer);
    const float tone = ParamRead::Smoothed(owner, kLoFiTone + layer);
    const float mix = ParamRead::Smoothed(owner, kLoFiMix + layer);
    if (Resting(mix, m_mixRamp.GetCurrent()))
        return;

    UpdateTone(tone);
    const bool toneActive = m_toneActive;
    m_toneRamp.SetTarget(tone, count);
    m_mixRamp.SetTarget(mix, count);

    // Stage by stage over pieces of the block: the crusher, then each tone filter over the whole
    // piece (interleaved, both channels at once), then level and mix per sample.
    constexpr int kPiece = 32;
    float frames[2 * kPiece];
    float wetLeft[kPiece];
    float wetRight[kPiece];
    for (int start = 0; start < count; start += kPiece)
    {
        const int n = count - start < kPiece ? count - start : kPiece;
        float* pieceLeft = left + start;
        float* pieceRight = right + start;
        for (int i = 0; i < n; ++i)
        {
            wetLeft[i] = pieceLeft[i];
            wetRight[i] = pieceRight[i];
        }
        m_lofi.ProcessBlock(wetLeft, wetRight, n, bits, rate, noise);
        if (toneActive)
        {
            CBiquadFilter::Interleave(wetLeft, wetRight, frames, n);
            m_peak.FilterInterleaved(frames, n);
            m_highShelf.FilterInterleaved(frames, n);
            m_lowShelf.FilterInterleaved(frames, n);
            CBiquadFilter::Deinterleave(frames, wetLeft, wetRight, n);
        }
        for (int i = 0; i < n; ++i)
        {
        // The brighter half boosts up to +18.7 dB: take up to 6 dB back.
            const float t = m_toneRamp.Next();
            const float compensation = t < 0.5f ? 1.0f : 1.0f / (2.0f * t);
            const float l = wetLeft[i] * compensation;
            const float r = wetRight[i] * compensation;
            const float m = m_mixRamp.Next();
            pieceLeft[i] = l * m + pieceLeft[i] * (1.0f - m);
            pieceRight[i] = r * m + pieceRight[i] * (1.0f - m);
        }
    }
}
