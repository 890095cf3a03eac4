#include "LayerDist.h"

#include "Common/wrappers/BaseEffect.h"
#include "Dist/TanhShaper.h"
#include "Morvex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace MorvexParam;

namespace
{
// The engine's sub-block: the buffers never hold less.
constexpr int kMaxSubBlock = 16;
// The drive models take inputs up to +40 dBFS, far above any real signal; beyond it
// (and for non-finite input) the wet path is clamped, so no state can overflow.
constexpr float kInputLimit = 100.0f;

enum DIST_MODE : int
{
    kModeTube = 0,
    kModeOverdrive = 1,
    kModeWarm = 2,
    kModeCrisp = 3,
};

// Band edges of the colour equaliser in Hz.
constexpr float kBandEdges[4][2] = {
    {30.0f, 300.0f},
    {300.0f, 2000.0f},
    {1000.0f, 7200.0f},
    {3600.0f, 14400.0f},
};

float SanitizeInput(float x) noexcept
{
    return std::isfinite(x) ? std::clamp(x, -kInputLimit, kInputLimit) : 0.0f;
}
} // namespace

CLayerDist::CLayerDist(CBaseEffect* owner, int layer) : CLayerEffect(owner, layer)
{
    m_oversampler.SetOversampling(2);
    ResizeBuffers(kMaxSubBlock);
    SetSampleRate(44100.0f);
    Reset();
}

void CLayerDist::SetBlockSize(int blockSize)
{
    CLayerEffect::SetBlockSize(blockSize);
    ResizeBuffers(std::max(blockSize, kMaxSubBlock));
}

void CLayerDist::ResizeBuffers(int blockSize)
{
    m_oversampler.SetBlockSize(blockSize);
    m_dry.SetSamplesCount(blockSize);
    m_capacity = std::min(m_oversampler.GetBlockSize(), m_dry.GetSamplesCount());
}

void CLayerDist::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    for (auto& channelBands : m_bands)
    {
        for (int band = 0; band < kBandCount; ++band)
            channelBands[band].CalcParams(sampleRate, kBandEdges[band][0], kBandEdges[band][1]);
    }
    for (int channel = 0; channel < 2; ++channel)
    {
        m_tubeA[channel].SetSampleRate(sampleRate);
        m_tubeB[channel].SetSampleRate(sampleRate);
        m_warm[channel].SetSampleRate(sampleRate);
    }
}

void CLayerDist::Reset()
{
    m_oversampler.Reset();
    for (int channel = 0; channel < 2; ++channel)
    {
        m_tubeA[channel].Reset();
        m_tubeB[channel].Reset();
        m_warm[channel].Reset();
        for (CDistFilter& band : m_bands[channel])
            band.Reset();
    }
    m_fuzz.Reset();
}

void CLayerDist::Process(float* left, float* right, int count) noexcept
{
    // A block longer than the buffers (the engine never passes one) is taken in pieces.
    while (count > m_capacity && m_capacity > 0)
    {
        ProcessBlock(left, right, m_capacity);
        left += m_capacity;
        right += m_capacity;
        count -= m_capacity;
    }
    if (count > 0 && m_capacity > 0)
        ProcessBlock(left, right, count);
}

void CLayerDist::ProcessBlock(float* left, float* right, int count) noexcept
{
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const bool on = owner.GetParameterScaled(kDistOn + layer, false, true, 0) > 0.5f;
    const int mode =
        std::clamp(static_cast<int>(owner.GetParameterUnscaled(kDistMode + layer, false, true, 0)),
                   static_cast<int>(kModeTube), static_cast<int>(kModeCrisp));
    const float drive = owner.GetParameterScaled(kDistDrive + layer, true, true, 0);
    const float mono = owner.GetParameterScaled(kDistMono + layer, true, true, 0);
    if (!on)
        return;

    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memcpy(m_dry.GetLeftBuffer(), left, bytes);
    std::memcpy(m_dry.GetRightBuffer(), right, bytes);

    m_monoRamp.SetTarget(std::sqrt(mono), count);
    ApplyMono(left, right, count);
    ApplyDrive(left, right, count, mode, drive);
    ApplyFuzz(left, right, count);
    ApplyColourAndMix(left, right, count);
}

void CLayerDist::ApplyMono(float* left, float* right, int count) noexcept
{
    for (int i = 0; i < count; ++i)
    {
        const float width = 1.0f - m_monoRamp.Next();
        const float l = SanitizeInput(left[i]);
        const float r = SanitizeInput(right[i]);
        const float mid = (l + r) * 0.5f;
        const float side = (l - r) * width * 0.5f;
        left[i] = mid + side;
        right[i] = mid - side;
    }
}

void CLayerDist::ApplyDrive(float* left, float* right, int count, int mode, float drive) noexcept
{
    switch (mode)
    {
    case kModeTube:
        m_driveGainRamp.SetTarget(std::exp2(6.9f * drive + 0.1f), count);
        m_driveLevelRamp.SetTarget(drive + 1.0f, count);
        for (int i = 0; i < count; ++i)
        {
            const float gain = m_driveGainRamp.Next();
            const float level = m_driveLevelRamp.Next();
            left[i] = m_tubeA[0].Process(left[i], gain, level);
            right[i] = m_tubeA[1].Process(right[i], gain, level);
        }
        break;
    case kModeOverdrive:
        m_driveGainRamp.SetTarget(std::exp2(3.0f * drive), count);
        m_driveLevelRamp.SetTarget(3.0f * drive + 1.0f, count);
        for (int i = 0; i < count; ++i)
        {
            const float gain = m_driveGainRamp.Next();
            const float level = m_driveLevelRamp.Next();
            left[i] = 0.5f * m_tubeB[0].Process(left[i], gain, level);
            right[i] = 0.5f * m_tubeB[1].Process(right[i], gain, level);
        }
        break;
    default:
    {
        const bool crisp = mode == kModeCrisp;
        const float crispness = crisp ? 1.0f : 0.0f;
        m_warmDriveRamp.SetTarget(drive, count);
        for (int i = 0; i < count; ++i)
        {
            const float amount = m_warmDriveRamp.Next();
            float l = left[i];
            float r = right[i];
            if (crisp)
            {
                const float shaperGain = 40.0f * amount + 1.0f;
                l = TanhShaper::Shape(l, shaperGain);
                r = TanhShaper::Shape(r, shaperGain);
            }
            m_warm[0].Process(l, r, amount, crispness);
            m_warm[1].Process(l, r, amount, crispness);
            left[i] = l;
            right[i] = r;
        }
        break;
    }
    }
}

void CLayerDist::ApplyFuzz(float* left, float* right, int count) noexcept
{
    float* raisedLeft = nullptr;
    float* raisedRight = nullptr;
    m_oversampler.Upsample(left, right, &raisedLeft, &raisedRight, count);
    if (!raisedLeft || !raisedRight)
        return;
    const int raisedCount = count * m_oversampler.GetFactor();
    const float fuzz =
        0.9f * std::sqrt(m_owner->GetParameterScaled(kDistFuzz + m_layer, true, true, 0));
    // 48 f^2 dB of gain into the clip, up to 75 % of the fuzz in the mix.
    m_fuzzGainRamp.SetTarget(std::pow(10.0f, 2.4f * fuzz * fuzz), raisedCount);
    m_fuzzMixRamp.SetTarget(0.75f * fuzz, raisedCount);
    // Local copies keep the state in registers: the samples cannot alias them.
    CFuzzDistortion fuzzStage = m_fuzz;
    ParamInterpolator gainRamp = m_fuzzGainRamp;
    ParamInterpolator mixRamp = m_fuzzMixRamp;
    for (int i = 0; i < raisedCount; ++i)
    {
        const float gain = gainRamp.Next();
        const float mix = mixRamp.Next();
        fuzzStage.Process(raisedLeft[i], raisedRight[i], gain, mix);
    }
    m_fuzz = fuzzStage;
    m_fuzzGainRamp = gainRamp;
    m_fuzzMixRamp = mixRamp;
    m_oversampler.Downsample(raisedLeft, raisedRight, count);
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memcpy(left, raisedLeft, bytes);
    std::memcpy(right, raisedRight, bytes);
}

void CLayerDist::ApplyColourAndMix(float* left, float* right, int count) noexcept
{
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float colour = owner.GetParameterScaled(kDistColor + layer, true, true, 0);
    const float outputDb = owner.GetParameterUnscaled(kDistOutput + layer, true, true, 0);
    const float mix = owner.GetParameterScaled(kDistMix + layer, true, true, 0);
    m_colourRamp.SetTarget(colour, count);
    m_outputGainRamp.SetTarget(std::pow(10.0f, outputDb * 0.05f), count);
    m_mixRamp.SetTarget(mix, count);

    float* const channels[2] = {left, right};
    const float* const dry[2] = {m_dry.GetLeftBuffer(), m_dry.GetRightBuffer()};
    for (int start = 0; start < count; start += kMaxSubBlock)
    {
        const int n = std::min(kMaxSubBlock, count - start);
        // Bands 1, 3 and 4 rise by (1 + c)^2, band 2 falls by (1 - c)^2; all over 1 + c.
        float lift[kMaxSubBlock], scoop[kMaxSubBlock], scale[kMaxSubBlock], wetMix[kMaxSubBlock];
        for (int i = 0; i < n; ++i)
        {
            const float c = m_colourRamp.Next();
            lift[i] = (1.0f + c) * (1.0f + c) - 1.0f;
            scoop[i] = (1.0f - c) * (1.0f - c) - 1.0f;
            scale[i] = m_outputGainRamp.Next() / (1.0f + c);
            wetMix[i] = m_mixRamp.Next();
        }
        for (int channel = 0; channel < 2; ++channel)
        {
            float* x = channels[channel] + start;
            const float* dryIn = dry[channel] + start;
            float bands[kBandCount][kMaxSubBlock];
            for (int band = 0; band < kBandCount; ++band)
                m_bands[channel][band].Filter(x, bands[band], n);
            for (int i = 0; i < n; ++i)
            {
                const float wet = (x[i] + lift[i] * (bands[0][i] + bands[2][i] + bands[3][i]) +
                                   scoop[i] * bands[1][i]) *
                                  scale[i];
                x[i] = wet * wetMix[i] + dryIn[i] * (1.0f - wetMix[i]);
            }
        }
    }
}
