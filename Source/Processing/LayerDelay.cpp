#include "LayerDelay.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
    bool steady = false;     // every read position of the pass the same (the glide at rest)
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
        // A glide at rest (a step that gives the same bits) gives them every step after.
        double now[2], next[2];
        Float4::Store(now, delay);
        Float4::Store(next, Glide(smoothing, delay, glide));
        chunk.steady = std::memcmp(now, next, sizeof now) == 0;
        const int moving = chunk.steady ? 1 : n; // positions that differ
        if (chunk.steady)
        {
            positions[0] = link ? Float4::BothLow(delay) : delay;
        }
        else if (link)
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
        STEREO_DOUBLE lowest = Float4::Min(positions[0], positions[moving - 1]);
        STEREO_DOUBLE highest = Float4::Max(positions[0], positions[moving - 1]);
        if (!Inside(lowest, highest, length))
        {
            for (int i = 0; i < moving; ++i)
                positions[i] = Limit(positions[i], length);
            lowest = Limit(lowest, length);
            highest = Limit(highest, length);
        }
        for (int i = 0; i < moving; ++i)
            chunk.fraction[i] = Float4::SplitWhole(positions[i], chunk.whole[i]);
        if (chunk.steady)
        {
            for (int i = 1; i < n; ++i)
            {
                chunk.fraction[i] = chunk.fraction[0];
                chunk.whole[i][0] = chunk.whole[0][0];
                chunk.whole[i][1] = chunk.whole[0][1];
            }
        }
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
        using AHEAD_RUN = bool (CLayerDelay::*)(float*, float*, int, const CHUNK&,
                                                const LINE_ACCESS&) noexcept;
        static constexpr AHEAD_RUN kAheadRuns[2][2] = {
            {&CLayerDelay::RunAhead<false, false>, &CLayerDelay::RunAhead<false, true>},
            {&CLayerDelay::RunAhead<true, false>, &CLayerDelay::RunAhead<true, true>},
        };
        const LINE_ACCESS access = {writeLeft, readLeft, writeRight, readRight};
        // The taps of pass sample i lie between read + i - w(i) - 2 and read + i - w(i) + 1,
        // so all of them between read - max - 2 and read + n - min; the pass writes
        // write .. write + n - 1.
        const auto clearOfWrites = [n](int write, int read, int minWhole, int maxWhole)
        { return read + n - minWhole < write || read - maxWhole - 2 >= write + n; };
        const bool ahead = direct && clearOfWrites(writeLeft, readLeft, minLeft, maxLeft) &&
                           clearOfWrites(writeRight, readRight, minRight, maxRight);
        if (!ahead || !(this->*kAheadRuns[settled ? 0 : 1][pingPong ? 1 : 0])(
                          left + start, right + start, n, chunk, access))
        {
            (this->*kRuns[settled ? 0 : 1][direct ? 1 : 0][pingPong ? 1 : 0])(
                left + start, right + start, n, chunk, access);
        }
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

namespace
{
// Four consecutive values from p[at]; beyond count the last one repeated (so that a
// last, partial group reads nothing past the pass).
inline FLOAT4 LoadGroup(const float* p, int at, int count) noexcept
{
    if (at + 4 <= count)
        return Float4::Load(p + at);
    const auto value = [p, count](int i) { return p[i < count ? i : count - 1]; };
    return Float4::Set(value(at), value(at + 1), value(at + 2), value(at + 3));
}

// Stereo frames (left, right interleaved) back into two channels, four frames at a time.
inline void Deinterleave(const float* frames, float* left, float* right, int count) noexcept
{
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const FLOAT4 a = Float4::LoadAligned(frames + 2 * i);
        const FLOAT4 b = Float4::LoadAligned(frames + 2 * i + 4);
        Float4::Store(left + i, Float4::Shuffle<0, 2, 0, 2>(a, b));
        Float4::Store(right + i, Float4::Shuffle<1, 3, 1, 3>(a, b));
    }
    for (; i < count; ++i)
    {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}
} // namespace

template <bool ramped, bool pingPong>
bool CLayerDelay::RunAhead(float* left, float* right, int count, const CHUNK& chunk,
                           const LINE_ACCESS& access) noexcept
{
    using namespace Float4;
    // Per sample, left and right interleaved: the echo read from the lines, the line input
    // before the fed-back echo is added, the dry share of the output; then what the pass
    // writes to the lines and to the output.
    alignas(16) float echoes[2 * kChunk];
    alignas(16) float lineInputs[2 * kChunk];
    alignas(16) float dryShares[2 * kChunk];
    alignas(16) float pushes[2 * kChunk];
    alignas(16) float outputs[2 * kChunk];

    // The parts that do not depend on the feedback: four samples of a channel at once.
    // The lanes of each operation are the per-sample operations of Run.
    const float* const dataLeft = m_lineLeft.Data();
    const float* const dataRight = m_lineRight.Data();
    for (int i0 = 0; i0 < count; i0 += 4)
    {
        // Per tap (y2, y1, y0, yNewer) one vector of the four samples.
        FLOAT4 tapsLeft[4], tapsRight[4], fractionLeft, fractionRight;
        if (chunk.steady && i0 + 4 <= count)
        {
            // One whole delay: the taps of consecutive samples are consecutive.
            const float* const l = dataLeft + (access.readLeft + i0 - chunk.whole[0][0] - 2);
            const float* const r = dataRight + (access.readRight + i0 - chunk.whole[0][1] - 2);
            for (int k = 0; k < 4; ++k)
            {
                tapsLeft[k] = Load(l + k);
                tapsRight[k] = Load(r + k);
            }
            fractionLeft = Broadcast(Left(chunk.fraction[0]));
            fractionRight = Broadcast(Right(chunk.fraction[0]));
        }
        else
        {
            FLOAT4 fraction[4];
            for (int k = 0; k < 4; ++k)
            {
                const int i = i0 + k < count ? i0 + k : count - 1;
                tapsLeft[k] = Load(dataLeft + (access.readLeft + i - chunk.whole[i][0] - 2));
                tapsRight[k] = Load(dataRight + (access.readRight + i - chunk.whole[i][1] - 2));
                fraction[k] = chunk.fraction[i];
            }
            // Rows of taps (y2, y1, y0, yNewer of one sample) become one vector per tap.
            Transpose(tapsLeft[0], tapsLeft[1], tapsLeft[2], tapsLeft[3]);
            Transpose(tapsRight[0], tapsRight[1], tapsRight[2], tapsRight[3]);
            const FLOAT4 firstPair = InterleaveLow(fraction[0], fraction[1]);
            const FLOAT4 secondPair = InterleaveLow(fraction[2], fraction[3]);
            fractionLeft = LowHalves(firstPair, secondPair);
            fractionRight = HighHalves(secondPair, firstPair);
        }
        const FLOAT4 echoLeft =
            Interpolate(tapsLeft[0], tapsLeft[1], tapsLeft[2], tapsLeft[3], fractionLeft);
        const FLOAT4 echoRight =
            Interpolate(tapsRight[0], tapsRight[1], tapsRight[2], tapsRight[3], fractionRight);
        StoreAligned(echoes + 2 * i0, InterleaveLow(echoLeft, echoRight));
        StoreAligned(echoes + 2 * i0 + 4, InterleaveHigh(echoLeft, echoRight));

        const FLOAT4 dryLeft = LoadGroup(left, i0, count);
        const FLOAT4 dryRight = LoadGroup(right, i0, count);
        const FLOAT4 inLeft = SanitizeInput(dryLeft);
        const FLOAT4 inRight = SanitizeInput(dryRight);
        const FLOAT4 inputLevel =
            ramped ? LoadGroup(chunk.inputLevel, i0, count) : Broadcast(chunk.inputLevel[0]);
        FLOAT4 lineLeft, lineRight;
        if (pingPong)
        {
            lineLeft = lineRight = Broadcast(0.5f) * inputLevel * (inLeft + inRight);
        }
        else
        {
            lineLeft = inLeft * inputLevel;
            lineRight = inRight * inputLevel;
        }
        StoreAligned(lineInputs + 2 * i0, InterleaveLow(lineLeft, lineRight));
        StoreAligned(lineInputs + 2 * i0 + 4, InterleaveHigh(lineLeft, lineRight));
        const FLOAT4 dryMix = ramped
                                  ? Broadcast(1.0f) - LoadGroup(chunk.wetMix, i0, count)
                                  : Broadcast(1.0f - chunk.wetMix[0]);
        StoreAligned(dryShares + 2 * i0, InterleaveLow(dryLeft * dryMix, dryRight * dryMix));
        StoreAligned(dryShares + 2 * i0 + 4, InterleaveHigh(dryLeft * dryMix, dryRight * dryMix));
    }

    // The feedback loop, one sample at a time, with its state in locals.
    const CPeakLimiter limiter = m_limiter;
    const float feedback0 = chunk.feedback[0];
    const float blend0 = chunk.blend[0];
    const float wetMix0 = chunk.wetMix[0];
    const float lowpassB0 = chunk.lowpassB[0];
    const float lowpassA10 = chunk.lowpassA1[0];
    float envelope = m_limiter.envelope;
    STEREO feedbackEcho = Pair(m_feedbackLeft, m_feedbackRight);
    STEREO lowpassY1 = Pair(m_lowpassY1[0], m_lowpassY1[1]);
    // Each signal's last two values in registers of their own, so that a step shifts
    // them by renaming instead of shuffling.
    STEREO echo1 = LoadTwo(m_history[0][0]), echo2 = LoadTwo(m_history[0][1]);
    STEREO peaked1 = LoadTwo(m_history[1][0]), peaked2 = LoadTwo(m_history[1][1]);
    STEREO shelved1 = LoadTwo(m_history[2][0]), shelved2 = LoadTwo(m_history[2][1]);
    STEREO band1 = LoadTwo(m_history[3][0]), band2 = LoadTwo(m_history[3][1]);
    // One section, the same operations in the same order as BAND_SECTION::Filter, on
    // coefficients packed by PackSection (lanes 0 and 1 of each load are the coefficient).
    const auto section = [](const float* c, STEREO x, STEREO x1, STEREO x2, STEREO y1,
                            STEREO y2) noexcept
    {
        return (LoadAligned(c) * x + LoadAligned(c + 4) * x1 + Load(c + 6) * x2 -
                LoadAligned(c + 8) * y1 - Load(c + 10) * y2) *
               LoadAligned(c + 12);
    };
    const float* const presence = m_bandCoefficients[0];
    const float* const shelf = m_bandCoefficients[1];
    const float* const highPass = m_bandCoefficients[2];
    for (int i = 0; i < count; ++i)
    {
        const float feedback = ramped ? chunk.feedback[i] : feedback0;
        const float blend = ramped ? chunk.blend[i] : blend0;
        const float wetMix = ramped ? chunk.wetMix[i] : wetMix0;
        // Ping-pong feeds both lines from the left echo.
        const STEREO fedBack = pingPong ? Shuffle<0, 0, 0, 0>(feedbackEcho, feedbackEcho)
                                        : feedbackEcho;
        StoreTwo(pushes + 2 * i, LoadTwo(lineInputs + 2 * i) + Broadcast(feedback) * fedBack);

        const STEREO echo = LoadTwo(echoes + 2 * i);
        const STEREO lowpassB = Broadcast(ramped ? chunk.lowpassB[i] : lowpassB0);
        const STEREO lowpassA1 = Broadcast(ramped ? chunk.lowpassA1[i] : lowpassA10);
        const STEREO low = lowpassB * (echo + echo1) - lowpassA1 * lowpassY1;
        lowpassY1 = low;
        const STEREO peaked = section(presence, echo, echo1, echo2, peaked1, peaked2);
        const STEREO shelved = section(shelf, peaked, peaked1, peaked2, shelved1, shelved2);
        const STEREO band = section(highPass, shelved, shelved1, shelved2, band1, band2);
        echo2 = echo1;
        echo1 = echo;
        peaked2 = peaked1;
        peaked1 = peaked;
        shelved2 = shelved1;
        shelved1 = shelved;
        band2 = band1;
        band1 = band;

        // Not checked here: a non-finite wet value makes its output non-finite, which the
        // check after the loop finds.
        STEREO wet = band * Broadcast(blend) + low * Broadcast(1.0f - blend);
        const STEREO magnitude = Abs(wet);
        const float level = std::max(Left(magnitude), Right(magnitude));
        envelope = limiter.Follow(level, envelope);
        if (envelope >= 1.0f)
            wet = wet / Broadcast(envelope);
        wet = Clamp(wet, kWetLimit);
        feedbackEcho = wet;
        StoreTwo(outputs + 2 * i, wet * Broadcast(wetMix) + LoadTwo(dryShares + 2 * i));
    }

    // x - x is 0 for every finite x and NaN otherwise.
    if (count % 2 != 0)
        StoreTwo(outputs + 2 * count, Zero());
    FLOAT4 check = Zero();
    for (int i = 0; i < 2 * count; i += 4)
    {
        const FLOAT4 x = LoadAligned(outputs + i);
        check = check + (x - x);
    }
    if (SignMask(Equal(check, Zero())) != 15)
        return false;

    Deinterleave(outputs, left, right, count);
    Deinterleave(pushes, m_lineLeft.Data() + access.writeLeft,
                 m_lineRight.Data() + access.writeRight, count);
    m_limiter.envelope = envelope;
    m_feedbackLeft = Left(feedbackEcho);
    m_feedbackRight = Right(feedbackEcho);
    m_lowpassY1[0] = Left(lowpassY1);
    m_lowpassY1[1] = Right(lowpassY1);
    // A filter state gone infinite or NaN is cleared, so the filters recover.
    const HISTORY h[4] = {LowHalves(echo1, echo2), LowHalves(peaked1, peaked2),
                          LowHalves(shelved1, shelved2), LowHalves(band1, band2)};
    const bool finite = AllFinite(h[0]) && AllFinite(h[1]) && AllFinite(h[2]) && AllFinite(h[3]);
    for (int k = 0; k < 4; ++k)
        Store(finite ? h[k] : Zero(), m_history[k]);
    if (!(std::isfinite(m_lowpassY1[0]) && std::isfinite(m_lowpassY1[1])))
        m_lowpassY1[0] = m_lowpassY1[1] = 0.0f;
    return true;
}
