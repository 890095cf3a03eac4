// Peak and RMS level of a stretch of audio in dBFS, over all channels together, and a count of
// non-finite samples (NaN, infinity), which are left out of the levels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvex::render
{

class CLevelMeter
{
public:
    // Adds `count` samples of one channel. Any thread; no allocation.
    void Add(const float* samples, std::size_t count);

    // Largest absolute finite sample in dBFS (1.0 = 0 dBFS); minus infinity for silence.
    double PeakDb() const;
    // Root mean square of all finite samples in dBFS; minus infinity for silence.
    double RmsDb() const;
    std::int64_t NumNonFinite() const
    {
        return m_numNonFinite;
    }

    // "-3.0" with one decimal, or "-inf".
    static std::string FormatDb(double levelDb);

private:
    double m_peak = 0.0;
    double m_sumOfSquares = 0.0;
    std::int64_t m_numFinite = 0;
    std::int64_t m_numNonFinite = 0;
};

} // namespace morvex::render
