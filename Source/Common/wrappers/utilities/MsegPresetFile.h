// The modulator preset file (.mprg): one modulator's step pattern or envelope,
// little-endian:
//   0   4  signature, the bytes C3 67 ED 34
//   4   4  mode, int32: 0 step pattern, 1 envelope ("Mod%d Mode" as a whole number)
//   8   4  number of steps, int32, 2..32 ("Mod%d NumSteps" as a whole number)
//   12     the body: 32 step records (end position, level; 256 bytes) for mode 0,
//          64 envelope points (position, level, tension; 768 bytes) for mode 1,
//          as floats.
// A file is taken only whole: the signature, a known mode, a step count in range,
// exactly the length its mode asks for and finite numbers throughout. Anything
// else is refused before any of it is used, so that a damaged or foreign file can
// never leave a modulator half written. Any thread; no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace MsegPresetFile
{
constexpr uint8_t kSignature[4] = {0xC3, 0x67, 0xED, 0x34};
constexpr size_t kHeaderSize = 12;
constexpr size_t kStepBodySize = 256;     // 32 x (end position, level)
constexpr size_t kEnvelopeBodySize = 768; // 64 x (position, level, tension)
constexpr int32_t kModeSteps = 0;
constexpr int32_t kModeEnvelope = 1;
constexpr int32_t kMinSteps = 2;
constexpr int32_t kMaxSteps = 32;

// Why a file was refused (kOk: it was taken).
enum MSEG_PRESET_STATUS : int
{
    kOk = 0,
    kNoSignature,  // shorter than the header or not beginning with the signature
    kBadMode,      // a mode other than 0 or 1
    kBadStepCount, // a number of steps outside 2..32
    kBadLength,    // not exactly the header and the body its mode asks for
    kBadNumber,    // a body value that is not a finite number
};

// A file's contents.
struct MSEG_PRESET
{
    int32_t mode = kModeSteps;
    int32_t numSteps = kMaxSteps;
    std::vector<uint8_t> body; // kStepBodySize or kEnvelopeBodySize bytes as stored
};

// Body size for `mode` (0: steps, otherwise the envelope).
size_t BodySize(int32_t mode);

// Reads a whole file's bytes. On kOk `preset` holds them; otherwise `preset`
// is untouched.
MSEG_PRESET_STATUS Parse(const uint8_t* data, size_t size, MSEG_PRESET& preset);

// A sentence for the user about a refused file.
const char* DescribeStatus(MSEG_PRESET_STATUS status);

// The file's bytes. `mode` other than 0 is stored as 1 (envelope); `body` holds
// BodySize(mode) bytes. Empty when `body` is null.
std::vector<uint8_t> Build(int32_t mode, int32_t numSteps, const uint8_t* body);
} // namespace MsegPresetFile
