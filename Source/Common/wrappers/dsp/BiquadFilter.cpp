#include "BiquadFilter.h"

#include <algorithm>

namespace
{
constexpr float kPi = 3.14159265358979323846f;
constexpr float kLn2 = 0.69314718055994530942f;
// Damping of the resonant high- and low-pass per order: alpha = s (1 - 0.94 q S[n]).
constexpr float kOrderDamping[4] = {1.0f, 0.98f, 0.88f, 0.75f};
} // namespace

void CBiquadFilter::Reset() noexcept
{
    for (auto& section : m_state)
        std::fill(section, section + 8, 0.0f);
}

void CBiquadFilter::CalcFilter(int kind, int order, float frequencyHz, float q, float gainDb,
                               float sampleRate) noexcept
{
    if (kind != m_kind)
    {
        Reset();
        m_kind = kind;
    }
    if (!(sampleRate > 0.0f))
        return;
    // Keep the frequency inside the stable range: above 0 and below 0.49 of the rate.
    const float nyquistLimit = 0.49f * sampleRate;
    frequencyHz = std::isfinite(frequencyHz) ? std::clamp(frequencyHz, 1e-3f, nyquistLimit)
                                             : nyquistLimit;
    const float w = 2.0f * kPi * frequencyHz / sampleRate;
    const float s = std::sin(w);
    const float c = std::cos(w);
    int n = std::clamp(order, 0, 3);
    if (kind != kHighPass && kind != kLowPass)
        n = 0;
    m_order = n;

    const float a = std::pow(10.0f, gainDb / 40.0f);
    const float beta = q != 0.0f ? 2.0f * s / q : 2.0f * s;
    float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a0 = 1.0f, a1 = 0.0f, a2 = 0.0f;
    switch (kind)
    {
    case kPeaking:
    {
        // RBJ cookbook peaking EQ, q as bandwidth in octaves.
        const float alpha = s * std::sinh(kLn2 * 0.5f * q * w / s);
        b0 = 1.0f + alpha * a;
        b1 = -2.0f * c;
        b2 = 1.0f - alpha * a;
        a0 = 1.0f + alpha / a;
        a1 = -2.0f * c;
        a2 = 1.0f - alpha / a;
        break;
    }
    case kLowShelf:
    {
        const float r = std::sqrt(a) * beta;
        b0 = a * ((a + 1.0f) - (a - 1.0f) * c + r);
        b1 = 2.0f * a * ((a - 1.0f) - (a + 1.0f) * c);
        b2 = a * ((a + 1.0f) - (a - 1.0f) * c - r);
        a0 = (a + 1.0f) + (a - 1.0f) * c + r;
        a1 = -2.0f * ((a - 1.0f) + (a + 1.0f) * c);
        a2 = (a + 1.0f) + (a - 1.0f) * c - r;
        break;
    }
    case kHighShelf:
    {
        const float r = std::sqrt(a) * beta;
        b0 = a * ((a + 1.0f) + (a - 1.0f) * c + r);
        b1 = -2.0f * a * ((a - 1.0f) + (a + 1.0f) * c);
        b2 = a * ((a + 1.0f) + (a - 1.0f) * c - r);
        a0 = (a + 1.0f) - (a - 1.0f) * c + r;
        a1 = 2.0f * ((a - 1.0f) - (a + 1.0f) * c);
        a2 = (a + 1.0f) - (a - 1.0f) * c - r;
        break;
    }
    case kHighPass:
    case kLowPass:
        if (n >= 1)
        {
            // Resonance lowers the damping; keep a little so the poles stay inside.
            const float alpha = std::max(s * (1.0f - 0.94f * q * kOrderDamping[n]), 0.01f * s);
            if (kind == kHighPass)
            {
                b0 = b2 = (1.0f + c) * 0.5f;
                b1 = -(1.0f + c);
            }
            else
            {
                b0 = b2 = (1.0f - c) * 0.5f;
                b1 = 1.0f - c;
            }
            a0 = 1.0f + alpha;
            a1 = -2.0f * c;
            a2 = 1.0f - alpha;
        }
        else
        {
            // First order through the bilinear transform; t = tan(pi f / rate) from its series.
            const float x = kPi * frequencyHz / sampleRate;
            const float x2 = x * x;
            const float t = x + x * x2 / 3.0f + 2.0f * x * x2 * x2 / 15.0f;
            a1 = (t - 1.0f) / (t + 1.0f);
            a2 = 0.0f;
            if (kind == kHighPass)
            {
                b0 = 1.0f / (1.0f + t);
                b1 = -b0;
            }
            else
            {
                b0 = b1 = t / (1.0f + t);
            }
            b2 = 0.0f;
            a0 = 1.0f;
        }
        break;
    case kNotch:
        b0 = 1.0f;
        b1 = -2.0f * c;
        b2 = 1.0f;
        a0 = 1.0f + beta;
        a1 = -2.0f * c;
        a2 = 1.0f - beta;
        break;
    default:
        return;
    }
    m_b0 = b0;
    m_b1 = b1;
    m_b2 = b2;
    m_a1 = a1;
    m_a2 = a2;
    m_invA0 = 1.0f / a0;
}
