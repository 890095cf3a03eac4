#include "MorvexStateFile.h"

#include "Common/wrappers/utilities/FileUtils.h"
#include "Common/wrappers/utilities/MidiMapFile.h"
#include "Common/wrappers/utilities/MsegPresetFile.h"

#include <cstring>

namespace morvex::render::MorvexStateFile
{

namespace
{

constexpr int kNumParameters = 312;
// Larger than any file this tool reads: a longer file is refused, never read in full.
constexpr std::size_t kMaxReadSize = 1 << 20;

std::uint32_t ReadUInt32(const std::vector<char>& data, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
    {
        value =
            (value << 8) | static_cast<std::uint8_t>(data[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

void WriteInt32(std::vector<char>& data, std::size_t offset, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
    {
        data[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

bool ReadWholeFile(const std::string& path, const std::string& what, std::vector<char>& data,
                   std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (!FileUtils::ReadFile(path, bytes, kMaxReadSize))
    {
        error = "cannot read " + what + " " + path;
        return false;
    }
    data.assign(bytes.begin(), bytes.end());
    return true;
}

bool CheckHostChunk(const std::vector<char>& chunk, std::string& error)
{
    if (chunk.size() < kMapOffset + kMapSize || ReadUInt32(chunk, 0) != kMagic)
    {
        error = "the plug-in's state is not a Morvex state chunk";
        return false;
    }
    return true;
}

} // namespace

bool CheckPresetFile(const std::vector<char>& data, const std::string& what, std::string& error)
{
    if (data.size() < kPathOffset || ReadUInt32(data, 0) != kMagic)
    {
        error = what + " is not a Morvex preset (no 'MvxQ' magic)";
        return false;
    }
    const auto version = static_cast<std::int32_t>(ReadUInt32(data, 4));
    if (version < 1 || version > kNewestVersion)
    {
        error = what + " has format version " + std::to_string(version) +
                "; this tool reads versions up to " + std::to_string(kNewestVersion);
        return false;
    }
    const std::size_t expected =
        version < kFirstVersionWithAllValues ? kOldPresetFileSize : kPresetFileSize;
    if (data.size() != expected)
    {
        error = what + " is " + std::to_string(data.size()) + " bytes; a preset of version " +
                std::to_string(version) + " is " + std::to_string(expected);
        return false;
    }
    return true;
}

bool ReadPresetFile(const std::string& path, std::vector<char>& data, std::string& error)
{
    return ReadWholeFile(path, "preset", data, error) &&
           CheckPresetFile(data, "preset " + path, error);
}

bool BuildHostChunk(const std::vector<char>& preset, const std::string& presetPath,
                    const std::vector<char>& currentChunk, std::vector<char>& chunk,
                    std::string& error)
{
    if (!CheckPresetFile(preset, "the preset", error) || !CheckHostChunk(currentChunk, error))
    {
        return false;
    }
    if (presetPath.size() >= kPathSize)
    {
        error = "the preset's path is longer than " + std::to_string(kPathSize - 1) + " bytes";
        return false;
    }
    chunk.clear();
    chunk.reserve(preset.size() + kMapSize);
    chunk.insert(chunk.end(), preset.begin(), preset.begin() + kPathOffset);
    std::vector<char> path(kPathSize, '\0');
    std::memcpy(path.data(), presetPath.data(), presetPath.size());
    chunk.insert(chunk.end(), path.begin(), path.end());
    const auto map = currentChunk.begin() + static_cast<std::ptrdiff_t>(kMapOffset);
    chunk.insert(chunk.end(), map, map + static_cast<std::ptrdiff_t>(kMapSize));
    chunk.insert(chunk.end(), preset.begin() + static_cast<std::ptrdiff_t>(kMapOffset),
                 preset.end());
    return true;
}

bool PresetFromHostChunk(const std::vector<char>& chunk, std::vector<char>& preset,
                         std::string& error)
{
    if (!CheckHostChunk(chunk, error))
    {
        return false;
    }
    if (chunk.size() != kHostChunkSize ||
        static_cast<std::int32_t>(ReadUInt32(chunk, 4)) != kNewestVersion)
    {
        error =
            "the plug-in's state chunk is " + std::to_string(chunk.size()) + " bytes of version " +
            std::to_string(static_cast<std::int32_t>(ReadUInt32(chunk, 4))) + "; expected " +
            std::to_string(kHostChunkSize) + " bytes of version " + std::to_string(kNewestVersion);
        return false;
    }
    const auto mapStart = chunk.begin() + static_cast<std::ptrdiff_t>(kMapOffset);
    preset.assign(chunk.begin(), mapStart);
    preset.insert(preset.end(), mapStart + static_cast<std::ptrdiff_t>(kMapSize), chunk.end());
    return true;
}

bool WriteFile(const std::string& path, const std::vector<char>& data, std::string& error)
{
    if (!FileUtils::WriteFileReplacing(path, data.data(), data.size()))
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool ReadControllerMap(const std::string& path, std::int32_t (&map)[kNumControllers],
                       std::string& error)
{
    static_assert(kNumControllers == MidiMapFile::kNumControllers, "controller count");
    std::vector<char> data;
    if (!ReadWholeFile(path, "controller map", data, error))
    {
        return false;
    }
    if (!MidiMapFile::Parse(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
                            kNumParameters, map))
    {
        error = "controller map " + path + " is not a .ccmap file (expected " +
                std::to_string(MidiMapFile::kFileSize) + " bytes beginning with 'QxvM', found " +
                std::to_string(data.size()) + " bytes)";
        return false;
    }
    return true;
}

bool SpliceControllerMap(std::vector<char>& chunk, const std::int32_t (&map)[kNumControllers],
                         std::string& error)
{
    if (!CheckHostChunk(chunk, error))
    {
        return false;
    }
    for (int controller = 0; controller < kNumControllers; ++controller)
    {
        WriteInt32(chunk, kMapOffset + 4 * static_cast<std::size_t>(controller), map[controller]);
    }
    return true;
}

bool ReadModulatorPreset(const std::string& path, std::int32_t& mode, std::int32_t& numSteps,
                         std::vector<std::uint8_t>& body, std::string& error)
{
    std::vector<char> data;
    if (!ReadWholeFile(path, "modulator preset", data, error))
    {
        return false;
    }
    MsegPresetFile::MSEG_PRESET preset;
    const MsegPresetFile::MSEG_PRESET_STATUS status = MsegPresetFile::Parse(
        reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), preset);
    if (status != MsegPresetFile::kOk)
    {
        error = "modulator preset " + path + ": " + MsegPresetFile::DescribeStatus(status);
        return false;
    }
    mode = preset.mode;
    numSteps = preset.numSteps;
    body = preset.body;
    return true;
}

bool SpliceRawBlock(std::vector<char>& chunk, std::int32_t id,
                    const std::vector<std::uint8_t>& bytes, std::string& error)
{
    if (!CheckHostChunk(chunk, error))
    {
        return false;
    }
    if (chunk.size() != kHostChunkSize ||
        static_cast<std::int32_t>(ReadUInt32(chunk, 4)) != kNewestVersion)
    {
        error = "the plug-in's chunk is not of version " + std::to_string(kNewestVersion);
        return false;
    }
    // Records after the values: marker 1, id, size, then size bytes.
    std::size_t offset = kMapOffset + kMapSize + 4 * static_cast<std::size_t>(kNumParameters);
    while (offset + 12 <= chunk.size())
    {
        const auto recordId = static_cast<std::int32_t>(ReadUInt32(chunk, offset + 4));
        const auto recordSize = static_cast<std::int32_t>(ReadUInt32(chunk, offset + 8));
        if (ReadUInt32(chunk, offset) != 1 || recordSize < 0 ||
            offset + 12 + static_cast<std::size_t>(recordSize) > chunk.size())
        {
            break;
        }
        if (recordId == id && static_cast<std::size_t>(recordSize) == bytes.size())
        {
            std::memcpy(chunk.data() + offset + 12, bytes.data(), bytes.size());
            return true;
        }
        offset += 12 + static_cast<std::size_t>(recordSize);
    }
    error = "the plug-in's chunk holds no block " + std::to_string(id) + " of " +
            std::to_string(bytes.size()) + " bytes";
    return false;
}

} // namespace morvex::render::MorvexStateFile
