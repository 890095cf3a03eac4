// Test support: little-endian fields of a chunk or file, decoded and encoded by
// hand so that tests check the format independently of the code under test.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace ChunkBytes
{
inline uint32_t U32(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes.at(at)) | (static_cast<uint32_t>(bytes.at(at + 1)) << 8) |
           (static_cast<uint32_t>(bytes.at(at + 2)) << 16) |
           (static_cast<uint32_t>(bytes.at(at + 3)) << 24);
}

inline int32_t I32(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<int32_t>(U32(bytes, at));
}

inline float F32(const std::vector<uint8_t>& bytes, size_t at)
{
    const uint32_t bits = U32(bytes, at);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

inline void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutI32(std::vector<uint8_t>& bytes, size_t at, int32_t value)
{
    PutU32(bytes, at, static_cast<uint32_t>(value));
}

inline void PutF32(std::vector<uint8_t>& bytes, size_t at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    PutU32(bytes, at, bits);
}
} // namespace ChunkBytes
