#include "../LookupTables.h"

#include <cmath>

LOOKUP_TABLE<kTuneTableSize> TUNE_TABLE;
float TUNE_TABLE_SCALER = 0.0f;

void LookupTables::FillTuneTable()
{
    const double last = static_cast<double>(kTuneTableSize - 1);
    TUNE_TABLE_SCALER = static_cast<float>(last / 170.0);
    for (int i = 0; i < kTuneTableSize; ++i)
    {
        // Entry i holds pitch p = i * 170 / 254999 semitones; 8.1777 Hz is MIDI note 0.
        const double pitch = static_cast<double>(i) * 170.0 / last;
        TUNE_TABLE.data[i] = static_cast<float>(8.1777 * std::exp2(pitch / 12.0));
    }
}
