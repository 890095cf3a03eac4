// Constant lookup tables shared by the signal-processing code. Each table is
// filled once by LookupTables::Initialize() (called when an effect is created,
// before any audio runs) and only read afterwards, so reading needs no lock.
#pragma once

// A table of N floats stored with its size and last index in front of the data.
template <int N>
struct LOOKUP_TABLE
{
    int size = N;
    int last = N - 1;
    float data[N] = {};

    float operator[](int index) const { return data[index]; }
    // Index clamped to 0..N-1: for positions computed from values that may sit
    // a hair outside their range.
    float At(int index) const { return data[index < 0 ? 0 : (index > N - 1 ? N - 1 : index)]; }
};

constexpr int kTuneTableSize = 255000;
constexpr int kExpTableSize = 100003;
constexpr int kTimeScaleCount = 22;

// Frequency in Hz of a pitch p (0..170 semitones, MIDI note scale): 8.1777 * 2^(p / 12),
// read at trunc(p * TUNE_TABLE_SCALER).
extern LOOKUP_TABLE<kTuneTableSize> TUNE_TABLE;
extern float TUNE_TABLE_SCALER; // 254999 / 170

// x * 100^(x - 1) for x in 0..1, read at trunc(x * 100002).
extern LOOKUP_TABLE<kExpTableSize> EXP_TABLE;

// Note lengths in whole notes, indexed like the tempo-sync note list
// ("1/32" .. "4/1"); index 21 stands for one second.
extern const float TIME_SCALE_TO_RATIO[kTimeScaleCount];

namespace LookupTables
{
// Fills every table once; later calls return at once. Thread safe. Not for the
// audio thread (the first call computes a few hundred thousand values).
void Initialize();

// Fill functions of the individual tables (one source file each).
void FillTuneTable();
void FillExpTable();
} // namespace LookupTables
