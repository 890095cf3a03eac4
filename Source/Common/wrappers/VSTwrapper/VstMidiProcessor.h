// Queue of MIDI control changes between the host's processEvents and the
// adapter's sub-block loop. Both run on the audio thread, so the queue takes
// no lock; its storage is fixed, so pushing never allocates.
#pragma once

#include <cstdint>

struct MIDI_EVENT
{
    int32_t type = 0;       // 1 = control change
    int32_t offset = 0;     // sample offset inside the host block
    int32_t controller = 0; // 0..127
    float value = 0.0f;     // data byte 2 / 127
};

class CVstMidiProcessor
{
public:
    static constexpr int kCapacity = 1024;

    // Queues a control change (status 0xBn, any channel); drops every other
    // message, and drops the event when the queue is full.
    void PushEvent(const uint8_t midiData[3], int32_t offset) noexcept;
    // Copies the front event into `event`; removes it and answers true when its
    // offset is below `limit`, otherwise leaves it queued and answers false.
    bool PopEvent(MIDI_EVENT& event, int32_t limit) noexcept;
    void Reset() noexcept;
    // End of a host block: every event still queued is due already, so its
    // offset becomes -1 and it leaves first in the next block.
    void MarkLate() noexcept;
    int GetCount() const noexcept { return m_count; }

private:
    MIDI_EVENT m_events[kCapacity];
    int m_head = 0;
    int m_count = 0;
};
