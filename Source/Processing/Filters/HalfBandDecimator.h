// Half-band decimator of the filter layer's oversampled path: turns the stream of
// pairs (a[n], b[n]) at twice the rate, a the value for the midpoint before sample n
// and b the one on sample n, back into one sample per input sample:
//   y[n] = c0 b[n-5] + c1 (a[n-4] + a[n-5]) + c2 (a[n-3] + a[n-6]) + c3 (a[n-2] + a[n-7])
//        + c4 (a[n-1] + a[n-8]) + c5 (a[n] + a[n-9]),
// a 19-tap linear-phase half-band FIR (every other tap zero) with DC gain 1, centred on
// b[n-5]: a latency of exactly 5 samples. Held in transposed form as nine partial sums,
// each updated once per sample. One channel.
#pragma once

class CHalfBandDecimator
{
public:
    static constexpr int kLatencySamples = 5;
    static constexpr float kC0 = 0.5f;
    static constexpr float kC1 = 0.3077392578125f;
    static constexpr float kC2 = -0.07794189453125f;
    static constexpr float kC3 = 0.02618408203125f;
    static constexpr float kC4 = -0.007080078125f;
    static constexpr float kC5 = 0.0010986328125f;

    // midpoint = a[n], onSample = b[n]; returns y[n]. Audio thread.
    float Process(float midpoint, float onSample) noexcept
    {
        const float a = midpoint;
        float* s = m_sums;
        const float y = kC5 * a + s[0];
        s[0] = kC4 * a + s[1];
        s[1] = kC3 * a + s[2];
        s[2] = kC2 * a + s[3];
        s[3] = kC1 * a + s[4];
        s[4] = kC1 * a + kC0 * onSample + s[5];
        s[5] = kC2 * a + s[6];
        s[6] = kC3 * a + s[7];
        s[7] = kC4 * a + s[8];
        s[8] = kC5 * a;
        return y;
    }
    // Clears the partial sums.
    void Reset() noexcept
    {
        for (float& sum : m_sums)
            sum = 0.0f;
    }

private:
    float m_sums[9] = {};
};
