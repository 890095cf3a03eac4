#include "HermiteDelayLine.h"

#include <algorithm>

namespace
{
constexpr int kGuardSamples = 2;
} // namespace

void CHermiteDelayLine::SetLength(int lengthSamples)
{
    m_length = std::max(lengthSamples, 1);
    m_size = m_length + kGuardSamples;
    m_buffer.assign(static_cast<size_t>(m_size), 0.0f);
    m_write = 0;
}

void CHermiteDelayLine::Clear() noexcept
{
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
}

float CHermiteDelayLine::Read(double delaySamples) const noexcept
{
    if (m_size == 0)
        return 0.0f;
    if (!(delaySamples < static_cast<double>(m_length)))
        delaySamples = static_cast<double>(m_length - 1);
    else if (!(delaySamples > 0.0))
        delaySamples = 0.0;
    const int whole = static_cast<int>(delaySamples);
    const float t = static_cast<float>(delaySamples - static_cast<double>(whole));
    const auto at = [this](int index)
    {
        if (index < 0)
            index += m_size;
        else if (index >= m_size)
            index -= m_size;
        return m_buffer[static_cast<size_t>(index)];
    };
    const int r = m_write - whole;
    const float y0 = at(r);
    const float yNewer = whole == 0 ? y0 : at(r + 1);
    const float y1 = at(r - 1);
    const float y2 = at(r - 2);
    // out(0) = y0, out(1) = y1, tangents from central differences.
    const float a = y0 - y1;
    const float c1 = (y1 - yNewer) * 0.5f;
    const float c = a + c1;
    const float d = (y2 - y0) * 0.5f + a + c;
    return ((t * d - c - d) * t + c1) * t + y0;
}
