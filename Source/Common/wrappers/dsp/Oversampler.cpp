#include "Oversampler.h"

#include <algorithm>
#include <cstdint>
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
    m_up.assign(count, C2XStereoUpSampler());
    m_down.assign(count, C2XStereoDownSampler());
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
    m_scratchLeft.assign(size, 0.0f);
    m_scratchRight.assign(size, 0.0f);
}

void COversampler::Reset() noexcept
{
    for (C2XStereoUpSampler& stage : m_up)
        stage.Reset();
    for (C2XStereoDownSampler& stage : m_down)
        stage.Reset();
}

bool COversampler::Overlaps(const float* samples, int count) const noexcept
{
    const auto begin = reinterpret_cast<std::uintptr_t>(samples);
    const auto end = begin + sizeof(float) * static_cast<std::uintptr_t>(count);
    for (const std::vector<float>* buffer : {&m_left, &m_right, &m_scratchLeft, &m_scratchRight})
    {
        const auto bufferBegin = reinterpret_cast<std::uintptr_t>(buffer->data());
        const auto bufferEnd = bufferBegin + sizeof(float) * buffer->size();
        if (begin < bufferEnd && bufferBegin < end)
            return true;
    }
    return false;
}

void COversampler::Upsample(const float* left, const float* right, float** outLeft,
                            float** outRight, int count) noexcept
{
    if (m_left.empty() || m_blockSize <= 0 || count < 0 || count > m_blockSize || m_factor <= 0)
        return;
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    if (m_stageCount == 0)
    {
        std::memmove(m_left.data(), left, bytes);
        std::memmove(m_right.data(), right, bytes);
    }
    else
    {
        // Stage s writes to m_left/m_right when stageCount - 1 - s is even, else to the
        // scratch buffers, so that the last stage lands in m_left/m_right.
        float* const outputs[2][2] = {{m_left.data(), m_right.data()},
                                      {m_scratchLeft.data(), m_scratchRight.data()}};
        const int firstOutput = (m_stageCount - 1) & 1;
        // An input inside one of the buffers is moved out of the first stage's way.
        if (Overlaps(left, count) || Overlaps(right, count))
        {
            float* const* spare = outputs[firstOutput ^ 1];
            std::memmove(spare[0], left, bytes);
            std::memmove(spare[1], right, bytes);
            left = spare[0];
            right = spare[1];
        }
        int n = count;
        for (int stage = 0; stage < m_stageCount; ++stage)
        {
            float* const* out = outputs[(m_stageCount - 1 - stage) & 1];
            m_up[static_cast<size_t>(stage)].Process(left, right, out[0], out[1], n);
            left = out[0];
            right = out[1];
            n *= 2;
        }
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
        m_down[static_cast<size_t>(stage)].Process(left, right, n);
    }
}
