#include "PhaserHS.h"

#include "Common/wrappers/dsp/DspMath.h"

#include <algorithm>

SHELF_COEFFICIENTS CalcHighShelfCoefficients(float frequencyHz, float q, float gainDb,
                                             float sampleRate) noexcept
{
    using Dsp::kTwoPi;
    if (!(sampleRate > 0.0f))
        return {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const float nyquistLimit = 0.49f * sampleRate;
    frequencyHz =
        std::isfinite(frequencyHz) ? std::clamp(frequencyHz, 1e-3f, nyquistLimit) : nyquistLimit;
    if (!(q > 0.0f))
        q = 1.0f;
    if (!std::isfinite(gainDb))
        gainDb = 0.0f;
    // RBJ cookbook high shelf: A = 10^(gain / 40), r = 2 sqrt(A) sin(w) / Q.
    const float w = kTwoPi * frequencyHz / sampleRate;
    const float c = std::cos(w);
    const float a = std::pow(10.0f, gainDb / 40.0f);
    const float r = std::sqrt(a) * 2.0f * std::sin(w) / q;
    const float a0 = (a + 1.0f) - (a - 1.0f) * c + r;
    return {a * ((a + 1.0f) + (a - 1.0f) * c + r), -2.0f * a * ((a - 1.0f) + (a + 1.0f) * c),
            a * ((a + 1.0f) + (a - 1.0f) * c - r), 2.0f * ((a - 1.0f) - (a + 1.0f) * c),
            (a + 1.0f) - (a - 1.0f) * c - r,       1.0f / a0};
}

void CPhaserHS::SetChannel(CHANNEL& channel, float frequencyHz, float q, float gainDb,
                           float sampleRate) noexcept
{
    if (frequencyHz == channel.frequencyHz && q == channel.q && gainDb == channel.gainDb &&
        sampleRate == channel.sampleRate)
        return;
    const SHELF_COEFFICIENTS k = CalcHighShelfCoefficients(frequencyHz, q, gainDb, sampleRate);
    channel.b0 = k.b0;
    channel.b1 = k.b1;
    channel.b2 = k.b2;
    channel.a1 = k.a1;
    channel.a2 = k.a2;
    channel.invA0 = k.invA0;
    channel.frequencyHz = frequencyHz;
    channel.q = q;
    channel.gainDb = gainDb;
    channel.sampleRate = sampleRate;
}

void CPhaserHS::CalcFilter(float frequencyLeftHz, float frequencyRightHz, float qLeft, float qRight,
                           float gainLeftDb, float gainRightDb, float sampleRate) noexcept
{
    SetChannel(m_channels[0], frequencyLeftHz, qLeft, gainLeftDb, sampleRate);
    SetChannel(m_channels[1], frequencyRightHz, qRight, gainRightDb, sampleRate);
}

void CPhaserHS::Reset() noexcept
{
    for (CHANNEL& channel : m_channels)
        channel.x1 = channel.x2 = channel.y1 = channel.y2 = 0.0f;
}
