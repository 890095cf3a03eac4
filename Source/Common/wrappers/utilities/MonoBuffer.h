// A block of mono samples, sized outside the audio path.
#pragma once

class CMonoBuffer
{
public:
    CMonoBuffer() = default;
    ~CMonoBuffer() { ReleaseBuffer(); }
    CMonoBuffer(const CMonoBuffer&) = delete;
    CMonoBuffer& operator=(const CMonoBuffer&) = delete;

    // n samples (contents undefined); 0 or the current count keeps the buffer and its
    // contents. Allocates only when the storage holds fewer than n samples, and then
    // answers true. UI thread.
    bool SetSamplesCount(int n);
    // Zeroes the first n samples; 0 means all of them.
    void Clear(int n = 0) noexcept;
    float* GetBuffer() noexcept { return m_samples; }
    int GetSamplesCount() const noexcept { return m_count; }
    void ReleaseBuffer();

private:
    void SetupBuffer();

    float* m_samples = nullptr;
    int m_count = 0;
    int m_capacity = 0; // samples the storage holds
};
