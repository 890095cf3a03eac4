// Four float lanes for the reverb's sample loop, which reads and filters four delay lines
// at once: SSE2 on x86-64, four plain floats elsewhere. Every operation is the IEEE single
// operation of each lane, so both forms give the same bits as the scalar expression written
// lane by lane. Defining MORVEX_FLOAT4_PORTABLE selects the plain form everywhere.
// Header-only; audio thread.
#pragma once

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(MORVEX_FLOAT4_PORTABLE)
#include <emmintrin.h>
#define MORVEX_FLOAT4_SSE2 1
#endif

struct FLOAT4
{
#ifdef MORVEX_FLOAT4_SSE2
    __m128 v;
#else
    float v[4];
#endif
};

namespace Float4
{
// Lanes 0..3 = a, b, c, d.
inline FLOAT4 Set(float a, float b, float c, float d) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_setr_ps(a, b, c, d)};
#else
    return {{a, b, c, d}};
#endif
}

inline FLOAT4 Broadcast(float x) noexcept
{
    return Set(x, x, x, x);
}

// Four consecutive floats, any alignment.
inline FLOAT4 Load(const float* p) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_loadu_ps(p)};
#else
    return {{p[0], p[1], p[2], p[3]}};
#endif
}

inline void Store(float* p, FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _mm_storeu_ps(p, x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

inline FLOAT4 Add(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_add_ps(a.v, b.v)};
#else
    return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}};
#endif
}

inline FLOAT4 Sub(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_sub_ps(a.v, b.v)};
#else
    return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}};
#endif
}

inline FLOAT4 Mul(FLOAT4 a, FLOAT4 b) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_mul_ps(a.v, b.v)};
#else
    return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}};
#endif
}

// Lanes clamped to lo..hi (lo <= hi; lanes are finite here).
inline FLOAT4 Clamp(FLOAT4 x, FLOAT4 lo, FLOAT4 hi) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_min_ps(_mm_max_ps(x.v, lo.v), hi.v)};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        const float y = x.v[i] < lo.v[i] ? lo.v[i] : x.v[i];
        r.v[i] = y > hi.v[i] ? hi.v[i] : y;
    }
    return r;
#endif
}

// Each lane above `limit` reduced by `limit` (a phase just past 1 wrapped back into 0..1).
inline FLOAT4 WrapAbove(FLOAT4 x, float limit) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128 l = _mm_set1_ps(limit);
    return {_mm_sub_ps(x.v, _mm_and_ps(_mm_cmpgt_ps(x.v, l), l))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = x.v[i] > limit ? x.v[i] - limit : x.v[i];
    return r;
#endif
}

// Lanes a0, a0, a1, a1 and a2, a2, a3, a3 of x.
inline FLOAT4 PairLow(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_unpacklo_ps(x.v, x.v)};
#else
    return {{x.v[0], x.v[0], x.v[1], x.v[1]}};
#endif
}

inline FLOAT4 PairHigh(FLOAT4 x) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    return {_mm_unpackhi_ps(x.v, x.v)};
#else
    return {{x.v[2], x.v[2], x.v[3], x.v[3]}};
#endif
}

// Splits non-negative lanes into whole parts (truncated, as integers) and fractions:
// whole[i] = trunc(x[i]), returns x - whole.
inline FLOAT4 SplitWhole(FLOAT4 x, int whole[4]) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    const __m128i w = _mm_cvttps_epi32(x.v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(whole), w);
    return {_mm_sub_ps(x.v, _mm_cvtepi32_ps(w))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        whole[i] = static_cast<int>(x.v[i]);
        r.v[i] = x.v[i] - static_cast<float>(whole[i]);
    }
    return r;
#endif
}

// Rows r0..r3 become columns: afterwards r_k holds lane k of the four original rows.
inline void Transpose(FLOAT4& r0, FLOAT4& r1, FLOAT4& r2, FLOAT4& r3) noexcept
{
#ifdef MORVEX_FLOAT4_SSE2
    _MM_TRANSPOSE4_PS(r0.v, r1.v, r2.v, r3.v);
#else
    const FLOAT4 a = r0, b = r1, c = r2, d = r3;
    r0 = {{a.v[0], b.v[0], c.v[0], d.v[0]}};
    r1 = {{a.v[1], b.v[1], c.v[1], d.v[1]}};
    r2 = {{a.v[2], b.v[2], c.v[2], d.v[2]}};
    r3 = {{a.v[3], b.v[3], c.v[3], d.v[3]}};
#endif
}
} // namespace Float4
