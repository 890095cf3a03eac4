#include "Reverb.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Morvex.h"
#include "Processing/ParameterReads.h"

#include <cmath>

namespace
{
constexpr float kDiffusion = 0.7f;       // all-pass gain of every diffuser
constexpr float kLfoHz = 0.405f;         // tank modulation rate
constexpr float kShelfSpan = 0.29f;      // B = 1 - 0.29 (1 - bass), T likewise
constexpr float kOutputTrebleTop = 1.1f; // T' = 1.1 - 0.5 (1 - treble)
constexpr float kOutputTrebleSpan = 0.5f;

// L0..L3: SINE_TABLE at the phase plus 0, 1/8, 2/8 and 3/8, each reduced into 0..1 when
// above 1, read with linear interpolation at phase x 1024 exactly like LookupPhase. The
// phase moves by less than a hundredth of a table step per sample, so the two table entries
// of each lane are kept and fetched again only when a lane's index changes.
struct LFO_LANES
{
    INT4 index = Float4::SetInts(-1, -1, -1, -1); // no entries fetched yet
    FLOAT4 low = Float4::Broadcast(0.0f);
    FLOAT4 high = Float4::Broadcast(0.0f);

    FLOAT4 At(float phase) noexcept
    {
        using namespace Float4;
        constexpr int kLast = kSineTableSize - 1;
        const FLOAT4 phases =
            WrapAbove(Add(Broadcast(phase), Set(0.0f, 0.125f, 0.25f, 0.375f)), 1.0f);
        const FLOAT4 position =
            Clamp(Mul(phases, Broadcast(static_cast<float>(kSineTableSize))), Broadcast(0.0f),
                  Broadcast(static_cast<float>(kLast)));
        INT4 whole;
        const FLOAT4 t = SplitWhole(position, whole);
        if (!SameInts(whole, index))
            Fetch(whole);
        return Add(Mul(Sub(Broadcast(1.0f), t), low), Mul(t, high));
    }

    void Fetch(INT4 whole) noexcept
    {
        constexpr int kLast = kSineTableSize - 1;
        index = whole;
        int k4[4];
        Float4::StoreInts(k4, whole);
        float l[4];
        float h[4];
        for (int k = 0; k < 4; ++k)
        {
            // At the last entry t is 0 and the second index stays on it, as in
            // LookupInterpolated.
            l[k] = SINE_TABLE.data[k4[k]];
            h[k] = SINE_TABLE.data[k4[k] < kLast ? k4[k] + 1 : kLast];
        }
        low = Float4::Load(l);
        high = Float4::Load(h);
    }
};

// Read delays: lanes left 1, right 1, left 2, right 2 (groupA) and left 3, right 3, tank
// left, tank right (groupB), for the squared size s, the LFO lanes and the rate.
inline void DelayLanes(float size, FLOAT4 lfo, float sampleRate, FLOAT4& groupA,
                       FLOAT4& groupB) noexcept
{
    using namespace Float4;
    const float base = (0.135f * size + 0.015f) * sampleRate;
    const float spread = (0.012f * size + 0.003f) * sampleRate;
    const float depth = 0.000405f * sampleRate;
    const float centre1 = base - 3.0f * spread;
    const float centre2 = base - 2.0f * spread;
    const float centre3 = base - 1.0f * spread;
    // Left lanes add L q, right lanes subtract it.
    const FLOAT4 signedDepth = Set(depth, -depth, depth, -depth);
    groupA = Add(Set(centre1, centre1, centre2, centre2), Mul(PairLow(lfo), signedDepth));
    groupB = Add(Set(centre3, centre3, base, base), Mul(PairHigh(lfo), signedDepth));
}
} // namespace

CReverb::CReverb(CBaseEffect* owner) : m_owner(owner)
{
    Reset();
}

void CReverb::SetSampleRate(float sampleRate)
{
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return;
    m_sampleRate = sampleRate;
    m_inverseRate = 1.0f / sampleRate;
    for (CDiffuseDelay& diffuser : m_diffuser)
        diffuser.SetSampleRate(sampleRate);
    const int lineSize = m_diffuser[0].GetLine().GetSize();
    for (CReverbDelayLine& line : m_tankLine)
        line.SetSize(lineSize);
    m_writeIndex = 0;
    for (DCTrap& trap : m_dcTrap)
        trap.SetSampleRate(sampleRate);
    ClearAudio();
}

void CReverb::Reset()
{
    ClearAudio();
}

void CReverb::ZeroSpares() noexcept
{
    for (CDiffuseDelay& diffuser : m_diffuser)
        diffuser.GetLine().ZeroSpare(kSpareZeroingStep);
    for (CReverbDelayLine& line : m_tankLine)
        line.ZeroSpare(kSpareZeroingStep);
}

void CReverb::ClearAudio() noexcept
{
    for (CDiffuseDelay& diffuser : m_diffuser)
        diffuser.Reset();
    // The shelves are cleared too, so that a reset reverb is silent at once.
    m_shelvesA.Reset();
    m_shelvesB.Reset();
    m_tankShelves.Reset();
    for (int channel = 0; channel < 2; ++channel)
    {
        m_tankLine[channel].Clear();
        m_dcTrap[channel].Reset();
        m_feedback[channel] = 0.0f;
        m_lastTankInput[channel] = 0.0f;
    }
}

CReverb::READ_DELAYS CReverb::ReadDelays(float size, const float lfo[4], float sampleRate) noexcept
{
    FLOAT4 groupA;
    FLOAT4 groupB;
    DelayLanes(size, Float4::Load(lfo), sampleRate, groupA, groupB);
    float a[4];
    float b[4];
    Float4::Store(a, groupA);
    Float4::Store(b, groupB);
    return {{a[0], a[1], a[2], a[3], b[0], b[1]}, {b[2], b[3]}};
}

template <bool kSteady>
void CReverb::ProcessSamples(float* left, float* right, int count, bool shelvesMove) noexcept
{
    using namespace Float4;
    const float rate = m_sampleRate;
    const float inverseRate = m_inverseRate;
    const float phaseStep = kLfoHz * inverseRate;
    const int size = GetLineSize();
    const FLOAT4 shortestRead = Broadcast(2.0f);
    const FLOAT4 longestRead = Broadcast(static_cast<float>(size - 3));
    const FLOAT4 gain = Broadcast(kDiffusion);
    // Lines of the read groups A (diffusers left 1, right 1, left 2, right 2) and B
    // (diffusers left 3, right 3, tank left, tank right).
    float* const lines[8] = {
        m_diffuser[0].GetLine().GetWritableData(), m_diffuser[1].GetLine().GetWritableData(),
        m_diffuser[2].GetLine().GetWritableData(), m_diffuser[3].GetLine().GetWritableData(),
        m_diffuser[4].GetLine().GetWritableData(), m_diffuser[5].GetLine().GetWritableData(),
        m_tankLine[0].GetWritableData(),           m_tankLine[1].GetWritableData()};
    const float* const linesA[4] = {lines[0], lines[1], lines[2], lines[3]};
    const float* const linesB[4] = {lines[4], lines[5], lines[6], lines[7]};

    float m = m_mixRamp.GetCurrent();
    float s = m_sizeRamp.GetCurrent();
    float dcy = m_decayRamp.GetCurrent();
    float rb = m_bassRamp.GetCurrent();
    float rt = m_trebleRamp.GetCurrent();
    float gin = m_inputRamp.GetCurrent();
    // Tank shelves (B, T) on the diffuser reads and after the diffusers, output shelves
    // (B, T') on the tank reads. While the bass and treble ramps stand still they are
    // computed once for the block; otherwise again per sample from the advanced ramps.
    REVERB_SHELF_LANES tankLanes;   // (B, T) on all lanes
    REVERB_SHELF_LANES groupBLanes; // (B, T) on lanes 0, 1, (B, T') on lanes 2, 3
    const auto updateShelves = [&](float bassComplement, float trebleComplement)
    {
        const float bassFactor = 1.0f - kShelfSpan * bassComplement;
        const REVERB_SHELF_COEFFICIENTS tank =
            HighLowShelf::Calculate(bassFactor, 1.0f - kShelfSpan * trebleComplement, inverseRate);
        const REVERB_SHELF_COEFFICIENTS output = HighLowShelf::Calculate(
            bassFactor, kOutputTrebleTop - kOutputTrebleSpan * trebleComplement, inverseRate);
        tankLanes = HighLowShelf::Lanes(tank, tank);
        groupBLanes = HighLowShelf::Lanes(tank, output);
    };
    updateShelves(rb, rt);

    // State into locals for the loop; written back after it. The two channels run side by
    // side in lanes 0 (left) and 1 (right) from the tank input to the output; each lane does
    // the scalar operations of its channel.
    HighLowShelf shelvesA = m_shelvesA;
    HighLowShelf shelvesB = m_shelvesB;
    HighLowShelf tankShelves = m_tankShelves;
    FLOAT4 dcX1 = Set(m_dcTrap[0].GetX1(), m_dcTrap[1].GetX1(), 0.0f, 0.0f);
    FLOAT4 dcY1 = Set(m_dcTrap[0].GetY1(), m_dcTrap[1].GetY1(), 0.0f, 0.0f);
    const FLOAT4 dcCoefficient =
        Set(m_dcTrap[0].GetCoefficient(), m_dcTrap[1].GetCoefficient(), 0.0f, 0.0f);
    LFO_LANES lfoLanes;
    float phase = m_lfoPhase;
    // Each channel's input takes the other channel's feedback: lanes (right, left).
    FLOAT4 crossFeedback = Set(m_feedback[1], m_feedback[0], 0.0f, 0.0f);
    FLOAT4 tankIn = Set(m_lastTankInput[0], m_lastTankInput[1], 0.0f, 0.0f);
    int w = m_writeIndex;
    for (int i = 0; i < count; ++i)
    {
        if (!kSteady)
        {
            m = m_mixRamp.Next();
            s = m_sizeRamp.Next();
            dcy = m_decayRamp.Next();
            rb = m_bassRamp.Next();
            rt = m_trebleRamp.Next();
            gin = m_inputRamp.Next();
            if (shelvesMove)
                updateShelves(rb, rt);
        }
        const FLOAT4 dry = LoadPair(left + i, right + i);

        // LFO, then the phase advances by 0.405 Hz.
        const FLOAT4 lfo = lfoLanes.At(phase);
        phase += phaseStep;
        if (phase > 1.0f)
            phase -= 1.0f;

        // Every line is read before it is written, so the eight reads of this sample and
        // the shelves on them do not depend on this sample's input.
        FLOAT4 delaysA;
        FLOAT4 delaysB;
        DelayLanes(s, lfo, rate, delaysA, delaysB);
        delaysA = Clamp(delaysA, shortestRead, longestRead);
        delaysB = Clamp(delaysB, shortestRead, longestRead);
        const FLOAT4 readB = CReverbDelayLine::ReadFour(linesB, size, w, delaysB);
        const FLOAT4 shelvedA =
            shelvesA.Process(CReverbDelayLine::ReadFour(linesA, size, w, delaysA), tankLanes);
        const FLOAT4 shelvedB = shelvesB.Process(readB, groupBLanes);

        // Cross-coupled tank: each channel takes the other's feedback (the tank takes only
        // finite input: a non-finite sample would stay in the lines for good), then its
        // three diffusers, y = d - g x, line <- x + g y, and the shelves after them.
        FLOAT4 x = Add(ZeroNonFinite(Mul(dry, Broadcast(gin))), crossFeedback);
        const auto diffuse = [&](FLOAT4 d, float* lineLeft, float* lineRight)
        {
            const FLOAT4 y = Sub(d, Mul(gain, x));
            StorePair(lineLeft + w, lineRight + w, Add(x, Mul(gain, y)));
            x = y;
        };
        diffuse(shelvedA, lines[0], lines[1]);
        diffuse(HighToLow(shelvedA), lines[2], lines[3]);
        diffuse(shelvedB, lines[4], lines[5]);
        tankIn = tankShelves.Process(LowPair(x), tankLanes);
        StorePair(lines[6] + w, lines[7] + w, tankIn);
        if (w < CReverbDelayLine::kGuardSamples)
        {
            for (float* line : lines)
                line[size + w] = line[w];
        }
        if (++w >= size)
            w = 0;

        crossFeedback = Mul(Broadcast(dcy), HighSwappedToLow(readB));
        // Output shelves (lanes 2, 3 of group B), DC trap y = x - x1 + c y1, dry/wet.
        const FLOAT4 trapIn = HighToLow(shelvedB);
        const FLOAT4 wet = Add(Sub(trapIn, dcX1), Mul(dcCoefficient, dcY1));
        dcX1 = trapIn;
        dcY1 = wet;
        StorePair(left + i, right + i,
                  Add(Mul(wet, Broadcast(m)), Mul(dry, Broadcast(1.0f - m))));
    }
    m_shelvesA = shelvesA;
    m_shelvesB = shelvesB;
    m_tankShelves = tankShelves;
    float x1[4];
    float y1[4];
    Store(x1, dcX1);
    Store(y1, dcY1);
    m_dcTrap[0].SetState(x1[0], y1[0]);
    m_dcTrap[1].SetState(x1[1], y1[1]);
    m_lfoPhase = phase;
    float feedback[4];
    Store(feedback, crossFeedback);
    m_feedback[0] = feedback[1];
    m_feedback[1] = feedback[0];
    float tank[4];
    Store(tank, tankIn);
    m_lastTankInput[0] = tank[0];
    m_lastTankInput[1] = tank[1];
    m_writeIndex = w;
}

void CReverb::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || m_tankLine[0].IsEmpty())
        return;
    // Lines cleared by a reset hand their old storage back as the spare: it is zeroed here
    // a little per sub-block, whether or not the reverb is heard.
    ZeroSpares();
    CBaseEffect& owner = *m_owner;
    if (!(ParamRead::Switch(owner, MorvexParam::kReverbOn)))
        return;

    const float mix = ParamRead::Smoothed(owner, MorvexParam::kReverbMix);
    const float mixTarget = LookupInterpolated(DRYWET_TABLE, 1024.0f * mix);
    // Resting: with the wet amount at 0 for the whole block the output is the input
    // (wet x 0 + x x 1), so the tank is not run at all.
    const CMixRest::STATE rest = m_rest.Update(mixTarget, m_mixRamp.GetCurrent());
    if (rest == CMixRest::kRest)
        return;
    if (rest == CMixRest::kWake)
        ClearAudio();

    const float size = ParamRead::Smoothed(owner, MorvexParam::kReverbSize);
    const float decay = ParamRead::Smoothed(owner, MorvexParam::kReverbDecay);
    const float bass = ParamRead::Smoothed(owner, MorvexParam::kReverbBass);
    const float treble = ParamRead::Smoothed(owner, MorvexParam::kReverbTreble);
    const float input = ParamRead::Smoothed(owner, MorvexParam::kReverbInput);

    const float targets[6] = {
        mixTarget,
        size * size,
        decay,
        1.0f - bass,
        1.0f - treble,
        input,
    };
    ParamInterpolator* ramps[6] = {&m_mixRamp,  &m_sizeRamp,   &m_decayRamp,
                                   &m_bassRamp, &m_trebleRamp, &m_inputRamp};
    const bool shelvesMove =
        m_bassRamp.GetCurrent() != targets[3] || m_trebleRamp.GetCurrent() != targets[4];
    bool steady = true;
    for (int k = 0; k < 6; ++k)
    {
        ramps[k]->SetTarget(targets[k], count);
        steady = steady && ramps[k]->IsSettled();
    }
    if (steady)
        ProcessSamples<true>(left, right, count, false);
    else
        ProcessSamples<false>(left, right, count, shelvesMove);

    // A state pushed past the float range (a huge but finite input at full decay) would
    // circulate for ever. A non-finite value latches in the shelves it passes on its way to
    // the tank lines, and what enters a tank line leaves it no sooner than b - q samples
    // (14.6 ms) later, so one check per block clears it before it reaches the output.
    if (!std::isfinite(m_feedback[0] + m_feedback[1] + m_lastTankInput[0] + m_lastTankInput[1]))
        ClearAudio();
}
