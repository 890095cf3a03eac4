#include "../LookupTables.h"

#include <cstdint>

LOOKUP_TABLE<kNoiseWhiteTableSize> NOISE_WHITE_TABLE;

void LookupTables::FillNoiseWhiteTable()
{
    // A fixed-seed 32-bit xorshift generator: the same noise in every instance and run.
    uint32_t state = 0x9E3779B9u;
    for (int i = 0; i < kNoiseWhiteTableSize; ++i)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Top 24 bits to -1..1.
        const float unit = static_cast<float>(state >> 8) * (1.0f / 16777215.0f);
        NOISE_WHITE_TABLE.data[i] = 2.0f * unit - 1.0f;
    }
}
