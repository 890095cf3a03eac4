#include "MonoBuffer.h"

#include <cstring>

void CMonoBuffer::SetSamplesCount(int n)
{
    if (n <= 0 || n == m_count)
        return;
    m_count = n;
    SetupBuffer();
}

void CMonoBuffer::SetupBuffer()
{
    delete[] m_samples;
    m_samples = new float[static_cast<size_t>(m_count)];
}

void CMonoBuffer::Clear(int n) noexcept
{
    if (!m_samples)
        return;
    const int count = (n <= 0 || n > m_count) ? m_count : n;
    std::memset(m_samples, 0, sizeof(float) * static_cast<size_t>(count));
}

void CMonoBuffer::ReleaseBuffer()
{
    delete[] m_samples;
    m_samples = nullptr;
    m_count = 0;
}
