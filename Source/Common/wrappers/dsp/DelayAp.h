// Circular delay line read through a first-order all-pass interpolator, for
// delays swept by an LFO (flanger). The fractional part t of the delay, kept in
// 0.5..1.5 so that the coefficient a = (1 - t) / (1 + t) stays small, is the
// low-frequency phase delay of H(z) = (a + z^-1) / (1 + a z^-1) (Thiran all-pass;
// Laakso et al., "Splitting the unit delay", 1996; Dattorro, "Effect Design,
// Part 2: Delay-Line Modulation and Chorus", 1997). Delays in samples.
#pragma once

#include <cmath>
#include <vector>

class CDelayAp
{
public:
    // Sizes the line (at least 4 samples) and clears it; storage that is large enough is
    // kept. UI thread.
    void SetSize(int numSamples);
    // Silences the line and zeroes the interpolator memory; the write index runs on.
    // Constant time: the line reads as silence until it is written again (the memory is
    // not touched). Audio thread.
    void Clear() noexcept;
    int GetSize() const noexcept { return m_size; }

    // Writes `input` (a non-finite input is stored as 0) and returns the line read
    // `delaySamples` behind it: 0.5 .. size - 2, clamped, NaN reading 0.5. The input is
    // written before the read, so that delays below 1.5 samples interpolate towards the
    // current input and never reach the oldest sample of the line. Audio thread.
    inline float Process(float input, float delaySamples) noexcept;

private:
    std::vector<float> m_line;
    int m_size = 0;
    int m_writeIndex = 0;
    // Samples written since the last clear, at most m_size: an older sample reads as 0.
    int m_fresh = 0;
    float m_x1 = 0.0f; // previous value read from the line
    float m_y1 = 0.0f; // previous output
};

inline float CDelayAp::Process(float input, float delaySamples) noexcept
{
    if (m_size == 0)
        return 0.0f;
    float delay = delaySamples;
    const float maxDelay = static_cast<float>(m_size - 2);
    if (!(delay >= 0.5f))
        delay = 0.5f;
    else if (delay > maxDelay)
        delay = maxDelay;

    const int w = m_writeIndex;
    m_line[static_cast<size_t>(w)] = std::isfinite(input) ? input : 0.0f;
    if (m_fresh < m_size)
        ++m_fresh;

    // r = w + 1 - delay, split into whole and fraction so that the fraction keeps its
    // precision however large w is: i = trunc(r), t = i + 1 - r, and t moves into
    // 0.5..1.5 by reading one sample newer when it falls below 0.5.
    const int whole = static_cast<int>(delay);
    const float fraction = delay - static_cast<float>(whole);
    int i;
    float t;
    if (fraction < 0.5f)
    {
        i = w + 1 - whole;
        t = 1.0f + fraction;
    }
    else
    {
        i = w - whole;
        t = fraction;
    }
    if (i < 0)
        i += m_size;
    else if (i >= m_size)
        i -= m_size;

    const float a = (1.0f - t) / (1.0f + t);
    // Age of the sample at i (0: the one just written); one not written since the last
    // clear is silence.
    const int age = w >= i ? w - i : w - i + m_size;
    const float x = age < m_fresh ? m_line[static_cast<size_t>(i)] : 0.0f;
    float y = a * x + m_x1 - a * m_y1;
    if (!std::isfinite(y))
    {
        y = 0.0f;
        m_y1 = 0.0f;
        m_x1 = 0.0f;
    }
    else
    {
        m_x1 = x;
        m_y1 = y;
    }
    m_writeIndex = w + 1 < m_size ? w + 1 : 0;
    return y;
}
