// Test support for the processing suites: a block processor's complex gain on a steady
// sine, and the impulse response of a biquad, both in double.
#pragma once

#include "support/CookbookBiquad.h"
#include "support/Signals.h"
#include "support/Spectrum.h"

#include <complex>
#include <cstddef>
#include <functional>
#include <vector>

namespace ProcessingMeasure
{
// Processes both channels in place.
using Process = std::function<void(std::vector<float>& left, std::vector<float>& right)>;

// Complex gain at hz: the same sine on both channels, then the left output's Hann-windowed
// component over [settle, settle + window) seconds divided by the input's.
inline std::complex<double> SineGain(const Process& process, double hz, double rate,
                                     double amplitude = 0.25, double settleSeconds = 0.1,
                                     double windowSeconds = 0.2)
{
    const size_t start = static_cast<size_t>(settleSeconds * rate);
    const size_t end = start + static_cast<size_t>(windowSeconds * rate);
    const TestSignals::Signal in = TestSignals::Sine(hz, rate, end, amplitude);
    TestSignals::Signal left = in, right = in;
    process(left, right);
    return TestSpectrum::Dft(left, hz, rate, start, end) /
           TestSpectrum::Dft(in, hz, rate, start, end);
}

inline double SineGainDb(const Process& process, double hz, double rate,
                         double amplitude = 0.25, double settleSeconds = 0.1,
                         double windowSeconds = 0.2)
{
    return TestSpectrum::Db(SineGain(process, hz, rate, amplitude, settleSeconds, windowSeconds));
}

// First `length` samples of the biquad's impulse response (direct form I).
inline std::vector<double> BiquadImpulse(const CookbookBiquad::COEFFICIENTS& c, int length)
{
    std::vector<double> h(static_cast<size_t>(length));
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (size_t n = 0; n < h.size(); ++n)
    {
        const double x = n == 0 ? 1.0 : 0.0;
        h[n] = (c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2) / c.a0;
        x2 = x1, x1 = x, y2 = y1, y1 = h[n];
    }
    return h;
}
} // namespace ProcessingMeasure
