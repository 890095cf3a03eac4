#include "FuzzDistortion.h"

void CFuzzDistortion::Reset() noexcept
{
    for (CHANNEL& channel : m_channels)
        channel = CHANNEL();
}
