// The little-endian field writer and reader of the state and preset files, against bytes
// built by hand.
#include "Common/wrappers/utilities/ByteReader.h"
#include "Common/wrappers/utilities/ByteWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// 'MvxQ', -2 (two's complement), 1.0f (IEEE 754 0x3F800000), -0.5f (0xBF000000), a byte,
// two bytes, three zeros.
const std::vector<uint8_t> kFields = {'Q',  'x',  'v',  'M',  0xFE, 0xFF, 0xFF, 0xFF,
                                      0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xBF,
                                      7,    'a',  'b',  0,    0,    0};
} // namespace

TEST(CByteWriterTest, FieldsAreLittleEndianWithoutPadding)
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    writer.WriteUInt32(0x4D767851);
    writer.WriteInt32(-2);
    writer.WriteFloat(1.0f);
    writer.WriteFloat(-0.5f);
    writer.WriteByte(7);
    writer.WriteBytes("ab", 2);
    writer.WriteZeros(3);
    writer.WriteBytes(nullptr, 0);
    EXPECT_EQ(bytes, kFields);
    EXPECT_EQ(writer.GetSize(), kFields.size());
}

TEST(CByteReaderTest, ReadsLittleEndianFields)
{
    CByteReader reader(kFields.data(), kFields.size());
    uint32_t magic = 0;
    int32_t number = 0;
    float one = 0.0f, half = 0.0f;
    uint8_t byte = 0;
    char text[2];
    ASSERT_TRUE(reader.ReadUInt32(magic) && reader.ReadInt32(number) && reader.ReadFloat(one) &&
                reader.ReadFloat(half) && reader.ReadByte(byte) && reader.ReadBytes(text, 2));
    EXPECT_EQ(magic, 0x4D767851u);
    EXPECT_EQ(number, -2);
    EXPECT_EQ(one, 1.0f);
    EXPECT_EQ(half, -0.5f);
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(std::string(text, 2), "ab");
    EXPECT_EQ(reader.GetRemaining(), 3u);
    EXPECT_TRUE(reader.Skip(3));
    EXPECT_FALSE(reader.ReadByte(byte));
}

TEST(CByteReaderTest, AFieldThatDoesNotFitEndsTheData)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    CByteReader reader(bytes, sizeof(bytes));
    uint32_t word = 0xAAAAAAAA;
    ASSERT_TRUE(reader.ReadUInt32(word));
    // Two bytes left: a 4-byte field fails, writes nothing and ends the data, so that the
    // remaining bytes are not taken for a later, shorter field.
    word = 0xAAAAAAAA;
    EXPECT_FALSE(reader.ReadUInt32(word));
    EXPECT_EQ(word, 0xAAAAAAAAu);
    uint8_t byte = 0;
    EXPECT_FALSE(reader.ReadByte(byte));
    EXPECT_EQ(reader.GetRemaining(), 0u);
    CByteReader tooFar(bytes, sizeof(bytes));
    EXPECT_FALSE(tooFar.Skip(7));
    EXPECT_FALSE(tooFar.ReadByte(byte));
    CByteReader empty(nullptr, 100); // no data: nothing to read whatever the size
    EXPECT_EQ(empty.GetRemaining(), 0u);
    EXPECT_FALSE(empty.ReadByte(byte));
}
