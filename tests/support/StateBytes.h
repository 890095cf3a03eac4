// Test support: an effect's chunk as bytes, and whole files read and written, for
// the tests of state, presets and map files.
#pragma once

#include "Common/wrappers/BaseEffect.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace StateBytes
{
using Bytes = std::vector<uint8_t>;

// A copy of the effect's host (or preset) chunk.
inline Bytes Chunk(CBaseEffect* effect, bool isPreset = false)
{
    void* data = nullptr;
    int size = 0;
    effect->GetChunk(&data, &size, isPreset);
    return Bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// SetChunk from a buffer of exactly `size` bytes, so that AddressSanitizer sees any
// read past the end.
inline void Load(CBaseEffect* effect, const Bytes& bytes, size_t size, bool isPreset = false)
{
    Bytes exact(bytes.begin(), bytes.begin() + static_cast<long>(size));
    effect->SetChunk(exact.empty() ? nullptr : exact.data(), static_cast<int>(size), isPreset);
}

inline void Load(CBaseEffect* effect, const Bytes& bytes)
{
    Load(effect, bytes, bytes.size());
}

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
} // namespace StateBytes
