#include "ReverbDelayLine.h"

#include <algorithm>
#include <cstddef>

void CReverbDelayLine::SetSize(int numSamples)
{
    const int size = std::max(numSamples, kMinSize);
    m_buffer = std::vector<float>(static_cast<std::size_t>(size + kGuardSamples), 0.0f);
    m_size = size;
}

void CReverbDelayLine::Clear() noexcept
{
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
}
