#include "PhaserFilter.h"

void CPhaserFilter::CalcFilter(float u, float sampleRate, int stages) noexcept
{
    m_stages = stages < 1 ? 1 : (stages > kMaxStages ? kMaxStages : stages);
    if (!(sampleRate > 0.0f))
        return;
    const float w = (u * 30000.0f + 2000.0f) / sampleRate;
    const int half = m_stages / 2;
    for (int i = 0; i < m_stages; ++i)
    {
        const float wi =
            i < half ? static_cast<float>(i + 1) * w : w / static_cast<float>(i - half + 2);
        m_a[i] = (1.0f - wi) / (1.0f + wi);
    }
}

void CPhaserFilter::Reset() noexcept
{
    for (auto& channel : m_state)
    {
        for (float& value : channel)
            value = 0.0f;
    }
}
