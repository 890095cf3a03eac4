#include "Common/wrappers/utilities/MonoBuffer.h"
#include "Common/wrappers/utilities/StereoBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(CStereoBufferTest, SizeChangesReplaceStorageAndSameSizeKeepsIt)
{
    CStereoBuffer buffer;
    EXPECT_EQ(buffer.GetLeftBuffer(), nullptr);
    buffer.SetSamplesCount(8);
    ASSERT_NE(buffer.GetLeftBuffer(), nullptr);
    EXPECT_EQ(buffer.GetRightBuffer(), buffer.GetLeftBuffer() + 8);
    std::fill(buffer.GetLeftBuffer(), buffer.GetLeftBuffer() + 8, 1.0f);
    std::fill(buffer.GetRightBuffer(), buffer.GetRightBuffer() + 8, 2.0f);
    float* before = buffer.GetLeftBuffer();
    buffer.SetSamplesCount(0);
    buffer.SetSamplesCount(8);
    EXPECT_EQ(buffer.GetLeftBuffer(), before);
    EXPECT_EQ(buffer.GetRightBuffer()[7], 2.0f);
    // Clear(n) clears the first n of each channel, Clear(0) everything.
    buffer.Clear(3);
    EXPECT_EQ(buffer.GetLeftBuffer()[2], 0.0f);
    EXPECT_EQ(buffer.GetLeftBuffer()[3], 1.0f);
    EXPECT_EQ(buffer.GetRightBuffer()[2], 0.0f);
    EXPECT_EQ(buffer.GetRightBuffer()[3], 2.0f);
    buffer.Clear(0);
    EXPECT_EQ(std::vector<float>(buffer.GetLeftBuffer(), buffer.GetLeftBuffer() + 16),
              std::vector<float>(16, 0.0f)); // both channels

    buffer.ReleaseBuffer();
    EXPECT_EQ(buffer.GetLeftBuffer(), nullptr);
    EXPECT_EQ(buffer.GetRightBuffer(), nullptr);
    buffer.Clear(); // nothing to clear, no crash
}

TEST(CMonoBufferTest, ClearAndResize)
{
    CMonoBuffer buffer;
    buffer.SetSamplesCount(4);
    std::fill(buffer.GetBuffer(), buffer.GetBuffer() + 4, 3.0f);
    buffer.Clear(2);
    EXPECT_EQ(buffer.GetBuffer()[1], 0.0f);
    EXPECT_EQ(buffer.GetBuffer()[2], 3.0f);
    buffer.SetSamplesCount(16);
    EXPECT_EQ(buffer.GetSamplesCount(), 16);
}
