#include "Common/wrappers/utilities/MonoBuffer.h"
#include "Common/wrappers/utilities/StereoBuffer.h"

#include <gtest/gtest.h>

TEST(CStereoBufferTest, SizeChangesReplaceStorageAndSameSizeKeepsIt)
{
    CStereoBuffer buffer;
    EXPECT_EQ(buffer.GetLeftBuffer(), nullptr);
    buffer.SetSamplesCount(8);
    ASSERT_NE(buffer.GetLeftBuffer(), nullptr);
    EXPECT_EQ(buffer.GetRightBuffer(), buffer.GetLeftBuffer() + 8);
    for (int i = 0; i < 8; ++i)
    {
        buffer.GetLeftBuffer()[i] = 1.0f;
        buffer.GetRightBuffer()[i] = 2.0f;
    }
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
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(buffer.GetLeftBuffer()[i], 0.0f);
        EXPECT_EQ(buffer.GetRightBuffer()[i], 0.0f);
    }
    buffer.ReleaseBuffer();
    EXPECT_EQ(buffer.GetLeftBuffer(), nullptr);
    EXPECT_EQ(buffer.GetRightBuffer(), nullptr);
    buffer.Clear(); // nothing to clear, no crash
}

TEST(CMonoBufferTest, ClearAndResize)
{
    CMonoBuffer buffer;
    buffer.SetSamplesCount(4);
    for (int i = 0; i < 4; ++i)
        buffer.GetBuffer()[i] = 3.0f;
    buffer.Clear(2);
    EXPECT_EQ(buffer.GetBuffer()[1], 0.0f);
    EXPECT_EQ(buffer.GetBuffer()[2], 3.0f);
    buffer.SetSamplesCount(16);
    EXPECT_EQ(buffer.GetSamplesCount(), 16);
}
