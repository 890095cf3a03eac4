// One 2x decimation stage: the polyphase half-band of C2XUpSampler run the other
// way. Of each input pair, the newer sample goes through chain A (coefficients 0, 2,
// 4, 6 of DOWNSAMPLER_AA_FILTER_COEFF) and the older through chain B (1, 3, 5); the
// output is their mean. Unit gain at DC, a zero at the raised rate's Nyquist
// frequency.
#pragma once

#include "2XResamplerFirCoeffs.h"

class C2XDownSampler
{
public:
    // Zeroes the histories. Any thread that owns the object.
    void Reset() noexcept;
    // Turns the first 2 * count samples of buffer into count samples, in place.
    // Audio thread.
    void Process(float* buffer, int count) noexcept;

private:
    // Previous input of chain A and of chain B; the previous input of every later
    // section is the previous output of the one before it.
    float m_inputA = 0.0f;
    float m_inputB = 0.0f;
    // Previous output of each of the seven sections.
    float m_y1[kResamplerCoeffCount] = {};
};

// The same stage for a stereo pair, computing exactly what two C2XDownSampler objects
// compute. Both chains of both channels run side by side in the four lanes of one
// SSE register (left A, right A, left B, right B), one section of each chain per
// step; chain B has one section fewer, so its lanes skip the fourth step.
class C2XStereoDownSampler
{
public:
    static constexpr int kSteps = 4; // sections of the longer chain
    static constexpr int kLanes = 4;

    C2XStereoDownSampler() noexcept;
    void Reset() noexcept;
    // Turns the first 2 * count samples of left and of right into count samples, in
    // place. Audio thread.
    void Process(float* left, float* right, int count) noexcept;

private:
    alignas(16) float m_coeff[kSteps][kLanes];
    alignas(16) float m_input[kLanes] = {}; // previous inputs of the chains' first sections
    alignas(16) float m_y1[kSteps][kLanes] = {};
};
