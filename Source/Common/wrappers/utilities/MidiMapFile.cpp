#include "MidiMapFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"

#include <cstring>

namespace MidiMapFile
{
bool Parse(const uint8_t* data, size_t size, int numParameters,
           int32_t (&map)[kNumControllers])
{
    if (!data || size != kFileSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0)
        return false;
    // The version is not checked: every version so far has the same layout.
    CByteReader reader(data + kHeaderSize, size - kHeaderSize);
    int32_t loaded[kNumControllers];
    for (int32_t& entry : loaded)
    {
        int32_t id = -1;
        if (!reader.ReadInt32(id))
            return false;
        entry = (id >= 0 && id < numParameters) ? id : -1;
    }
    std::memcpy(map, loaded, sizeof(loaded));
    return true;
}

std::vector<uint8_t> Build(const int32_t (&map)[kNumControllers])
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    writer.WriteBytes(kMagic, sizeof(kMagic));
    writer.WriteInt32(kVersion);
    for (const int32_t entry : map)
        writer.WriteInt32(entry);
    return bytes;
}
} // namespace MidiMapFile
