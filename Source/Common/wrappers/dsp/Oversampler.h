// Stereo oversampler by a power-of-two factor: a cascade of 2x polyphase
// half-band interpolators raises a block, the caller processes the raised block in
// place, and a matching cascade of 2x decimators brings it back to the base rate.
// One stereo up- and one stereo down-sampling stage per doubling; each runs both
// channels at once and computes exactly what a pair of C2XUpSampler /
// C2XDownSampler objects would.
#pragma once

#include "2XDownSampler.h"
#include "2XUpSampler.h"

#include <vector>

class COversampler
{
public:
    // Factor 4 until SetOversampling says otherwise; no buffers until SetBlockSize.
    COversampler();

    // factor: 1, 2, 4, 8 ...; below 1 counts as 1, anything else is rounded down to a
    // power of two. Rebuilds the stages, resizes the buffers for the block size already
    // set and resets. UI thread.
    void SetOversampling(int factor);
    // Largest base-rate block (samples) that Upsample will take; sizes the buffers to
    // blockSize * factor. UI thread.
    void SetBlockSize(int blockSize);
    // Zeroes every stage's history. Not concurrently with Upsample/Downsample.
    void Reset() noexcept;

    // Raises count samples of each channel by the factor into the oversampler's own
    // buffers and returns them through outLeft/outRight (count * factor samples each).
    // Does nothing, leaving the out-pointers untouched, when count exceeds the block
    // size or no buffers exist. Audio thread.
    void Upsample(const float* left, const float* right, float** outLeft, float** outRight,
                  int count) noexcept;
    // Brings the buffers returned by Upsample back to count base-rate samples in place:
    // afterwards their first count samples hold the result. Does nothing when count
    // exceeds the block size or there is no stage. Audio thread.
    void Downsample(float* left, float* right, int count) noexcept;

    int GetFactor() const noexcept { return m_factor; }
    int GetStageCount() const noexcept { return m_stageCount; }
    int GetBlockSize() const noexcept { return m_blockSize; }

private:
    void AllocateBuffers();
    // True when count samples from samples share memory with one of the buffers.
    bool Overlaps(const float* samples, int count) const noexcept;

    std::vector<C2XStereoUpSampler> m_up;
    std::vector<C2XStereoDownSampler> m_down;
    int m_factor = 0;
    int m_stageCount = 0;
    int m_blockSize = 0;
    std::vector<float> m_left;
    std::vector<float> m_right;
    // Every stage but the last raises into the scratch buffers or into m_left/m_right,
    // alternately, so that the last one lands in m_left/m_right.
    std::vector<float> m_scratchLeft;
    std::vector<float> m_scratchRight;
};
