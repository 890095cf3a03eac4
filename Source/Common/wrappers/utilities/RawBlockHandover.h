// The bytes of one raw parameter block, handed from the user-interface thread
// to the audio thread without a lock: a sequence lock (Lameter, "Effective
// synchronization on Linux/NUMA systems", 2005; memory-model form after Boehm,
// "Can seqlocks get along with programming language memory models?", 2012).
//
// The writer makes the sequence odd, stores the bytes, then makes it even again.
// The reader copies the bytes into a copy of its own and keeps that copy only
// when the sequence was even and unchanged across the copy; otherwise it goes on
// using its previous copy, so it never sees a half-written block and never waits.
// Byte stores are release and byte loads acquire (plain moves on x86), so that a
// reader that sees any new byte also sees the odd sequence that preceded it.
#pragma once

#include <atomic>
#include <cstdint>

class CRawBlockHandover
{
public:
    // `size` bytes, all zero, in the shared block and in the reader's copy.
    explicit CRawBlockHandover(int size);
    ~CRawBlockHandover();
    CRawBlockHandover(const CRawBlockHandover&) = delete;
    CRawBlockHandover& operator=(const CRawBlockHandover&) = delete;

    int GetSize() const noexcept { return m_size; }

    // Writer side (one writer at a time: callers hold the effect's access lock).
    // Copies `size` bytes from `data`, or zeros when `data` is null. Bytes equal to the
    // shared ones are no write: the sequence stays, and the reader does nothing.
    void Write(const void* data) noexcept;
    // The same, as part of a whole-state load: the reader does not take these bytes (nor
    // any later held write) from the shared block; they reach it through Adopt, together
    // with the rest of the state. The next plain Write lifts the hold.
    void WriteHeld(const void* data) noexcept;
    // Writer side: the sequence of the shared bytes as they stand (even between writes).
    uint32_t GetWriteSequence() const noexcept { return m_sequence.load(std::memory_order_relaxed); }
    // The shared bytes, for reading on the writer's thread only.
    const uint8_t* GetShared() const noexcept { return m_shared; }

    // Reader side (the audio thread; one reader). The reader's own copy, brought
    // up to date when a complete write has happened since the last call. Never
    // blocks, never allocates.
    const uint8_t* Read() noexcept;
    // Reader side: the write sequence of the copy Read last handed out. It changes exactly
    // when Read hands out newer bytes, so a reader can skip work on unchanged data.
    uint32_t GetReadSequence() const noexcept { return m_seenSequence; }
    // Makes the reader's copy equal to the shared bytes. Only while no other
    // thread uses the block (registration).
    void Synchronise() noexcept;
    // Reader side: takes `bytes` (the block's size), which the writer saw under
    // `sequence`, as the reader's copy unless the copy is already that new or newer.
    // Never blocks or allocates.
    void Adopt(const uint8_t* bytes, uint32_t sequence) noexcept;

private:
    // True when the shared bytes equal `source` (zeros when null). Writer side.
    bool Holds(const uint8_t* source) const noexcept;
    void WriteShared(const uint8_t* source) noexcept;

    int m_size;
    uint8_t* m_shared;                 // written by the writer, read by both
    std::atomic<uint32_t> m_sequence{0}; // odd while a write is under way
    // 0: none; else the reader takes no sequence from this one on (held writes).
    std::atomic<uint32_t> m_heldFrom{0};
    uint8_t* m_copies[2];              // reader only
    int m_current = 0;                 // reader only: the copy handed out
    uint32_t m_seenSequence = 0;       // reader only: the sequence of that copy
};
