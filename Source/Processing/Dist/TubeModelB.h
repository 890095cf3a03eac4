// Overdrive stage of the "Overdrive" mode, one channel: a rational tanh-like clip
// u (u^2 + 27) / (9 u^2 + 27) (the [3/2] Pade approximant of tanh, exact at 0 and
// with slope 0 at |u| = 3) driven by gain, the tone filter at twice the rate, the
// same clip on the filter's zero-input step limited to -1..1, and a 40 Hz output
// high-pass.
#pragma once

#include "AAFilter.h"
#include "OnePoleHighpass.h"

#include <algorithm>

class CTubeModelB
{
public:
    // Rate in Hz of the samples passed to Process. UI thread.
    void SetSampleRate(float sampleRate);
    void Reset() noexcept;
    // One sample: gain (linear, > 0) drives the clip, level (linear) scales the output.
    // Audio thread. Inline: it runs once per sample and channel.
    float Process(float x, float gain, float level) noexcept
    {
        const float k = std::max(0.2f, 0.6f / gain);
        const float u = std::clamp(x, -0.9999f, 0.9999f);
        m_filter.Process(Clip(u) * gain);
        // Only the zero-input step of the pair is heard.
        const float a = std::clamp(m_filter.ProcessZero(), -1.0f, 1.0f);
        return m_outputHighpass.Process(k * Clip(a)) * level;
    }

    // The rational clip; its argument must lie within -3..3.
    static float Clip(float u) noexcept
    {
        const float u2 = u * u;
        return u * (u2 + 27.0f) / (9.0f * u2 + 27.0f);
    }

private:
    COnePoleHighpass m_outputHighpass; // 40 Hz
    CAAFilter m_filter;
};
