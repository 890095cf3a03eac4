#include "LookupTables.h"

#include <mutex>

void LookupTables::Initialize()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FillSineTable();
        FillTriangleTable();
        FillTuneTable();
        FillExpTable();
        FillLogTables();
        FillDryWetTable();
        FillFastFadeInTable();
        FillNoiseWhiteTable();
    });
}

double LookupTables::MonotoneCurve(const double* xs, const double* ys, int count, double x)
{
    if (x <= xs[0])
        return ys[0];
    if (x >= xs[count - 1])
        return ys[count - 1];
    int k = 0;
    while (x > xs[k + 1])
        ++k;
    // Secant slopes and Fritsch-Carlson tangents at the two ends of interval k.
    auto secant = [&](int i) { return (ys[i + 1] - ys[i]) / (xs[i + 1] - xs[i]); };
    auto tangent = [&](int i) {
        if (i == 0)
            return secant(0);
        if (i == count - 1)
            return secant(count - 2);
        const double a = secant(i - 1);
        const double b = secant(i);
        if (a * b <= 0.0)
            return 0.0;
        return 2.0 / (1.0 / a + 1.0 / b); // harmonic mean keeps the curve monotone
    };
    const double h = xs[k + 1] - xs[k];
    const double t = (x - xs[k]) / h;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * ys[k] + (t3 - 2 * t2 + t) * h * tangent(k) +
           (-2 * t3 + 3 * t2) * ys[k + 1] + (t3 - t2) * h * tangent(k + 1);
}
