// Mono delay line of a fixed length with fractional reads by 4-point, 3rd-order
// Hermite (Catmull-Rom) interpolation (O. Niemitalo, "Polynomial Interpolators for
// High-Quality Resampling of Oversampled Audio", 2001). Delays are in samples; a
// delay of 0 reads the sample pushed last. Two guard samples beyond the length keep
// every interpolation tap inside the written history, up to the longest delay.
#pragma once

#include <cstddef>
#include <vector>

class CHermiteDelayLine
{
public:
    // Longest delay plus one, in samples (> 0); allocates and clears. UI thread.
    void SetLength(int lengthSamples);
    // Silence in the whole line. Not on the audio thread for long lines.
    void Clear() noexcept;
    int GetLength() const noexcept { return m_length; }

    // Appends one sample. Audio thread.
    void Push(float x) noexcept
    {
        if (++m_write == m_size)
            m_write = 0;
        m_buffer[static_cast<size_t>(m_write)] = x;
    }

    // Sample delaySamples back from the last push. Delays of the length or more read
    // at length - 1; negative ones read 0. Below one sample the newer neighbour tap
    // does not exist yet and repeats the newest sample. Audio thread.
    float Read(double delaySamples) const noexcept;

private:
    std::vector<float> m_buffer;
    int m_length = 0; // longest delay + 1
    int m_size = 0;   // m_length + 2 guard samples
    int m_write = 0;  // index of the newest sample
};
