// MorvexStateFile: the Morvex preset file spliced into a host chunk and cut out of one, the
// controller map file, byte for byte against layouts built by hand here.
#include "MorvexStateFile.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

using namespace morvex::render;
namespace State = morvex::render::MorvexStateFile;

namespace
{
void Put32(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A preset file: magic, version, a path, then a byte pattern standing for values and blocks.
std::vector<char> PresetBytes(std::int32_t version = 1140, std::size_t size = 28248)
{
    std::vector<char> bytes(size, 0);
    Put32(bytes, 0, 0x4D767851);
    Put32(bytes, 4, static_cast<std::uint32_t>(version));
    const std::string path = "/old/place/Old Name.prg";
    std::copy(path.begin(), path.end(), bytes.begin() + 8);
    for (std::size_t i = 2056; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

// A host chunk whose map binds controller c to id c + 100 (c < 50), -1 elsewhere.
std::vector<char> HostChunkBytes()
{
    std::vector<char> bytes(28760, 0x55);
    Put32(bytes, 0, 0x4D767851);
    Put32(bytes, 4, 1140);
    for (std::size_t c = 0; c < 128; ++c)
        Put32(bytes, 2056 + 4 * c, c < 50 ? static_cast<std::uint32_t>(c + 100) : 0xFFFFFFFFu);
    return bytes;
}

class CMorvexStateFileTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::vector<char>& bytes) const
    {
        const std::string path = m_folder.GetPath() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    CTempDataFolder m_folder;
};
} // namespace

TEST_F(CMorvexStateFileTest, PresetBecomesAHostChunkWithItsOwnPathAndTheCurrentMap)
{
    const std::vector<char> preset = PresetBytes();
    const std::vector<char> current = HostChunkBytes();
    std::vector<char> chunk;
    std::string error;
    ASSERT_TRUE(State::BuildHostChunk(preset, "/new/My Beat.prg", current, chunk, error)) << error;
    ASSERT_EQ(chunk.size(), 28760u);
    // Header of the preset.
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + 8, preset.begin()));
    // Path field: the new path, zero-filled to 2048 bytes.
    const std::string path(chunk.data() + 8);
    EXPECT_EQ(path, "/new/My Beat.prg");
    EXPECT_TRUE(std::all_of(chunk.begin() + 8 + static_cast<long>(path.size()),
                            chunk.begin() + 2056, [](char c) { return c == 0; }));
    // The map of the current chunk, then the preset's values and blocks.
    EXPECT_TRUE(std::equal(chunk.begin() + 2056, chunk.begin() + 2568, current.begin() + 2056));
    EXPECT_TRUE(std::equal(chunk.begin() + 2568, chunk.end(), preset.begin() + 2056));

    // Cut out again: the preset with its path replaced.
    std::vector<char> back;
    ASSERT_TRUE(State::PresetFromHostChunk(chunk, back, error)) << error;
    ASSERT_EQ(back.size(), 28248u);
    EXPECT_TRUE(std::equal(back.begin() + 2056, back.end(), preset.begin() + 2056));
    EXPECT_EQ(std::string(back.data() + 8), "/new/My Beat.prg");

    // A path of 2048 bytes does not fit with its terminator.
    EXPECT_FALSE(State::BuildHostChunk(preset, std::string(2048, 'p'), current, chunk, error));
    EXPECT_TRUE(State::BuildHostChunk(preset, std::string(2047, 'p'), current, chunk, error));
    // Not a Morvex chunk: refused.
    std::vector<char> other = current;
    other[0] = 'X';
    EXPECT_FALSE(State::BuildHostChunk(preset, "p.prg", other, chunk, error));
    EXPECT_NE(error.find("not a Morvex state chunk"), std::string::npos) << error;
    EXPECT_FALSE(State::PresetFromHostChunk(other, back, error));
    other = current;
    other.resize(28759);
    EXPECT_FALSE(State::PresetFromHostChunk(other, back, error));
}

TEST_F(CMorvexStateFileTest, PresetFilesAreWrittenWholeAndCheckedForMagicVersionAndLength)
{
    std::string error;
    EXPECT_TRUE(State::CheckPresetFile(PresetBytes(), "p", error)) << error;
    // Before version 1100: 307 values, 20 bytes less.
    EXPECT_TRUE(State::CheckPresetFile(PresetBytes(1090, 28228), "p", error)) << error;
    EXPECT_FALSE(State::CheckPresetFile(PresetBytes(1090, 28248), "p", error));
    EXPECT_FALSE(State::CheckPresetFile(PresetBytes(1140, 28247), "p", error));
    EXPECT_NE(error.find("28247 bytes"), std::string::npos) << error;
    EXPECT_FALSE(State::CheckPresetFile(PresetBytes(1141), "p", error));
    EXPECT_FALSE(State::CheckPresetFile(PresetBytes(0), "p", error));
    std::vector<char> wrongMagic = PresetBytes();
    wrongMagic[3] = 0;
    EXPECT_FALSE(State::CheckPresetFile(wrongMagic, "p", error));
    EXPECT_NE(error.find("magic"), std::string::npos) << error;
    EXPECT_FALSE(State::CheckPresetFile(std::vector<char>(4, 0), "p", error));

    // Written over an older file and read back.
    const std::string path = Write("a.prg", std::vector<char>(10, 'a'));
    ASSERT_TRUE(State::WriteFile(path, PresetBytes(), error)) << error;
    std::vector<char> read;
    EXPECT_TRUE(State::ReadPresetFile(path, read, error)) << error;
    EXPECT_EQ(read, PresetBytes());
    EXPECT_FALSE(State::WriteFile(m_folder.GetPath() + "/no/such/x.prg", read, error));
    EXPECT_FALSE(State::ReadPresetFile(m_folder.GetPath() + "/none.prg", read, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST_F(CMorvexStateFileTest, ControllerMapIsCheckedAndSplicedAtItsOffset)
{
    std::vector<char> file(520, 0);
    Put32(file, 0, 0x4D767851); // "QxvM"
    Put32(file, 4, 1140);
    for (std::size_t c = 0; c < 128; ++c)
        Put32(file, 8 + 4 * c, 0xFFFFFFFFu);
    Put32(file, 8 + 4 * 7, 2);
    Put32(file, 8 + 4 * 8, 312);         // no such parameter: -1
    Put32(file, 8 + 4 * 9, 0x80000000u); // negative: -1
    Put32(file, 8 + 4 * 127, 311);
    std::int32_t map[128];
    std::string error;
    ASSERT_TRUE(State::ReadControllerMap(Write("m.ccmap", file), map, error)) << error;
    EXPECT_EQ(map[7], 2);
    EXPECT_EQ(map[8], -1);
    EXPECT_EQ(map[9], -1);
    EXPECT_EQ(map[127], 311);
    EXPECT_EQ(map[0], -1);

    // In a chunk the map sits at 2056, as in the map file at 8; the rest is left alone.
    std::vector<char> chunk = HostChunkBytes();
    std::vector<char> expected = chunk;
    std::copy(file.begin() + 8, file.end(), expected.begin() + 2056);
    Put32(expected, 2056 + 4 * 8, 0xFFFFFFFFu);
    Put32(expected, 2056 + 4 * 9, 0xFFFFFFFFu);
    ASSERT_TRUE(State::SpliceControllerMap(chunk, map, error)) << error;
    EXPECT_EQ(chunk, expected);

    // Anything but a whole map file is refused and the map is left alone.
    std::int32_t kept[128];
    std::fill(std::begin(kept), std::end(kept), 5);
    std::vector<char> badMagic = file;
    badMagic[0] = 'M';
    std::vector<char> longFile = file;
    longFile.push_back(0);
    for (const std::vector<char>& bad :
         {std::vector<char>(file.begin(), file.end() - 1), longFile, badMagic})
    {
        EXPECT_FALSE(State::ReadControllerMap(Write("bad.ccmap", bad), kept, error));
        EXPECT_NE(error.find("is not a .ccmap file"), std::string::npos) << error;
    }
    EXPECT_EQ(kept[0], 5);
    EXPECT_EQ(kept[127], 5);
    std::vector<char> notMorvex(100, 0);
    EXPECT_FALSE(State::SpliceControllerMap(notMorvex, map, error));
}
