#include "DelayAp.h"

#include <algorithm>

void CDelayAp::SetSize(int numSamples)
{
    const int size = std::max(numSamples, 4);
    m_line.assign(static_cast<size_t>(size), 0.0f);
    m_size = size;
    m_writeIndex = 0;
    m_fresh = 0;
    m_x1 = 0.0f;
    m_y1 = 0.0f;
}

void CDelayAp::Clear() noexcept
{
    m_fresh = 0;
    m_x1 = 0.0f;
    m_y1 = 0.0f;
}
