#include "MidiSchedule.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace morvex::render
{

namespace
{

bool ParseInteger(std::string_view text, std::int64_t& value)
{
    if (text.empty())
    {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

bool CMidiSchedule::ParseControlChange(std::string_view text, CONTROL_CHANGE& change,
                                       std::string& error)
{
    const std::string quoted = "--cc '" + std::string(text) + "'";
    const std::size_t firstColon = text.find(':');
    const std::size_t secondColon =
        firstColon == std::string_view::npos ? firstColon : text.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos ||
        text.find(':', secondColon + 1) != std::string_view::npos)
    {
        error = quoted + ": expected SAMPLE:CONTROLLER:VALUE, e.g. 44100:1:64";
        return false;
    }
    std::int64_t sample = 0;
    std::int64_t controller = 0;
    std::int64_t value = 0;
    if (!ParseInteger(text.substr(0, firstColon), sample) || sample < 0)
    {
        error = quoted + ": SAMPLE must be a whole number >= 0";
        return false;
    }
    if (!ParseInteger(text.substr(firstColon + 1, secondColon - firstColon - 1), controller) ||
        controller < 0 || controller > 127)
    {
        error = quoted + ": CONTROLLER must be a whole number 0..127";
        return false;
    }
    if (!ParseInteger(text.substr(secondColon + 1), value) || value < 0 || value > 127)
    {
        error = quoted + ": VALUE must be a whole number 0..127";
        return false;
    }
    change.sample = sample;
    change.controller = static_cast<int>(controller);
    change.value = static_cast<int>(value);
    return true;
}

BLOCK_POSITION CMidiSchedule::Locate(std::int64_t sample, int blockSize)
{
    return BLOCK_POSITION{sample / blockSize, static_cast<int>(sample % blockSize)};
}

void CMidiSchedule::Prepare(std::vector<CONTROL_CHANGE> changes)
{
    std::stable_sort(changes.begin(), changes.end(),
                     [](const CONTROL_CHANGE& a, const CONTROL_CHANGE& b)
                     { return a.sample < b.sample; });
    m_changes = std::move(changes);
    m_next = 0;

    m_midiEvents.assign(m_changes.size(), VstMidiEvent{});
    for (std::size_t i = 0; i < m_changes.size(); ++i)
    {
        VstMidiEvent& event = m_midiEvents[i];
        event.type = kVstMidiType;
        event.byteSize = static_cast<VstInt32>(sizeof(VstMidiEvent));
        event.flags = 0; // from the timeline, not played live
        event.midiData[0] = static_cast<char>(kControlChangeStatus);
        event.midiData[1] = static_cast<char>(m_changes[i].controller);
        event.midiData[2] = static_cast<char>(m_changes[i].value);
    }

    const std::size_t slots = std::max<std::size_t>(2, m_changes.size());
    const std::size_t bytes = offsetof(VstEvents, events) + slots * sizeof(VstEvent*);
    m_events.reset(static_cast<VstEvents*>(std::calloc(1, std::max(bytes, sizeof(VstEvents)))));
}

VstEvents* CMidiSchedule::EventsForBlock(std::int64_t blockStart, int numFrames)
{
    // Events before this block (only possible if blocks were skipped) are dropped.
    while (m_next < m_changes.size() && m_changes[m_next].sample < blockStart)
    {
        ++m_next;
    }
    const std::int64_t blockEnd = blockStart + numFrames;
    // The pointer table runs past the two entries VstEvents declares (see Prepare).
    VstEvent** table = m_events ? m_events->events : nullptr;
    VstInt32 count = 0;
    while (m_next < m_changes.size() && m_changes[m_next].sample < blockEnd)
    {
        VstMidiEvent& event = m_midiEvents[m_next];
        event.deltaFrames = static_cast<VstInt32>(m_changes[m_next].sample - blockStart);
        table[count] = reinterpret_cast<VstEvent*>(&event);
        ++count;
        ++m_next;
    }
    if (count == 0)
    {
        return nullptr;
    }
    m_events->numEvents = count;
    m_events->reserved = 0;
    return m_events.get();
}

} // namespace morvex::render
