#include "ReverbDelayLine.h"

#include <algorithm>
#include <cstddef>

void CReverbDelayLine::SetSize(int numSamples)
{
    const int size = std::max(numSamples, kMinSize);
    const std::size_t total = static_cast<std::size_t>(size + kGuardSamples);
    // The same size again (a host re-sends its rate on every resume): a silent line with a
    // clean spare is what a new one would be, and rewriting it would only push the
    // engine's working set out of the caches.
    if (size == m_size && !m_written && m_spare.size() == total && IsSpareClean())
        return;
    // assign() keeps storage that is large enough (no allocation); fresh storage is
    // written here in full, so that no page of it first faults on the audio thread.
    m_buffer.assign(total, 0.0f);
    m_spare.assign(total, 0.0f);
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
