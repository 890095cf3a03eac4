// All-pass coefficients of the 2x polyphase half-band resamplers. Each 2x stage
// is two parallel chains of first-order all-pass sections in z^-2 (Valenzuela and
// Constantinides, "Digital signal processing schemes for efficient interpolation
// and decimation", 1983): entries 0, 2, 4, 6 form one chain, entries 1, 3, 5 the
// other.
#pragma once

constexpr int kResamplerCoeffCount = 7;

extern const float UPSAMPLER_AA_FILTER_COEFF[kResamplerCoeffCount];
extern const float DOWNSAMPLER_AA_FILTER_COEFF[kResamplerCoeffCount];
