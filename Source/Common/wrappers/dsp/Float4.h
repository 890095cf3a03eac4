// The signal-processing code's vector types: four float lanes (FLOAT4), two double lanes
// (DOUBLE2) and four int lanes (INT4), with the operations the modules use. On x86-64 (which
// always has SSE2) they are SSE2 registers; elsewhere, or when the build defines
// MORVEX_SCALAR_DSP (CMake option of the same name), plain arrays. Every operation is the
// IEEE operation of each lane on its own, with SSE2's rules where C++ leaves a choice (Min and
// Max hand back the second operand when a lane is NaN, compares give all-ones or all-zero
// lanes, truncation out of range gives INT_MIN), so both forms compute the same bits and the
// scalar form, the one a port would run, is built and compared here too
// (scripts/scalar-parity.sh). Header-only; audio thread.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(MORVEX_SCALAR_DSP)
#include <emmintrin.h>
#define MORVEX_SIMD_SSE2 1
#else
#define MORVEX_SIMD_SSE2 0
#endif

struct FLOAT4
{
#if MORVEX_SIMD_SSE2
    __m128 v;
#else
    float v[4];
#endif
};

struct DOUBLE2
{
#if MORVEX_SIMD_SSE2
    __m128d v;
#else
    double v[2];
#endif
};

// Four int lanes (indices derived from FLOAT4 lanes).
struct INT4
{
#if MORVEX_SIMD_SSE2
    __m128i v;
#else
    int v[4];
#endif
};

namespace Float4
{
#if !MORVEX_SIMD_SSE2
namespace Detail
{
// Lane bits for the bitwise operations and masks of the plain form.
inline std::uint32_t Bits(float x) noexcept
{
    std::uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}
inline float FromBits(std::uint32_t u) noexcept
{
    float x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}
inline std::uint64_t Bits(double x) noexcept
{
    std::uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}
inline double FromBits(std::uint64_t u) noexcept
{
    double x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}
inline float Mask(bool on) noexcept { return FromBits(on ? 0xFFFFFFFFu : 0u); }
inline double MaskDouble(bool on) noexcept
{
    return FromBits(on ? ~std::uint64_t{0} : std::uint64_t{0});
}
// cvttss2si / cvttsd2si: truncation, INT_MIN when the result does not fit (or NaN).
template <typename T>
inline int Truncate(T x) noexcept
{
    return x > static_cast<T>(-2147483649.0) && x < static_cast<T>(2147483648.0)
               ? static_cast<int>(x)
               : INT_MIN;
}
template <typename LANES, typename OP>
inline LANES Each(LANES a, LANES b, OP op) noexcept
{
    LANES r;
    for (unsigned i = 0; i < sizeof r.v / sizeof r.v[0]; ++i)
        r.v[i] = op(a.v[i], b.v[i]);
    return r;
}
} // namespace Detail
#endif

// ---- four floats: making, loading, storing ----

// Lanes 0..3 = a, b, c, d.
inline FLOAT4 Set(float a, float b, float c, float d) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_setr_ps(a, b, c, d)};
#else
    return {{a, b, c, d}};
#endif
}

inline FLOAT4 Broadcast(float x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_set1_ps(x)};
#else
    return {{x, x, x, x}};
#endif
}

inline FLOAT4 Zero() noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_setzero_ps()};
#else
    return {{0.0f, 0.0f, 0.0f, 0.0f}};
#endif
}

// Lanes with all bits set where the argument is true, else 0 (a mask for Select).
inline FLOAT4 LaneMask(bool a, bool b, bool c, bool d) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_castsi128_ps(_mm_setr_epi32(-a, -b, -c, -d))};
#else
    return {{Detail::Mask(a), Detail::Mask(b), Detail::Mask(c), Detail::Mask(d)}};
#endif
}

// Four consecutive floats, any alignment.
inline FLOAT4 Load(const float* p) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_loadu_ps(p)};
#else
    return {{p[0], p[1], p[2], p[3]}};
#endif
}

// Four consecutive floats at a 16-byte boundary.
inline FLOAT4 LoadAligned(const float* p) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_load_ps(p)};
#else
    return {{p[0], p[1], p[2], p[3]}};
#endif
}

inline void Store(float* p, FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_storeu_ps(p, x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

// To a 16-byte boundary.
inline void StoreAligned(float* p, FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_store_ps(p, x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

// Lanes *a, *b, 0, 0.
inline FLOAT4 LoadPair(const float* a, const float* b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_unpacklo_ps(_mm_load_ss(a), _mm_load_ss(b))};
#else
    return {{*a, *b, 0.0f, 0.0f}};
#endif
}

// Lane 0 to *a, lane 1 to *b.
inline void StorePair(float* a, float* b, FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_store_ss(a, x.v);
    _mm_store_ss(b, _mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(1, 1, 1, 1)));
#else
    *a = x.v[0];
    *b = x.v[1];
#endif
}

// Lanes p[0], p[1], 0, 0 (two consecutive floats, such as a stereo frame).
inline FLOAT4 LoadTwo(const float* p) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)))};
#else
    return {{p[0], p[1], 0.0f, 0.0f}};
#endif
}

// Lanes 0 and 1 to p[0], p[1].
inline void StoreTwo(float* p, FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(x.v));
#else
    p[0] = x.v[0];
    p[1] = x.v[1];
#endif
}

// Lanes 2 and 3 to p[0], p[1].
inline void StoreUpperTwo(float* p, FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_storeh_pi(reinterpret_cast<__m64*>(p), x.v);
#else
    p[0] = x.v[2];
    p[1] = x.v[3];
#endif
}

// Lane `lane` (0..3) as a float.
template <int lane>
inline float Lane(FLOAT4 x) noexcept
{
    static_assert(lane >= 0 && lane < 4, "four lanes");
#if MORVEX_SIMD_SSE2
    if (lane == 0)
        return _mm_cvtss_f32(x.v);
    return _mm_cvtss_f32(_mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(lane, lane, lane, lane)));
#else
    return x.v[lane];
#endif
}

// ---- four floats: arithmetic ----

inline FLOAT4 Add(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_add_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x + y; });
#endif
}

inline FLOAT4 Sub(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_sub_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x - y; });
#endif
}

inline FLOAT4 Mul(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_mul_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x * y; });
#endif
}

inline FLOAT4 Div(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_div_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x / y; });
#endif
}

// a < b ? a : b per lane: b where either is NaN.
inline FLOAT4 Min(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_min_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x < y ? x : y; });
#endif
}

// a > b ? a : b per lane: b where either is NaN.
inline FLOAT4 Max(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_max_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return x > y ? x : y; });
#endif
}

// ---- four floats: bits, compares, selects ----

inline FLOAT4 And(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_and_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y)
                        { return Detail::FromBits(Detail::Bits(x) & Detail::Bits(y)); });
#endif
}

// ~a & b.
inline FLOAT4 AndNot(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_andnot_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y)
                        { return Detail::FromBits(~Detail::Bits(x) & Detail::Bits(y)); });
#endif
}

inline FLOAT4 Or(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_or_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y)
                        { return Detail::FromBits(Detail::Bits(x) | Detail::Bits(y)); });
#endif
}

// |x| per lane (the sign bit cleared, NaN included).
inline FLOAT4 Abs(FLOAT4 x) noexcept
{
    return AndNot(Broadcast(-0.0f), x);
}

// The sign bit of each lane, others clear.
inline FLOAT4 SignBits(FLOAT4 x) noexcept
{
    return And(Broadcast(-0.0f), x);
}

// Masks: all bits set in the lanes where the comparison holds (never for a NaN).
inline FLOAT4 Less(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmplt_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return Detail::Mask(x < y); });
#endif
}

inline FLOAT4 LessOrEqual(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmple_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return Detail::Mask(x <= y); });
#endif
}

inline FLOAT4 Greater(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmpgt_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return Detail::Mask(x > y); });
#endif
}

inline FLOAT4 Equal(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmpeq_ps(a.v, b.v)};
#else
    return Detail::Each(a, b, [](float x, float y) { return Detail::Mask(x == y); });
#endif
}

// mask ? a : b per lane, for masks from the comparisons or LaneMask.
inline FLOAT4 Select(FLOAT4 mask, FLOAT4 a, FLOAT4 b) noexcept
{
    return Or(And(mask, a), AndNot(mask, b));
}

// Bit i = the sign bit of lane i (for masks: which lanes hold).
inline int SignMask(FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return _mm_movemask_ps(x.v);
#else
    int m = 0;
    for (int i = 0; i < 4; ++i)
        m |= static_cast<int>(Detail::Bits(x.v[i]) >> 31) << i;
    return m;
#endif
}

// Lanes within +-FLT_MAX: all bits set, else (infinite or NaN) 0.
inline FLOAT4 IsFinite(FLOAT4 x) noexcept
{
    return LessOrEqual(Abs(x), Broadcast(3.402823466e+38f));
}

// Each non-finite lane replaced by +0, finite lanes unchanged (x - x is 0 only when x is
// finite).
inline FLOAT4 ZeroNonFinite(FLOAT4 x) noexcept
{
    return And(x, Equal(Sub(x, x), Zero()));
}

// ---- four floats: moving lanes ----

// Lanes a[i0], a[i1], b[i2], b[i3].
template <int i0, int i1, int i2, int i3>
inline FLOAT4 Shuffle(FLOAT4 a, FLOAT4 b) noexcept
{
    static_assert(i0 >= 0 && i0 < 4 && i1 >= 0 && i1 < 4 && i2 >= 0 && i2 < 4 && i3 >= 0 &&
                      i3 < 4,
                  "four lanes");
#if MORVEX_SIMD_SSE2
    return {_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(i3, i2, i1, i0))};
#else
    return {{a.v[i0], a.v[i1], b.v[i2], b.v[i3]}};
#endif
}

// Lanes a0, b0, a1, b1.
inline FLOAT4 InterleaveLow(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_unpacklo_ps(a.v, b.v)};
#else
    return {{a.v[0], b.v[0], a.v[1], b.v[1]}};
#endif
}

// Lanes a2, b2, a3, b3.
inline FLOAT4 InterleaveHigh(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_unpackhi_ps(a.v, b.v)};
#else
    return {{a.v[2], b.v[2], a.v[3], b.v[3]}};
#endif
}

// Lanes a0, a1, b0, b1.
inline FLOAT4 LowHalves(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_movelh_ps(a.v, b.v)};
#else
    return {{a.v[0], a.v[1], b.v[0], b.v[1]}};
#endif
}

// Lanes b2, b3, a2, a3.
inline FLOAT4 HighHalves(FLOAT4 a, FLOAT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_movehl_ps(a.v, b.v)};
#else
    return {{b.v[2], b.v[3], a.v[2], a.v[3]}};
#endif
}

// Lanes a0, a0, a1, a1 and a2, a2, a3, a3 of x.
inline FLOAT4 PairLow(FLOAT4 x) noexcept
{
    return InterleaveLow(x, x);
}

inline FLOAT4 PairHigh(FLOAT4 x) noexcept
{
    return InterleaveHigh(x, x);
}

// Lanes x2, x3, x2, x3.
inline FLOAT4 HighToLow(FLOAT4 x) noexcept
{
    return HighHalves(x, x);
}

// Lanes x3, x2, x3, x2: the upper pair, swapped, in the lower lanes.
inline FLOAT4 HighSwappedToLow(FLOAT4 x) noexcept
{
    return Shuffle<3, 2, 3, 2>(x, x);
}

// Lanes x0, x1, 0, 0.
inline FLOAT4 LowPair(FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_castsi128_ps(_mm_move_epi64(_mm_castps_si128(x.v)))};
#else
    return {{x.v[0], x.v[1], 0.0f, 0.0f}};
#endif
}

// Rows r0..r3 become columns: afterwards r_k holds lane k of the four original rows.
inline void Transpose(FLOAT4& r0, FLOAT4& r1, FLOAT4& r2, FLOAT4& r3) noexcept
{
#if MORVEX_SIMD_SSE2
    _MM_TRANSPOSE4_PS(r0.v, r1.v, r2.v, r3.v);
#else
    const FLOAT4 a = r0, b = r1, c = r2, d = r3;
    r0 = {{a.v[0], b.v[0], c.v[0], d.v[0]}};
    r1 = {{a.v[1], b.v[1], c.v[1], d.v[1]}};
    r2 = {{a.v[2], b.v[2], c.v[2], d.v[2]}};
    r3 = {{a.v[3], b.v[3], c.v[3], d.v[3]}};
#endif
}

// ---- four floats: shapes built from the above, used by several modules ----

// Lanes clamped to lo..hi: min(max(x, lo), hi), so a NaN lane becomes hi.
inline FLOAT4 Clamp(FLOAT4 x, FLOAT4 lo, FLOAT4 hi) noexcept
{
    return Min(Max(x, lo), hi);
}

// Each lane above `limit` reduced by `limit` (a phase just past 1 wrapped back into 0..1).
inline FLOAT4 WrapAbove(FLOAT4 x, float limit) noexcept
{
    const FLOAT4 l = Broadcast(limit);
    return Sub(x, And(Greater(x, l), l));
}

// ---- four ints ----

inline INT4 SetInts(int a, int b, int c, int d) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_setr_epi32(a, b, c, d)};
#else
    return {{a, b, c, d}};
#endif
}

// True when all four lanes are equal.
inline bool SameInts(INT4 a, INT4 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return _mm_movemask_epi8(_mm_cmpeq_epi32(a.v, b.v)) == 0xFFFF;
#else
    return a.v[0] == b.v[0] && a.v[1] == b.v[1] && a.v[2] == b.v[2] && a.v[3] == b.v[3];
#endif
}

inline void StoreInts(int* p, INT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x.v);
#else
    for (int i = 0; i < 4; ++i)
        p[i] = x.v[i];
#endif
}

// Splits lanes into whole parts (truncated, as integers) and fractions: whole = trunc(x),
// returns x - whole.
inline FLOAT4 SplitWhole(FLOAT4 x, INT4& whole) noexcept
{
#if MORVEX_SIMD_SSE2
    whole.v = _mm_cvttps_epi32(x.v);
    return {_mm_sub_ps(x.v, _mm_cvtepi32_ps(whole.v))};
#else
    FLOAT4 r;
    for (int i = 0; i < 4; ++i)
    {
        whole.v[i] = Detail::Truncate(x.v[i]);
        r.v[i] = x.v[i] - static_cast<float>(whole.v[i]);
    }
    return r;
#endif
}

inline FLOAT4 SplitWhole(FLOAT4 x, int whole[4]) noexcept
{
    INT4 w;
    const FLOAT4 fraction = SplitWhole(x, w);
    StoreInts(whole, w);
    return fraction;
}

// Per lane base - x, plus size where that is negative (an index wrapped into a ring).
inline INT4 WrappedDifference(int base, INT4 x, int size) noexcept
{
#if MORVEX_SIMD_SSE2
    const __m128i d = _mm_sub_epi32(_mm_set1_epi32(base), x.v);
    return {_mm_add_epi32(d, _mm_and_si128(_mm_srai_epi32(d, 31), _mm_set1_epi32(size)))};
#else
    INT4 r;
    for (int i = 0; i < 4; ++i)
    {
        const int d = base - x.v[i];
        r.v[i] = d < 0 ? d + size : d;
    }
    return r;
#endif
}

// ---- two doubles ----

// Lanes 0, 1 = a, b.
inline DOUBLE2 SetDouble(double a, double b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_setr_pd(a, b)};
#else
    return {{a, b}};
#endif
}

inline DOUBLE2 BroadcastDouble(double x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_set1_pd(x)};
#else
    return {{x, x}};
#endif
}

inline DOUBLE2 ZeroDouble() noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_setzero_pd()};
#else
    return {{0.0, 0.0}};
#endif
}

// Two consecutive doubles, any alignment.
inline DOUBLE2 Load(const double* p) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_loadu_pd(p)};
#else
    return {{p[0], p[1]}};
#endif
}

inline void Store(double* p, DOUBLE2 x) noexcept
{
#if MORVEX_SIMD_SSE2
    _mm_storeu_pd(p, x.v);
#else
    p[0] = x.v[0];
    p[1] = x.v[1];
#endif
}

template <int lane>
inline double Lane(DOUBLE2 x) noexcept
{
    static_assert(lane == 0 || lane == 1, "two lanes");
#if MORVEX_SIMD_SSE2
    if (lane == 0)
        return _mm_cvtsd_f64(x.v);
    return _mm_cvtsd_f64(_mm_unpackhi_pd(x.v, x.v));
#else
    return x.v[lane];
#endif
}

// Lane 0 in both lanes.
inline DOUBLE2 BothLow(DOUBLE2 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_unpacklo_pd(x.v, x.v)};
#else
    return {{x.v[0], x.v[0]}};
#endif
}

inline DOUBLE2 Add(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_add_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return x + y; });
#endif
}

inline DOUBLE2 Sub(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_sub_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return x - y; });
#endif
}

inline DOUBLE2 Mul(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_mul_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return x * y; });
#endif
}

inline DOUBLE2 Sqrt(DOUBLE2 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_sqrt_pd(x.v)};
#else
    return {{std::sqrt(x.v[0]), std::sqrt(x.v[1])}};
#endif
}

// As the float Min and Max: b where either lane is NaN.
inline DOUBLE2 Min(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_min_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return x < y ? x : y; });
#endif
}

inline DOUBLE2 Max(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_max_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return x > y ? x : y; });
#endif
}

inline DOUBLE2 And(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_and_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y)
                        { return Detail::FromBits(Detail::Bits(x) & Detail::Bits(y)); });
#endif
}

// ~a & b.
inline DOUBLE2 AndNot(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_andnot_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y)
                        { return Detail::FromBits(~Detail::Bits(x) & Detail::Bits(y)); });
#endif
}

inline DOUBLE2 Or(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_or_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y)
                        { return Detail::FromBits(Detail::Bits(x) | Detail::Bits(y)); });
#endif
}

inline DOUBLE2 Xor(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_xor_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y)
                        { return Detail::FromBits(Detail::Bits(x) ^ Detail::Bits(y)); });
#endif
}

inline DOUBLE2 Abs(DOUBLE2 x) noexcept
{
    return AndNot(BroadcastDouble(-0.0), x);
}

inline DOUBLE2 Less(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmplt_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return Detail::MaskDouble(x < y); });
#endif
}

inline DOUBLE2 Greater(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmpgt_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return Detail::MaskDouble(x > y); });
#endif
}

inline DOUBLE2 GreaterOrEqual(DOUBLE2 a, DOUBLE2 b) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cmpge_pd(a.v, b.v)};
#else
    return Detail::Each(a, b, [](double x, double y) { return Detail::MaskDouble(x >= y); });
#endif
}

inline DOUBLE2 Select(DOUBLE2 mask, DOUBLE2 a, DOUBLE2 b) noexcept
{
    return Or(And(mask, a), AndNot(mask, b));
}

// Bit i = the sign bit of lane i.
inline int SignMask(DOUBLE2 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return _mm_movemask_pd(x.v);
#else
    return static_cast<int>(Detail::Bits(x.v[0]) >> 63) |
           static_cast<int>(Detail::Bits(x.v[1]) >> 63) << 1;
#endif
}

// ---- conversions ----

// Float lanes 0 and 1 widened.
inline DOUBLE2 ToDouble(FLOAT4 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cvtps_pd(x.v)};
#else
    return {{static_cast<double>(x.v[0]), static_cast<double>(x.v[1])}};
#endif
}

// Lanes rounded to float (to nearest) in lanes 0 and 1; lanes 2 and 3 zero.
inline FLOAT4 ToFloat(DOUBLE2 x) noexcept
{
#if MORVEX_SIMD_SSE2
    return {_mm_cvtpd_ps(x.v)};
#else
    return {{static_cast<float>(x.v[0]), static_cast<float>(x.v[1]), 0.0f, 0.0f}};
#endif
}

// whole[i] = trunc(x[i]); returns the fractions x - whole rounded to float in lanes 0 and 1
// (lanes 2 and 3 zero).
inline FLOAT4 SplitWhole(DOUBLE2 x, int (&whole)[2]) noexcept
{
#if MORVEX_SIMD_SSE2
    const __m128i w = _mm_cvttpd_epi32(x.v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(whole), w);
    return {_mm_cvtpd_ps(_mm_sub_pd(x.v, _mm_cvtepi32_pd(w)))};
#else
    whole[0] = Detail::Truncate(x.v[0]);
    whole[1] = Detail::Truncate(x.v[1]);
    return ToFloat({{x.v[0] - static_cast<double>(whole[0]),
                     x.v[1] - static_cast<double>(whole[1])}});
#endif
}
} // namespace Float4

inline FLOAT4 operator+(FLOAT4 a, FLOAT4 b) noexcept { return Float4::Add(a, b); }
inline FLOAT4 operator-(FLOAT4 a, FLOAT4 b) noexcept { return Float4::Sub(a, b); }
inline FLOAT4 operator*(FLOAT4 a, FLOAT4 b) noexcept { return Float4::Mul(a, b); }
inline FLOAT4 operator/(FLOAT4 a, FLOAT4 b) noexcept { return Float4::Div(a, b); }
inline DOUBLE2 operator+(DOUBLE2 a, DOUBLE2 b) noexcept { return Float4::Add(a, b); }
inline DOUBLE2 operator-(DOUBLE2 a, DOUBLE2 b) noexcept { return Float4::Sub(a, b); }
inline DOUBLE2 operator*(DOUBLE2 a, DOUBLE2 b) noexcept { return Float4::Mul(a, b); }
