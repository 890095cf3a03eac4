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

constexpr int kSineTableSize = 1024;
constexpr int kTriangleTableSize = 4096;
constexpr int kTuneTableSize = 255000;
constexpr int kExpTableSize = 100003;
constexpr int kCurveTableSize = 100003; // LOG_TABLE, ILOG_TABLE
constexpr int kDryWetTableSize = 1024;
constexpr int kFastFadeInTableSize = 4096;
constexpr int kNoiseWhiteTableSize = 88200;
constexpr int kTimeScaleCount = 22;

// sin(2 pi i / 1023): one period over 1023 steps, first and last entry 0.
extern LOOKUP_TABLE<kSineTableSize> SINE_TABLE;
// Triangle from 0 up to +1 at a quarter, 0 at half, -1 at three quarters (step 1/1024).
extern LOOKUP_TABLE<kTriangleTableSize> TRIANGLE_TABLE;

// Frequency in Hz of a pitch p (0..170 semitones, MIDI note scale): 8.1777 * 2^(p / 12),
// read at trunc(p * TUNE_TABLE_SCALER).
extern LOOKUP_TABLE<kTuneTableSize> TUNE_TABLE;
extern float TUNE_TABLE_SCALER; // 254999 / 170

// x * 100^(x - 1) for x in 0..1, read at trunc(x * 100002).
extern LOOKUP_TABLE<kExpTableSize> EXP_TABLE;

// log10(1 + (10^2.5 - 1) x) / 2.5, read at trunc(x * 100002): 0.880 at x = 0.5.
extern LOOKUP_TABLE<kCurveTableSize> LOG_TABLE;
// (10^(2.5 x) - 1) / (10^2.5 - 1), the inverse of LOG_TABLE: 0.053 at x = 0.5.
extern LOOKUP_TABLE<kCurveTableSize> ILOG_TABLE;
// Symmetric S-curve 0..1 for dry/wet blends, read at x * 1024: 0.039 at 1/8, 0.107 at
// 1/4, 0.242 at 3/8, 0.5 at 1/2.
extern LOOKUP_TABLE<kDryWetTableSize> DRYWET_TABLE;
// Fade-in over the first 50 entries (0.0053 at 1, 0.1065 at 10, 0.373 at 20, 0.693 at 30,
// 0.933 at 40), 1 from entry 50 on; read at x * 4096.
extern LOOKUP_TABLE<kFastFadeInTableSize> FASTFADEIN_TABLE;
// White noise in -1..1, two seconds at 44.1 kHz; read with a running, wrapped index.
extern LOOKUP_TABLE<kNoiseWhiteTableSize> NOISE_WHITE_TABLE;

// Note lengths in whole notes, indexed like the tempo-sync note list
// ("1/32" .. "4/1"); index 21 stands for one second.
extern const float TIME_SCALE_TO_RATIO[kTimeScaleCount];

namespace LookupTables
{
// Fills every table once; later calls return at once. Thread safe. Not for the
// audio thread (the first call computes a few hundred thousand values).
void Initialize();

// Fill functions of the individual tables (one source file each).
void FillSineTable();
void FillTriangleTable();
void FillTuneTable();
void FillExpTable();
void FillLogTables();
void FillDryWetTable();
void FillFastFadeInTable();
void FillNoiseWhiteTable();

// Monotone cubic (Fritsch-Carlson) interpolation through `count` anchor points
// (xs ascending) evaluated at x; used to build curves given by anchor values.
double MonotoneCurve(const double* xs, const double* ys, int count, double x);
} // namespace LookupTables
