#include "AudioFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sndfile.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace morvex::render;

class CAudioFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/morvex-render-audiofile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }

    void TearDown() override
    {
        for (const std::string& file : m_files)
        {
            std::remove(file.c_str());
        }
        rmdir(m_directory.c_str());
    }

    std::string Path(const std::string& name)
    {
        m_files.push_back(m_directory + "/" + name);
        return m_files.back();
    }

    // Writes interleaved float samples with libsndfile directly, independent of CAudioFile.
    void WriteRaw(const std::string& path, int channels, int sampleRate,
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

    std::string m_directory;
    std::vector<std::string> m_files;
};

TEST_F(CAudioFileTest, MonoIsFedToBothChannels)
{
    const std::string path = Path("mono.wav");
    WriteRaw(path, 1, 22050, {0.1f, -0.2f, 0.3f});
    AUDIO_BUFFER buffer;
    int channels = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::Read(path, buffer, channels, error)) << error;
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(buffer.sampleRate, 22050);
    EXPECT_EQ(buffer.left, (std::vector<float>{0.1f, -0.2f, 0.3f}));
    EXPECT_EQ(buffer.right, buffer.left);
}

TEST_F(CAudioFileTest, OfMoreChannelsTheFirstTwoAreUsed)
{
    const std::string path = Path("three.wav");
    WriteRaw(path, 3, 48000, {0.1f, 0.2f, 0.9f, 0.3f, 0.4f, 0.9f});
    AUDIO_BUFFER buffer;
    int channels = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::Read(path, buffer, channels, error)) << error;
    EXPECT_EQ(channels, 3);
    EXPECT_EQ(buffer.left, (std::vector<float>{0.1f, 0.3f}));
    EXPECT_EQ(buffer.right, (std::vector<float>{0.2f, 0.4f}));
}

TEST_F(CAudioFileTest, FloatWavRoundTripIsExact)
{
    const std::string path = Path("out.WAV");
    AUDIO_BUFFER written;
    written.sampleRate = 96000;
    written.left = {0.0f, 1.5f, -0.25f, 1e-6f};
    written.right = {0.5f, -1.5f, 0.75f, -1e-6f};
    std::string error;
    ASSERT_TRUE(CAudioFile::Write(path, written, error)) << error;
    AUDIO_BUFFER read;
    int channels = 0;
    ASSERT_TRUE(CAudioFile::Read(path, read, channels, error)) << error;
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(read.sampleRate, 96000);
    EXPECT_EQ(read.left, written.left); // float WAV keeps values above full scale
    EXPECT_EQ(read.right, written.right);
}

TEST_F(CAudioFileTest, PcmFormatsClipAndZeroNonFinite)
{
    for (const char* name : {"out.flac", "out.aiff", "out.aif"})
    {
        const std::string path = Path(name);
        AUDIO_BUFFER written;
        written.sampleRate = 44100;
        written.left = {0.5f, 2.0f, std::numeric_limits<float>::quiet_NaN()};
        written.right = {-0.5f, -2.0f, std::numeric_limits<float>::infinity()};
        std::string error;
        ASSERT_TRUE(CAudioFile::Write(path, written, error)) << name << ": " << error;
        AUDIO_BUFFER read;
        int channels = 0;
        ASSERT_TRUE(CAudioFile::Read(path, read, channels, error)) << error;
        ASSERT_EQ(read.NumFrames(), 3);
        // 24-bit: 0.5 within one step (2^-23); 2.0 clipped to full scale, not wrapped.
        EXPECT_NEAR(read.left[0], 0.5f, 1e-6f) << name;
        EXPECT_NEAR(read.left[1], 1.0f, 1e-6f) << name;
        EXPECT_NEAR(read.right[1], -1.0f, 1e-6f) << name;
        EXPECT_EQ(read.left[2], 0.0f) << name;
        EXPECT_EQ(read.right[2], 0.0f) << name;
    }
}

TEST_F(CAudioFileTest, FormatByExtension)
{
    int format = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::OutputFormat("a/b.c/x.Flac", format, error));
    EXPECT_EQ(format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_TRUE(CAudioFile::OutputFormat("x.wav", format, error));
    EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_FALSE(CAudioFile::OutputFormat("x.mp3", format, error));
    EXPECT_NE(error.find(".wav, .flac, .aif or .aiff"), std::string::npos) << error;
    EXPECT_FALSE(CAudioFile::OutputFormat("dir.wav/file", format, error));
}

TEST_F(CAudioFileTest, MissingUnreadableAndEmptyInputs)
{
    AUDIO_BUFFER buffer;
    int channels = 0;
    std::string error;
    EXPECT_FALSE(CAudioFile::Read(m_directory + "/nothing.wav", buffer, channels, error));
    EXPECT_NE(error.find("input file not found"), std::string::npos) << error;

    const std::string text = Path("text.wav");
    std::FILE* file = std::fopen(text.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("this is not a sound file\n", file);
    std::fclose(file);
    EXPECT_FALSE(CAudioFile::Read(text, buffer, channels, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

    const std::string empty = Path("empty.wav");
    WriteRaw(empty, 2, 44100, {});
    EXPECT_FALSE(CAudioFile::Read(empty, buffer, channels, error));
    EXPECT_NE(error.find("holds no audio"), std::string::npos) << error;
}
