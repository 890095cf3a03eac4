#include "../LookupTables.h"

#include <cmath>

LOOKUP_TABLE<kExpTableSize> EXP_TABLE;

void LookupTables::FillExpTable()
{
    const double last = static_cast<double>(kExpTableSize - 1);
    for (int i = 0; i < kExpTableSize; ++i)
    {
        // x * 100^(x - 1): 0 at x = 0, 0.05 at x = 0.5, 1 at x = 1.
        const double x = static_cast<double>(i) / last;
        EXP_TABLE.data[i] = static_cast<float>(x * std::pow(100.0, x - 1.0));
    }
}
