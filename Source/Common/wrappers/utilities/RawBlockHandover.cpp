#include "RawBlockHandover.h"

#include <cstring>

CRawBlockHandover::CRawBlockHandover(int size) : m_size(size > 0 ? size : 0)
{
    const size_t bytes = static_cast<size_t>(m_size) + 1; // never a zero-size array
    m_shared = new uint8_t[bytes]();
    m_copies[0] = new uint8_t[bytes]();
    m_copies[1] = new uint8_t[bytes]();
}

CRawBlockHandover::~CRawBlockHandover()
{
    delete[] m_shared;
    delete[] m_copies[0];
    delete[] m_copies[1];
}

bool CRawBlockHandover::Holds(const uint8_t* source) const noexcept
{
    // Only the writer's thread stores into m_shared, so reading it here races with nothing.
    for (int i = 0; i < m_size; ++i)
    {
        if (m_shared[i] != (source ? source[i] : uint8_t(0)))
            return false;
    }
    return true;
}

void CRawBlockHandover::Write(const void* data) noexcept
{
    const uint8_t* source = static_cast<const uint8_t*>(data);
    // The same bytes again (a preset that leaves a block as it was, a reload): no new
    // write, so the reader neither copies the block nor rederives anything from it.
    if (Holds(source))
        return;
    const uint32_t sequence = m_sequence.load(std::memory_order_relaxed);
    m_sequence.store(sequence + 1, std::memory_order_relaxed);
    for (int i = 0; i < m_size; ++i)
        __atomic_store_n(&m_shared[i], source ? source[i] : uint8_t(0), __ATOMIC_RELEASE);
    m_sequence.store(sequence + 2, std::memory_order_release);
}

const uint8_t* CRawBlockHandover::Read() noexcept
{
    const uint32_t before = m_sequence.load(std::memory_order_acquire);
    if ((before & 1u) != 0 || before == m_seenSequence)
        return m_copies[m_current];
    uint8_t* copy = m_copies[m_current ^ 1];
    for (int i = 0; i < m_size; ++i)
        copy[i] = __atomic_load_n(&m_shared[i], __ATOMIC_ACQUIRE);
    const uint32_t after = m_sequence.load(std::memory_order_relaxed);
    if (after != before)
        return m_copies[m_current]; // a write overlapped the copy: keep the last whole one
    m_current ^= 1;
    m_seenSequence = before;
    return copy;
}

void CRawBlockHandover::Synchronise() noexcept
{
    std::memcpy(m_copies[m_current], m_shared, static_cast<size_t>(m_size));
    m_seenSequence = m_sequence.load(std::memory_order_relaxed);
}
