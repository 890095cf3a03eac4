#include "../LookupTables.h"

#include <cmath>

LOOKUP_TABLE<kSineTableSize> SINE_TABLE;

void LookupTables::FillSineTable()
{
    const double twoPi = 6.283185307179586476925;
    for (int i = 0; i < kSineTableSize; ++i)
        SINE_TABLE.data[i] =
            static_cast<float>(std::sin(twoPi * static_cast<double>(i) / (kSineTableSize - 1)));
}
