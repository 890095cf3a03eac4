#include "LayerDelay.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include "Common/wrappers/dsp/Simd.h"

using namespace MorvexParam;

namespace
{
constexpr float kLineSeconds = 10.0f;
constexpr float kMaxShortestMs = 100.0f;
constexpr float kPresenceHz = 3000.0f;
constexpr float kPresenceOctaves = 2.5f;
constexpr float kHighPassHz = 120.0f;
constexpr float kShelfGainDb = -30.0f;
constexpr float kWetLimit = 0.999f;
// Line inputs are kept finite and within +60 dBFS, far above any real signal, so that
// no history can overflow.
constexpr float kInputLimit = 1000.0f;

constexpr int kChunk = 16; // samples per pass of the per-sample loop

// Two channels side by side: SSE2 lanes 0 (left) and 1 (right), or a plain pair.
// Every operation is the IEEE single (or double) operation of each channel on its own,
// so both forms compute the same bits.
#if MORVEX_SIMD_SSE2
struct STEREO
{
    __m128 v;
};
inline STEREO operator+(STEREO a, STEREO b) noexcept { return {_mm_add_ps(a.v, b.v)}; }
inline STEREO operator-(STEREO a, STEREO b) noexcept { return {_mm_sub_ps(a.v, b.v)}; }
inline STEREO operator*(STEREO a, STEREO b) noexcept { return {_mm_mul_ps(a.v, b.v)}; }
inline STEREO operator/(STEREO a, STEREO b) noexcept { return {_mm_div_ps(a.v, b.v)}; }
inline STEREO Splat(float x) noexcept { return {_mm_set1_ps(x)}; }
inline STEREO Pair(float l, float r) noexcept
{
    return {_mm_unpacklo_ps(_mm_set_ss(l), _mm_set_ss(r))};
}
inline float Left(STEREO a) noexcept { return _mm_cvtss_f32(a.v); }
inline float Right(STEREO a) noexcept { return _mm_cvtss_f32(_mm_shuffle_ps(a.v, a.v, 1)); }
inline STEREO Abs(STEREO a) noexcept { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
// Each channel, or 0 where it is infinite or NaN.
inline STEREO FiniteOrZero(STEREO a) noexcept
{
    const __m128 finite = _mm_cmple_ps(Abs(a).v, _mm_set1_ps(FLT_MAX));
    return {_mm_and_ps(finite, a.v)};
}
// std::clamp(x, -limit, limit) for finite x.
inline STEREO Clamp(STEREO a, float limit) noexcept
{
    return {_mm_min_ps(_mm_max_ps(a.v, _mm_set1_ps(-limit)), _mm_set1_ps(limit))};
}
// The interpolation taps of both lines (four each, oldest first) as y2, y1, y0, yNewer.
inline void Transpose(const float* l, const float* r, STEREO& y2, STEREO& y1, STEREO& y0,
                      STEREO& yNewer) noexcept
{
    const __m128 vl = _mm_loadu_ps(l);
    const __m128 vr = _mm_loadu_ps(r);
    const __m128 older = _mm_unpacklo_ps(vl, vr);
    const __m128 newer = _mm_unpackhi_ps(vl, vr);
    y2.v = older;
    y1.v = _mm_movehl_ps(older, older);
    y0.v = newer;
    yNewer.v = _mm_movehl_ps(newer, newer);
}

struct STEREO_DOUBLE
{
    __m128d v;
};
inline STEREO_DOUBLE Pair(double l, double r) noexcept { return {_mm_set_pd(r, l)}; }
inline double Left(STEREO_DOUBLE a) noexcept { return _mm_cvtsd_f64(a.v); }
inline double Right(STEREO_DOUBLE a) noexcept { return _mm_cvtsd_f64(_mm_unpackhi_pd(a.v, a.v)); }
// s d + g per channel.
inline STEREO_DOUBLE Glide(double s, STEREO_DOUBLE d, STEREO_DOUBLE g) noexcept
{
    return {_mm_add_pd(_mm_mul_pd(_mm_set1_pd(s), d.v), g.v)};
}
// The left channel's value in both.
inline STEREO_DOUBLE BothLeft(STEREO_DOUBLE a) noexcept { return {_mm_unpacklo_pd(a.v, a.v)}; }
// A line read position: the delay limited to [0, length - 1] as the line's Read does.
inline STEREO_DOUBLE Limit(STEREO_DOUBLE d, double length) noexcept
{
    const __m128d below = _mm_cmplt_pd(d.v, _mm_set1_pd(length));
    const __m128d x =
        _mm_or_pd(_mm_and_pd(below, d.v), _mm_andnot_pd(below, _mm_set1_pd(length - 1.0)));
    return {_mm_and_pd(_mm_cmpgt_pd(x, _mm_setzero_pd()), x)};
}
// A limited position split into whole samples (left, right) and the fraction.
inline void Split(STEREO_DOUBLE x, int* whole, STEREO& fraction) noexcept
{
    const __m128i w = _mm_cvttpd_epi32(x.v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(whole), w);
    fraction.v = _mm_cvtpd_ps(_mm_sub_pd(x.v, _mm_cvtepi32_pd(w)));
}
inline STEREO_DOUBLE Min(STEREO_DOUBLE a, STEREO_DOUBLE b) noexcept
{
    return {_mm_min_pd(a.v, b.v)};
}
// True when every position from lowest to highest lies in (0, length), where Limit keeps it.
inline bool Inside(STEREO_DOUBLE lowest, STEREO_DOUBLE highest, double length) noexcept
{
    const __m128d inside = _mm_and_pd(_mm_cmpgt_pd(lowest.v, _mm_setzero_pd()),
                                      _mm_cmplt_pd(highest.v, _mm_set1_pd(length)));
    return _mm_movemask_pd(inside) == 3;
}
inline STEREO_DOUBLE Max(STEREO_DOUBLE a, STEREO_DOUBLE b) noexcept
{
    return {_mm_max_pd(a.v, b.v)};
}

// The last two values of a stereo signal: lanes n-1 left, n-1 right, n-2 left, n-2 right.
struct HISTORY
{
    __m128 v;
};
inline HISTORY History(const float (&h)[2][2]) noexcept
{
    return {_mm_loadu_ps(&h[0][0])};
}
inline void Store(HISTORY h, float (&out)[2][2]) noexcept { _mm_storeu_ps(&out[0][0], h.v); }
// The value before the current one.
inline STEREO Previous(HISTORY h) noexcept { return {h.v}; }
// The history after `newest`.
inline HISTORY Shift(STEREO newest, HISTORY h) noexcept { return {_mm_movelh_ps(newest.v, h.v)}; }
inline bool AllFinite(HISTORY h) noexcept
{
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), h.v);
    return _mm_movemask_ps(_mm_cmple_ps(magnitude, _mm_set1_ps(FLT_MAX))) == 15;
}

// One RBJ section on both channels, on coefficients packed by PackSection.
struct BAND_SECTION
{
    const float* c;

    // The section's output for input x after the inputs in xs and the outputs in ys; the
    // same order of operations as CBiquadFilter::Filter.
    STEREO Filter(STEREO x, HISTORY xs, HISTORY ys) const noexcept
    {
        const __m128 forward = _mm_mul_ps(_mm_load_ps(c + 4), xs.v);
        const __m128 back = _mm_mul_ps(_mm_load_ps(c + 8), ys.v);
        __m128 sum = _mm_add_ps(_mm_mul_ps(_mm_load_ps(c), x.v), forward);
        sum = _mm_add_ps(sum, _mm_movehl_ps(forward, forward));
        sum = _mm_sub_ps(sum, back);
        sum = _mm_sub_ps(sum, _mm_movehl_ps(back, back));
        return {_mm_mul_ps(sum, _mm_load_ps(c + 12))};
    }
};
#else
struct STEREO
{
    float l, r;
};
inline STEREO operator+(STEREO a, STEREO b) noexcept { return {a.l + b.l, a.r + b.r}; }
inline STEREO operator-(STEREO a, STEREO b) noexcept { return {a.l - b.l, a.r - b.r}; }
inline STEREO operator*(STEREO a, STEREO b) noexcept { return {a.l * b.l, a.r * b.r}; }
inline STEREO operator/(STEREO a, STEREO b) noexcept { return {a.l / b.l, a.r / b.r}; }
inline STEREO Splat(float x) noexcept { return {x, x}; }
inline STEREO Pair(float l, float r) noexcept { return {l, r}; }
inline float Left(STEREO a) noexcept { return a.l; }
inline float Right(STEREO a) noexcept { return a.r; }
inline STEREO Abs(STEREO a) noexcept { return {std::fabs(a.l), std::fabs(a.r)}; }
inline STEREO FiniteOrZero(STEREO a) noexcept
{
    return {std::isfinite(a.l) ? a.l : 0.0f, std::isfinite(a.r) ? a.r : 0.0f};
}
inline STEREO Clamp(STEREO a, float limit) noexcept
{
    return {std::clamp(a.l, -limit, limit), std::clamp(a.r, -limit, limit)};
}
inline void Transpose(const float* l, const float* r, STEREO& y2, STEREO& y1, STEREO& y0,
                      STEREO& yNewer) noexcept
{
    y2 = {l[0], r[0]};
    y1 = {l[1], r[1]};
    y0 = {l[2], r[2]};
    yNewer = {l[3], r[3]};
}

struct STEREO_DOUBLE
{
    double l, r;
};
inline STEREO_DOUBLE Pair(double l, double r) noexcept { return {l, r}; }
inline double Left(STEREO_DOUBLE a) noexcept { return a.l; }
inline double Right(STEREO_DOUBLE a) noexcept { return a.r; }
inline STEREO_DOUBLE Glide(double s, STEREO_DOUBLE d, STEREO_DOUBLE g) noexcept
{
    return {s * d.l + g.l, s * d.r + g.r};
}
inline STEREO_DOUBLE BothLeft(STEREO_DOUBLE a) noexcept { return {a.l, a.l}; }
inline STEREO_DOUBLE Limit(STEREO_DOUBLE d, double length) noexcept
{
    const auto limit = [length](double x)
    {
        if (!(x < length))
            return length - 1.0;
        return x > 0.0 ? x : 0.0;
    };
    return {limit(d.l), limit(d.r)};
}
inline void Split(STEREO_DOUBLE x, int* whole, STEREO& fraction) noexcept
{
    whole[0] = static_cast<int>(x.l);
    whole[1] = static_cast<int>(x.r);
    fraction = {static_cast<float>(x.l - static_cast<double>(whole[0])),
                static_cast<float>(x.r - static_cast<double>(whole[1]))};
}
inline STEREO_DOUBLE Min(STEREO_DOUBLE a, STEREO_DOUBLE b) noexcept
{
    return {std::min(a.l, b.l), std::min(a.r, b.r)};
}
inline bool Inside(STEREO_DOUBLE lowest, STEREO_DOUBLE highest, double length) noexcept
{
    return lowest.l > 0.0 && lowest.r > 0.0 && highest.l < length && highest.r < length;
}
inline STEREO_DOUBLE Max(STEREO_DOUBLE a, STEREO_DOUBLE b) noexcept
{
    return {std::max(a.l, b.l), std::max(a.r, b.r)};
}

struct HISTORY
{
    STEREO previous, before;
};
inline HISTORY History(const float (&h)[2][2]) noexcept
{
    return {{h[0][0], h[0][1]}, {h[1][0], h[1][1]}};
}
inline void Store(HISTORY h, float (&out)[2][2]) noexcept
{
    out[0][0] = h.previous.l;
    out[0][1] = h.previous.r;
    out[1][0] = h.before.l;
    out[1][1] = h.before.r;
}
inline STEREO Previous(HISTORY h) noexcept { return h.previous; }
inline HISTORY Shift(STEREO newest, HISTORY h) noexcept { return {newest, h.previous}; }
inline bool AllFinite(HISTORY h) noexcept
{
    return std::isfinite(h.previous.l) && std::isfinite(h.previous.r) &&
           std::isfinite(h.before.l) && std::isfinite(h.before.r);
}

struct BAND_SECTION
{
    const float* c;

    STEREO Filter(STEREO x, HISTORY xs, HISTORY ys) const noexcept
    {
        return (Splat(c[0]) * x + Splat(c[4]) * xs.previous + Splat(c[6]) * xs.before -
                Splat(c[8]) * ys.previous - Splat(c[10]) * ys.before) *
               Splat(c[12]);
    }
};
#endif

// A section's coefficients as BAND_SECTION reads them: b0 four times; b1, b1, b2, b2;
// a1, a1, a2, a2; 1 / a0 four times.
void PackSection(const CBiquadFilter& filter, float (&c)[16]) noexcept
{
    const float values[4][2] = {{filter.GetB0(), filter.GetB0()},
                                {filter.GetB1(), filter.GetB2()},
                                {filter.GetA1(), filter.GetA2()},
                                {filter.GetInverseA0(), filter.GetInverseA0()}};
    for (int k = 0; k < 4; ++k)
    {
        c[4 * k] = c[4 * k + 1] = values[k][0];
        c[4 * k + 2] = c[4 * k + 3] = values[k][1];
    }
}

// Line inputs are kept finite and within +60 dBFS (kInputLimit).
inline STEREO SanitizeInput(STEREO x) noexcept
{
    return Clamp(FiniteOrZero(x), kInputLimit);
}

// CHermiteDelayLine::Interpolate on both channels.
inline STEREO Interpolate(STEREO y2, STEREO y1, STEREO y0, STEREO yNewer, STEREO t) noexcept
{
    const STEREO half = Splat(0.5f);
    const STEREO a = y0 - y1;
    const STEREO c1 = (y1 - yNewer) * half;
    const STEREO c = a + c1;
    const STEREO d = (y2 - y0) * half + a + c;
    return ((t * d - c - d) * t + c1) * t + y0;
}

} // namespace

CLayerDelay::CLayerDelay(CBaseEffect* owner, int layer) : CLayerEffect(owner, layer)
{
    SetSampleRate(44100.0f);
}

void CLayerDelay::SetSampleRate(float sampleRate)
{
    CLayerEffect::SetSampleRate(sampleRate);
    m_limiter.SetSampleRate(sampleRate);
    m_timeSmoothing = std::exp(-Dsp::kTwoPiDouble / (0.6 * static_cast<double>(sampleRate)));
    m_timeSmoothingComplement = 1.0 - m_timeSmoothing;
    // New lines start silent, so no block can read what the old ones held.
    const int length = static_cast<int>(sampleRate * kLineSeconds);
    m_lineLeft.SetLength(length);
    m_lineRight.SetLength(length);
    m_highPass.CalcFilter(CBiquadFilter::kHighPass, 0, kHighPassHz, 1.0f, 0.0f, sampleRate);
    PackSection(m_highPass, m_bandCoefficients[2]);
    m_presenceShortestMs = -1.0f;
    m_shelfHz = -1.0f;
}

void CLayerDelay::Reset()
{
    m_limiter.envelope = 0.0f;
    m_lineLeft.Clear();
    m_lineRight.Clear();
    m_feedbackLeft = 0.0f;
    m_feedbackRight = 0.0f;
    std::fill(&m_history[0][0][0], &m_history[0][0][0] + kHistoryValues, 0.0f);
    m_lowpassY1[0] = 0.0f;
    m_lowpassY1[1] = 0.0f;
}

void CLayerDelay::UpdateToneFilters(float shortestMs, float bandpass,
                                    float lowpassPosition) noexcept
{
    if (shortestMs != m_presenceShortestMs)
    {
        // 6 dB of presence for the shortest times up to 12 dB from 100 ms on.
        const int index = static_cast<int>((1.0f - shortestMs / kMaxShortestMs) * Dsp::kCurveTableScale);
        const float gainDb = 12.0f - 6.0f * LOG_TABLE.At(index);
        m_presence.CalcFilter(CBiquadFilter::kPeaking, 0, kPresenceHz, kPresenceOctaves, gainDb,
                              m_sampleRate);
        PackSection(m_presence, m_bandCoefficients[0]);
        m_presenceShortestMs = shortestMs;
    }
    // 8 kHz, moved up by the low-pass setting and down by the band-pass amount.
    const float shelfHz = lowpassPosition * 7000.0f + 8000.0f - bandpass * 7000.0f;
    if (shelfHz != m_shelfHz)
    {
        m_shelf.CalcFilter(CBiquadFilter::kHighShelf, 0, shelfHz, 1.0f, kShelfGainDb, m_sampleRate);
        PackSection(m_shelf, m_bandCoefficients[1]);
        m_shelfHz = shelfHz;
    }
}

// Per-sample values of one pass of Run: the ramps, the low-pass coefficients and the
// read positions of both lines; and the block's constants.
struct CLayerDelay::CHUNK
{
    float feedback[kChunk];
    float lowpassB[kChunk];
    float lowpassA1[kChunk];
    float blend[kChunk];
    float wetMix[kChunk];
    float inputLevel[kChunk];
    STEREO fraction[kChunk]; // of the read positions
    int whole[kChunk][2];    // whole samples of the read positions, left and right
    double glideLeft = 0.0;
    double glideRight = 0.0;
};

void CLayerDelay::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || !IsOn(kDelayOn))
        return;
    CBaseEffect& owner = *m_owner;
    const int layer = m_layer;
    const float mix = ParamRead::Smoothed(owner, kDelayMix + layer);
    const bool resuming = IsResting();
    if (Resting(mix, m_mixRamp.GetCurrent()))
        return;
    const bool sync = ParamRead::Switch(owner, kDelaySync + layer);
    const bool link = ParamRead::Switch(owner, kDelayLink + layer);
    const bool pingPong = ParamRead::Switch(owner, kDelayPingPong + layer);
    const float speedLeft = ParamRead::ModulatedUnits(owner, kDelaySpeedL + layer);
    const float speedRight = ParamRead::ModulatedUnits(owner, kDelaySpeedR + layer);
    const float bandpass = 0.5f * ParamRead::Smoothed(owner, kDelayBandpass + layer);
    const float feedbackAmount = ParamRead::Smoothed(owner, kDelayFeedback + layer);
    const float lowpassHz = ParamRead::SmoothedUnits(owner, kDelayLowpass + layer);
    const float lowpassPosition = ParamRead::Settled(owner, kDelayLowpass + layer);
    const float input = ParamRead::Smoothed(owner, kDelayInput + layer);

    float timeLeft = 0.0f; // seconds
    float timeRight = 0.0f;
    if (sync)
    {
        timeLeft = TimeScaling::ToRatio(static_cast<int>(speedLeft), m_hostTempo);
        timeRight = TimeScaling::ToRatio(static_cast<int>(speedRight), m_hostTempo);
    }
    else
    {
        timeLeft = speedLeft * 0.001f;
        timeRight = speedRight * 0.001f;
    }
    const double rate = static_cast<double>(m_sampleRate);
    if (resuming)
    {
        // The lines restart silent (Reset): there is nothing to glide over, so the times
        // start where a module that had kept running would have settled.
        m_delayLeft = static_cast<double>(timeLeft) * rate;
        m_delayRight = static_cast<double>(timeRight) * rate;
    }
    const float timeRightHeard = link ? timeLeft : timeRight;
    const float shortestMs =
        std::clamp(std::min(timeLeft, timeRightHeard) * 1000.0f, 0.0f, kMaxShortestMs);
    UpdateToneFilters(shortestMs, bandpass, lowpassPosition);

    m_feedbackRamp.SetTarget((1.0f - bandpass) * 0.999f * feedbackAmount, count);
    m_lowpassRamp.SetTarget(lowpassHz, count);
    m_bandpassRamp.SetTarget(bandpass, count);
    m_mixRamp.SetTarget(mix, count);
    m_inputRamp.SetTarget(input, count);

    CHUNK chunk;
    chunk.glideLeft = m_timeSmoothingComplement * static_cast<double>(timeLeft) * rate;
    chunk.glideRight = m_timeSmoothingComplement * static_cast<double>(timeRight) * rate;
    const float lowpassLimitHz = 0.49f * m_sampleRate;
    const float piOverRate = Dsp::kPi / m_sampleRate;
    float coefficientHz = -1.0f; // cut-off of the low-pass coefficients in use
    float lowpassB = 0.0f;
    float lowpassA1 = 0.0f;
    const auto lowpassCoefficients = [&](float cutoffHz)
    {
        if (cutoffHz != coefficientHz)
        {
            // First-order bilinear low-pass, tan(x) from its series x + x^3/3 + 2x^5/15.
            const float t = Dsp::TanSeries(piOverRate * cutoffHz);
            const float inverse = 1.0f / (1.0f + t);
            lowpassB = t * inverse;
            lowpassA1 = (t - 1.0f) * inverse;
            coefficientHz = cutoffHz;
        }
    };

    // A ramp standing on its target gives the same value throughout the block.
    ParamInterpolator* const ramps[] = {&m_feedbackRamp, &m_lowpassRamp, &m_bandpassRamp,
                                        &m_mixRamp, &m_inputRamp};
    const bool feedbackStill = m_feedbackRamp.IsSettled();
    const bool lowpassStill = m_lowpassRamp.IsSettled();
    const bool bandpassStill = m_bandpassRamp.IsSettled();
    const bool mixStill = m_mixRamp.IsSettled();
    const bool inputStill = m_inputRamp.IsSettled();
    const bool settled = feedbackStill && lowpassStill && bandpassStill && mixStill && inputStill;
    if (lowpassStill)
        lowpassCoefficients(std::min(m_lowpassRamp.GetCurrent(), lowpassLimitHz));
    if (settled)
    {
        chunk.feedback[0] = m_feedbackRamp.GetCurrent();
        chunk.blend[0] = m_bandpassRamp.GetCurrent();
        chunk.wetMix[0] = m_mixRamp.GetCurrent();
        chunk.inputLevel[0] = m_inputRamp.GetCurrent();
        chunk.lowpassB[0] = lowpassB;
        chunk.lowpassA1[0] = lowpassA1;
    }
    for (int start = 0; start < count; start += kChunk)
    {
        const int n = std::min(kChunk, count - start);
        if (!settled)
        {
            const auto fill = [n](ParamInterpolator& ramp, bool still, float* values)
            {
                if (still)
                    std::fill(values, values + n, ramp.GetCurrent());
                else
                {
                    for (int i = 0; i < n; ++i)
                        values[i] = ramp.Next();
                }
            };
            fill(m_feedbackRamp, feedbackStill, chunk.feedback);
            fill(m_bandpassRamp, bandpassStill, chunk.blend);
            fill(m_mixRamp, mixStill, chunk.wetMix);
            fill(m_inputRamp, inputStill, chunk.inputLevel);
            if (lowpassStill)
            {
                std::fill(chunk.lowpassB, chunk.lowpassB + n, lowpassB);
                std::fill(chunk.lowpassA1, chunk.lowpassA1 + n, lowpassA1);
            }
            else
            {
                for (int i = 0; i < n; ++i)
                {
                    lowpassCoefficients(std::min(m_lowpassRamp.Next(), lowpassLimitHz));
                    chunk.lowpassB[i] = lowpassB;
                    chunk.lowpassA1[i] = lowpassA1;
                }
            }
        }

        // The glide does not depend on the audio: all read positions of the pass first.
        const double smoothing = m_timeSmoothing;
        const double length = static_cast<double>(m_lineLeft.GetLength());
        const STEREO_DOUBLE glide = Pair(chunk.glideLeft, chunk.glideRight);
        STEREO_DOUBLE delay = Pair(m_delayLeft, m_delayRight);
        STEREO_DOUBLE positions[kChunk];
        if (link)
        {
            for (int i = 0; i < n; ++i)
                positions[i] = BothLeft(delay = Glide(smoothing, delay, glide));
        }
        else
        {
            for (int i = 0; i < n; ++i)
                positions[i] = delay = Glide(smoothing, delay, glide);
        }
        // Within a pass the glide runs one way (each step is a monotonic function of the
        // last), so its ends are its extremes; between them the limits rarely apply.
        STEREO_DOUBLE lowest = Min(positions[0], positions[n - 1]);
        STEREO_DOUBLE highest = Max(positions[0], positions[n - 1]);
        if (!Inside(lowest, highest, length))
        {
            for (int i = 0; i < n; ++i)
                positions[i] = Limit(positions[i], length);
            lowest = Limit(lowest, length);
            highest = Limit(highest, length);
        }
        for (int i = 0; i < n; ++i)
            Split(positions[i], chunk.whole[i], chunk.fraction[i]);
        m_delayLeft = Left(delay);
        m_delayRight = Right(delay);
        // Whole samples grow with the position, so the extremes bound every whole above.
        const int minLeft = static_cast<int>(Left(lowest));
        const int maxLeft = static_cast<int>(Left(highest));
        const int minRight = static_cast<int>(Right(lowest));
        const int maxRight = static_cast<int>(Right(highest));
        int writeLeft = 0, readLeft = 0, writeRight = 0, readRight = 0;
        const bool direct =
            m_lineLeft.BeginBlock(n, minLeft, maxLeft, writeLeft, readLeft) &&
            m_lineRight.BeginBlock(n, minRight, maxRight, writeRight, readRight);
        using RUN = void (CLayerDelay::*)(float*, float*, int, const CHUNK&,
                                          const LINE_ACCESS&) noexcept;
        static constexpr RUN kRuns[2][2][2] = {
            {{&CLayerDelay::Run<false, false, false>, &CLayerDelay::Run<false, false, true>},
             {&CLayerDelay::Run<false, true, false>, &CLayerDelay::Run<false, true, true>}},
            {{&CLayerDelay::Run<true, false, false>, &CLayerDelay::Run<true, false, true>},
             {&CLayerDelay::Run<true, true, false>, &CLayerDelay::Run<true, true, true>}},
        };
        const LINE_ACCESS access = {writeLeft, readLeft, writeRight, readRight};
        (this->*kRuns[settled ? 0 : 1][direct ? 1 : 0][pingPong ? 1 : 0])(
            left + start, right + start, n, chunk, access);
        if (direct)
        {
            m_lineLeft.EndBlock(n);
            m_lineRight.EndBlock(n);
        }
    }
    // The ramps that stood still end the block on their targets, as their Next would.
    for (ParamInterpolator* ramp : ramps)
    {
        if (ramp->IsSettled())
            ramp->Finish();
    }
}

template <bool ramped, bool direct, bool pingPong>
void CLayerDelay::Run(float* left, float* right, int count, const CHUNK& chunk,
                      const LINE_ACCESS& access) noexcept
{
    // A copy in a local, so that the loop keeps its coefficients in registers.
    const CPeakLimiter limiter = m_limiter;
    float* const dataLeft = m_lineLeft.Data();
    float* const dataRight = m_lineRight.Data();
    // Block constants when nothing ramps (the chunk arrays may alias the audio for all the
    // compiler knows, so they are read once here).
    const float feedback0 = chunk.feedback[0];
    const float blend0 = chunk.blend[0];
    const float wetMix0 = chunk.wetMix[0];
    const float inputLevel0 = chunk.inputLevel[0];
    const float lowpassB0 = chunk.lowpassB[0];
    const float lowpassA10 = chunk.lowpassA1[0];

    float envelope = m_limiter.envelope;
    STEREO feedbackEcho = Pair(m_feedbackLeft, m_feedbackRight);
    STEREO lowpassY1 = Pair(m_lowpassY1[0], m_lowpassY1[1]);
    // The band-limited chain: echo -> presence -> shelf -> high-pass. Each section's input
    // is the previous one's output, so one history per signal serves both.
    HISTORY h[4];
    for (int k = 0; k < 4; ++k)
        h[k] = History(m_history[k]);
    const BAND_SECTION presence{m_bandCoefficients[0]}, shelf{m_bandCoefficients[1]},
        highPass{m_bandCoefficients[2]};

    for (int i = 0; i < count; ++i)
    {
        const float feedback = ramped ? chunk.feedback[i] : feedback0;
        const float blend = ramped ? chunk.blend[i] : blend0;
        const float wetMix = ramped ? chunk.wetMix[i] : wetMix0;
        const float inputLevel = ramped ? chunk.inputLevel[i] : inputLevel0;

        const STEREO dry = Pair(left[i], right[i]);
        const STEREO in = SanitizeInput(dry);
        float pushLeft = 0.0f;
        float pushRight = 0.0f;
        if (pingPong)
        {
            pushLeft = pushRight =
                feedback * Left(feedbackEcho) + 0.5f * inputLevel * (Left(in) + Right(in));
        }
        else
        {
            const STEREO line = in * Splat(inputLevel) + Splat(feedback) * feedbackEcho;
            pushLeft = Left(line);
            pushRight = Right(line);
        }
        const int wholeLeft = chunk.whole[i][0];
        const int wholeRight = chunk.whole[i][1];
        const float* tapsLeft = nullptr;
        const float* tapsRight = nullptr;
        float scratchLeft[4];
        float scratchRight[4];
        if (direct)
        {
            dataLeft[access.writeLeft + i] = pushLeft;
            dataRight[access.writeRight + i] = pushRight;
            tapsLeft = dataLeft + (access.readLeft + i - wholeLeft - 2);
            tapsRight = dataRight + (access.readRight + i - wholeRight - 2);
        }
        else
        {
            m_lineLeft.Push(pushLeft);
            m_lineRight.Push(pushRight);
            tapsLeft = m_lineLeft.Taps(wholeLeft, scratchLeft);
            tapsRight = m_lineRight.Taps(wholeRight, scratchRight);
        }
        STEREO y2, y1, y0, yNewer;
        Transpose(tapsLeft, tapsRight, y2, y1, y0, yNewer);
        const STEREO echo = Interpolate(y2, y1, y0, yNewer, chunk.fraction[i]);

        // The filter states stay finite for finite coefficients and bounded echoes; the
        // wet signal is checked per sample and the states once per pass, below.
        const STEREO lowpassB = Splat(ramped ? chunk.lowpassB[i] : lowpassB0);
        const STEREO lowpassA1 = Splat(ramped ? chunk.lowpassA1[i] : lowpassA10);
        const STEREO low = lowpassB * (echo + Previous(h[0])) - lowpassA1 * lowpassY1;
        lowpassY1 = low;

        const STEREO peaked = presence.Filter(echo, h[0], h[1]);
        const STEREO shelved = shelf.Filter(peaked, h[1], h[2]);
        const STEREO band = highPass.Filter(shelved, h[2], h[3]);
        h[0] = Shift(echo, h[0]);
        h[1] = Shift(peaked, h[1]);
        h[2] = Shift(shelved, h[2]);
        h[3] = Shift(band, h[3]);

        STEREO wet = FiniteOrZero(band * Splat(blend) + low * Splat(1.0f - blend));

        // The louder echo drives the limiter, whatever its sign.
        const STEREO magnitude = Abs(wet);
        const float level = std::max(Left(magnitude), Right(magnitude));
        envelope = limiter.Follow(level, envelope);
        if (envelope >= 1.0f)
            wet = wet / Splat(envelope);
        wet = Clamp(wet, kWetLimit);
        feedbackEcho = wet;

        const STEREO out = wet * Splat(wetMix) + dry * Splat(1.0f - wetMix);
        left[i] = Left(out);
        right[i] = Right(out);
    }

    m_limiter.envelope = envelope;
    m_feedbackLeft = Left(feedbackEcho);
    m_feedbackRight = Right(feedbackEcho);
    m_lowpassY1[0] = Left(lowpassY1);
    m_lowpassY1[1] = Right(lowpassY1);
    // A filter state gone infinite or NaN is cleared, so the filters recover.
    const bool finite = AllFinite(h[0]) && AllFinite(h[1]) && AllFinite(h[2]) && AllFinite(h[3]);
    for (int k = 0; k < 4; ++k)
        Store(finite ? h[k] : HISTORY{}, m_history[k]);
    if (!(std::isfinite(m_lowpassY1[0]) && std::isfinite(m_lowpassY1[1])))
        m_lowpassY1[0] = m_lowpassY1[1] = 0.0f;
}
