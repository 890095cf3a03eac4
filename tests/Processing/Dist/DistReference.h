// Test support: the distortion models' building blocks evaluated in double from
// their difference equations, as references for the float implementations.
#pragma once

#include <cmath>

namespace DistReference
{
constexpr double kPi = 3.14159265358979323846;

// One-pole high-pass: e = exp(-2 pi f / rate), y = ((1 + e) / 2) (x - x1) + e y1.
struct HIGHPASS
{
    double e = 0.0, x1 = 0.0, y1 = 0.0;
    HIGHPASS(double hz, double rate) : e(std::exp(-2.0 * kPi * hz / rate)) {}
    double operator()(double x)
    {
        y1 = (1.0 + e) / 2.0 * (x - x1) + e * y1;
        x1 = x;
        return y1;
    }
};

// Tone filter at twice the rate: y = 0.65970355 x - 0.5153698 x1 + 0.4780344 x2
// + 1.6747364 y1 - 0.746942 y2; the zero step keeps only the recursive part.
struct TONE_FILTER
{
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double Step(double x, bool zero)
    {
        const double y = (zero ? 0.0 : 0.65970355 * x - 0.5153698 * x1 + 0.4780344 * x2) +
                         1.6747364 * y1 - 0.746942 * y2;
        x2 = x1;
        x1 = zero ? 0.0 : x;
        y2 = y1;
        y1 = y;
        return y;
    }
};
} // namespace DistReference
