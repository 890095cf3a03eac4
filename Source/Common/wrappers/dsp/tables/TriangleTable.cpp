#include "../LookupTables.h"

LOOKUP_TABLE<kTriangleTableSize> TRIANGLE_TABLE;

void LookupTables::FillTriangleTable()
{
    const int quarter = kTriangleTableSize / 4; // 1024
    for (int i = 0; i < kTriangleTableSize; ++i)
    {
        float value;
        if (i <= quarter)
            value = static_cast<float>(i) / quarter; // 0 -> 1
        else if (i <= 3 * quarter)
            value = 1.0f - static_cast<float>(i - quarter) / quarter; // 1 -> -1
        else
            value = -1.0f + static_cast<float>(i - 3 * quarter) / quarter; // -1 -> 0
        TRIANGLE_TABLE.data[i] = value;
    }
}
