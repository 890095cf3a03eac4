#include "Common/wrappers/utilities/ByteReader.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CByteReaderTest, ReadsLittleEndianFields)
{
    // 0x4D767851, -2, 1.0f (0x3F800000), one byte, two bytes.
    const uint8_t bytes[] = {'Q', 'x', 'v',  'M',  0xFE, 0xFF, 0xFF, 0xFF,
                             0,   0,   0x80, 0x3F, 9,    'h',  'i'};
    CByteReader reader(bytes, sizeof(bytes));
    uint32_t magic = 0;
    int32_t number = 0;
    float value = 0.0f;
    uint8_t byte = 0;
    char text[2];
    ASSERT_TRUE(reader.ReadUInt32(magic));
    ASSERT_TRUE(reader.ReadInt32(number));
    ASSERT_TRUE(reader.ReadFloat(value));
    ASSERT_TRUE(reader.ReadByte(byte));
    ASSERT_TRUE(reader.ReadBytes(text, 2));
    EXPECT_EQ(magic, 0x4D767851u);
    EXPECT_EQ(number, -2);
    EXPECT_EQ(value, 1.0f);
    EXPECT_EQ(byte, 9);
    EXPECT_EQ(text[0], 'h');
    EXPECT_EQ(text[1], 'i');
    EXPECT_EQ(reader.GetRemaining(), 0u);
    EXPECT_FALSE(reader.ReadByte(byte));
}

TEST(CByteReaderTest, AFieldThatDoesNotFitEndsTheData)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    CByteReader reader(bytes, sizeof(bytes));
    uint32_t word = 0xAAAAAAAA;
    ASSERT_TRUE(reader.ReadUInt32(word));
    // Two bytes left: a 4-byte field fails, writes nothing and ends the data, so
    // that the remaining bytes are not taken for a later, shorter field.
    word = 0xAAAAAAAA;
    EXPECT_FALSE(reader.ReadUInt32(word));
    EXPECT_EQ(word, 0xAAAAAAAAu);
    uint8_t byte = 0;
    EXPECT_FALSE(reader.ReadByte(byte));
    EXPECT_EQ(reader.GetRemaining(), 0u);

    CByteReader skipping(bytes, sizeof(bytes));
    EXPECT_TRUE(skipping.Skip(6));
    EXPECT_FALSE(skipping.Skip(1));
    CByteReader tooFar(bytes, sizeof(bytes));
    EXPECT_FALSE(tooFar.Skip(7));
    EXPECT_FALSE(tooFar.ReadByte(byte));

    CByteReader empty(nullptr, 100); // no data: nothing to read whatever the size
    EXPECT_EQ(empty.GetRemaining(), 0u);
    EXPECT_FALSE(empty.ReadByte(byte));
}
