#include "LoFi.h"

void CLoFi::SetSampleRate(float sampleRate)
{
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return;
    m_sampleRate = sampleRate;
    m_noiseIncrement = 1.0f / sampleRate;
}

void CLoFi::Reset() noexcept
{
    m_heldLeft = 0.0f;
    m_heldRight = 0.0f;
    m_noisePhase = 0.0f;
    m_holdCounter = 0.0f;
}
