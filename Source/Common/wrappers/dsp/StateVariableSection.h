// Two-pole state-variable section in bilinear form, shared by the filter layer's
// high-cut and its octave-band and vowel modes. Integrator gain w = 2 pi f / R
// for a frequency f at the running rate R; damping k from a damping value d:
// k = (2 + w)(2 - w) d / (2 (d w + 2 - w)). Per step, with u = (x[n] + x[n-1]) / 4:
// bp' = (u - (k bp + lp)) w + bp, lp' = w bp' + lp; low-pass output lp + lp',
// band-pass 2 bp', high-pass x[n] - (k bp' + lp + lp'). DC gain of the low-pass is 1.
#pragma once

#include "DspMath.h"

struct SVF_OUTPUT
{
    float lowpass;
    float bandpass;
    float highpass;
};

class CStateVariableSection
{
public:
    static constexpr float kTwoPi = Dsp::kTwoPi;

    // frequencyHz at runningRate; damping d > 0. Block rate.
    void SetCoefficients(float frequencyHz, float runningRate, float damping) noexcept
    {
        const float w = kTwoPi * frequencyHz / runningRate;
        m_w = w;
        const float denominator = 2.0f * (damping * w + 2.0f - w);
        m_k = denominator != 0.0f ? (2.0f + w) * (2.0f - w) * damping / denominator : 0.0f;
    }
    SVF_OUTPUT Tick(float x) noexcept
    {
        const float u = (x + m_lastInput) * 0.25f;
        m_lastInput = x;
        const float bp = (u - (m_k * m_bp + m_lp)) * m_w + m_bp;
        const float lp = m_w * bp + m_lp;
        SVF_OUTPUT out;
        out.lowpass = m_lp + lp;
        out.bandpass = 2.0f * bp;
        out.highpass = x - (m_k * bp + m_lp + lp);
        m_bp = bp;
        m_lp = lp;
        return out;
    }
    void Reset() noexcept { m_bp = m_lp = m_lastInput = 0.0f; }
    float GetW() const noexcept { return m_w; }
    float GetK() const noexcept { return m_k; }

private:
    float m_w = 0.0f;
    float m_k = 0.0f;
    float m_bp = 0.0f;
    float m_lp = 0.0f;
    float m_lastInput = 0.0f;
};
