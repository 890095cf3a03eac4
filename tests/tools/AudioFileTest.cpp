#include "AudioFile.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sndfile.h>
#include <string>
#include <vector>

using namespace morvex::render;

class CAudioFileTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return m_folder.GetPath() + "/" + name; }

    // Writes interleaved float samples with libsndfile directly, independent of CAudioFile.
    static void WriteRaw(const std::string& path, int channels, int sampleRate,
                         const std::vector<float>& interleaved)
    {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        sf_writef_float(file, interleaved.data(),
                        static_cast<sf_count_t>(interleaved.size()) / channels);
        sf_close(file);
    }

    CTempDataFolder m_folder;
};

TEST_F(CAudioFileTest, MonoFeedsBothChannelsAndOfMoreTheFirstTwoAreUsed)
{
    WriteRaw(Path("mono.wav"), 1, 22050, {0.1f, -0.2f, 0.3f});
    WriteRaw(Path("three.wav"), 3, 48000, {0.1f, 0.2f, 0.9f, 0.3f, 0.4f, 0.9f});
    AUDIO_BUFFER buffer;
    int channels = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::Read(Path("mono.wav"), buffer, channels, error)) << error;
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(buffer.sampleRate, 22050);
    EXPECT_EQ(buffer.left, (std::vector<float>{0.1f, -0.2f, 0.3f}));
    EXPECT_EQ(buffer.right, buffer.left);

    ASSERT_TRUE(CAudioFile::Read(Path("three.wav"), buffer, channels, error)) << error;
    EXPECT_EQ(channels, 3);
    EXPECT_EQ(buffer.left, (std::vector<float>{0.1f, 0.3f}));
    EXPECT_EQ(buffer.right, (std::vector<float>{0.2f, 0.4f}));
}

TEST_F(CAudioFileTest, FloatWavRoundTripIsExactAndPcmFormatsClipAndZeroNonFinite)
{
    AUDIO_BUFFER written;
    written.sampleRate = 96000;
    written.left = {0.0f, 1.5f, -0.25f, 1e-6f};
    written.right = {0.5f, -1.5f, 0.75f, -1e-6f};
    std::string error;
    ASSERT_TRUE(CAudioFile::Write(Path("out.WAV"), written, error)) << error;
    AUDIO_BUFFER read;
    int channels = 0;
    ASSERT_TRUE(CAudioFile::Read(Path("out.WAV"), read, channels, error)) << error;
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(read.sampleRate, 96000);
    EXPECT_EQ(read.left, written.left); // float WAV keeps values above full scale
    EXPECT_EQ(read.right, written.right);

    written.left = {0.5f, 2.0f, std::numeric_limits<float>::quiet_NaN()};
    written.right = {-0.5f, -2.0f, std::numeric_limits<float>::infinity()};
    for (const char* name : {"out.flac", "out.aiff", "out.aif"})
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(CAudioFile::Write(Path(name), written, error)) << error;
        ASSERT_TRUE(CAudioFile::Read(Path(name), read, channels, error)) << error;
        ASSERT_EQ(read.NumFrames(), 3);
        // 24-bit: 0.5 within one step (2^-23); 2.0 clipped to full scale, not wrapped.
        EXPECT_NEAR(read.left[0], 0.5f, 1e-6f);
        EXPECT_NEAR(read.left[1], 1.0f, 1e-6f);
        EXPECT_NEAR(read.right[1], -1.0f, 1e-6f);
        EXPECT_EQ(read.left[2], 0.0f);
        EXPECT_EQ(read.right[2], 0.0f);
    }
}

TEST_F(CAudioFileTest, FormatByExtensionAndInputsThatCannotBeReadSayWhy)
{
    int format = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::OutputFormat("a/b.c/x.Flac", format, error));
    EXPECT_EQ(format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_TRUE(CAudioFile::OutputFormat("x.wav", format, error));
    EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_FALSE(CAudioFile::OutputFormat("dir.wav/file", format, error));

    std::ofstream(Path("text.wav")) << "this is not a sound file\n";
    WriteRaw(Path("empty.wav"), 2, 44100, {});
    const std::pair<const char*, const char*> rows[] = {
        {"nothing.wav", "input file not found"},
        {"text.wav", "cannot read"},
        {"empty.wav", "holds no audio"},
    };
    for (const auto& [name, message] : rows)
    {
        AUDIO_BUFFER buffer;
        int channels = 0;
        EXPECT_FALSE(CAudioFile::Read(Path(name), buffer, channels, error)) << name;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}
