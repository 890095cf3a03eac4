#include "TubeModelA.h"

#include <algorithm>

void CTubeModelA::SetSampleRate(float sampleRate)
{
    m_inputHighpass.SetCorner(220.0f, sampleRate);
    m_outputHighpass.SetCorner(40.0f, sampleRate);
}

void CTubeModelA::Reset() noexcept
{
    m_inputHighpass.Reset();
    m_outputHighpass.Reset();
    m_filter1.Reset();
    m_filter2.Reset();
}
