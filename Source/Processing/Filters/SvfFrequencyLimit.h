// Stable range of the bilinear state-variable section (CStateVariableSection) as the
// filter layer drives it. With w = 2 pi f / R and the section's damping formula, the
// poles of 1 - (2 - w k - w^2) z^-1 + (1 - w k) z^-2 stay inside the unit circle exactly
// while w < 2; frequencies are limited to w <= 1.6 (f <= 0.2546 R). The largest w the
// layer asks for at 44.1 kHz and above is 1.569 (the octave band's 11 kHz low-pass), so
// the limit only acts at lower sample rates, where 21 kHz would otherwise make the
// high-cut (w = 2.07 at 32 kHz) unstable.
#pragma once

// Largest relative frequency f / R handed to a section: 1.6 / (2 pi).
constexpr float kMaxSvfRelativeFrequency = 0.25464790894703254f;

// relativeFrequency = f / R, limited to the stable range (a NaN reads as the limit).
inline float ClampSvfFrequency(float relativeFrequency) noexcept
{
    return relativeFrequency < kMaxSvfRelativeFrequency ? relativeFrequency
                                                        : kMaxSvfRelativeFrequency;
}
