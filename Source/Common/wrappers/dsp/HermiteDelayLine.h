// Mono delay line of a fixed length with fractional reads by 4-point, 3rd-order
// Hermite (Catmull-Rom) interpolation (O. Niemitalo, "Polynomial Interpolators for
// High-Quality Resampling of Oversampled Audio", 2001). Delays are in samples; a
// delay of 0 reads the sample pushed last. Two guard samples beyond the length keep
// every interpolation tap inside the written history, up to the longest delay.
//
// Clearing is lazy: the line counts the samples pushed since it was last cleared and
// reads every older tap as silence, so a clear costs nothing however long the line is;
// block readers zero the stale memory they are about to read, once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

class CHermiteDelayLine
{
public:
    CHermiteDelayLine() = default;
    CHermiteDelayLine(const CHermiteDelayLine&) = delete; // holds a pointer into its buffer
    CHermiteDelayLine& operator=(const CHermiteDelayLine&) = delete;

    // Longest delay plus one, in samples (> 0); clears the line. Allocates only when the
    // storage it has is too small. UI thread.
    void SetLength(int lengthSamples);
    // Silence in the whole line, in constant time (the memory is zeroed later, only as far
    // back as block reads reach). A line not written since it was silent throughout stays
    // as it is. Audio thread.
    void Clear() noexcept
    {
        if (m_written)
            m_fresh = 0;
        m_written = false;
    }
    int GetLength() const noexcept { return m_length; }

    // Appends one sample (after SetLength). Audio thread.
    void Push(float x) noexcept
    {
        if (++m_write == m_size)
            m_write = 0;
        m_data[m_write] = x;
        m_written = true;
        if (m_fresh < m_size)
            ++m_fresh;
    }

    // Sample delaySamples back from the last push. Delays of the length or more read
    // at length - 1; negative ones read 0. Below one sample the newer neighbour tap
    // does not exist yet and repeats the newest sample. Audio thread.
    float Read(double delaySamples) const noexcept;

    // The four interpolation taps of a whole delay in [0, length - 1], oldest first:
    // whole + 2, whole + 1, whole and whole - 1 samples back (the last one repeats the
    // newest sample when whole is 0). For block readers that do their own interpolation.
    // Points into the line when the taps lie there contiguously and were all written since
    // the last clear, the usual case; otherwise gathers them into scratch (4 floats) and
    // returns it.
    const float* Taps(int whole, float* scratch) const noexcept
    {
        const int r = m_write - whole;
        if (whole >= 1 && whole + 2 < m_fresh && r >= 2 && r + 1 < m_size)
            return m_data + (r - 2);
        GatherTaps(whole, scratch);
        return scratch;
    }

    // Block access for a reader that pushes count samples and, after push i, reads the
    // taps of one whole delay w(i) in [minWhole, maxWhole]. Returns true when the line can
    // serve the block from plain memory: the writes do not wrap, no read straddles the
    // wrap, minWhole >= 1 and no tap reaches memory left stale by a clear. That memory is
    // zeroed kValidateStep samples per call, so that no single block pays for a long
    // line; until it is done the reader takes Push and Taps. Then push i goes
    // to Data()[write + i] and the taps of w(i), oldest first, are
    // Data()[read + i - w(i) - 2 .. read + i - w(i) + 1]; the caller writes all count
    // samples and then calls EndBlock(count). Otherwise the caller uses Push and Taps.
    bool BeginBlock(int count, int minWhole, int maxWhole, int& write, int& read) noexcept
    {
        if (minWhole < 1 || m_write + count >= m_size)
            return false;
        if (maxWhole + 2 >= m_fresh)
        {
            Validate(std::min(maxWhole + 3, m_fresh + kValidateStep));
            if (maxWhole + 2 >= m_fresh)
                return false;
        }
        write = m_write + 1;
        if (m_write - 1 - maxWhole >= 0)
            read = write;
        else if (m_write + count + 1 - minWhole < 0)
            read = write + m_size; // every tap lies beyond the wrap, at the far end
        else
            return false;
        return true;
    }
    float* Data() noexcept { return m_data; }
    void EndBlock(int count) noexcept
    {
        m_write += count;
        m_written = true;
        m_fresh = m_fresh + count < m_size ? m_fresh + count : m_size;
    }

    // The interpolation between taps y0 (at the whole delay) and y1 (one sample older),
    // t in [0, 1) from y0 towards y1; yNewer and y2 are the outer neighbours.
    static float Interpolate(float y2, float y1, float y0, float yNewer, float t) noexcept
    {
        // out(0) = y0, out(1) = y1, tangents from central differences.
        const float a = y0 - y1;
        const float c1 = (y1 - yNewer) * 0.5f;
        const float c = a + c1;
        const float d = (y2 - y0) * 0.5f + a + c;
        return ((t * d - c - d) * t + c1) * t + y0;
    }

    // Stale samples BeginBlock zeroes at most per call (one 16-sample sub-block: the
    // half-second echo of a line cleared at 48 kHz is read from plain memory again after
    // 47 sub-blocks, at 2 KB of zeroing each; until then it takes the per-sample path,
    // which costs about as much).
    static constexpr int kValidateStep = 512;

private:
    // Taps by wrapped indices; a tap older than the samples pushed since the last clear
    // reads 0.
    void GatherTaps(int whole, float* taps) const noexcept;
    // Makes the newest `ages` samples (at most m_size) readable as they are: the part of
    // them not pushed since the last clear is zeroed now.
    void Validate(int ages) noexcept;

    std::vector<float> m_buffer;
    float* m_data = nullptr; // m_buffer.data()
    int m_length = 0;        // longest delay + 1
    int m_size = 0;          // m_length + 2 guard samples
    int m_write = 0;         // index of the newest sample
    int m_fresh = 0;         // newest samples that are valid (pushed since the last clear or
                             // zeroed), at most m_size
    bool m_written = false;  // pushed since the line was last silent throughout
};
