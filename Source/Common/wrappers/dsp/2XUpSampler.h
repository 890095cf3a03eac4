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

// The same stage for a stereo pair, computing exactly what two C2XUpSampler objects
// compute. Both chains of both channels run side by side in the four lanes of one
// SSE register (left A, right A, left B, right B), one section of each chain per
// step; chain B has one section fewer, so its lanes skip the fourth step.
class C2XStereoUpSampler
{
public:
    static constexpr int kSteps = 4; // sections of the longer chain
    static constexpr int kLanes = 4;

    C2XStereoUpSampler() noexcept;
    void Reset() noexcept;
    // Writes 2 * count samples to each of outLeft/outRight from count samples of
    // inLeft/inRight; no input may overlap an output. Audio thread.
    void Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                 int count) noexcept;

private:
    alignas(16) float m_coeff[kSteps][kLanes];
    alignas(16) float m_x1[kSteps][kLanes] = {};
    alignas(16) float m_y1[kSteps][kLanes] = {};
};
