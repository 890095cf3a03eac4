#include "ReverbDelayLine.h"

#include <algorithm>
#include <cstddef>

void CReverbDelayLine::SetSize(int numSamples)
{
    const int size = std::max(numSamples, kMinSize);
    m_buffer = std::vector<float>(static_cast<std::size_t>(size + kGuardSamples), 0.0f);
    m_spare = std::vector<float>(m_buffer.size(), 0.0f);
    m_spareClean = m_spare.size();
    m_written = false;
    m_size = size;
}

void CReverbDelayLine::Clear() noexcept
{
    if (!m_written)
        return;
    ZeroSpare(static_cast<int>(m_spare.size()));
    m_buffer.swap(m_spare); // no allocation: the two vectors trade their storage
    m_spareClean = 0;
    m_written = false;
}

void CReverbDelayLine::ZeroSpare(int samples) noexcept
{
    const std::size_t end = std::min(m_spare.size(), m_spareClean + static_cast<std::size_t>(
                                                                      std::max(samples, 0)));
    if (end > m_spareClean)
        std::fill(m_spare.begin() + static_cast<std::ptrdiff_t>(m_spareClean),
                  m_spare.begin() + static_cast<std::ptrdiff_t>(end), 0.0f);
    m_spareClean = end;
}
