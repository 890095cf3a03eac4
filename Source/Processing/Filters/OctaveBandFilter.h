// Octave-band filter of the filter layer ("OctaveBand"): the octave below the cutoff
// f, cut out by two bilinear state-variable high-pass sections at f/2 and f/2 + 10 Hz
// followed by two low-pass sections at min(f, 11 kHz) and 10 Hz above; resonance lowers
// the damping d = 1.03 - 0.776 R and the output gain 0.5 / (R + 1) compensates. The
// four sections run as a pipeline: each of sections 2..4 takes the outputs of the
// section before from the two preceding samples (three samples of delay in all).
// Stereo, coefficients shared by both channels.
#pragma once

#include "Common/wrappers/dsp/StateVariableSection.h"

class COctaveBandFilter
{
public:
    // halfFrequency h = cutoff / (2 x sample rate), resonance R 0..1, step e =
    // 0.5 / sample rate. Per sample or per block; audio thread.
    void CalcFilter(float halfFrequency, float resonance, float step) noexcept;
    // One sample of both channels in place. Audio thread.
    inline void doFilter(float& left, float& right) noexcept;
    // Clears every section and the pipeline.
    void Reset() noexcept;

private:
    struct CHANNEL
    {
        CStateVariableSection sections[4];
        float pipe[3]; // outputs of sections 1..3 from the previous sample
    };

    inline float FilterChannel(CHANNEL& channel, float x) noexcept;

    CHANNEL m_channels[2] = {};
    float m_outputGain = 0.5f;
};

inline float COctaveBandFilter::FilterChannel(CHANNEL& channel, float x) noexcept
{
    CStateVariableSection* s = channel.sections;
    float* pipe = channel.pipe;
    // Each section consumes what the one before produced on the previous sample.
    const float out = s[3].Tick(pipe[2]).lowpass * m_outputGain;
    pipe[2] = s[2].Tick(pipe[1]).lowpass;
    pipe[1] = s[1].Tick(pipe[0]).highpass;
    pipe[0] = s[0].Tick(x).highpass;
    return out;
}

inline void COctaveBandFilter::doFilter(float& left, float& right) noexcept
{
    left = FilterChannel(m_channels[0], left);
    right = FilterChannel(m_channels[1], right);
}
