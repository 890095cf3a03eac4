#include "../LookupTables.h"

LOOKUP_TABLE<kFastFadeInTableSize> FASTFADEIN_TABLE;

void LookupTables::FillFastFadeInTable()
{
    // Anchor entries of the 50-entry fade-in; 1 from entry 50 on.
    static const double xs[] = {0, 1, 10, 20, 30, 40, 50};
    static const double ys[] = {0, 0.0053, 0.1065, 0.373, 0.693, 0.933, 1.0};
    for (int i = 0; i < kFastFadeInTableSize; ++i)
        FASTFADEIN_TABLE.data[i] =
            static_cast<float>(MonotoneCurve(xs, ys, 7, static_cast<double>(i)));
}
