#include "BiquadFilter.h"

#include "DspMath.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
using Dsp::kPi;
constexpr float kLn2 = 0.69314718055994530942f;
// Damping of the resonant high- and low-pass per order: alpha = s (1 - 0.94 q S[n]).
constexpr float kOrderDamping[4] = {1.0f, 0.98f, 0.88f, 0.75f};
} // namespace

#if defined(__SSE2__)
namespace
{
// One stereo pair (two consecutive floats) in lanes 0 and 1, lanes 2 and 3 zero.
inline __m128 LoadPair(const float* p) noexcept
{
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

inline void StorePair(float* p, __m128 v) noexcept
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(v));
}
} // namespace
#endif

void CBiquadFilter::Reset() noexcept
{
    for (auto& section : m_state)
        std::fill(section, section + 8, 0.0f);
}

void CBiquadFilter::Recover(float* samples, int count) noexcept
{
    for (auto& section : m_state)
    {
        for (float& z : section)
        {
            if (!std::isfinite(z))
                z = 0.0f;
        }
    }
    for (int i = 0; i < count; ++i)
    {
        if (!std::isfinite(samples[i]))
            samples[i] = 0.0f;
    }
}

void CBiquadFilter::FilterInterleaved(float* frames, int count) noexcept
{
    if (count <= 0)
        return;
    const int sections = GetSectionCount();
    // Sum of every output: finite unless an output is not (or, harmlessly, the sum of
    // finite outputs overflows, which only costs a look at the block).
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
#if defined(__SSE2__)
    // Left and right in lanes 0 and 1: each lane performs the scalar difference equation's
    // operations in the same order, so the samples are those of Filter.
    const __m128 b0 = _mm_set1_ps(m_b0);
    const __m128 b1 = _mm_set1_ps(m_b1);
    const __m128 b2 = _mm_set1_ps(m_b2);
    const __m128 a1 = _mm_set1_ps(m_a1);
    const __m128 a2 = _mm_set1_ps(m_a2);
    const __m128 invA0 = _mm_set1_ps(m_invA0);
    __m128 sum = _mm_setzero_ps();
    for (int s = 0; s < sections; ++s)
    {
        float* z = m_state[s];
        __m128 x1 = LoadPair(z + kX1);
        __m128 x2 = LoadPair(z + kX2);
        __m128 y1 = LoadPair(z + kY1);
        __m128 y2 = LoadPair(z + kY2);
        const auto step = [&](__m128 x, __m128 xm1, __m128 xm2, __m128 ym1, __m128 ym2) {
            __m128 y = _mm_mul_ps(b0, x);
            y = _mm_add_ps(y, _mm_mul_ps(b1, xm1));
            y = _mm_add_ps(y, _mm_mul_ps(b2, xm2));
            y = _mm_sub_ps(y, _mm_mul_ps(a1, ym1));
            y = _mm_sub_ps(y, _mm_mul_ps(a2, ym2));
            return _mm_mul_ps(y, invA0);
        };
        int i = 0;
        // Two frames per pass, so that the states need not be shifted between frames.
        for (; i + 2 <= count; i += 2)
        {
            const __m128 xa = LoadPair(frames + 2 * i);
            const __m128 ya = step(xa, x1, x2, y1, y2);
            const __m128 xb = LoadPair(frames + 2 * i + 2);
            const __m128 yb = step(xb, xa, x1, ya, y1);
            x2 = xa;
            x1 = xb;
            y2 = ya;
            y1 = yb;
            sum = _mm_add_ps(sum, _mm_add_ps(ya, yb));
            StorePair(frames + 2 * i, ya);
            StorePair(frames + 2 * i + 2, yb);
        }
        if (i < count)
        {
            const __m128 x = LoadPair(frames + 2 * i);
            const __m128 y = step(x, x1, x2, y1, y2);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            sum = _mm_add_ps(sum, y);
            StorePair(frames + 2 * i, y);
        }
        StorePair(z + kX1, x1);
        StorePair(z + kX2, x2);
        StorePair(z + kY1, y1);
        StorePair(z + kY2, y2);
    }
    float lanes[4];
    _mm_storeu_ps(lanes, sum);
    sumLeft = lanes[0];
    sumRight = lanes[1];
#else
    const float b0 = m_b0, b1 = m_b1, b2 = m_b2, a1 = m_a1, a2 = m_a2, invA0 = m_invA0;
    for (int s = 0; s < sections; ++s)
    {
        float* z = m_state[s];
        for (int c = 0; c < 2; ++c)
        {
            float x1 = z[kX1 + c], x2 = z[kX2 + c], y1 = z[kY1 + c], y2 = z[kY2 + c];
            float sum = 0.0f;
            for (int i = 0; i < count; ++i)
            {
                float& sample = frames[2 * i + c];
                const float x = sample;
                const float y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) * invA0;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                sum += y;
                sample = y;
            }
            z[kX1 + c] = x1;
            z[kX2 + c] = x2;
            z[kY1 + c] = y1;
            z[kY2 + c] = y2;
            (c == 0 ? sumLeft : sumRight) += sum;
        }
    }
#endif
    if ((sumLeft - sumLeft) + (sumRight - sumRight) != 0.0f)
    {
        Recover(frames, 2 * count);
    }
}

void CBiquadFilter::Interleave(const float* left, const float* right, float* frames,
                               int count) noexcept
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4)
    {
        const __m128 l = _mm_loadu_ps(left + i);
        const __m128 r = _mm_loadu_ps(right + i);
        _mm_storeu_ps(frames + 2 * i, _mm_unpacklo_ps(l, r));
        _mm_storeu_ps(frames + 2 * i + 4, _mm_unpackhi_ps(l, r));
    }
#endif
    for (; i < count; ++i)
    {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

void CBiquadFilter::Deinterleave(const float* frames, float* left, float* right,
                                 int count) noexcept
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4)
    {
        const __m128 a = _mm_loadu_ps(frames + 2 * i);
        const __m128 b = _mm_loadu_ps(frames + 2 * i + 4);
        _mm_storeu_ps(left + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(right + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }
#endif
    for (; i < count; ++i)
    {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}

void CBiquadFilter::FilterBlock(float* left, float* right, int count) noexcept
{
    constexpr int kChunk = 32;
    float frames[2 * kChunk];
    for (int start = 0; start < count; start += kChunk)
    {
        const int n = count - start < kChunk ? count - start : kChunk;
        Interleave(left + start, right + start, frames, n);
        FilterInterleaved(frames, n);
        Deinterleave(frames, left + start, right + start, n);
    }
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
            const float t = Dsp::TanSeries(kPi * frequencyHz / sampleRate);
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
