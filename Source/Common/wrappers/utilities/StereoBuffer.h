// A block of stereo samples in one allocation: the left channel is the first
// count floats, the right channel the next count. Sized outside the audio path.
#pragma once

class CStereoBuffer
{
public:
    CStereoBuffer() = default;
    ~CStereoBuffer() { ReleaseBuffer(); }
    CStereoBuffer(const CStereoBuffer&) = delete;
    CStereoBuffer& operator=(const CStereoBuffer&) = delete;

    // n samples per channel (contents undefined); 0 or the current count keeps the
    // buffer and its contents. Allocates only when the storage holds fewer than n samples
    // per channel, and then answers true. UI thread.
    bool SetSamplesCount(int n);
    // Zeroes the first n samples of each channel; 0 means all of them.
    void Clear(int n = 0) noexcept;
    float* GetLeftBuffer() noexcept { return m_samples; }
    float* GetRightBuffer() noexcept { return m_samples ? m_samples + m_count : nullptr; }
    int GetSamplesCount() const noexcept { return m_count; }
    void ReleaseBuffer();

private:
    void SetupBuffer();

    float* m_samples = nullptr;
    int m_count = 0;
    int m_capacity = 0; // samples per channel the storage holds
};
