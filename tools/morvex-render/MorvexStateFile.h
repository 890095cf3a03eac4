// What morvex-render knows of the Morvex state format, for --preset, --save-preset and
// --ccmap. The VST 2 interface has no preset-file call, and Morvex takes every chunk as a
// host chunk, so a preset file is turned into a host chunk and back:
//   host chunk:  magic 'MvxQ', version, path[2048], MIDI map int32[128] (offset 2056),
//                parameter values, raw block records (28760 bytes at version 1140)
//   preset file: the same without the MIDI map (28248 bytes; 28228 before version 1100,
//                which stored 307 values instead of 312)
// All numbers little-endian. The rest of the tool stays a generic VST 2 host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvex::render::MorvexStateFile
{

constexpr std::uint32_t kMagic = 0x4D767851; // 'MvxQ'
constexpr std::int32_t kNewestVersion = 1140;
constexpr std::int32_t kFirstVersionWithAllValues = 1100;
constexpr std::size_t kPathOffset = 8;
constexpr std::size_t kPathSize = 2048;
constexpr std::size_t kMapOffset = 2056;
constexpr std::size_t kMapSize = 512;
constexpr std::size_t kPresetFileSize = 28248;
constexpr std::size_t kOldPresetFileSize = 28228; // versions before 1100
constexpr std::size_t kHostChunkSize = 28760;
constexpr int kNumControllers = 128;

// Checks a preset file's bytes: magic, a version from 1 to 1140, and the exact length that
// version implies. False with a message naming `what` otherwise.
bool CheckPresetFile(const std::vector<char>& data, const std::string& what, std::string& error);

// Reads and checks a .prg file.
bool ReadPresetFile(const std::string& path, std::vector<char>& data, std::string& error);

// A host chunk made of the preset's header, `presetPath` as the current preset path (so the
// program name becomes the file's name), the MIDI map of `currentChunk` (the plug-in's own
// chunk) and the preset's values and block records. False with a message when the current
// chunk is no Morvex chunk or the path does not fit its 2047 bytes.
bool BuildHostChunk(const std::vector<char>& preset, const std::string& presetPath,
                    const std::vector<char>& currentChunk, std::vector<char>& chunk,
                    std::string& error);

// The preset file of a host chunk: the chunk without its MIDI map. False with a message when
// the chunk is not a Morvex host chunk of the newest version.
bool PresetFromHostChunk(const std::vector<char>& chunk, std::vector<char>& preset,
                         std::string& error);

// Writes `data` to a new file beside `path` and puts it in the place of `path`.
bool WriteFile(const std::string& path, const std::vector<char>& data, std::string& error);

// Reads a .ccmap controller map (520 bytes, "QxvM", version, int32[128]); entries outside
// -1..311 read as -1. False with a message for any other file.
bool ReadControllerMap(const std::string& path, std::int32_t (&map)[kNumControllers],
                       std::string& error);

// Writes `map` into a Morvex host chunk at its map offset. False with a message when the
// chunk is no Morvex chunk.
bool SpliceControllerMap(std::vector<char>& chunk, const std::int32_t (&map)[kNumControllers],
                         std::string& error);

// Reads a .mprg modulator preset (the plug-in's own reader checks it). False with a message
// naming the file and what is wrong with it.
bool ReadModulatorPreset(const std::string& path, std::int32_t& mode, std::int32_t& numSteps,
                         std::vector<std::uint8_t>& body, std::string& error);

// Replaces the bytes of raw block `id` in a Morvex host chunk of the newest version with
// `bytes`. False with a message when the chunk is no such chunk or holds no block of that id
// and size.
bool SpliceRawBlock(std::vector<char>& chunk, std::int32_t id,
                    const std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace morvex::render::MorvexStateFile
