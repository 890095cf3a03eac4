#include "VstMidiProcessor.h"

void CVstMidiProcessor::PushEvent(const uint8_t midiData[3], int32_t offset) noexcept
{
    if ((midiData[0] & 0xF0) != 0xB0 || m_count == kCapacity)
        return;
    MIDI_EVENT& event = m_events[(m_head + m_count) % kCapacity];
    event.type = 1;
    event.offset = offset;
    event.controller = midiData[1] & 0x7F;
    event.value = static_cast<float>(midiData[2] & 0x7F) / 127.0f;
    ++m_count;
}

bool CVstMidiProcessor::PopEvent(MIDI_EVENT& event, int32_t limit) noexcept
{
    if (m_count == 0)
        return false;
    event = m_events[m_head];
    if (event.offset >= limit)
        return false;
    m_head = (m_head + 1) % kCapacity;
    --m_count;
    return true;
}

void CVstMidiProcessor::Reset() noexcept
{
    m_head = 0;
    m_count = 0;
}

void CVstMidiProcessor::MarkLate() noexcept
{
    for (int i = 0; i < m_count; ++i)
        m_events[(m_head + i) % kCapacity].offset = -1;
}
