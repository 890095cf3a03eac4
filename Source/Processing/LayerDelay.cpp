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
#include "Common/wrappers/dsp/Float4.h"

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

// Two channels side by side: lanes 0 (left) and 1 (right) of a FLOAT4 (lanes 2 and 3 carry
// values no one reads), and the read positions in the lanes of a DOUBLE2. Every operation is
// the IEEE single (or double) operation of each channel on its own.
using STEREO = FLOAT4;
using STEREO_DOUBLE = DOUBLE2;
using Float4::Broadcast;
using Float4::Lane;

inline STEREO Pair(float l, float r) noexcept { return Float4::LoadPair(&l, &r); }
inline float Left(STEREO a) noexcept { return Lane<0>(a); }
inline float Right(STEREO a) noexcept { return Lane<1>(a); }
// Each channel, or 0 where it is infinite or NaN.
inline STEREO FiniteOrZero(STEREO a) noexcept { return Float4::And(Float4::IsFinite(a), a); }
// std::clamp(x, -limit, limit) for finite x.
inline STEREO Clamp(STEREO a, float limit) noexcept
{
    return Float4::Clamp(a, Broadcast(-limit), Broadcast(limit));
}
// The interpolation taps of both lines (four each, oldest first) as y2, y1, y0, yNewer.
inline void Transpose(const float* l, const float* r, STEREO& y2, STEREO& y1, STEREO& y0,
                      STEREO& yNewer) noexcept
{
    const FLOAT4 vl = Float4::Load(l);
    const FLOAT4 vr = Float4::Load(r);
    const FLOAT4 older = Float4::InterleaveLow(vl, vr);
    const FLOAT4 newer = Float4::InterleaveHigh(vl, vr);
    y2 = older;
    y1 = Float4::HighToLow(older);
    y0 = newer;
    yNewer = Float4::HighToLow(newer);
}

inline STEREO_DOUBLE Pair(double l, double r) noexcept { return Float4::SetDouble(l, r); }
inline double Left(STEREO_DOUBLE a) noexcept { return Lane<0>(a); }
inline double Right(STEREO_DOUBLE a) noexcept { return Lane<1>(a); }
// s d + g per channel.
inline STEREO_DOUBLE Glide(double s, STEREO_DOUBLE d, STEREO_DOUBLE g) noexcept
{
    return Float4::BroadcastDouble(s) * d + g;
}
// A line read position: the delay limited to [0, length - 1] as the line's Read does.
inline STEREO_DOUBLE Limit(STEREO_DOUBLE d, double length) noexcept
{
    using namespace Float4;
    const DOUBLE2 x = Select(Less(d, BroadcastDouble(length)), d, BroadcastDouble(length - 1.0));
    return And(Greater(x, ZeroDouble()), x);
}
// True when every position from lowest to highest lies in (0, length), where Limit keeps it.
inline bool Inside(STEREO_DOUBLE lowest, STEREO_DOUBLE highest, double length) noexcept
{
    using namespace Float4;
    const DOUBLE2 inside =
        And(Greater(lowest, ZeroDouble()), Less(highest, BroadcastDouble(length)));
    return SignMask(inside) == 3;
}

// The last two values of a stereo signal: lanes n-1 left, n-1 right, n-2 left, n-2 right.
using HISTORY = FLOAT4;
inline HISTORY History(const float (&h)[2][2]) noexcept { return Float4::Load(&h[0][0]); }
inline void Store(HISTORY h, float (&out)[2][2]) noexcept { Float4::Store(&out[0][0], h); }
// The value before the current one.
inline STEREO Previous(HISTORY h) noexcept { return h; }
// The history after `newest`.
inline HISTORY Shift(STEREO newest, HISTORY h) noexcept { return Float4::LowHalves(newest, h); }
inline bool AllFinite(HISTORY h) noexcept { return Float4::SignMask(Float4::IsFinite(h)) == 15; }

// One RBJ section on both channels, on coefficients packed by PackSection.
struct BAND_SECTION
{
    const float* c;

    // The section's output for input x after the inputs in xs and the outputs in ys; the
    // same order of operations as CBiquadFilter::Filter.
    STEREO Filter(STEREO x, HISTORY xs, HISTORY ys) const noexcept
    {
        using namespace Float4;
        const FLOAT4 forward = LoadAligned(c + 4) * xs;
        const FLOAT4 back = LoadAligned(c + 8) * ys;
        FLOAT4 sum = LoadAligned(c) * x + forward;
        sum = sum + HighToLow(forward);
        sum = sum - back;
        sum = sum - HighToLow(back);
        return sum * LoadAligned(c + 12);
    }
};

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
    const STEREO half = Broadcast(0.5f);
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
                positions[i] = Float4::BothLow(delay = Glide(smoothing, delay, glide));
        }
        else
        {
            for (int i = 0; i < n; ++i)
                positions[i] = delay = Glide(smoothing, delay, glide);
        }
        // Within a pass the glide runs one way (each step is a monotonic function of the
        // last), so its ends are its extremes; between them the limits rarely apply.
        STEREO_DOUBLE lowest = Float4::Min(positions[0], positions[n - 1]);
        STEREO_DOUBLE highest = Float4::Max(positions[0], positions[n - 1]);
        if (!Inside(lowest, highest, length))
        {
            for (int i = 0; i < n; ++i)
                positions[i] = Limit(positions[i], length);
            lowest = Limit(lowest, length);
            highest = Limit(highest, length);
        }
        for (int i = 0; i < n; ++i)
            chunk.fraction[i] = Float4::SplitWhole(positions[i], chunk.whole[i]);
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
            const STEREO line = in * Broadcast(inputLevel) + Broadcast(feedback) * feedbackEcho;
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
        const STEREO lowpassB = Broadcast(ramped ? chunk.lowpassB[i] : lowpassB0);
        const STEREO lowpassA1 = Broadcast(ramped ? chunk.lowpassA1[i] : lowpassA10);
        const STEREO low = lowpassB * (echo + Previous(h[0])) - lowpassA1 * lowpassY1;
        lowpassY1 = low;

        const STEREO peaked = presence.Filter(echo, h[0], h[1]);
        const STEREO shelved = shelf.Filter(peaked, h[1], h[2]);
        const STEREO band = highPass.Filter(shelved, h[2], h[3]);
        h[0] = Shift(echo, h[0]);
        h[1] = Shift(peaked, h[1]);
        h[2] = Shift(shelved, h[2]);
        h[3] = Shift(band, h[3]);

        STEREO wet = FiniteOrZero(band * Broadcast(blend) + low * Broadcast(1.0f - blend));

        // The louder echo drives the limiter, whatever its sign.
        const STEREO magnitude = Float4::Abs(wet);
        const float level = std::max(Left(magnitude), Right(magnitude));
        envelope = limiter.Follow(level, envelope);
        if (envelope >= 1.0f)
            wet = wet / Broadcast(envelope);
        wet = Clamp(wet, kWetLimit);
        feedbackEcho = wet;

        const STEREO out = wet * Broadcast(wetMix) + dry * Broadcast(1.0f - wetMix);
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
        Store(finite ? h[k] : Float4::Zero(), m_history[k]);
    if (!(std::isfinite(m_lowpassY1[0]) && std::isfinite(m_lowpassY1[1])))
        m_lowpassY1[0] = m_lowpassY1[1] = 0.0f;
}
