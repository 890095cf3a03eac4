#include "LayerGlitch.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace MorvexParam;

namespace
{
constexpr float kMinSampleRate = 8000.0f;
constexpr float kMaxSampleRate = 384000.0f;
constexpr int kMaxSubBlock = 16;
constexpr int kLongestBufferIndex = 14; // "1/1", the top of "Glitch Buffer"
constexpr float kActiveFloor = 0.0001f; // scale and latched mix above this count as set

// trunc(2^(scale - 1)) for scales up to 11: "Glitch Scale" tops out at log2(ratio * 512)
// for the longest note length the buffer parameter can name.
constexpr int kMaxRepeatCount = 1024;
constexpr float kMaxScale = 11.0f;

// Scale at which trunc(2^(scale - 1)) reaches m: 1 + log2(m), for m = 1..kMaxRepeatCount.
// Filled once at load time, so that the audio path counts repeats without exp2.
struct REPEAT_THRESHOLDS
{
    float scale[kMaxRepeatCount];

    REPEAT_THRESHOLDS()
    {
        for (int m = 1; m <= kMaxRepeatCount; ++m)
            scale[m - 1] = static_cast<float>(1.0 + std::log2(static_cast<double>(m)));
    }
};
const REPEAT_THRESHOLDS kRepeatThresholds;

// Slice divisor q = 2 trunc(2^(scale - 1)), or 1 when that is 0.
int SliceDivisor(float scale) noexcept
{
    const float* begin = kRepeatThresholds.scale;
    const int repeats =
        static_cast<int>(std::upper_bound(begin, begin + kMaxRepeatCount, scale) - begin);
    return repeats == 0 ? 1 : 2 * repeats;
}

float Finite(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}
} // namespace

CLayerGlitch::CLayerGlitch(CBaseEffect* owner, int layer) : CLayerEffect(owner, layer)
{
    m_hostTempo = 120.0f;
    SetBlockSize(kMaxSubBlock);
    SetSampleRate(44100.0f);
}

void CLayerGlitch::SetBlockSize(int blockSize)
{
    CLayerEffect::SetBlockSize(blockSize);
    m_dry.SetSamplesCount(std::max(blockSize, kMaxSubBlock));
}

void CLayerGlitch::SetSampleRate(float sampleRate)
{
    if (!(sampleRate >= kMinSampleRate))
        sampleRate = kMinSampleRate;
    sampleRate = std::min(sampleRate, kMaxSampleRate);
    CLayerEffect::SetSampleRate(sampleRate);
    m_stretch.SetSampleRate(sampleRate);
    const float longestSeconds = TimeScaling::ToRatio(kLongestBufferIndex, kMinTempoBpm);
    // Not needed for silence (Reset makes the loop read as silence), but the first write to
    // a fresh page would otherwise fault it in on the audio thread. Kept storage has its
    // pages already.
    if (m_loop.SetSamplesCount(static_cast<int>(longestSeconds * sampleRate)))
        m_loop.Clear();
    CalcBufferSize();
    Reset();
}

void CLayerGlitch::SetHostTempo(float tempoBpm)
{
    if (!(tempoBpm >= kMinTempoBpm))
        tempoBpm = kMinTempoBpm;
    CLayerEffect::SetHostTempo(std::min(tempoBpm, kMaxTempoBpm));
    m_stretch.SetHostTempo(m_hostTempo);
    CalcBufferSize();
}

void CLayerGlitch::SetHostSamplePos(float samplePos)
{
    CLayerEffect::SetHostSamplePos(samplePos);
}

void CLayerGlitch::OnTransportStart()
{
    m_transportRunning = true;
    m_stretch.SetTransportRunning(true);
}

void CLayerGlitch::OnTransportStop()
{
    Reset();
    m_transportRunning = false;
    m_stretch.SetTransportRunning(false);
}

void CLayerGlitch::Reset()
{
    m_writtenCount = 0;
    m_writeIndex = 0;
    m_readIndex = 0;
    m_bufferFull = false;
    m_freeze = false;
    m_latchedMix = 0.0f;
    m_stretch.Reset();
}

void CLayerGlitch::CalcBufferSize() noexcept
{
    const float seconds = TimeScaling::ToRatio(m_bufferSyncIndex, m_hostTempo);
    const int size = static_cast<int>(seconds * m_sampleRate);
    m_bufferSize = std::clamp(size, 1, std::max(1, m_loop.GetSamplesCount()));
}

void CLayerGlitch::Process(float* left, float* right, int count) noexcept
{
    const int dryCapacity = m_dry.GetSamplesCount();
    if (count <= 0 || dryCapacity <= 0 || m_loop.GetSamplesCount() <= 0)
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    BLOCK_SETTINGS settings{};
    settings.on = ParamRead::Switch(owner, kGlitchOn + layer);
    const float mode = ParamRead::Modulated(owner, kGlitchMode + layer);
    const float reverse = ParamRead::Modulated(owner, kGlitchReverse + layer);
    settings.smooth = ParamRead::Switch(owner, kGlitchSmooth + layer);
    const float scale = ParamRead::ModulatedUnits(owner, kGlitchScale + layer);
    const float stretch = ParamRead::Smoothed(owner, kGlitchStretch + layer);
    const float bufferIndex = ParamRead::ModulatedUnits(owner, kGlitchBuffer + layer);
    settings.mix = ParamRead::Smoothed(owner, kGlitchMix + layer);
    settings.freezeWanted = mode > 0.5f;
    settings.reverseWanted = reverse > 0.5f;
    settings.stretching = stretch < 1.0f;

    const int syncIndex = static_cast<int>(bufferIndex);
    if (syncIndex != m_bufferSyncIndex)
    {
        m_bufferSyncIndex = syncIndex;
        CalcBufferSize();
    }
    // Switching freeze or reverse off does not wait for the slice to end.
    if (!settings.freezeWanted)
        m_freeze = false;
    if (!settings.reverseWanted)
        m_reverse = false;
    m_scaleRamp.SetTarget(std::clamp(scale, 0.0f, kMaxScale), count);
    m_mixRamp.SetTarget(settings.mix, count);
    const float stretchAmount = 1.0f - stretch;

    if (count <= dryCapacity && OnlyRecords(settings) && Record(left, right, count, settings))
    {
        // The output is the input: no dry copy, no blend; the ramps end where they would.
        if (settings.on)
            m_stretch.Process(left, right, stretchAmount, count);
        m_scaleRamp.Finish();
        m_mixRamp.Finish();
        return;
    }

    for (int start = 0; start < count; start += dryCapacity)
    {
        const int n = std::min(dryCapacity, count - start);
        float* pieceLeft = left + start;
        float* pieceRight = right + start;
        const size_t bytes = sizeof(float) * static_cast<size_t>(n);
        std::memcpy(m_dry.GetLeftBuffer(), pieceLeft, bytes);
        std::memcpy(m_dry.GetRightBuffer(), pieceRight, bytes);
        RepeatSlices(pieceLeft, pieceRight, n, settings);
        if (settings.on)
            m_stretch.Process(pieceLeft, pieceRight, stretchAmount, n);
        BlendWithDry(pieceLeft, pieceRight, n);
    }
}

void CLayerGlitch::RepeatSlices(float* left, float* right, int count,
                                const BLOCK_SETTINGS& settings) noexcept
{
    float* loopLeft = m_loop.GetLeftBuffer();
    float* loopRight = m_loop.GetRightBuffer();
    const unsigned capacity = static_cast<unsigned>(m_loop.GetSamplesCount());
    const int bufferSize = m_bufferSize;
    const bool transportRunning = m_transportRunning;

    int writeIndex = m_writeIndex;
    if (static_cast<unsigned>(writeIndex) >= capacity)
        writeIndex = 0;
    int readIndex = m_readIndex;
    int writtenCount = m_writtenCount;
    bool full = m_bufferFull;
    bool freeze = m_freeze;
    bool reverse = m_reverse;
    bool enabled = settings.on && m_latchedMix > kActiveFloor;
    float divisorScale = m_divisorScale;
    int divisor = m_divisor;
    int sliceLength = std::max(1, bufferSize / divisor);
    float inverseSpan = sliceLength > 1 ? 1.0f / static_cast<float>(sliceLength - 1) : 0.0f;

    for (int i = 0; i < count; ++i)
    {
        const float scale = m_scaleRamp.Next();
        if (scale != divisorScale)
        {
            divisorScale = scale;
            const int newDivisor = SliceDivisor(scale);
            if (newDivisor != divisor)
            {
                divisor = newDivisor;
                sliceLength = std::max(1, bufferSize / divisor);
                inverseSpan = sliceLength > 1 ? 1.0f / static_cast<float>(sliceLength - 1) : 0.0f;
            }
        }
        // Scale or stretch set: repeat; neither: only a reversed loop is worth hearing.
        const bool active = enabled && (settings.stretching || scale > kActiveFloor || reverse);

        const float inLeft = left[i];
        const float inRight = right[i];
        if (!(freeze && transportRunning && active))
        {
            loopLeft[writeIndex] = Finite(inLeft);
            loopRight[writeIndex] = Finite(inRight);
            writtenCount = std::max(writtenCount, writeIndex + 1);
        }
        else if (writeIndex >= writtenCount)
        {
            // A frozen pass over a place not recorded since the reset keeps it silent.
            loopLeft[writeIndex] = 0.0f;
            loopRight[writeIndex] = 0.0f;
            writtenCount = writeIndex + 1;
        }
        if (++writeIndex >= bufferSize)
        {
            writeIndex = 0;
            full = true;
        }

        int position = reverse ? sliceLength - 1 - readIndex : readIndex;
        if (static_cast<unsigned>(position) >= capacity) // negative after the slice shrank
            position = 0;
        if (active && full)
        {
            float gain = 1.0f;
            if (settings.smooth)
            {
                const float t = std::min(static_cast<float>(position) * inverseSpan, 1.0f);
                gain = LookupInterpolated(FASTFADEIN_TABLE, 4096.0f * t) *
                       LookupInterpolated(FASTFADEIN_TABLE, 4096.0f * (1.0f - t));
            }
            const bool written = position < writtenCount;
            left[i] = (written ? loopLeft[position] : 0.0f) * gain;
            right[i] = (written ? loopRight[position] : 0.0f) * gain;
        }

        if (++readIndex >= sliceLength)
        {
            // Slice boundary: the settings of the next slice.
            readIndex = 0;
            if (full)
                freeze = settings.freezeWanted;
            reverse = settings.reverseWanted;
            m_latchedMix = settings.mix;
            enabled = settings.on && settings.mix > kActiveFloor;
        }
    }

    m_writeIndex = writeIndex;
    m_readIndex = readIndex;
    m_writtenCount = writtenCount;
    m_bufferFull = full;
    m_freeze = freeze;
    m_reverse = reverse;
    m_divisorScale = divisorScale;
    m_divisor = divisor;
}

bool CLayerGlitch::OnlyRecords(const BLOCK_SETTINGS& settings) const noexcept
{
    if (!settings.on)
        return true;
    // The stretcher changes the block itself (the mix then blends it away).
    if (settings.stretching)
        return false;
    // A latched mix of 0 that stays 0 at the next boundary keeps the repeat off.
    if (!(m_latchedMix > kActiveFloor) && !(settings.mix > kActiveFloor))
        return true;
    return !m_reverse && !settings.reverseWanted &&
           m_scaleRamp.IsSettled() && !(m_scaleRamp.GetCurrent() > kActiveFloor);
}

bool CLayerGlitch::Record(const float* left, const float* right, int count,
                          const BLOCK_SETTINGS& settings) noexcept
{
    float* loopLeft = m_loop.GetLeftBuffer();
    float* loopRight = m_loop.GetRightBuffer();
    const unsigned capacity = static_cast<unsigned>(m_loop.GetSamplesCount());
    const int bufferSize = m_bufferSize;

    // The scale is constant over the block: its slice length once.
    const float scale = m_scaleRamp.GetCurrent();
    if (scale != m_divisorScale)
    {
        m_divisorScale = scale;
        m_divisor = SliceDivisor(scale);
    }
    const int sliceLength = std::max(1, bufferSize / m_divisor);

    int writeIndex = m_writeIndex;
    if (static_cast<unsigned>(writeIndex) >= capacity)
        writeIndex = 0;
    int readIndex = m_readIndex;
    // An index left beyond a buffer or slice that shrank: the sample-by-sample path.
    if (writeIndex >= bufferSize || readIndex < 0 || readIndex >= sliceLength)
        return false;

    // The input goes into the loop in runs up to the loop's end; fullAt is the sample at
    // which the loop first wraps in this block (count if it does not).
    const bool fullBefore = m_bufferFull;
    int fullAt = count;
    for (int i = 0; i < count;)
    {
        const int run = std::min(count - i, bufferSize - writeIndex);
        float* toLeft = loopLeft + writeIndex;
        float* toRight = loopRight + writeIndex;
        for (int j = 0; j < run; ++j)
        {
            toLeft[j] = Finite(left[i + j]);
            toRight[j] = Finite(right[i + j]);
        }
        m_writtenCount = std::max(m_writtenCount, writeIndex + run);
        writeIndex += run;
        i += run;
        if (writeIndex >= bufferSize)
        {
            writeIndex = 0;
            fullAt = std::min(fullAt, i - 1);
        }
    }
    m_writeIndex = writeIndex;
    m_bufferFull = fullBefore || fullAt < count;

    // Slice boundaries: the first at sample sliceLength - readIndex - 1, then one per slice.
    const int first = sliceLength - readIndex - 1;
    if (first >= count)
    {
        m_readIndex = readIndex + count;
        return true;
    }
    const int last = first + ((count - 1 - first) / sliceLength) * sliceLength;
    m_readIndex = count - 1 - last;
    if (fullBefore || fullAt <= last)
        m_freeze = settings.freezeWanted;
    m_reverse = settings.reverseWanted;
    m_latchedMix = settings.mix;
    return true;
}

void CLayerGlitch::BlendWithDry(float* left, float* right, int count) noexcept
{
    const float* dryLeft = m_dry.GetLeftBuffer();
    const float* dryRight = m_dry.GetRightBuffer();
    for (int i = 0; i < count; ++i)
    {
        const float wet = m_mixRamp.Next();
        // Samples the repeat and the stretcher left alone stay bit-exact.
        if (left[i] != dryLeft[i])
            left[i] = left[i] * wet + dryLeft[i] * (1.0f - wet);
        if (right[i] != dryRight[i])
            right[i] = right[i] * wet + dryRight[i] * (1.0f - wet);
    }
}
