// Modulated all-pass diffuser of the reverb: a Schroeder all-pass (M. R. Schroeder,
// "Natural sounding artificial reverberation", JAES 1962) whose delay line is read at a
// fractional, modulated delay and shelved (HighLowShelf) before it re-enters, as in the
// modulated diffusers of J. Dattorro, "Effect Design, Part 1: Reverberator and Other
// Filters", JAES 1997.
//
// Per sample, with d = shelves(line read at the modulated delay):
//   y = d - g x;  line <- x + g y;  output y.
// With the shelf gain at most 1 the section stays all-pass or lossy, never gaining.
// The reverb reads and shelves the lines of several diffusers at once (four lanes), so
// this class holds the line and performs the all-pass step on the shelved read.
#pragma once

#include "ReverbDelayLine.h"

class CDiffuseDelay
{
public:
    // Sizes the line to ceil(0.27 rate) samples (zeroed). Rate in Hz, > 0. UI thread.
    void SetSampleRate(float sampleRate);
    // Clears the line (CReverbDelayLine::Clear). Between blocks.
    void Reset() noexcept;
    const CReverbDelayLine& GetLine() const noexcept { return m_line; }
    CReverbDelayLine& GetLine() noexcept { return m_line; }

    // All-pass step on x in place: shelvedRead is this sample's shelved line read d, g the
    // all-pass gain (|g| < 1), writeIndex the reverb's write position. Audio thread.
    void Process(float& x, float shelvedRead, float g, int writeIndex) noexcept
    {
        const float y = shelvedRead - g * x;
        m_line.Write(writeIndex, x + g * y);
        x = y;
    }

private:
    CReverbDelayLine m_line;
};
