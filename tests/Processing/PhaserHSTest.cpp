// Phaser output shelf: each channel follows its own RBJ high shelf.
#include "Processing/PhaserHS.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Impulse response of the RBJ cookbook high shelf (corner hz, slope q, gain dB), in double.
std::vector<double> HighShelfImpulse(double hz, double q, double gainDb, double rate, int length)
{
    const double w = 2 * kPi * hz / rate, c = std::cos(w);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double r = 2 * std::sqrt(a) * std::sin(w) / q;
    const double b0 = a * ((a + 1) + (a - 1) * c + r), b1 = -2 * a * ((a - 1) + (a + 1) * c);
    const double b2 = a * ((a + 1) + (a - 1) * c - r), a0 = (a + 1) - (a - 1) * c + r;
    const double a1 = 2 * ((a - 1) - (a + 1) * c), a2 = (a + 1) - (a - 1) * c - r;
    std::vector<double> y(static_cast<size_t>(length));
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int n = 0; n < length; ++n)
    {
        const double x = n == 0 ? 1.0 : 0.0;
        const double out = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
        x2 = x1, x1 = x, y2 = y1, y1 = out;
        y[static_cast<size_t>(n)] = out;
    }
    return y;
}
} // namespace

TEST(CPhaserHSTest, EachChannelIsItsOwnHighShelf)
{
    for (float rate : {44100.0f, 96000.0f})
    {
        CPhaserHS shelf;
        shelf.CalcFilter(3000.0f, 6000.0f, 1.0f, 0.7f, 8.0f, -3.0f, rate);
        const std::vector<double> left = HighShelfImpulse(3000, 1.0, 8.0, rate, 64);
        const std::vector<double> right = HighShelfImpulse(6000, 0.7, -3.0, rate, 64);
        for (size_t n = 0; n < left.size(); ++n)
        {
            float l = n == 0 ? 1.0f : 0.0f;
            float r = l;
            shelf.Filter(l, r);
            ASSERT_NEAR(left[n], l, 1e-5) << n;
            ASSERT_NEAR(right[n], r, 1e-5) << n;
        }
    }
}
