// Test support: the signals the suites feed the audio code. One noise generator
// (a linear congruential one, so that a seed gives the same samples with every
// standard library), sines, impulses and stereo pairs.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace TestSignals
{
using Signal = std::vector<float>;
constexpr double kPi = 3.14159265358979323846;

// Uniform white noise in [-amplitude, amplitude).
inline Signal Noise(size_t length, uint32_t seed, float amplitude = 1.0f)
{
    Signal x(length);
    for (float& v : x)
    {
        seed = seed * 1664525u + 1013904223u;
        v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return x;
}

// amplitude x sin(2 pi hz n / rate + phase).
inline Signal Sine(double hz, double rate, size_t length, double amplitude = 1.0,
                   double phase = 0.0)
{
    Signal x(length);
    for (size_t n = 0; n < length; ++n)
        x[n] = static_cast<float>(amplitude *
                                  std::sin(2.0 * kPi * hz * static_cast<double>(n) / rate + phase));
    return x;
}

inline Signal Impulse(size_t length, size_t at = 0, float height = 1.0f)
{
    Signal x(length, 0.0f);
    if (at < length)
        x[at] = height;
    return x;
}

struct STEREO
{
    Signal left, right;
};

// Independent noise on the two channels.
inline STEREO StereoNoise(size_t length, uint32_t seed, float amplitude = 1.0f)
{
    return {Noise(length, seed, amplitude), Noise(length, seed ^ 0x9e3779b9u, amplitude)};
}

// The same signal on both channels.
inline STEREO Both(const Signal& x)
{
    return {x, x};
}
} // namespace TestSignals
