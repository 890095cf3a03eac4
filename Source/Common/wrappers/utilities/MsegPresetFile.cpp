#include "MsegPresetFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"

#include <cmath>
#include <cstring>

namespace MsegPresetFile
{
size_t BodySize(int32_t mode)
{
    return mode == kModeSteps ? kStepBodySize : kEnvelopeBodySize;
}

MSEG_PRESET_STATUS Parse(const uint8_t* data, size_t size, MSEG_PRESET& preset)
{
    CByteReader reader(data, size);
    uint8_t signature[sizeof(kSignature)] = {};
    if (!reader.ReadBytes(signature, sizeof(signature)) ||
        std::memcmp(signature, kSignature, sizeof(kSignature)) != 0)
        return kNoSignature;
    int32_t mode = 0;
    int32_t numSteps = 0;
    if (!reader.ReadInt32(mode) || !reader.ReadInt32(numSteps))
        return kNoSignature;
    if (mode != kModeSteps && mode != kModeEnvelope)
        return kBadMode;
    if (numSteps < kMinSteps || numSteps > kMaxSteps)
        return kBadStepCount;
    const size_t bodySize = BodySize(mode);
    if (reader.GetRemaining() != bodySize)
        return kBadLength;
    // NaN or infinity would reach the modulator's curve and from there every target.
    const uint8_t* body = reader.GetCurrent();
    for (size_t offset = 0; offset < bodySize; offset += 4)
    {
        CByteReader number(body + offset, 4);
        float value = 0.0f;
        if (!number.ReadFloat(value) || !std::isfinite(value))
            return kBadNumber;
    }
    preset.mode = mode;
    preset.numSteps = numSteps;
    preset.body.assign(body, body + bodySize);
    return kOk;
}

const char* DescribeStatus(MSEG_PRESET_STATUS status)
{
    switch (status)
    {
    case kOk:
        return "The modulator preset has been loaded.";
    case kNoSignature:
        return "The file is not a modulator preset.";
    case kBadMode:
        return "The modulator preset is damaged: its mode is unknown.";
    case kBadStepCount:
        return "The modulator preset is damaged: its number of steps is out of range.";
    case kBadLength:
        return "The modulator preset is damaged: it is not as long as its mode requires.";
    case kBadNumber:
        return "The modulator preset is damaged: it holds values that are not numbers.";
    }
    return "The modulator preset cannot be read.";
}

std::vector<uint8_t> Build(int32_t mode, int32_t numSteps, const uint8_t* body)
{
    std::vector<uint8_t> bytes;
    if (!body)
        return bytes;
    const int32_t storedMode = mode == kModeSteps ? kModeSteps : kModeEnvelope;
    CByteWriter writer(bytes);
    writer.WriteBytes(kSignature, sizeof(kSignature));
    writer.WriteInt32(storedMode);
    writer.WriteInt32(numSteps);
    writer.WriteBytes(body, BodySize(storedMode));
    return bytes;
}
} // namespace MsegPresetFile
