// Constants and small maths shared by the signal-processing code, so that each is typed
// once. Header-only, no state: any thread.
#pragma once

namespace Dsp
{
constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 6.28318530717958647692f;
constexpr double kTwoPiDouble = 6.28318530717958647692;

// The shared curves of the lookup tables (EXP_TABLE, LOG_TABLE, ILOG_TABLE) take x in 0..1
// at index trunc(x * kCurveTableScale).
constexpr float kCurveTableScale = 100002.0f;

// tan(x) from its series x + x^3/3 + 2x^5/15, for the bilinear pre-warp of first-order
// sections (x = pi f / rate; within 0.1 % of tan up to x = 0.45, a quarter of the rate).
inline float TanSeries(float x) noexcept
{
    const float x2 = x * x;
    return x + x * x2 / 3.0f + 2.0f * x * x2 * x2 / 15.0f;
}

// The same series with the divisions folded into constants: cheaper where it runs per
// sample, and within one rounding step of TanSeries.
inline float TanSeriesByProducts(float x) noexcept
{
    const float x2 = x * x;
    return x + x * x2 * (1.0f / 3.0f) + x * x2 * x2 * (2.0f / 15.0f);
}
} // namespace Dsp
