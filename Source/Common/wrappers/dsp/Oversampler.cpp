#include "Oversampler.h"

#include <algorithm>
#include <cstring>

COversampler::COversampler()
{
    SetOversampling(4);
}

void COversampler::SetOversampling(int factor)
{
    factor = std::max(factor, 1);
    if (factor == m_factor)
        return;
    int stages = 0;
    while ((2 << stages) <= factor)
        ++stages;
    m_stageCount = stages;
    m_factor = 1 << stages;
    const auto count = static_cast<size_t>(stages);
    m_upLeft.assign(count, C2XUpSampler());
    m_upRight.assign(count, C2XUpSampler());
    m_downLeft.assign(count, C2XDownSampler());
    m_downRight.assign(count, C2XDownSampler());
    // The buffers must follow the new factor even though the block size is unchanged.
    AllocateBuffers();
    Reset();
}

void COversampler::SetBlockSize(int blockSize)
{
    if (blockSize == m_blockSize || m_factor <= 0)
        return;
    m_blockSize = std::max(blockSize, 0);
    AllocateBuffers();
}

void COversampler::AllocateBuffers()
{
    if (m_blockSize <= 0)
        return;
    const auto size = static_cast<size_t>(m_blockSize) * static_cast<size_t>(m_factor);
    m_left.assign(size, 0.0f);
    m_right.assign(size, 0.0f);
    m_scratch.assign(size, 0.0f);
}

void COversampler::Reset() noexcept
{
    for (C2XUpSampler& stage : m_upLeft)
        stage.Reset();
    for (C2XUpSampler& stage : m_upRight)
        stage.Reset();
    for (C2XDownSampler& stage : m_downLeft)
        stage.Reset();
    for (C2XDownSampler& stage : m_downRight)
        stage.Reset();
}

void COversampler::Upsample(const float* left, const float* right, float** outLeft,
                            float** outRight, int count) noexcept
{
    if (m_left.empty() || m_blockSize <= 0 || count < 0 || count > m_blockSize || m_factor <= 0)
        return;
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memmove(m_left.data(), left, bytes);
    std::memmove(m_right.data(), right, bytes);
    int n = count;
    for (int stage = 0; stage < m_stageCount; ++stage)
    {
        const size_t raisedBytes = 2 * sizeof(float) * static_cast<size_t>(n);
        m_upLeft[static_cast<size_t>(stage)].Process(m_left.data(), m_scratch.data(), n);
        std::memcpy(m_left.data(), m_scratch.data(), raisedBytes);
        m_upRight[static_cast<size_t>(stage)].Process(m_right.data(), m_scratch.data(), n);
        std::memcpy(m_right.data(), m_scratch.data(), raisedBytes);
        n *= 2;
    }
    *outLeft = m_left.data();
    *outRight = m_right.data();
}

void COversampler::Downsample(float* left, float* right, int count) noexcept
{
    // The buffers hold block size * factor samples, so count may not exceed the block size.
    if (m_blockSize <= 0 || m_factor <= 0 || m_stageCount <= 0 || count < 0 ||
        count > m_blockSize || !left || !right)
        return;
    int n = count * m_factor;
    // The last stage raised to the highest rate; its decimator runs first.
    for (int stage = m_stageCount - 1; stage >= 0; --stage)
    {
        n /= 2;
        m_downLeft[static_cast<size_t>(stage)].Process(left, n);
        m_downRight[static_cast<size_t>(stage)].Process(right, n);
    }
}
