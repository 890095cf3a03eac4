#include "BiquadFilter.h"

#include "DspMath.h"

#include <algorithm>

#include "Common/wrappers/dsp/Float4.h"

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
    if (sections == 1)
    {
        // One section (the low-cut): left and right in the two double lanes, each lane the
        // general loop's operations in its order.
        using namespace Float4;
        double* z = m_stateDouble[0];
        const DOUBLE2 vb0 = BroadcastDouble(b0), vb1 = BroadcastDouble(b1);
        const DOUBLE2 vb2 = BroadcastDouble(b2);
        const DOUBLE2 va1 = BroadcastDouble(a1), va2 = BroadcastDouble(a2);
        const DOUBLE2 vInv = BroadcastDouble(invA0);
        DOUBLE2 x1 = Load(z + kX1), x2 = Load(z + kX2);
        DOUBLE2 y1 = Load(z + kY1), y2 = Load(z + kY2);
        FLOAT4 total = Zero();
        for (int i = 0; i < count; ++i)
        {
            const DOUBLE2 x = ToDouble(LoadTwo(frames + 2 * i));
            DOUBLE2 y = vb0 * x;
            y = y + vb1 * x1;
            y = y + vb2 * x2;
            y = y - va1 * y1;
            y = y - va2 * y2;
            y = y * vInv;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            const FLOAT4 out = ToFloat(y);
            total = total + out;
            StoreTwo(frames + 2 * i, out);
        }
        Store(z + kX1, x1);
        Store(z + kX2, x2);
        Store(z + kY1, y1);
        Store(z + kY2, y2);
        const float left = Lane<0>(total), right = Lane<1>(total);
        if ((left - left) + (right - right) != 0.0f)
            Recover(frames, 2 * count);
        return;
    }
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
    // Left and right in lanes 0 and 1: each lane performs the difference equation's
    // operations in the order of Filter, so the samples are those of Filter.
    using namespace Float4;
    const FLOAT4 b0 = Broadcast(m_b0);
    const FLOAT4 b1 = Broadcast(m_b1);
    const FLOAT4 b2 = Broadcast(m_b2);
    const FLOAT4 a1 = Broadcast(m_a1);
    const FLOAT4 a2 = Broadcast(m_a2);
    const FLOAT4 invA0 = Broadcast(m_invA0);
    FLOAT4 sum = Zero();
    for (int s = 0; s < sections; ++s)
    {
        float* z = m_state[s];
        FLOAT4 x1 = LoadTwo(z + kX1);
        FLOAT4 x2 = LoadTwo(z + kX2);
        FLOAT4 y1 = LoadTwo(z + kY1);
        FLOAT4 y2 = LoadTwo(z + kY2);
        const auto step = [&](FLOAT4 x, FLOAT4 xm1, FLOAT4 xm2, FLOAT4 ym1, FLOAT4 ym2) {
            FLOAT4 y = b0 * x;
            y = y + b1 * xm1;
            y = y + b2 * xm2;
            y = y - a1 * ym1;
            y = y - a2 * ym2;
            return y * invA0;
        };
        int i = 0;
        // Two frames per pass, so that the states need not be shifted between frames.
        for (; i + 2 <= count; i += 2)
        {
            const FLOAT4 xa = LoadTwo(frames + 2 * i);
            const FLOAT4 ya = step(xa, x1, x2, y1, y2);
            const FLOAT4 xb = LoadTwo(frames + 2 * i + 2);
            const FLOAT4 yb = step(xb, xa, x1, ya, y1);
            x2 = xa;
            x1 = xb;
            y2 = ya;
            y1 = yb;
            sum = sum + (ya + yb);
            StoreTwo(frames + 2 * i, ya);
            StoreTwo(frames + 2 * i + 2, yb);
        }
        if (i < count)
        {
            const FLOAT4 x = LoadTwo(frames + 2 * i);
            const FLOAT4 y = step(x, x1, x2, y1, y2);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            sum = sum + y;
            StoreTwo(frames + 2 * i, y);
        }
        StoreTwo(z + kX1, x1);
        StoreTwo(z + kX2, x2);
        StoreTwo(z + kY1, y1);
        StoreTwo(z + kY2, y2);
    }
    const float sumLeft = Lane<0>(sum);
    const float sumRight = Lane<1>(sum);
    if ((sumLeft - sumLeft) + (sumRight - sumRight) != 0.0f)
    {
        Recover(frames, 2 * count);
    }
}

void CBiquadFilter::Interleave(const float* left, const float* right, float* frames,
                               int count) noexcept
{
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const FLOAT4 l = Float4::Load(left + i);
        const FLOAT4 r = Float4::Load(right + i);
        Float4::Store(frames + 2 * i, Float4::InterleaveLow(l, r));
        Float4::Store(frames + 2 * i + 4, Float4::InterleaveHigh(l, r));
    }
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
    for (; i + 4 <= count; i += 4)
    {
        const FLOAT4 a = Float4::Load(frames + 2 * i);
        const FLOAT4 b = Float4::Load(frames + 2 * i + 4);
        Float4::Store(left + i, Float4::Shuffle<0, 2, 0, 2>(a, b));
        Float4::Store(right + i, Float4::Shuffle<1, 3, 1, 3>(a, b));
    }
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
