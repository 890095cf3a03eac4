// Asymmetric square-root shaper followed by a DC blocker, stereo: each half of the
// curve is an arc of its own circle, both through 0 (the "Warm" and "Crisp" modes). The shape
// depends on drive 0..1 and crispness 0..1 through coefficients recomputed only when either
// changes. The blocker, out = beta (y - y1 + out1) with beta = 0.1 rate / (1 + 0.1 rate), has its
// corner near 1.6 Hz. Square roots only, no other libm call on the audio path. The shaper runs in
// double: both halves subtract two nearly equal roots (up to about 5700 each at crispness 1 and no
// drive), which in float leaves errors of a few 1e-4.
#pragma once

class CWarmDrive
{
public:
    CWarmDrive();
    // Rate in Hz of the samples passed to Process. UI thread.
    void SetSampleRate(float sampleRate);
    // Clears the blocker's memories. Coefficients stay.
    void Reset() noexcept;
    // Shapes one stereo sample in place. drive 0..1, crispness 0..1. Audio thread.
    void Process(float& left, float& right, float drive, float crispness) noexcept;
    // count stereo samples in place through first and then second, sample i with drive[i]:
    // the same as calling first.Process and second.Process on each sample in turn, with
    // both channels of each drive computed side by side. Audio thread.
    static void ProcessSeries(CWarmDrive& first, CWarmDrive& second, float* left, float* right,
                              const float* drive, float crispness, int count) noexcept;

private:
    void UpdateCoefficients(float g, float b) noexcept;
    // Shaper and DC blocker of one channel.
    float GetSample(int channel, float x) noexcept;
    // Square root of the magnitude; 0 for magnitudes at or below 1e-9.
    static double SqrtMagnitude(double v) noexcept;

    // Drive g = 9.9 drive + 0.1 and bias b = 20 crispness - 10 of the current coefficients;
    // impossible values at first, so that the first call computes them.
    float m_g = -1.0f;
    float m_b = -11.0f;
    double m_shapedPrevious[2] = {};
    double m_outputPrevious[2] = {};
    double m_r = 0.0, m_hp = 0.0, m_p = 0.0, m_nOff = 0.0, m_nSq = 0.0, m_m = 0.0;
    double m_norm = 0.0;
    double m_beta = 0.0;
};
