#include "Common/wrappers/utilities/MonoBuffer.h"
#include "Common/wrappers/utilities/StereoBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(CStereoBufferTest, SameSizeKeepsStorageAndClearTakesTheFirstNOfEachChannel)
{
    CStereoBuffer buffer;
    EXPECT_EQ(buffer.GetLeftBuffer(), nullptr);
    buffer.SetSamplesCount(8);
    ASSERT_EQ(buffer.GetRightBuffer(), buffer.GetLeftBuffer() + 8);
    std::fill(buffer.GetLeftBuffer(), buffer.GetLeftBuffer() + 16, 1.0f);
    float* before = buffer.GetLeftBuffer();
    buffer.SetSamplesCount(0);
    buffer.SetSamplesCount(8);
    EXPECT_EQ(buffer.GetLeftBuffer(), before);
    buffer.Clear(3);
    const std::vector<float> left(buffer.GetLeftBuffer(), buffer.GetLeftBuffer() + 8);
    EXPECT_EQ(left, (std::vector<float>{0, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(std::vector<float>(buffer.GetRightBuffer(), buffer.GetRightBuffer() + 8), left);
    buffer.Clear(0); // everything
    EXPECT_EQ(std::vector<float>(before, before + 16), std::vector<float>(16, 0.0f));
    buffer.ReleaseBuffer();
    EXPECT_EQ(buffer.GetRightBuffer(), nullptr);
    buffer.Clear(); // nothing to clear, no crash
}

TEST(CMonoBufferTest, ClearAndResize)
{
    CMonoBuffer buffer;
    buffer.SetSamplesCount(4);
    std::fill(buffer.GetBuffer(), buffer.GetBuffer() + 4, 3.0f);
    buffer.Clear(2);
    EXPECT_EQ(std::vector<float>(buffer.GetBuffer(), buffer.GetBuffer() + 4),
              (std::vector<float>{0, 0, 3, 3}));
    buffer.SetSamplesCount(16);
    EXPECT_EQ(buffer.GetSamplesCount(), 16);
}
