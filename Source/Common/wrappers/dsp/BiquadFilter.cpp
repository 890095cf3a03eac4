#include "BiquadFilter.h"

#include "DspMath.h"

#include <algorithm>

#include "Common/wrappers/dsp/Simd.h"

namespace
{
constexpr double kPiDouble = 3.14159265358979323846;
constexpr double kLn2 = 0.69314718055994530942;
// Damping of the resonant high- and low-pass per order: alpha = s (1 - 0.94 q S[n]).
constexpr double kOrderDamping[4] = {1.0, 0.98, 0.88, 0.75};

template <typename T>
struct SECTION
{
    T b0, b1, b2, a0, a1, a2;
};

// tan(x) from its series, in the section's precision.
inline float Tan(float x) noexcept
{
    return Dsp::TanSeries(x);
}
inline double Tan(double x) noexcept
{
    const double x2 = x * x;
    return x + x * x2 / 3.0 + 2.0 * x * x2 * x2 / 15.0;
}

// The section's coefficients in float or double: the same formulas and order of operations
// in either (frequencyHz already clamped; n the order as stored).
template <typename T>
SECTION<T> Coefficients(int kind, int n, T frequencyHz, T q, T gainDb, T sampleRate) noexcept
{
    const T one = 1, two = 2, half = static_cast<T>(0.5);
    const T pi = static_cast<T>(kPiDouble);
    const T w = two * pi * frequencyHz / sampleRate;
    const T s = std::sin(w);
    const T c = std::cos(w);
    const T a = std::pow(static_cast<T>(10), gainDb / static_cast<T>(40));
    const T beta = q != 0 ? two * s / q : two * s;
    SECTION<T> k{one, 0, 0, one, 0, 0};
    switch (kind)
    {
    case CBiquadFilter::kPeaking:
    {
        // RBJ cookbook peaking EQ, q as bandwidth in octaves.
        const T alpha = s * std::sinh(static_cast<T>(kLn2) * half * q * w / s);
        k = {one + alpha * a, -two * c, one - alpha * a, one + alpha / a, -two * c, one - alpha / a};
        break;
    }
    case CBiquadFilter::kLowShelf:
    {
        const T r = std::sqrt(a) * beta;
        k.b0 = a * ((a + one) - (a - one) * c + r);
        k.b1 = two * a * ((a - one) - (a + one) * c);
        k.b2 = a * ((a + one) - (a - one) * c - r);
        k.a0 = (a + one) + (a - one) * c + r;
        k.a1 = -two * ((a - one) + (a + one) * c);
        k.a2 = (a + one) + (a - one) * c - r;
        break;
    }
    case CBiquadFilter::kHighShelf:
    {
        const T r = std::sqrt(a) * beta;
        k.b0 = a * ((a + one) + (a - one) * c + r);
        k.b1 = -two * a * ((a - one) + (a + one) * c);
        k.b2 = a * ((a + one) + (a - one) * c - r);
        k.a0 = (a + one) - (a - one) * c + r;
        k.a1 = two * ((a - one) - (a + one) * c);
        k.a2 = (a + one) - (a - one) * c - r;
        break;
    }
    case CBiquadFilter::kHighPass:
    case CBiquadFilter::kLowPass:
        if (n >= 1)
        {
            // Resonance lowers the damping; keep a little so the poles stay inside.
            const T damping = static_cast<T>(0.94) * q * static_cast<T>(kOrderDamping[n]);
            const T alpha = std::max(s * (one - damping), static_cast<T>(0.01) * s);
            if (kind == CBiquadFilter::kHighPass)
            {
                k.b0 = k.b2 = (one + c) * half;
                k.b1 = -(one + c);
            }
            else
            {
                k.b0 = k.b2 = (one - c) * half;
                k.b1 = one - c;
            }
            k.a0 = one + alpha;
            k.a1 = -two * c;
            k.a2 = one - alpha;
        }
        else
        {
            // First order through the bilinear transform; t = tan(pi f / rate) from its series.
            const T t = Tan(pi * frequencyHz / sampleRate);
            k.a1 = (t - one) / (t + one);
            k.a2 = 0;
            if (kind == CBiquadFilter::kHighPass)
            {
                k.b0 = one / (one + t);
                k.b1 = -k.b0;
            }
            else
            {
                k.b0 = k.b1 = t / (one + t);
            }
            k.b2 = 0;
            k.a0 = one;
        }
        break;
    case CBiquadFilter::kNotch:
        k = {one, -two * c, one, one + beta, -two * c, one - beta};
        break;
    default:
        break;
    }
    return k;
}
} // namespace

#if MORVEX_SIMD_SSE2
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
    for (auto& section : m_stateDouble)
        std::fill(section, section + 8, 0.0);
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
    for (auto& section : m_stateDouble)
    {
        for (double& z : section)
        {
            if (!std::isfinite(z))
                z = 0.0;
        }
    }
    for (int i = 0; i < count; ++i)
    {
        if (!std::isfinite(samples[i]))
            samples[i] = 0.0f;
    }
}

void CBiquadFilter::FilterPrecise(float& left, float& right) noexcept
{
    float frame[2] = {left, right};
    FilterInterleavedPrecise(frame, 1);
    left = frame[0];
    right = frame[1];
}

void CBiquadFilter::FilterInterleavedPrecise(float* frames, int count) noexcept
{
    const int sections = GetSectionCount();
    const double b0 = m_precision[0], b1 = m_precision[1], b2 = m_precision[2];
    const double a1 = m_precision[3], a2 = m_precision[4], invA0 = m_precision[5];
    float sum = 0.0f;
#if MORVEX_SIMD_SSE2
    if (sections == 1)
    {
        // One section (the low-cut): left and right in the two double lanes, each lane the
        // scalar loop's operations in its order.
        double* z = m_stateDouble[0];
        const __m128d vb0 = _mm_set1_pd(b0), vb1 = _mm_set1_pd(b1), vb2 = _mm_set1_pd(b2);
        const __m128d va1 = _mm_set1_pd(a1), va2 = _mm_set1_pd(a2), vInv = _mm_set1_pd(invA0);
        __m128d x1 = _mm_loadu_pd(z + kX1), x2 = _mm_loadu_pd(z + kX2);
        __m128d y1 = _mm_loadu_pd(z + kY1), y2 = _mm_loadu_pd(z + kY2);
        __m128 total = _mm_setzero_ps();
        for (int i = 0; i < count; ++i)
        {
            const __m128d x = _mm_cvtps_pd(LoadPair(frames + 2 * i));
            __m128d y = _mm_mul_pd(vb0, x);
            y = _mm_add_pd(y, _mm_mul_pd(vb1, x1));
            y = _mm_add_pd(y, _mm_mul_pd(vb2, x2));
            y = _mm_sub_pd(y, _mm_mul_pd(va1, y1));
            y = _mm_sub_pd(y, _mm_mul_pd(va2, y2));
            y = _mm_mul_pd(y, vInv);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            const __m128 out = _mm_cvtpd_ps(y);
            total = _mm_add_ps(total, out);
            StorePair(frames + 2 * i, out);
        }
        _mm_storeu_pd(z + kX1, x1);
        _mm_storeu_pd(z + kX2, x2);
        _mm_storeu_pd(z + kY1, y1);
        _mm_storeu_pd(z + kY2, y2);
        float lanes[4];
        _mm_storeu_ps(lanes, total);
        if ((lanes[0] - lanes[0]) + (lanes[1] - lanes[1]) != 0.0f)
            Recover(frames, 2 * count);
        return;
    }
#endif
    for (int c = 0; c < 2; ++c)
    {
        // Each section's output stays in double into the next; only the last is rounded.
        double* z[kMaxSections];
        double x1[kMaxSections], x2[kMaxSections], y1[kMaxSections], y2[kMaxSections];
        for (int s = 0; s < sections; ++s)
        {
            z[s] = m_stateDouble[s];
            x1[s] = z[s][kX1 + c];
            x2[s] = z[s][kX2 + c];
            y1[s] = z[s][kY1 + c];
            y2[s] = z[s][kY2 + c];
        }
        for (int i = 0; i < count; ++i)
        {
            float& sample = frames[2 * i + c];
            double x = sample;
            for (int s = 0; s < sections; ++s)
            {
                const double y =
                    (b0 * x + b1 * x1[s] + b2 * x2[s] - a1 * y1[s] - a2 * y2[s]) * invA0;
                x2[s] = x1[s];
                x1[s] = x;
                y2[s] = y1[s];
                y1[s] = y;
                x = y;
            }
            sample = static_cast<float>(x);
            sum += sample;
        }
        for (int s = 0; s < sections; ++s)
        {
            z[s][kX1 + c] = x1[s];
            z[s][kX2 + c] = x2[s];
            z[s][kY1 + c] = y1[s];
            z[s][kY2 + c] = y2[s];
        }
    }
    if (sum - sum != 0.0f)
        Recover(frames, 2 * count);
}

void CBiquadFilter::FilterInterleaved(float* frames, int count) noexcept
{
    if (count <= 0)
        return;
    if (m_precise)
    {
        FilterInterleavedPrecise(frames, count);
        return;
    }
    const int sections = GetSectionCount();
    // Sum of every output: finite unless an output is not (or, harmlessly, the sum of
    // finite outputs overflows, which only costs a look at the block).
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
#if MORVEX_SIMD_SSE2
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
#if MORVEX_SIMD_SSE2
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
#if MORVEX_SIMD_SSE2
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
    if (kind < kPeaking || kind > kNotch)
        return;
    int n = std::clamp(order, 0, 3);
    if (kind != kHighPass && kind != kLowPass)
        n = 0;
    m_order = n;

    const SECTION<float> k = Coefficients<float>(kind, n, frequencyHz, q, gainDb, sampleRate);
    m_b0 = k.b0;
    m_b1 = k.b1;
    m_b2 = k.b2;
    m_a1 = k.a1;
    m_a2 = k.a2;
    m_invA0 = 1.0f / k.a0;

    const bool precise = frequencyHz < kPreciseRatio * sampleRate;
    if (precise)
    {
        const SECTION<double> d = Coefficients<double>(kind, n, frequencyHz, q, gainDb, sampleRate);
        const double values[6] = {d.b0, d.b1, d.b2, d.a1, d.a2, 1.0 / d.a0};
        std::copy(values, values + 6, m_precision);
    }
    if (precise != m_precise)
    {
        // A cutoff moving across the boundary carries the state over to the other form
        // (same layout), so the output does not step.
        for (int sIndex = 0; sIndex < kMaxSections; ++sIndex)
        {
            for (int i = 0; i < 8; ++i)
            {
                if (precise)
                    m_stateDouble[sIndex][i] = m_state[sIndex][i];
                else
                    m_state[sIndex][i] = static_cast<float>(m_stateDouble[sIndex][i]);
            }
        }
        m_precise = precise;
    }
}
