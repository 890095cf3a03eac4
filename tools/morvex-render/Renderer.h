// Runs audio through a hosted plug-in block by block, as a DAW's render does: every
// processReplacing call takes the block size given to effSetBlockSize except a shorter last
// one, the block's MIDI events go in just before it, and the transport position moves with the
// block start.
#pragma once

#include "AudioBuffer.h"
#include "MidiSchedule.h"
#include "PluginHost.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace morvex::render
{

class CRenderer
{
public:
    // Called after each block with the samples done so far and the total.
    using ProgressFunction = std::function<void(std::int64_t done, std::int64_t total)>;

    // `host` is open and resumed; blockSize is the value given to its effSetBlockSize.
    CRenderer(CPluginHost& host, int blockSize);

    // Renders all of `input` into `output` (resized to the same length and rate). Plug-in
    // inputs: left and right; a mono plug-in gets their average. Outputs: the first two, or
    // the only one on both sides.
    void Render(const AUDIO_BUFFER& input, AUDIO_BUFFER& output, CMidiSchedule& midi,
                const ProgressFunction& progress);

private:
    CPluginHost& m_host;
    int m_blockSize;
    // At least two of each, so plug-ins that assume stereo never read past the table.
    std::vector<std::vector<float>> m_inputs;
    std::vector<std::vector<float>> m_outputs;
    std::vector<float*> m_inputPointers;
    std::vector<float*> m_outputPointers;
};

} // namespace morvex::render
