#include "HermiteDelayLine.h"

#include <algorithm>

namespace
{
constexpr int kGuardSamples = 2;
} // namespace

void CHermiteDelayLine::SetLength(int lengthSamples)
{
    // Zero throughout: nothing pushed since the whole line last held silence.
    const bool zeroed = !m_written && m_fresh >= m_size;
    m_length = std::max(lengthSamples, 1);
    m_size = m_length + kGuardSamples;
    if (static_cast<size_t>(m_size) <= m_buffer.capacity())
    {
        // Storage that is large enough is kept as it is: no allocation, and no pass over
        // seconds of samples that would push the engine's working set out of the caches.
        // A line that held sound is silent the lazy way (nothing in it counts as pushed);
        // one that was zero still is (growing zeroes the added samples), and its readers
        // need zero nothing.
        m_buffer.resize(static_cast<size_t>(m_size));
        m_fresh = zeroed ? m_size : 0;
    }
    else
    {
        // Fresh storage is written here in full, so that no page of it first faults on the
        // audio thread; it holds silence throughout.
        m_buffer.assign(static_cast<size_t>(m_size), 0.0f);
        m_fresh = m_size;
    }
    m_data = m_buffer.data();
    m_write = 0;
    m_written = false;
}

void CHermiteDelayLine::GatherTaps(int whole, float* taps) const noexcept
{
    // Age k (samples back from the newest) sits at m_write - k, wrapped once: every age
    // read here is below m_size.
    const auto at = [this](int age)
    {
        if (age >= m_fresh)
            return 0.0f;
        int index = m_write - age;
        if (index < 0)
            index += m_size;
        return m_data[static_cast<size_t>(index)];
    };
    taps[0] = at(whole + 2);
    taps[1] = at(whole + 1);
    taps[2] = at(whole);
    taps[3] = whole == 0 ? taps[2] : at(whole - 1);
}

void CHermiteDelayLine::Validate(int ages) noexcept
{
    ages = std::min(ages, m_size);
    if (ages <= m_fresh)
        return;
    // Ages m_fresh .. ages - 1 sit at indices m_write - (ages - 1) .. m_write - m_fresh,
    // wrapped.
    int first = m_write - (ages - 1);
    int last = m_write - m_fresh; // inclusive
    if (first < 0)
        first += m_size;
    if (last < 0)
        last += m_size;
    if (first <= last)
        std::fill(m_data + first, m_data + last + 1, 0.0f);
    else
    {
        std::fill(m_data + first, m_data + m_size, 0.0f);
        std::fill(m_data, m_data + last + 1, 0.0f);
    }
    m_fresh = ages;
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
    float scratch[4];
    const float* y = Taps(whole, scratch);
    return Interpolate(y[0], y[1], y[2], y[3], t);
}
