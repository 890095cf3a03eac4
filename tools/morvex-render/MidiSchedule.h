// MIDI control changes placed on the render's timeline and handed to the plug-in block by
// block, the way a DAW sends a track's automation: each block's events go through
// effProcessEvents just before that block's processReplacing call, with deltaFrames counted
// from the block start.
#pragma once

#include "aeffectx.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::render
{

struct CONTROL_CHANGE
{
    std::int64_t sample = 0; // position in the render, in samples from its start
    int controller = 0;      // 0..127
    int value = 0;           // 0..127
};

// Where a sample falls in a run of equal blocks.
struct BLOCK_POSITION
{
    std::int64_t block = 0; // block index from 0
    int offset = 0;         // samples from the block start: the event's deltaFrames
};

class CMidiSchedule
{
public:
    static constexpr unsigned char kControlChangeStatus = 0xB0; // control change, channel 1

    // Reads "SAMPLE:CONTROLLER:VALUE" (decimal integers; SAMPLE >= 0, CONTROLLER and VALUE
    // 0..127). Returns false with a message saying which field is wrong.
    static bool ParseControlChange(std::string_view text, CONTROL_CHANGE& change,
                                   std::string& error);

    // Block and offset of `sample` when every block is `blockSize` samples (blockSize >= 1).
    static BLOCK_POSITION Locate(std::int64_t sample, int blockSize);

    // Takes the events, sorted by sample (stable, so equal samples keep their command-line
    // order), and allocates the event records once for the whole render.
    void Prepare(std::vector<CONTROL_CHANGE> changes);

    // Events with samples in [blockStart, blockStart + numFrames), or null if none. The record
    // stays valid until the next call. Blocks must be asked for in increasing order.
    VstEvents* EventsForBlock(std::int64_t blockStart, int numFrames);

    std::size_t NumEvents() const
    {
        return m_changes.size();
    }

private:
    struct FREE_DELETER
    {
        void operator()(void* memory) const
        {
            std::free(memory);
        }
    };

    std::vector<CONTROL_CHANGE> m_changes;
    std::vector<VstMidiEvent> m_midiEvents; // one per change, same order
    // VstEvents declares two event pointers but is sent with as many as it holds, so it is
    // allocated with room for every event of the render.
    std::unique_ptr<VstEvents, FREE_DELETER> m_events;
    std::size_t m_next = 0; // first change not yet delivered
};

} // namespace morvex::render
