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

void CLoFi::ProcessBlock(float* left, float* right, int count, float bits, float rate,
                         float noise) noexcept
{
    if (bits == 0.0f && rate == 0.0f && noise == 0.0f)
        return;
    if (bits != 0.0f && bits != m_bits)
    {
        const float b = 1.0f - bits;
        const float b2 = b * b;
        m_levels = 4094.0f * b2 * b2 * b2 + 2.0f;
        m_step = 1.0f / m_levels;
        m_bits = bits;
    }
    const float levels = m_levels;
    const float step = m_step;
    const float holdLength = rate * rate * 256.0f;
    const float fade = rate != 0.0f ? LookupInterpolated(FASTFADEIN_TABLE, 4096.0f * rate) : 0.0f;
    for (int i = 0; i < count; ++i)
    {
        float l = left[i];
        float r = right[i];
        if (bits != 0.0f)
        {
            l = Quantise(l, levels, step);
            r = Quantise(r, levels, step);
        }
        if (noise != 0.0f)
        {
            m_noisePhase += m_noiseIncrement;
            if (m_noisePhase > 1.0f)
                m_noisePhase -= std::trunc(m_noisePhase);
            // Both channels take the same entry: the noise follows the signal, not the stereo.
            const float n =
                NOISE_WHITE_TABLE.At(static_cast<int>(m_noisePhase * (kNoiseWhiteTableSize - 1))) *
                noise;
            l += n * l;
            r += n * r;
        }
        if (rate != 0.0f)
        {
            float holdLeft;
            float holdRight;
            if (holdLength > m_holdCounter)
            {
                m_holdCounter += 1.0f;
                holdLeft = m_heldLeft;
                holdRight = m_heldRight;
            }
            else
            {
                // A non-finite sample is output once but never held.
                m_heldLeft = std::isfinite(l) ? l : 0.0f;
                m_heldRight = std::isfinite(r) ? r : 0.0f;
                m_holdCounter = 0.0f;
                holdLeft = l;
                holdRight = r;
            }
            l = holdLeft * fade + l * (1.0f - fade);
            r = holdRight * fade + r * (1.0f - fade);
        }
        left[i] = l;
        right[i] = r;
    }
}
