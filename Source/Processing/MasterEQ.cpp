#include "MasterEQ.h"

#include "Common/wrappers/BaseEffect.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <cmath>

namespace
{
constexpr float kTrebleHz = 3000.0f;
constexpr float kLowMidHz = 830.0f;
constexpr float kHighMidHz = 2000.0f;
constexpr float kHighMidSpanHz = 400.0f;
constexpr float kBassHz = 425.0f;
constexpr float kBassSpanHz = 2000.0f;
constexpr float kShelfRangeDb = 32.0f; // gain = 32 x - 16 dB for a scaled x
constexpr float kMidRangeDb = 20.0f;   // gain = 20 (2m - 1) dB before the crossfade
constexpr float kLowMidWidthOct = 7.2f;
constexpr float kHighMidWidthOct = 4.5f;
} // namespace

CMasterEQ::CMasterEQ(CBaseEffect* owner) : m_owner(owner)
{
}

void CMasterEQ::SetSampleRate(float sampleRate)
{
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return;
    m_sampleRate = sampleRate;
    m_sectionsValid = false;
}

void CMasterEQ::Reset()
{
    m_bass.Reset();
    m_lowMid.Reset();
    m_highMid.Reset();
    m_treble.Reset();
}

void CMasterEQ::UpdateSections(float bass, float mid, float treble, float bassFreq,
                               float midFreq) noexcept
{
    const float midSigned = 2.0f * mid - 1.0f; // sigma k: -1 .. +1
    const float midAmount = std::fabs(midSigned);
    const float lowMidWidth =
        mid > 0.5f ? kLowMidWidthOct : kLowMidWidthOct - 3.0f * (1.0f - 2.0f * mid);
    const float trebleDb = kShelfRangeDb * treble - 0.5f * kShelfRangeDb;
    const float lowMidDb = kMidRangeDb * midSigned * (1.0f - midFreq);
    const float highMidDb = kMidRangeDb * midSigned * midFreq;
    const float bassDb = kShelfRangeDb * bass - 0.5f * kShelfRangeDb;
    m_treble.CalcFilter(CBiquadFilter::kHighShelf, 0, kTrebleHz, 1.0f, trebleDb, m_sampleRate);
    m_lowMid.CalcFilter(CBiquadFilter::kPeaking, 0, kLowMidHz, lowMidWidth, lowMidDb,
                        m_sampleRate);
    m_highMid.CalcFilter(CBiquadFilter::kPeaking, 0, kHighMidHz + kHighMidSpanHz * midAmount,
                         kHighMidWidthOct, highMidDb, m_sampleRate);
    m_bass.CalcFilter(CBiquadFilter::kLowShelf, 0, kBassHz + kBassSpanHz * bassFreq,
                      1.0f + 0.15f * bassFreq, bassDb, m_sampleRate);
    auto activate = [](CBiquadFilter& section, bool& active, float gainDb) {
        const bool nowActive = gainDb != 0.0f;
        if (active && !nowActive)
            section.Reset();
        active = nowActive;
    };
    activate(m_treble, m_trebleActive, trebleDb);
    activate(m_lowMid, m_lowMidActive, lowMidDb);
    activate(m_highMid, m_highMidActive, highMidDb);
    activate(m_bass, m_bassActive, bassDb);
}

void CMasterEQ::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0)
        return;
    if (!(ParamRead::Switch(*m_owner, MorvexParam::kEqOn)))
        return;

    const float controls[5] = {
        ParamRead::Smoothed(*m_owner, MorvexParam::kEqBass),
        ParamRead::Smoothed(*m_owner, MorvexParam::kEqMid),
        ParamRead::Smoothed(*m_owner, MorvexParam::kEqTreble),
        ParamRead::Smoothed(*m_owner, MorvexParam::kEqBassFreq),
        ParamRead::Smoothed(*m_owner, MorvexParam::kEqMidFreq),
    };
    bool changed = !m_sectionsValid;
    for (int i = 0; i < 5; ++i)
        changed = changed || controls[i] != m_lastControls[i];
    if (changed)
    {
        UpdateSections(controls[0], controls[1], controls[2], controls[3], controls[4]);
        for (int i = 0; i < 5; ++i)
            m_lastControls[i] = controls[i];
        m_sectionsValid = true;
    }

    CBiquadFilter* active[4];
    int activeCount = 0;
    if (m_bassActive)
        active[activeCount++] = &m_bass;
    if (m_lowMidActive)
        active[activeCount++] = &m_lowMid;
    if (m_highMidActive)
        active[activeCount++] = &m_highMid;
    if (m_trebleActive)
        active[activeCount++] = &m_treble;
    // A flat EQ is the identity: nothing to do.
    if (activeCount == 0)
        return;

    // Both channels side by side through the active sections in turn, one stretch at a
    // time; each section's samples are those of filtering sample by sample.
    constexpr int kChunk = 32;
    float frames[2 * kChunk];
    for (int start = 0; start < count; start += kChunk)
    {
        const int n = count - start < kChunk ? count - start : kChunk;
        CBiquadFilter::Interleave(left + start, right + start, frames, n);
        for (int k = 0; k < activeCount; ++k)
            active[k]->FilterInterleaved(frames, n);
        CBiquadFilter::Deinterleave(frames, left + start, right + start, n);
    }
}
