#include "LevelMeter.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace morvex::render
{

namespace
{

double ToDb(double level)
{
    return level > 0.0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
}

} // namespace

void CLevelMeter::Add(const float* samples, std::size_t count)
{
    for (std::size_t n = 0; n < count; ++n)
    {
        const double sample = samples[n];
        if (!std::isfinite(sample))
        {
            ++m_numNonFinite;
            continue;
        }
        m_peak = std::fmax(m_peak, std::fabs(sample));
        m_sumOfSquares += sample * sample;
        ++m_numFinite;
    }
}

double CLevelMeter::PeakDb() const
{
    return ToDb(m_peak);
}

double CLevelMeter::RmsDb() const
{
    return ToDb(m_numFinite > 0 ? std::sqrt(m_sumOfSquares / static_cast<double>(m_numFinite))
                                : 0.0);
}

std::string CLevelMeter::FormatDb(double levelDb)
{
    if (std::isinf(levelDb) && levelDb < 0.0)
    {
        return "-inf";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", levelDb);
    return text;
}

} // namespace morvex::render
