// Test support for the processing suites: block processors and generators run in the
// engine's 16-sample calls, an audio class reading its parameters from an effect, step
// patterns, a ramp that names its samples, and the tan series the first-order filters use.
#pragma once

#include "Morvex.h"
#include "support/Signals.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ProcessingHarness
{
using TestSignals::Signal;

// process(left, right, count) over both channels in calls of at most `piece` samples.
template <typename PROCESS>
void InPieces(Signal& left, Signal& right, PROCESS&& process, int piece = 16)
{
    const int total = static_cast<int>(std::min(left.size(), right.size()));
    for (int start = 0; start < total; start += piece)
        process(left.data() + start, right.data() + start, std::min(piece, total - start));
}

// A generator's Generate(out, count) over `total` samples in calls of 16.
template <typename GENERATOR> Signal Generate(GENERATOR& generator, int total)
{
    Signal out(static_cast<size_t>(total));
    for (int start = 0; start < total; start += 16)
        generator.Generate(out.data() + start, std::min(16, total - start));
    return out;
}

// Modulator `mod` of the effect: 32 steps of one unit, step k at level(k).
template <typename LEVEL> void SetSteps(CMorvex* effect, int mod, LEVEL level)
{
    float steps[64];
    for (int k = 0; k < 32; ++k)
    {
        steps[2 * k] = static_cast<float>(k + 1);
        steps[2 * k + 1] = level(k);
    }
    effect->SetRawParameterBlock(kRawBlockSteps + mod, steps);
}

// (n + 1) / 2^20 at sample n: distinct and exact in float far beyond any test's length.
inline Signal Ramp(size_t length)
{
    Signal s(length);
    for (size_t n = 0; n < length; ++n)
        s[n] = static_cast<float>(n + 1) / 1048576.0f;
    return s;
}

// tan(x) by its series x + x^3/3 + 2x^5/15, as the first-order bilinear sections use it.
inline double TanSeries(double x)
{
    return x + x * x * x / 3.0 + 2.0 * std::pow(x, 5.0) / 15.0;
}
} // namespace ProcessingHarness

// An audio class that reads its parameters from an effect (the master EQ, the reverb), both
// at one rate; parameters set in their own units.
template <typename MODULE> class CEffectModule
{
public:
    explicit CEffectModule(float rate) : m_rate(rate)
    {
        m_effect->SetSampleRate(rate);
        m_effect->PreProcess(16);
        m_module.SetSampleRate(rate);
    }
    void Set(int id, float unscaled) { m_effect->SetParameterUnscaled(id, unscaled); }
    void Run(TestSignals::Signal& left, TestSignals::Signal& right, int piece = 16)
    {
        ProcessingHarness::InPieces(
            left, right, [&](float* l, float* r, int count) { m_module.Process(l, r, count); },
            piece);
    }
    // Parameter smoothing and ramps at their targets, audio history cleared.
    void Settle(float seconds = 0.5f)
    {
        TestSignals::Signal left(static_cast<size_t>(seconds * m_rate)), right(left.size());
        Run(left, right);
        m_module.Reset();
    }
    CMorvex* Effect() { return m_effect.get(); }
    MODULE& Module() { return m_module; }

private:
    float m_rate;
    std::unique_ptr<CMorvex> m_effect = std::make_unique<CMorvex>(nullptr);
    MODULE m_module{m_effect.get()};
};
