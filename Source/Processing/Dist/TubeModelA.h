// Triode-style stage of the "Tube" mode, one channel: a 220 Hz high-pass, an
// inverting cubic P(u) = ((0.38944033 u - 0.71108556) u - 0.79618573) u, the tone
// filter at twice the rate, the same cubic held flat beyond its turning points (an
// asymmetric soft clip), a second tone filter and a 40 Hz output high-pass.
#pragma once

#include "AAFilter.h"
#include "OnePoleHighpass.h"

#include <algorithm>

class CTubeModelA
{
public:
    // Rate in Hz of the samples passed to Process. UI thread.
    void SetSampleRate(float sampleRate);
    void Reset() noexcept;
    // One sample: gain (linear, > 0) drives the cubic, level (linear) scales the output.
    // Audio thread. Inline: it runs once per sample and channel.
    float Process(float x, float gain, float level) noexcept
    {
        const float u = std::clamp(m_inputHighpass.Process(x), -0.9999f, 0.9999f);
        const float s = Cubic(u) * gain;
        // Two steps at twice the rate: the sample, then a zero; the first step's second
        // filter output only advances its history.
        const float a = m_filter1.Process(s);
        m_filter2.Process(HeldCubic(a));
        const float aZero = m_filter1.ProcessZero();
        const float b = m_filter2.Process(HeldCubic(aZero));
        const float k = std::max(0.02f, 0.06f / gain);
        return m_outputHighpass.Process(k * b) * level;
    }

private:
    static float Cubic(float u) noexcept { return ((kP3 * u - kP2) * u - kP1) * u; }
    // The cubic between its turning points, held at its values there outside them.
    static float HeldCubic(float v) noexcept
    {
        if (v < kLowTurn)
            return kLowTurnValue;
        if (v > kHighTurn)
            return kHighTurnValue;
        return Cubic(v);
    }

    static constexpr float kP3 = 0.38944033f;
    static constexpr float kP2 = 0.71108556f;
    static constexpr float kP1 = 0.79618573f;
    // Turning points of the cubic and its values there.
    static constexpr float kLowTurn = -0.41699257f;
    static constexpr float kHighTurn = 1.6342703f;
    static constexpr float kLowTurnValue = 0.18012051f;
    static constexpr float kHighTurnValue = -1.5005202f;

    COnePoleHighpass m_inputHighpass;  // 220 Hz
    COnePoleHighpass m_outputHighpass; // 40 Hz
    CAAFilter m_filter1;
    CAAFilter m_filter2;
};
