// First-order shelf pairs of the reverb: a high shelf followed by a low shelf, each a
// bilinear-transform one-pole shelving filter (U. Zoelzer, "Digital Audio Signal
// Processing", first-order shelving filters), on four independent lanes (the reverb runs
// four of its shelf pairs side by side). tan(x) of the prewarping is replaced by its series
// x + x^3/3 + 2x^5/15.
//
// For a treble factor T and a bass factor B (both about 0.6 .. 1.1 in use) and 1/rate e:
//   high shelf, corner 4000 T Hz, gain 1 at DC and T^2 at Nyquist:
//     t = tan(pi 4000 T e), k = 1/(1 + t), a = (1 - t) k, c = (T^2 - 1) k + 1,
//     y = c x + (1 - a - c) x1 + a y1;
//   low shelf, corner 65 / B Hz, gain B^2 at DC and 1 at Nyquist:
//     t = tan(pi (65 / B) e), k = 1/(1 + t), a = (1 - t) k, m = (B^2 - 1) t k,
//     y = (1 + m) x + (m - a) x1 + a y1.
#pragma once

#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/Float4.h"

// Coefficients of one shelf pair.
struct REVERB_SHELF_COEFFICIENTS
{
    float highB0 = 1.0f, highB1 = 0.0f, highA1 = 0.0f;
    float lowB0 = 1.0f, lowB1 = 0.0f, lowA1 = 0.0f;
};

// Coefficients per lane of a four-lane shelf pair.
struct REVERB_SHELF_LANES
{
    FLOAT4 highB0, highB1, highA1;
    FLOAT4 lowB0, lowB1, lowA1;
};

class HighLowShelf
{
public:
    // Coefficients for bass factor B (> 0), treble factor T (> 0) and inverseRate = 1/rate.
    // Audio thread (per sample while B or T move).
    static REVERB_SHELF_COEFFICIENTS Calculate(float bassFactor, float trebleFactor,
                                               float inverseRate) noexcept
    {
        using Dsp::kPi;
        REVERB_SHELF_COEFFICIENTS c;
        const float tHigh = Dsp::TanSeriesByProducts(kPi * 4000.0f * trebleFactor * inverseRate);
        const float kHigh = 1.0f / (1.0f + tHigh);
        const float aHigh = (1.0f - tHigh) * kHigh;
        const float gainHigh = (trebleFactor * trebleFactor - 1.0f) * kHigh + 1.0f;
        c.highB0 = gainHigh;
        c.highB1 = 1.0f - aHigh - gainHigh;
        c.highA1 = aHigh;

        const float tLow = Dsp::TanSeriesByProducts(kPi * (65.0f / bassFactor) * inverseRate);
        const float kLow = 1.0f / (1.0f + tLow);
        const float aLow = (1.0f - tLow) * kLow;
        const float m = (bassFactor * bassFactor - 1.0f) * tLow * kLow;
        c.lowB0 = 1.0f + m;
        c.lowB1 = m - aLow;
        c.lowA1 = aLow;
        return c;
    }

    // Lanes 0 and 1 take `first`, lanes 2 and 3 `second`.
    static REVERB_SHELF_LANES Lanes(const REVERB_SHELF_COEFFICIENTS& first,
                                    const REVERB_SHELF_COEFFICIENTS& second) noexcept
    {
        using Float4::Set;
        REVERB_SHELF_LANES l;
        l.highB0 = Set(first.highB0, first.highB0, second.highB0, second.highB0);
        l.highB1 = Set(first.highB1, first.highB1, second.highB1, second.highB1);
        l.highA1 = Set(first.highA1, first.highA1, second.highA1, second.highA1);
        l.lowB0 = Set(first.lowB0, first.lowB0, second.lowB0, second.lowB0);
        l.lowB1 = Set(first.lowB1, first.lowB1, second.lowB1, second.lowB1);
        l.lowA1 = Set(first.lowA1, first.lowA1, second.lowA1, second.lowA1);
        return l;
    }

    // Clears the state of all four lanes.
    void Reset() noexcept
    {
        const FLOAT4 zero = Float4::Broadcast(0.0f);
        m_highX1 = m_highY1 = m_lowX1 = m_lowY1 = zero;
    }

    // High shelf, then low shelf, on one sample of each lane. Audio thread.
    FLOAT4 Process(FLOAT4 x, const REVERB_SHELF_LANES& c) noexcept
    {
        using namespace Float4;
        const FLOAT4 high =
            Add(Add(Mul(c.highB0, x), Mul(c.highB1, m_highX1)), Mul(c.highA1, m_highY1));
        m_highX1 = x;
        m_highY1 = high;
        const FLOAT4 low =
            Add(Add(Mul(c.lowB0, high), Mul(c.lowB1, m_lowX1)), Mul(c.lowA1, m_lowY1));
        m_lowX1 = high;
        m_lowY1 = low;
        return low;
    }

private:
    FLOAT4 m_highX1 = Float4::Broadcast(0.0f);
    FLOAT4 m_highY1 = Float4::Broadcast(0.0f);
    FLOAT4 m_lowX1 = Float4::Broadcast(0.0f);
    FLOAT4 m_lowY1 = Float4::Broadcast(0.0f);
};
