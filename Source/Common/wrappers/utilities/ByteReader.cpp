#include "ByteReader.h"

#include <cstring>

bool CByteReader::ReadByte(uint8_t& value) noexcept
{
    if (GetRemaining() < 1)
    {
        End();
        return false;
    }
    value = m_data[m_position++];
    return true;
}

bool CByteReader::ReadUInt32(uint32_t& value) noexcept
{
    if (GetRemaining() < 4)
    {
        End();
        return false;
    }
    const uint8_t* bytes = m_data + m_position;
    value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
            (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    m_position += 4;
    return true;
}

bool CByteReader::ReadInt32(int32_t& value) noexcept
{
    uint32_t bits;
    if (!ReadUInt32(bits))
        return false;
    value = static_cast<int32_t>(bits);
    return true;
}

bool CByteReader::ReadFloat(float& value) noexcept
{
    uint32_t bits;
    if (!ReadUInt32(bits))
        return false;
    std::memcpy(&value, &bits, sizeof(value));
    return true;
}

bool CByteReader::ReadBytes(void* destination, size_t count) noexcept
{
    if (GetRemaining() < count)
    {
        End();
        return false;
    }
    if (count)
        std::memcpy(destination, m_data + m_position, count);
    m_position += count;
    return true;
}

bool CByteReader::Skip(size_t count) noexcept
{
    if (GetRemaining() < count)
    {
        End();
        return false;
    }
    m_position += count;
    return true;
}
