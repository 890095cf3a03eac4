#include "StereoBuffer.h"

#include <cstring>

void CStereoBuffer::SetSamplesCount(int n)
{
    if (n <= 0 || n == m_count)
        return;
    m_count = n;
    SetupBuffer();
}

void CStereoBuffer::SetupBuffer()
{
    delete[] m_samples;
    m_samples = new float[2 * static_cast<size_t>(m_count)];
}

void CStereoBuffer::Clear(int n) noexcept
{
    if (!m_samples)
        return;
    const int count = (n <= 0 || n > m_count) ? m_count : n;
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memset(m_samples, 0, bytes);
    std::memset(m_samples + m_count, 0, bytes);
}

void CStereoBuffer::ReleaseBuffer()
{
    delete[] m_samples;
    m_samples = nullptr;
    m_count = 0;
}
