#include "Renderer.h"

#include <algorithm>

namespace morvex::render
{

CRenderer::CRenderer(CPluginHost& host, int blockSize) : m_host(host), m_blockSize(blockSize)
{
    const auto blockFrames = static_cast<std::size_t>(blockSize);
    m_inputs.assign(static_cast<std::size_t>(std::max(2, host.NumInputs())),
                    std::vector<float>(blockFrames, 0.0f));
    m_outputs.assign(static_cast<std::size_t>(std::max(2, host.NumOutputs())),
                     std::vector<float>(blockFrames, 0.0f));
    for (std::vector<float>& channel : m_inputs)
    {
        m_inputPointers.push_back(channel.data());
    }
    for (std::vector<float>& channel : m_outputs)
    {
        m_outputPointers.push_back(channel.data());
    }
}

void CRenderer::Render(const AUDIO_BUFFER& input, AUDIO_BUFFER& output, CMidiSchedule& midi,
                       const ProgressFunction& progress)
{
    const std::int64_t total = input.NumFrames();
    output.sampleRate = input.sampleRate;
    output.Resize(total);
    const bool monoInput = m_host.NumInputs() == 1;
    const bool monoOutput = m_host.NumOutputs() == 1;

    for (std::int64_t start = 0; start < total; start += m_blockSize)
    {
        const int frames = static_cast<int>(std::min<std::int64_t>(m_blockSize, total - start));
        const auto first = static_cast<std::size_t>(start);
        for (int n = 0; n < frames; ++n)
        {
            const float left = input.left[first + static_cast<std::size_t>(n)];
            const float right = input.right[first + static_cast<std::size_t>(n)];
            m_inputs[0][static_cast<std::size_t>(n)] = monoInput ? 0.5f * (left + right) : left;
            m_inputs[1][static_cast<std::size_t>(n)] = right;
        }
        // Outputs start from silence so a channel the plug-in leaves alone is 0, not stale.
        for (std::vector<float>& channel : m_outputs)
        {
            std::fill(channel.begin(), channel.begin() + frames, 0.0f);
        }

        if (VstEvents* events = midi.EventsForBlock(start, frames))
        {
            m_host.SendEvents(events);
        }
        m_host.Process(m_inputPointers.data(), m_outputPointers.data(), frames, start);

        const std::vector<float>& leftOut = m_outputs[0];
        const std::vector<float>& rightOut = m_outputs[monoOutput ? 0 : 1];
        std::copy(leftOut.begin(), leftOut.begin() + frames,
                  output.left.begin() + static_cast<std::ptrdiff_t>(first));
        std::copy(rightOut.begin(), rightOut.begin() + frames,
                  output.right.begin() + static_cast<std::ptrdiff_t>(first));
        if (progress)
        {
            progress(start + frames, total);
        }
    }
}

} // namespace morvex::render
