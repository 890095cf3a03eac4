#include "MonoBuffer.h"

#include <cstring>

bool CMonoBuffer::SetSamplesCount(int n)
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

void CMonoBuffer::SetupBuffer()
{
    delete[] m_samples;
    m_samples = new float[static_cast<size_t>(m_capacity)];
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
    m_capacity = 0;
}
