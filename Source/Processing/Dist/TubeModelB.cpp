#include "TubeModelB.h"

#include <algorithm>

void CTubeModelB::SetSampleRate(float sampleRate)
{
    m_outputHighpass.SetCorner(40.0f, sampleRate);
}

void CTubeModelB::Reset() noexcept
{
    m_outputHighpass.Reset();
    m_filter.Reset();
}
