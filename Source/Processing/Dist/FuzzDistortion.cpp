#include "FuzzDistortion.h"

#include "Common/wrappers/dsp/Float4.h"

void CFuzzDistortion::Reset() noexcept
{
    for (CHANNEL& channel : m_channels)
        channel = CHANNEL();
}

void CFuzzDistortion::ProcessBlock(float* left, float* right, const float* gain, const float* mix,
                                   int count) noexcept
{
    using namespace Float4;
    // Lane 0 the left channel, lane 1 the right; lanes 2 and 3 idle.
    FLOAT4 lowpass = Set(m_channels[0].lowpass, m_channels[1].lowpass, 0.0f, 0.0f);
    FLOAT4 lowpassPrev = Set(m_channels[0].lowpassPrev, m_channels[1].lowpassPrev, 0.0f, 0.0f);
    FLOAT4 blocker = Set(m_channels[0].blocker, m_channels[1].blocker, 0.0f, 0.0f);
    FLOAT4 treble = Set(m_channels[0].treble, m_channels[1].treble, 0.0f, 0.0f);
    const FLOAT4 lowpassCoefficient = Broadcast(kLowpass);
    const FLOAT4 blockerPole = Broadcast(kBlocker);
    const FLOAT4 blockerGain = Broadcast((1.0f + kBlocker) * 0.5f);
    const FLOAT4 trebleCoefficient = Broadcast(kTreble);
    const FLOAT4 three = Broadcast(3.0f);
    const FLOAT4 one = Broadcast(1.0f);
    const FLOAT4 clipHigh = Broadcast(kClip);
    const FLOAT4 clipLow = Broadcast(-kClip);
    for (int i = 0; i < count; ++i)
    {
        const FLOAT4 x = LoadPair(left + i, right + i);
        const FLOAT4 g = Broadcast(gain[i]);
        const FLOAT4 m = Broadcast(mix[i]);
        lowpass = lowpass + (x - lowpass) * lowpassCoefficient;
        FLOAT4 y = blockerPole * blocker + blockerGain * (lowpass - lowpassPrev);
        lowpassPrev = lowpass;
        blocker = y;
        y = y * g;
        treble = treble + (y - treble) * trebleCoefficient;
        y = y + three * (y - treble);
        // y < -clip ? -clip : (y > clip ? clip : y), operands ordered as that reads.
        y = Max(clipLow, Min(clipHigh, y));
        StorePair(left + i, right + i, y * m + x * (one - m));
    }
    alignas(16) float lanes[4][4];
    StoreAligned(lanes[0], lowpass);
    StoreAligned(lanes[1], lowpassPrev);
    StoreAligned(lanes[2], blocker);
    StoreAligned(lanes[3], treble);
    for (int channel = 0; channel < 2; ++channel)
    {
        m_channels[channel].lowpass = lanes[0][channel];
        m_channels[channel].lowpassPrev = lanes[1][channel];
        m_channels[channel].blocker = lanes[2][channel];
        m_channels[channel].treble = lanes[3][channel];
    }
}
