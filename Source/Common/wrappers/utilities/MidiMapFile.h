// The controller-map file (.ccmap): the bytes "QxvM" (the state chunk's magic
// as it lies in memory), an int32 version (written as 1140) and int32[128], the
// parameter id bound to each controller number 0..127 (-1 = none). 520 bytes,
// little-endian. Shared by the effect and by tools that prepare a map for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace MidiMapFile
{
constexpr int kNumControllers = 128;
constexpr int32_t kVersion = 1140;
constexpr size_t kHeaderSize = 8;
constexpr size_t kFileSize = kHeaderSize + 4 * kNumControllers; // 520
constexpr uint8_t kMagic[4] = {'Q', 'x', 'v', 'M'};

// Reads a whole file's bytes into `map`. False, and `map` untouched, unless the
// data is exactly kFileSize bytes and begins with the magic. An entry outside
// -1 .. numParameters - 1 is read as -1.
bool Parse(const uint8_t* data, size_t size, int numParameters,
           int32_t (&map)[kNumControllers]);

// The file's bytes for `map`, version kVersion.
std::vector<uint8_t> Build(const int32_t (&map)[kNumControllers]);
} // namespace MidiMapFile
