#include "LayerDist.h"

#include "Common/wrappers/BaseEffect.h"
#include "Dist/TanhShaper.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Common/wrappers/dsp/Float4.h"

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

// Raised samples the fuzz stage takes per pass (its ramp values sit on the stack).
constexpr int kFuzzChunk = 2 * kMaxSubBlock;

// Sets a ramp's target for a block of count samples; true when the ramp already stands on
// it, so that the caller can use the constant instead of stepping it.
bool SetRampTarget(ParamInterpolator& ramp, float target, int count) noexcept
{
    ramp.SetTarget(target, count);
    return ramp.IsSettled();
}

// The ramp's next count values (the constant when steady).
void ReadRamp(ParamInterpolator& ramp, bool steady, float* out, int count) noexcept
{
    if (steady)
    {
        const float value = ramp.GetCurrent();
        for (int i = 0; i < count; ++i)
            out[i] = value;
    }
    else
    {
        for (int i = 0; i < count; ++i)
            out[i] = ramp.Next();
    }
}

// Four samples cleared when not finite and clamped to +-kInputLimit.
inline FLOAT4 SanitizeInput4(FLOAT4 x) noexcept
{
    using namespace Float4;
    const FLOAT4 finite = Less(Abs(x), Broadcast(INFINITY));
    return And(finite, Clamp(x, Broadcast(-kInputLimit), Broadcast(kInputLimit)));
}

// TanhShaper::Shape on four samples with four gains.
inline FLOAT4 Shape4(FLOAT4 x, FLOAT4 gain) noexcept
{
    using Float4::Broadcast;
    const FLOAT4 v = gain * x;
    const FLOAT4 a = Float4::Abs(v);
    const FLOAT4 h = ((a + Broadcast(3.0f)) * a + Broadcast(6.0f)) * a + Broadcast(12.0f);
    return (v * h) / (h * a + Broadcast(24.0f));
}

// Runs body(offset, x...) over count samples of the given arrays four at a time; a last
// group of fewer than four goes through zero-padded copies.
template <int N, class BODY>
void ForEachQuad(float* const (&arrays)[N], int count, BODY body) noexcept
{
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        float* quads[N];
        for (int k = 0; k < N; ++k)
            quads[k] = arrays[k] + i;
        body(quads, i);
    }
    if (i < count)
    {
        const int rest = count - i;
        alignas(16) float copies[N][4] = {};
        float* quads[N];
        for (int k = 0; k < N; ++k)
        {
            std::memcpy(copies[k], arrays[k] + i, sizeof(float) * static_cast<size_t>(rest));
            quads[k] = copies[k];
        }
        body(quads, i);
        for (int k = 0; k < N; ++k)
            std::memcpy(arrays[k] + i, copies[k], sizeof(float) * static_cast<size_t>(rest));
    }
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
    for (CDistFilterBank& bank : m_bands)
        bank.CalcParams(sampleRate, kBandEdges);
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
        m_bands[channel].Reset();
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
    const bool on = ParamRead::Switch(owner, kDistOn + layer);
    const int mode =
        std::clamp(static_cast<int>(ParamRead::ModulatedUnits(owner, kDistMode + layer)),
                   static_cast<int>(kModeTube), static_cast<int>(kModeCrisp));
    const float drive = ParamRead::Smoothed(owner, kDistDrive + layer);
    const float mono = ParamRead::Smoothed(owner, kDistMono + layer);
    if (!on)
        return;
    const float mix = ParamRead::Smoothed(owner, kDistMix + layer);
    if (Resting(mix, m_mixRamp.GetCurrent()))
        return;
    const bool mixSteady = SetRampTarget(m_mixRamp, mix, count);

    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memcpy(m_dry.GetLeftBuffer(), left, bytes);
    std::memcpy(m_dry.GetRightBuffer(), right, bytes);

    const bool monoSteady = SetRampTarget(m_monoRamp, std::sqrt(mono), count);
    ApplyMono(left, right, count, monoSteady);
    ApplyDrive(left, right, count, mode, drive);
    ApplyFuzz(left, right, count);
    ApplyColourAndMix(left, right, count, mixSteady);
}

void CLayerDist::ApplyMono(float* left, float* right, int count, bool steady) noexcept
{
    for (int start = 0; start < count; start += kMaxSubBlock)
    {
        const int n = std::min(kMaxSubBlock, count - start);
        float* const l = left + start;
        float* const r = right + start;
        float width[kMaxSubBlock];
        ReadRamp(m_monoRamp, steady, width, n);
        for (int i = 0; i < n; ++i)
            width[i] = 1.0f - width[i];
        float* const arrays[3] = {l, r, width};
        ForEachQuad(arrays, n, [](float* const (&q)[3], int) noexcept {
            const FLOAT4 lv = SanitizeInput4(Float4::Load(q[0]));
            const FLOAT4 rv = SanitizeInput4(Float4::Load(q[1]));
            const FLOAT4 half = Float4::Broadcast(0.5f);
            const FLOAT4 mid = (lv + rv) * half;
            const FLOAT4 side = (lv - rv) * Float4::Load(q[2]) * half;
            Float4::Store(q[0], mid + side);
            Float4::Store(q[1], mid - side);
        });
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
        const bool steady = SetRampTarget(m_warmDriveRamp, drive, count);
        for (int start = 0; start < count; start += kMaxSubBlock)
        {
            const int n = std::min(kMaxSubBlock, count - start);
            float* const l = left + start;
            float* const r = right + start;
            float amount[kMaxSubBlock];
            ReadRamp(m_warmDriveRamp, steady, amount, n);
            // The shaper keeps no state, so the whole piece is shaped before the drives.
            if (crisp)
            {
                float* const arrays[3] = {l, r, amount};
                ForEachQuad(arrays, n, [](float* const (&q)[3], int) noexcept {
                    const FLOAT4 shaperGain =
                        Float4::Broadcast(40.0f) * Float4::Load(q[2]) + Float4::Broadcast(1.0f);
                    Float4::Store(q[0], Shape4(Float4::Load(q[0]), shaperGain));
                    Float4::Store(q[1], Shape4(Float4::Load(q[1]), shaperGain));
                });
            }
            CWarmDrive::ProcessSeries(m_warm[0], m_warm[1], l, r, amount, crispness, n);
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
        0.9f * std::sqrt(ParamRead::Smoothed(*m_owner, kDistFuzz + m_layer));
    // 48 f^2 dB of gain into the clip, up to 75 % of the fuzz in the mix.
    const bool gainSteady =
        SetRampTarget(m_fuzzGainRamp, std::pow(10.0f, 2.4f * fuzz * fuzz), raisedCount);
    const bool mixSteady = SetRampTarget(m_fuzzMixRamp, 0.75f * fuzz, raisedCount);
    for (int start = 0; start < raisedCount; start += kFuzzChunk)
    {
        const int n = std::min(kFuzzChunk, raisedCount - start);
        float gain[kFuzzChunk], mix[kFuzzChunk];
        ReadRamp(m_fuzzGainRamp, gainSteady, gain, n);
        ReadRamp(m_fuzzMixRamp, mixSteady, mix, n);
        m_fuzz.ProcessBlock(raisedLeft + start, raisedRight + start, gain, mix, n);
    }
    m_oversampler.Downsample(raisedLeft, raisedRight, count);
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memcpy(left, raisedLeft, bytes);
    std::memcpy(right, raisedRight, bytes);
}

void CLayerDist::ApplyColourAndMix(float* left, float* right, int count, bool mixSteady) noexcept
{
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float colour = ParamRead::Smoothed(owner, kDistColor + layer);
    const float outputDb = ParamRead::SmoothedUnits(owner, kDistOutput + layer);
    const bool colourSteady = SetRampTarget(m_colourRamp, colour, count);
    const bool gainSteady =
        SetRampTarget(m_outputGainRamp, std::pow(10.0f, outputDb * 0.05f), count);

    float* const channels[2] = {left, right};
    float* const dry[2] = {m_dry.GetLeftBuffer(), m_dry.GetRightBuffer()};
    for (int start = 0; start < count; start += kMaxSubBlock)
    {
        const int n = std::min(kMaxSubBlock, count - start);
        // Bands 1, 3 and 4 rise by (1 + c)^2, band 2 falls by (1 - c)^2; all over 1 + c.
        float lift[kMaxSubBlock], scoop[kMaxSubBlock], scale[kMaxSubBlock], wetMix[kMaxSubBlock];
        ReadRamp(m_colourRamp, colourSteady, lift, n);
        ReadRamp(m_outputGainRamp, gainSteady, scale, n);
        ReadRamp(m_mixRamp, mixSteady, wetMix, n);
        for (int i = 0; i < n; ++i)
        {
            const float c = lift[i];
            lift[i] = (1.0f + c) * (1.0f + c) - 1.0f;
            scoop[i] = (1.0f - c) * (1.0f - c) - 1.0f;
            scale[i] = scale[i] / (1.0f + c);
        }
        for (int channel = 0; channel < 2; ++channel)
        {
            float* const x = channels[channel] + start;
            float* const dryIn = dry[channel] + start;
            float bands[kBandCount][kMaxSubBlock];
            float* const bandOut[kBandCount] = {bands[0], bands[1], bands[2], bands[3]};
            m_bands[channel].Filter(x, bandOut, n);
            float* const arrays[10] = {x,       dryIn,    bands[0], bands[1], bands[2],
                                       bands[3], lift,    scoop,    scale,    wetMix};
            ForEachQuad(arrays, n, [](float* const (&q)[10], int) noexcept {
                using Float4::Load;
                const FLOAT4 in = Load(q[0]);
                const FLOAT4 band0 = Load(q[2]), band1 = Load(q[3]);
                const FLOAT4 band2 = Load(q[4]), band3 = Load(q[5]);
                const FLOAT4 lifted = Load(q[6]) * (band0 + band2 + band3);
                const FLOAT4 wet = (in + lifted + Load(q[7]) * band1) * Load(q[8]);
                const FLOAT4 wetMixV = Load(q[9]);
                const FLOAT4 dryMix = Float4::Broadcast(1.0f) - wetMixV;
                Float4::Store(q[0], wet * wetMixV + Load(q[1]) * dryMix);
            });
        }
    }
}
