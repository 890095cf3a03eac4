// Appends little-endian binary fields to a byte vector: the writing half of the
// state chunk, preset and preferences formats (IEEE single floats, no padding).
// Byte order is produced explicitly, whatever the machine's own order.
// User-interface thread; allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CByteWriter
{
public:
    // Appends to `bytes`, which must outlive the writer.
    explicit CByteWriter(std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

    void WriteByte(uint8_t value);
    void WriteUInt32(uint32_t value);
    void WriteInt32(int32_t value);
    // The float's IEEE 754 bit pattern, little-endian.
    void WriteFloat(float value);
    void WriteBytes(const void* data, size_t count);
    // `count` zero bytes.
    void WriteZeros(size_t count);

    size_t GetSize() const { return m_bytes.size(); }

private:
    std::vector<uint8_t>& m_bytes;
};
