#include "Common/wrappers/utilities/ByteWriter.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CByteWriterTest, FieldsAreLittleEndianWithoutPadding)
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    writer.WriteUInt32(0x4D767851); // 'MvxQ' -> bytes "QxvM"
    writer.WriteInt32(-2);          // two's complement 0xFFFFFFFE
    writer.WriteFloat(1.0f);        // IEEE 754: 0x3F800000
    writer.WriteFloat(-0.5f);       // 0xBF000000
    writer.WriteByte(7);
    writer.WriteBytes("ab", 2);
    writer.WriteZeros(3);
    writer.WriteBytes(nullptr, 0);
    const std::vector<uint8_t> expected = {'Q',  'x',  'v',  'M',  //
                                           0xFE, 0xFF, 0xFF, 0xFF, //
                                           0x00, 0x00, 0x80, 0x3F, //
                                           0x00, 0x00, 0x00, 0xBF, //
                                           7,    'a',  'b',  0,    0, 0};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(writer.GetSize(), expected.size());
}
