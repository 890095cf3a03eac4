// Test support: level and gain measurement. One Hann-windowed DFT, scaled so that
// a sine of amplitude A reads A, and the usual decibel and RMS helpers.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace TestSpectrum
{
using Complex = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

// Component of x at hz over samples [start, end), Hann-windowed. The phase is that of
// a cosine at sample 0: amplitude x sin reads amplitude x e^-j pi/2.
inline Complex Dft(const std::vector<float>& x, double hz, double rate, size_t start, size_t end)
{
    Complex sum = 0.0;
    double weight = 0.0;
    const double span = static_cast<double>(end - start);
    for (size_t n = start; n < end; ++n)
    {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(n - start) / span);
        sum += w * static_cast<double>(x[n]) *
               std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / rate);
        weight += w;
    }
    return 2.0 * sum / weight;
}

// Amplitude of the component at hz over [start, end).
inline double Amplitude(const std::vector<float>& x, double hz, double rate, size_t start,
                        size_t end)
{
    return std::abs(Dft(x, hz, rate, start, end));
}

inline double Db(double gain)
{
    return 20.0 * std::log10(gain);
}

inline double Db(Complex gain)
{
    return Db(std::abs(gain));
}

inline double Rms(const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t n = from; n < to; ++n)
        sum += static_cast<double>(x[n]) * x[n];
    return std::sqrt(sum / static_cast<double>(std::max<size_t>(to - from, 1)));
}

inline double Rms(const std::vector<float>& x)
{
    return Rms(x, 0, x.size());
}

inline float Peak(const std::vector<float>& x)
{
    float peak = 0.0f;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}
} // namespace TestSpectrum
