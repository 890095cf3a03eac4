#include "StereoBuffer.h"

#include <cstring>

bool CStereoBuffer::SetSamplesCount(int n)
{
    if (n <= 0 || n == m_count)
        return false;
    m_count = n;
    // Storage that holds n samples already is kept.
    if (n <= m_capacity)
        return false;
    m_capacity = n;
    SetupBuffer();
    return true;
}

void CStereoBuffer::SetupBuffer()
{
    delete[] m_samples;
    m_samples = new float[2 * static_cast<size_t>(m_capacity)];
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
    m_capacity = 0;
}
