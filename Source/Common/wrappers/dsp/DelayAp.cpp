#include "DelayAp.h"

#include <algorithm>

void CDelayAp::SetSize(int numSamples)
{
    const int size = std::max(numSamples, 4);
    // The line reads as silence up to m_fresh, so its memory need not be zero: storage
    // that is large enough is kept as it is (no allocation, no pass over it that would
    // push the engine's working set out of the caches). Fresh storage is written here in
    // full, so that no page of it first faults on the audio thread.
    if (static_cast<size_t>(size) <= m_line.capacity())
        m_line.resize(static_cast<size_t>(size));
    else
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
