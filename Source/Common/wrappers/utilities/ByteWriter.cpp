#include "ByteWriter.h"

#include <cstring>

void CByteWriter::WriteByte(uint8_t value)
{
    m_bytes.push_back(value);
}

void CByteWriter::WriteUInt32(uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void CByteWriter::WriteInt32(int32_t value)
{
    WriteUInt32(static_cast<uint32_t>(value));
}

void CByteWriter::WriteFloat(float value)
{
    static_assert(sizeof(float) == sizeof(uint32_t), "IEEE single floats expected");
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    WriteUInt32(bits);
}

void CByteWriter::WriteBytes(const void* data, size_t count)
{
    if (count == 0)
        return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
}

void CByteWriter::WriteZeros(size_t count)
{
    m_bytes.insert(m_bytes.end(), count, 0);
}
