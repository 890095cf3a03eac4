// Stereo audio held in memory by the renderer: the input fed to the plug-in and its output.
#pragma once

#include <cstdint>
#include <vector>

namespace morvex::render
{

struct AUDIO_BUFFER
{
    int sampleRate = 44100; // Hz
    std::vector<float> left;
    std::vector<float> right; // always as long as left

    std::int64_t NumFrames() const
    {
        return static_cast<std::int64_t>(left.size());
    }

    void Resize(std::int64_t numFrames)
    {
        left.resize(static_cast<std::size_t>(numFrames), 0.0f);
        right.resize(static_cast<std::size_t>(numFrames), 0.0f);
    }
};

} // namespace morvex::render
