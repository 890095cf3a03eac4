// Reads little-endian binary fields from a byte range without ever leaving it:
// the reading half of the state chunk, preset and preferences formats. A read
// that needs more bytes than remain reads nothing, returns false and ends the
// data there (every later read fails too), so that a short file never has a
// later field taken from the wrong place. Any thread; never allocates.
#pragma once

#include <cstddef>
#include <cstdint>

class CByteReader
{
public:
    // `data` may be null only with `size` 0.
    CByteReader(const void* data, size_t size) noexcept
        : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0)
    {
    }

    bool ReadByte(uint8_t& value) noexcept;
    bool ReadUInt32(uint32_t& value) noexcept;
    bool ReadInt32(int32_t& value) noexcept;
    bool ReadFloat(float& value) noexcept;
    bool ReadBytes(void* destination, size_t count) noexcept;
    // Moves on by `count` bytes; false (and the end reached) when fewer remain.
    bool Skip(size_t count) noexcept;
    // Treats the data as ending at the current position.
    void End() noexcept { m_position = m_size; }

    size_t GetPosition() const noexcept { return m_position; }
    size_t GetRemaining() const noexcept { return m_size - m_position; }
    // Address of the next unread byte (valid for GetRemaining() bytes).
    const uint8_t* GetCurrent() const noexcept { return m_data + m_position; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};
