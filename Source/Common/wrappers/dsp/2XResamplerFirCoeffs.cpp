#include "2XResamplerFirCoeffs.h"

// Half-band design with about 60 dB of image rejection above 0.275 of the raised rate.
const float UPSAMPLER_AA_FILTER_COEFF[kResamplerCoeffCount] = {
    0.09760012f, 0.32421076f, 0.5610987f, 0.7416316f, 0.8590885f, 0.931542f, 0.97955334f,
};

// Evenly spaced coefficients: a gentler half-band (20 to 45 dB of alias rejection
// above 0.275 of the raised rate) with the same flat pass band.
const float DOWNSAMPLER_AA_FILTER_COEFF[kResamplerCoeffCount] = {
    0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f,
};
