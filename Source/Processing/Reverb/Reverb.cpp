#include "Reverb.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Morvex.h"

#include <cmath>

namespace
{
constexpr float kDiffusion = 0.7f;       // all-pass gain of every diffuser
constexpr float kLfoHz = 0.405f;         // tank modulation rate
constexpr float kShelfSpan = 0.29f;      // B = 1 - 0.29 (1 - bass), T likewise
constexpr float kOutputTrebleTop = 1.1f; // T' = 1.1 - 0.5 (1 - treble)
constexpr float kOutputTrebleSpan = 0.5f;

// The tank takes only finite input: a non-finite sample would stay in the lines for good.
inline float FiniteOrZero(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}

// L0..L3: SINE_TABLE at the phase plus 0, 1/8, 2/8 and 3/8, each reduced into 0..1 when
// above 1, read with linear interpolation at phase x 1024 exactly like LookupPhase.
inline FLOAT4 LfoLanes(float phase) noexcept
{
    using namespace Float4;
    constexpr int kLast = kSineTableSize - 1;
    const FLOAT4 phases = WrapAbove(Add(Broadcast(phase), Set(0.0f, 0.125f, 0.25f, 0.375f)), 1.0f);
    const FLOAT4 position = Clamp(Mul(phases, Broadcast(static_cast<float>(kSineTableSize))),
                                  Broadcast(0.0f), Broadcast(static_cast<float>(kLast)));
    int index[4];
    const FLOAT4 t = SplitWhole(position, index);
    float low[4];
    float high[4];
    for (int k = 0; k < 4; ++k)
    {
        // At the last entry t is 0 and the second index stays on it, as in LookupInterpolated.
        low[k] = SINE_TABLE.data[index[k]];
        high[k] = SINE_TABLE.data[index[k] < kLast ? index[k] + 1 : kLast];
    }
    return Add(Mul(Sub(Broadcast(1.0f), t), Load(low)), Mul(t, Load(high)));
}

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
    const float* const linesA[4] = {
        m_diffuser[0].GetLine().GetData(), m_diffuser[1].GetLine().GetData(),
        m_diffuser[2].GetLine().GetData(), m_diffuser[3].GetLine().GetData()};
    const float* const linesB[4] = {m_diffuser[4].GetLine().GetData(),
                                    m_diffuser[5].GetLine().GetData(), m_tankLine[0].GetData(),
                                    m_tankLine[1].GetData()};

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

    // State into locals for the loop; written back after it.
    HighLowShelf shelvesA = m_shelvesA;
    HighLowShelf shelvesB = m_shelvesB;
    HighLowShelf tankShelves = m_tankShelves;
    DCTrap dcTrapLeft = m_dcTrap[0];
    DCTrap dcTrapRight = m_dcTrap[1];
    float phase = m_lfoPhase;
    float feedbackLeft = m_feedback[0];
    float feedbackRight = m_feedback[1];
    float tankLeft = m_lastTankInput[0];
    float tankRight = m_lastTankInput[1];
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
        const float xLeft = left[i];
        const float xRight = right[i];

        // LFO, then the phase advances by 0.405 Hz.
        const FLOAT4 lfo = LfoLanes(phase);
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
        float shelvedA[4];
        float shelvedB[4];
        float tankRead[4];
        Store(shelvedA,
              shelvesA.Process(CReverbDelayLine::ReadFour(linesA, size, w, delaysA), tankLanes));
        Store(shelvedB, shelvesB.Process(readB, groupBLanes));
        Store(tankRead, readB);

        // Cross-coupled tank: each channel takes the other's feedback, then its three
        // diffusers and the shelves after them.
        float xl = FiniteOrZero(xLeft * gin) + feedbackRight;
        float xr = FiniteOrZero(xRight * gin) + feedbackLeft;
        m_diffuser[0].Process(xl, shelvedA[0], kDiffusion, w);
        m_diffuser[1].Process(xr, shelvedA[1], kDiffusion, w);
        m_diffuser[2].Process(xl, shelvedA[2], kDiffusion, w);
        m_diffuser[3].Process(xr, shelvedA[3], kDiffusion, w);
        m_diffuser[4].Process(xl, shelvedB[0], kDiffusion, w);
        m_diffuser[5].Process(xr, shelvedB[1], kDiffusion, w);
        float tankIn[4];
        Store(tankIn, tankShelves.Process(Set(xl, xr, 0.0f, 0.0f), tankLanes));
        tankLeft = tankIn[0];
        tankRight = tankIn[1];
        m_tankLine[0].Write(w, tankLeft);
        m_tankLine[1].Write(w, tankRight);
        if (++w >= size)
            w = 0;

        feedbackLeft = dcy * tankRead[2];
        feedbackRight = dcy * tankRead[3];
        // Output shelves (lanes 2, 3 of group B), DC trap, dry/wet.
        const float wetLeft = dcTrapLeft.Process(shelvedB[2]);
        const float wetRight = dcTrapRight.Process(shelvedB[3]);
        left[i] = wetLeft * m + xLeft * (1.0f - m);
        right[i] = wetRight * m + xRight * (1.0f - m);
    }
    m_shelvesA = shelvesA;
    m_shelvesB = shelvesB;
    m_tankShelves = tankShelves;
    m_dcTrap[0] = dcTrapLeft;
    m_dcTrap[1] = dcTrapRight;
    m_lfoPhase = phase;
    m_feedback[0] = feedbackLeft;
    m_feedback[1] = feedbackRight;
    m_lastTankInput[0] = tankLeft;
    m_lastTankInput[1] = tankRight;
    m_writeIndex = w;
}

void CReverb::Process(float* left, float* right, int count) noexcept
{
    if (count <= 0 || m_tankLine[0].IsEmpty())
        return;
    CBaseEffect& owner = *m_owner;
    if (!(owner.GetParameterScaled(MorvexParam::kReverbOn, false, true, 0) > 0.5f))
        return;

    const float mix = owner.GetParameterScaled(MorvexParam::kReverbMix, true, true, 0);
    const float size = owner.GetParameterScaled(MorvexParam::kReverbSize, true, true, 0);
    const float decay = owner.GetParameterScaled(MorvexParam::kReverbDecay, true, true, 0);
    const float bass = owner.GetParameterScaled(MorvexParam::kReverbBass, true, true, 0);
    const float treble = owner.GetParameterScaled(MorvexParam::kReverbTreble, true, true, 0);
    const float input = owner.GetParameterScaled(MorvexParam::kReverbInput, true, true, 0);

    const float targets[6] = {
        LookupInterpolated(DRYWET_TABLE, 1024.0f * mix),
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
        steady = steady && ramps[k]->GetCurrent() == targets[k];
        ramps[k]->SetTarget(targets[k], count);
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
