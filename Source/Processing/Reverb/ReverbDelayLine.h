// Circular delay line of the reverb. The reverb advances all its lines together, one
// sample per sample, so the write index is kept by the reverb and passed in. Behind the
// S samples of the line sit three guard samples that repeat samples 0..2, so that the four
// interpolation taps of any read lie next to each other in memory and four lines can be read
// with one load each. Reads use four-point cubic Hermite (Catmull-Rom) interpolation
// (O. Niemitalo, "Polynomial Interpolators for High-Quality Resampling of Oversampled
// Audio", 2001). Sized on the UI thread, read and written on the audio thread.
#pragma once

#include "Common/wrappers/dsp/Float4.h"

#include <cstddef>
#include <vector>

class CReverbDelayLine
{
public:
    // Samples behind the line that repeat its first samples.
    static constexpr int kGuardSamples = 3;
    // Shortest line: a read needs the delay range 2 .. S - 3 to be non-empty.
    static constexpr int kMinSize = 5;

    // A silent line of numSamples samples (at least kMinSize) plus the guard, and a zeroed
    // spare of the same size. Storage is kept when it is large enough, and a silent line
    // of that size already is left untouched. UI thread (not while the line is processed).
    void SetSize(int numSamples);
    // Silence in the whole line. Swaps in the spare, which ZeroSpare keeps zeroing a piece
    // at a time, so that a clear costs nothing on the audio thread; only a second clear
    // before the spare is clean zeroes the rest of it at once. A line not written since it
    // was last silent stays as it is. Not concurrently with a read or write.
    void Clear() noexcept;
    // Zeroes up to `samples` more of the spare. Audio thread, between reads.
    void ZeroSpare(int samples) noexcept;
    bool IsSpareClean() const noexcept { return m_spareClean >= m_spare.size(); }
    int GetSize() const noexcept { return m_size; }
    bool IsEmpty() const noexcept { return m_size == 0; }
    const float* GetData() const noexcept { return m_buffer.data(); }
    // The samples, for a caller that writes several lines at once: sample i of the line at
    // [i], its guard copies (i < kGuardSamples) at [S + i]. Audio thread.
    float* GetWritableData() noexcept
    {
        m_written = true;
        return m_buffer.data();
    }

    // Stores x as the sample at writeIndex (0 .. S - 1) and in its guard copy. Audio thread.
    void Write(int writeIndex, float x) noexcept
    {
        float* data = m_buffer.data();
        m_written = true;
        data[writeIndex] = x;
        if (writeIndex < kGuardSamples)
            data[m_size + writeIndex] = x;
    }

    // Reads four lines of the same size S, whose next write goes to writeIndex, at the four
    // delays (in samples, each within 2 .. S - 3) behind their newest sample. Per lane, with
    // i = trunc(D), t = D - i and r = writeIndex - i (wrapped into 0..S - 1), the taps are
    // y0 = line[r], y-1 = line[r + 1] (one sample newer), y1 = line[r - 1] and
    // y2 = line[r - 2], indices taken modulo S. With a = y0 - y1, c1 = (y1 - y-1) / 2,
    // c = a + c1 and d = (y2 - y0) / 2 + a + c:
    //   out = ((t d - c - d) t + c1) t + y0,
    // which is y0 at t = 0 and y1 at t = 1. Audio thread.
    static FLOAT4 ReadFour(const float* const data[4], int size, int writeIndex,
                           FLOAT4 delay) noexcept
    {
        INT4 whole;
        const FLOAT4 t = Float4::SplitWhole(delay, whole);
        // Oldest tap y2 at r - 2; the guard keeps the newest tap at r + 1 <= S + 2.
        int start[4];
        Float4::StoreInts(start, Float4::WrappedDifference(writeIndex - 2, whole, size));
        FLOAT4 taps[4];
        for (int k = 0; k < 4; ++k)
            taps[k] = Float4::Load(data[k] + start[k]);
        // Rows (y2, y1, y0, y-1) per line become the columns y2, y1, y0, y-1 per tap.
        Float4::Transpose(taps[0], taps[1], taps[2], taps[3]);
        const FLOAT4 y2 = taps[0];
        const FLOAT4 y1 = taps[1];
        const FLOAT4 y0 = taps[2];
        const FLOAT4 yNewer = taps[3];
        const FLOAT4 half = Float4::Broadcast(0.5f);
        const FLOAT4 a = Float4::Sub(y0, y1);
        const FLOAT4 c1 = Float4::Mul(Float4::Sub(y1, yNewer), half);
        const FLOAT4 c = Float4::Add(a, c1);
        const FLOAT4 d = Float4::Add(Float4::Add(Float4::Mul(Float4::Sub(y2, y0), half), a), c);
        FLOAT4 out = Float4::Sub(Float4::Sub(Float4::Mul(t, d), c), d);
        out = Float4::Add(Float4::Mul(out, t), c1);
        return Float4::Add(Float4::Mul(out, t), y0);
    }

private:
    std::vector<float> m_buffer;
    std::vector<float> m_spare;  // the next silent line, zeroed from the front
    std::size_t m_spareClean = 0; // leading floats of m_spare that are zero
    bool m_written = false;       // m_buffer written since it was last silent
    int m_size = 0;
};
