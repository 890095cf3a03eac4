// Test support: the audio-EQ cookbook biquads (R. Bristow-Johnson, "Cookbook
// formulae for audio EQ biquad filter coefficients"), computed in double, in the
// conventions of our biquad: the peaking width is a bandwidth in octaves, the
// shelves use beta = 2 sqrt(A) sin(w) / q.
#pragma once

#include <cmath>
#include <complex>

namespace CookbookBiquad
{
constexpr double kPi = 3.14159265358979323846;

struct COEFFICIENTS
{
    double b0, b1, b2, a0, a1, a2;
};

inline COEFFICIENTS Peaking(double f0, double octaves, double gainDb, double rate)
{
    const double w = 2.0 * kPi * f0 / rate, s = std::sin(w), c = std::cos(w);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha = s * std::sinh(std::log(2.0) / 2.0 * octaves * w / s);
    return {1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a};
}

inline COEFFICIENTS Shelf(bool low, double f0, double q, double gainDb, double rate)
{
    const double w = 2.0 * kPi * f0 / rate, s = std::sin(w), c = std::cos(w);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double r = std::sqrt(a) * 2.0 * s / q;
    if (low)
        return {a * ((a + 1) - (a - 1) * c + r), 2 * a * ((a - 1) - (a + 1) * c),
                a * ((a + 1) - (a - 1) * c - r), (a + 1) + (a - 1) * c + r,
                -2 * ((a - 1) + (a + 1) * c),    (a + 1) + (a - 1) * c - r};
    return {a * ((a + 1) + (a - 1) * c + r), -2 * a * ((a - 1) + (a + 1) * c),
            a * ((a + 1) + (a - 1) * c - r), (a + 1) - (a - 1) * c + r,
            2 * ((a - 1) - (a + 1) * c),     (a + 1) - (a - 1) * c - r};
}

inline COEFFICIENTS LowShelf(double f0, double q, double gainDb, double rate)
{
    return Shelf(true, f0, q, gainDb, rate);
}

inline COEFFICIENTS HighShelf(double f0, double q, double gainDb, double rate)
{
    return Shelf(false, f0, q, gainDb, rate);
}

// H(e^jw) at hz.
inline std::complex<double> Response(const COEFFICIENTS& c, double hz, double rate)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / rate), z2 = z1 * z1;
    return (c.b0 + c.b1 * z1 + c.b2 * z2) / (c.a0 + c.a1 * z1 + c.a2 * z2);
}

inline double MagnitudeDb(const COEFFICIENTS& c, double hz, double rate)
{
    return 20.0 * std::log10(std::abs(Response(c, hz, rate)));
}
} // namespace CookbookBiquad
