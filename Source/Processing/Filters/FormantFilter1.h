// Vowel filter of the filter layer ("Vowel"): three parallel band-passes (bilinear
// state-variable sections, band-pass output 2 bp') at the formant frequencies of one
// of seven vowel rows, the cutoff position u (0..1) gliding linearly through the rows;
// resonance narrows the bands, d = max(0.02, 1 - 0.94 r), with the second and third
// formant at 0.88 d and 0.92 d. Stereo, coefficients shared by both channels.
#pragma once

#include "Common/wrappers/dsp/StateVariableSection.h"

class CFormantFilter1
{
public:
    static constexpr int kRows = 7;
    static constexpr int kFormants = 3;
    // Formant frequencies in Hz, one row per vowel position 0..6.
    static const float kFormantHz[kRows][kFormants];

    // u = normalised cutoff 0..1, resonance r 0..1, inverseSampleRate = 1 / rate. Per
    // sample or per block; audio thread.
    void CalcFilter(float u, float resonance, float inverseSampleRate) noexcept;
    // One sample of both channels in place. Audio thread.
    inline void doFilter(float& left, float& right) noexcept;
    // Clears the three sections of each channel.
    void Reset() noexcept;

private:
    static inline float FilterChannel(CStateVariableSection* sections, float x) noexcept;

    CStateVariableSection m_sections[2][kFormants]; // [channel][formant]
};

inline float CFormantFilter1::FilterChannel(CStateVariableSection* sections, float x) noexcept
{
    return sections[0].Tick(x).bandpass + sections[1].Tick(x).bandpass +
           sections[2].Tick(x).bandpass;
}

inline void CFormantFilter1::doFilter(float& left, float& right) noexcept
{
    left = FilterChannel(m_sections[0], left);
    right = FilterChannel(m_sections[1], right);
}
