// Three slots of T handed from one writer thread to one reader thread without a lock
// and without waiting on either side: the writer fills its back slot and publishes it;
// the reader takes the newest published slot. A slot the writer publishes while the
// reader has not taken the previous one replaces it whole, so the reader only ever
// sees complete slots, and of several publications only the last.
//
// Slots are allocated with the buffer; whatever a slot owns (vectors) is sized by the
// writer in its back slot, so the reader never allocates.
#pragma once

#include <atomic>

template <typename T>
class CTripleBuffer
{
public:
    // Writer side: the slot to fill. It stays the writer's until Publish.
    T& GetBack() noexcept { return m_slots[m_back]; }
    // Writer side: the back slot becomes the newest; the writer gets a free slot back
    // (the one published before, if the reader has not taken it, or the reader's last).
    void Publish() noexcept
    {
        m_back = m_middle.exchange(m_back | kFresh, std::memory_order_acq_rel) & kIndexMask;
    }

    // Reader side: whether a slot was published since the last TakeNewest (one relaxed
    // load, for the common case of nothing new).
    bool HasNewest() const noexcept
    {
        return (m_middle.load(std::memory_order_relaxed) & kFresh) != 0;
    }
    // Reader side: the newest slot published since the last call, or null. The slot
    // stays the reader's until its next successful call.
    const T* TakeNewest() noexcept
    {
        if ((m_middle.load(std::memory_order_relaxed) & kFresh) == 0)
            return nullptr;
        m_front = m_middle.exchange(m_front, std::memory_order_acq_rel) & kIndexMask;
        return &m_slots[m_front];
    }

private:
    static constexpr int kIndexMask = 3;
    static constexpr int kFresh = 4; // set in m_middle while it holds an untaken slot

    T m_slots[3];
    int m_back = 0;                 // writer only
    int m_front = 1;                // reader only
    std::atomic<int> m_middle{2};   // the slot between them, and the fresh flag
};
