// One 2x interpolation stage: a polyphase IIR half-band filter made of two chains
// of first-order all-pass sections, each section y = (x - y1) c + x1 (Valenzuela
// and Constantinides 1983). For every input sample, chain A (coefficients 0, 2, 4,
// 6 of UPSAMPLER_AA_FILTER_COEFF) gives the first output sample and chain B
// (coefficients 1, 3, 5) the second. Unit gain at DC; the images above a quarter of
// the raised rate are rejected by about 60 dB.
#pragma once

#include "2XResamplerFirCoeffs.h"

class C2XUpSampler
{
public:
    // Zeroes the sections' histories. Any thread that owns the object.
    void Reset() noexcept;
    // Writes 2 * count samples to out from count samples of in; in and out must not
    // overlap. Audio thread.
    void Process(const float* in, float* out, int count) noexcept;

private:
    // Previous input and previous output of each of the seven sections.
    float m_x1[kResamplerCoeffCount] = {};
    float m_y1[kResamplerCoeffCount] = {};
};
