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
