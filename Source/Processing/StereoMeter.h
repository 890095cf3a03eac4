// The output meters: a peak per channel that falls by 20 dB per second, and the
// stereo correlation (+1 mono, 0 unrelated, -1 out of phase) smoothed over 0.75 s.
// Written by the audio thread once per sub-block, read by the editor at any time.
#pragma once

#include "Common/wrappers/utilities/RelaxedAtomic.h"

class CStereoMeter
{
public:
    CStereoMeter() { SetSampleRate(44100.0f); }

    void SetSampleRate(float sampleRate) noexcept;
    // Peaks and correlation read 0 again (the correlation's smoothing goes on from where
    // it was). Audio thread.
    void Reset() noexcept;
    // Takes `numSamples` (at most 16) of the output. Audio thread.
    void Process(const float* left, const float* right, int numSamples) noexcept;

    float GetPeakLeft() const noexcept { return m_peakLeft; }
    float GetPeakRight() const noexcept { return m_peakRight; }
    float GetCorrelation() const noexcept { return m_correlation; }

private:
    float m_decay = 0.0f; // per sample
    float m_correlationA = 0.0f;
    float m_correlationB = 0.0f;
    float m_correlationState = 0.0f;
    RelaxedAtomic<float> m_peakLeft{0.0f};
    RelaxedAtomic<float> m_peakRight{0.0f};
    RelaxedAtomic<float> m_correlation{0.0f};
};
