#include "GrainStretch.h"

#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float kMinSampleRate = 8000.0f;
constexpr float kMaxSampleRate = 384000.0f;
constexpr int kRingSeconds = 10;
constexpr float kGrainSeconds = 0.05f;
constexpr float kRampShare = 0.2f; // of the grain, rising and falling each
constexpr int kResyncWholeNotes = 12;

float Finite(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}
} // namespace

CGrainStretch::CGrainStretch()
{
    SetSampleRate(44100.0f);
}

void CGrainStretch::SetSampleRate(float sampleRate)
{
    if (!(sampleRate >= kMinSampleRate))
        sampleRate = kMinSampleRate;
    m_sampleRate = std::min(sampleRate, kMaxSampleRate);
    // Fresh storage is touched here, so that the audio thread's first writes fault in no
    // new pages. Kept storage needs nothing: what was not written since the reset reads
    // as silence, and rewriting seconds of it would only push the engine's working set
    // out of the caches.
    if (m_buffer.SetSamplesCount(kRingSeconds * static_cast<int>(m_sampleRate)))
        m_buffer.Clear();
    UpdateResyncPeriod();
    Reset();
}

void CGrainStretch::SetHostTempo(float tempoBpm) noexcept
{
    if (!(tempoBpm >= kMinTempoBpm))
        tempoBpm = kMinTempoBpm;
    m_tempoBpm = std::min(tempoBpm, kMaxTempoBpm);
    UpdateResyncPeriod();
}

void CGrainStretch::UpdateResyncPeriod() noexcept
{
    const int wholeNote = static_cast<int>(240.0f / m_tempoBpm * m_sampleRate);
    int period = kResyncWholeNotes * wholeNote;
    // The grains fall behind the input by up to (1 - 1 / F) of the period; a period
    // within the ring keeps what they read from being overwritten first.
    const int size = m_buffer.GetSamplesCount();
    if (size > 0)
    {
        while (period > size)
            period /= 2;
    }
    m_resyncPeriod = period;
}

void CGrainStretch::Reset() noexcept
{
    m_writtenCount = 0;
    m_writeIndex = 0;
    m_resyncCounter = 0;
    m_grainLength = static_cast<int>(kGrainSeconds * m_sampleRate);
    const int ramp = static_cast<int>(kRampShare * static_cast<float>(m_grainLength));
    for (GRAIN& grain : m_grains)
    {
        grain.window.SetParams(m_grainLength, ramp);
        grain.window.SetStartDelay(0);
        grain.readIndex = 0;
    }
    m_grains[1].window.SetStartDelay(m_grainLength / 2);
}

void CGrainStretch::Process(float* left, float* right, float amount, int count) noexcept
{
    const int size = m_buffer.GetSamplesCount();
    if (!m_transportRunning || count <= 0 || size <= 0)
        return;
    amount = std::clamp(amount, 0.0f, 1.0f);
    const float factor = 1.0f + 15.0f * EXP_TABLE.At(static_cast<int>(amount * Dsp::kCurveTableScale));
    if (factor == 1.0f)
    {
        for (GRAIN& grain : m_grains)
            grain.readIndex = m_writeIndex;
        return;
    }
    const int grainLength = m_grainLength;
    const int ramp = static_cast<int>(kRampShare * static_cast<float>(grainLength));
    const int skip =
        static_cast<int>(static_cast<float>(grainLength) / factor) - grainLength; // <= 0
    const float wet = LookupInterpolated(FASTFADEIN_TABLE, 4096.0f * amount);
    const float dry = 1.0f - wet;
    float* ringLeft = m_buffer.GetLeftBuffer();
    float* ringRight = m_buffer.GetRightBuffer();
    int writeIndex = m_writeIndex;
    int writtenCount = m_writtenCount;
    int resyncCounter = m_resyncCounter;
    const int period = m_resyncPeriod;

    for (int i = 0; i < count; ++i)
    {
        const float inLeft = left[i];
        const float inRight = right[i];
        ringLeft[writeIndex] = Finite(inLeft);
        ringRight[writeIndex] = Finite(inRight);
        writtenCount = std::max(writtenCount, writeIndex + 1);

        float sumLeft = 0.0f;
        float sumRight = 0.0f;
        for (GRAIN& grain : m_grains)
        {
            if (grain.window.IsIdle())
            {
                grain.window.SetParams(grainLength, ramp);
                grain.readIndex += skip;
            }
            const float window = grain.window.GetSample();
            const float phase = grain.window.GetPhase();
            const float weight = window * 2.0f * std::min(phase, 1.0f - phase);
            int readIndex = grain.readIndex;
            if (readIndex < 0)
                readIndex += size;
            if (readIndex < 0 || readIndex >= size)
                readIndex = 0;
            // What was not written since the reset is silence.
            const bool written = readIndex < writtenCount;
            sumLeft += (written ? ringLeft[readIndex] : 0.0f) * weight;
            sumRight += (written ? ringRight[readIndex] : 0.0f) * weight;
            grain.readIndex = readIndex + 1;
        }

        if (++writeIndex >= size)
            writeIndex = 0;
        if (++resyncCounter >= period)
        {
            for (GRAIN& grain : m_grains)
                grain.readIndex = writeIndex;
            resyncCounter = 0;
        }
        left[i] = sumLeft * wet + inLeft * dry;
        right[i] = sumRight * wet + inRight * dry;
    }

    m_writeIndex = writeIndex;
    m_writtenCount = writtenCount;
    m_resyncCounter = resyncCounter;
}
