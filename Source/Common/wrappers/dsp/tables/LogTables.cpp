#include "../LookupTables.h"

#include <cmath>

LOOKUP_TABLE<kCurveTableSize> LOG_TABLE;
LOOKUP_TABLE<kCurveTableSize> ILOG_TABLE;

void LookupTables::FillLogTables()
{
    const double span = std::pow(10.0, 2.5) - 1.0; // 50 dB of range
    const double last = static_cast<double>(kCurveTableSize - 1);
    for (int i = 0; i < kCurveTableSize; ++i)
    {
        const double x = static_cast<double>(i) / last;
        LOG_TABLE.data[i] = static_cast<float>(std::log10(1.0 + span * x) / 2.5);
        ILOG_TABLE.data[i] = static_cast<float>((std::pow(10.0, 2.5 * x) - 1.0) / span);
    }
}
