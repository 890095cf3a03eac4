#include "DiffuseDelay.h"

#include <cmath>

void CDiffuseDelay::SetSampleRate(float sampleRate)
{
    // ceil(0.27 rate), computed as 27 rate / 100 so that whole rates give the exact value.
    m_line.SetSize(static_cast<int>(std::ceil(static_cast<double>(sampleRate) * 27.0 / 100.0)));
}

void CDiffuseDelay::Reset() noexcept
{
    m_line.Clear();
}
