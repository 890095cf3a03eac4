// Stereo high-shelf biquad with its own coefficients for each channel: the output
// shelf of the flanger layer's phaser, whose corner and gain follow the sweep of
// each channel. Coefficients from the RBJ audio-EQ cookbook high shelf, Q form.
#pragma once

#include <cmath>

// Second-order section y = (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2) * invA0.
struct SHELF_COEFFICIENTS
{
    float b0, b1, b2, a1, a2, invA0;
};

// RBJ high shelf: corner frequencyHz (clamped to 1 mHz .. 0.49 of the rate), shelf
// slope q (> 0), gainDb above the corner. Any thread.
SHELF_COEFFICIENTS CalcHighShelfCoefficients(float frequencyHz, float q, float gainDb,
                                             float sampleRate) noexcept;

class CPhaserHS
{
public:
    // Coefficients of each channel (block rate, audio thread); the state is kept.
    void CalcFilter(float frequencyLeftHz, float frequencyRightHz, float qLeft, float qRight,
                    float gainLeftDb, float gainRightDb, float sampleRate) noexcept;
    // Filters one stereo sample in place. Audio thread.
    inline void Filter(float& left, float& right) noexcept;
    // Clears the state of both channels.
    void Reset() noexcept;

private:
    struct CHANNEL
    {
        float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
        float a1 = 0.0f, a2 = 0.0f, invA0 = 1.0f, b0 = 1.0f, b1 = 0.0f, b2 = 0.0f;
        // Arguments of the last coefficient calculation, to skip repeating it.
        float frequencyHz = -1.0f, q = 0.0f, gainDb = 0.0f, sampleRate = 0.0f;
    };

    static void SetChannel(CHANNEL& channel, float frequencyHz, float q, float gainDb,
                           float sampleRate) noexcept;
    static inline float Tick(CHANNEL& channel, float x) noexcept;

    CHANNEL m_channels[2];
};

inline float CPhaserHS::Tick(CHANNEL& c, float x) noexcept
{
    float y = (c.b0 * x + c.b1 * c.x1 + c.b2 * c.x2 - c.a1 * c.y1 - c.a2 * c.y2) * c.invA0;
    c.x2 = c.x1;
    c.x1 = x;
    c.y2 = c.y1;
    c.y1 = y;
    // A state gone infinite or NaN is cleared so the shelf recovers on the next sample.
    if (!std::isfinite(y) || !std::isfinite(c.x1))
    {
        c.x1 = c.x2 = c.y1 = c.y2 = 0.0f;
        y = 0.0f;
    }
    return y;
}

inline void CPhaserHS::Filter(float& left, float& right) noexcept
{
    left = Tick(m_channels[0], left);
    right = Tick(m_channels[1], right);
}
