#include "../LookupTables.h"

LOOKUP_TABLE<kDryWetTableSize> DRYWET_TABLE;

void LookupTables::FillDryWetTable()
{
    // Anchors of the lower half; the upper half mirrors it: f(1 - x) = 1 - f(x).
    static const double xs[] = {0.0, 0.125, 0.25, 0.375, 0.5};
    static const double ys[] = {0.0, 0.039, 0.107, 0.242, 0.5};
    for (int i = 0; i < kDryWetTableSize; ++i)
    {
        const double x = static_cast<double>(i) / kDryWetTableSize;
        const double y = x <= 0.5 ? MonotoneCurve(xs, ys, 5, x)
                                  : 1.0 - MonotoneCurve(xs, ys, 5, 1.0 - x);
        DRYWET_TABLE.data[i] = static_cast<float>(y);
    }
}
