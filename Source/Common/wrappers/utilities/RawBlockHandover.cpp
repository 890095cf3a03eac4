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
    m_heldFrom.store(0, std::memory_order_relaxed);
    WriteShared(static_cast<const uint8_t*>(data));
}

void CRawBlockHandover::WriteHeld(const void* data) noexcept
{
    // Stored before the sequence moves: a reader that sees the new sequence sees the hold.
    const uint32_t next = m_sequence.load(std::memory_order_relaxed) + 1;
    m_heldFrom.store(next != 0 ? next : 1, std::memory_order_relaxed);
    WriteShared(static_cast<const uint8_t*>(data));
}

void CRawBlockHandover::WriteShared(const uint8_t* source) noexcept
{
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
    const uint32_t heldFrom = m_heldFrom.load(std::memory_order_relaxed);
    if (heldFrom != 0 && static_cast<int32_t>(before - heldFrom) >= 0)
        return m_copies[m_current]; // a held write: it comes through Adopt
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

void CRawBlockHandover::Adopt(const uint8_t* bytes, uint32_t sequence) noexcept
{
    // Sequences only grow (modulo 2^32): an older one than the copy's is a stale state.
    if (static_cast<int32_t>(sequence - m_seenSequence) <= 0)
        return;
    uint8_t* copy = m_copies[m_current ^ 1];
    std::memcpy(copy, bytes, static_cast<size_t>(m_size));
    m_current ^= 1;
    m_seenSequence = sequence;
}
