#include "AudioFile.h"

#include "DisplayText.h"

#include <algorithm>
#include <cmath>
#include <sndfile.h>
#include <sys/stat.h>
#include <vector>

namespace morvex::render
{

namespace
{

// Frames moved per libsndfile call: bounded memory for any file length.
constexpr sf_count_t kChunkFrames = 65536;

std::string Extension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    {
        return "";
    }
    return NormaliseText(path.substr(dot + 1));
}

} // namespace

bool CAudioFile::Read(const std::string& path, AUDIO_BUFFER& buffer, int& numFileChannels,
                      std::string& error)
{
    struct stat status
    {
    };
    if (stat(path.c_str(), &status) != 0)
    {
        error = "input file not found: " + path;
        return false;
    }
    if (!S_ISREG(status.st_mode))
    {
        error = "input is not a file: " + path;
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.frames <= 0 || info.channels < 1)
    {
        sf_close(file);
        error = "input " + path + " holds no audio";
        return false;
    }

    numFileChannels = info.channels;
    buffer.sampleRate = info.samplerate;
    buffer.Resize(info.frames);
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames * info.channels));
    sf_count_t done = 0;
    while (done < info.frames)
    {
        const sf_count_t wanted = std::min(kChunkFrames, info.frames - done);
        const sf_count_t got = sf_readf_float(file, interleaved.data(), wanted);
        if (got <= 0)
        {
            break;
        }
        for (sf_count_t n = 0; n < got; ++n)
        {
            const float* frame = interleaved.data() + n * info.channels;
            const auto index = static_cast<std::size_t>(done + n);
            buffer.left[index] = frame[0];
            buffer.right[index] = info.channels > 1 ? frame[1] : frame[0];
        }
        done += got;
    }
    sf_close(file);
    if (done < info.frames)
    {
        error = "cannot read " + path + ": the file ends early";
        return false;
    }
    return true;
}

bool CAudioFile::OutputFormat(const std::string& path, int& format, std::string& error)
{
    const std::string extension = Extension(path);
    if (extension == "wav")
    {
        format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
    else if (extension == "flac")
    {
        format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    }
    else if (extension == "aif" || extension == "aiff")
    {
        format = SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
    }
    else
    {
        error = "cannot tell the output format of " + path + ": use .wav, .flac, .aif or .aiff";
        return false;
    }
    return true;
}

bool CAudioFile::Write(const std::string& path, const AUDIO_BUFFER& buffer, std::string& error)
{
    SF_INFO info{};
    if (!OutputFormat(path, info.format, error))
    {
        return false;
    }
    info.samplerate = buffer.sampleRate;
    info.channels = 2;
    if (sf_format_check(&info) == 0)
    {
        error = "cannot write " + path + ": format not available at " +
                std::to_string(buffer.sampleRate) + " Hz";
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    const bool isPcm = (info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT;
    if (isPcm)
    {
        // Without this libsndfile wraps samples beyond full scale around to the other sign.
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }

    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames * 2));
    const sf_count_t total = buffer.NumFrames();
    sf_count_t done = 0;
    while (done < total)
    {
        const sf_count_t count = std::min(kChunkFrames, total - done);
        for (sf_count_t n = 0; n < count; ++n)
        {
            float left = buffer.left[static_cast<std::size_t>(done + n)];
            float right = buffer.right[static_cast<std::size_t>(done + n)];
            if (isPcm)
            {
                left = std::isfinite(left) ? left : 0.0f;
                right = std::isfinite(right) ? right : 0.0f;
            }
            interleaved[static_cast<std::size_t>(2 * n)] = left;
            interleaved[static_cast<std::size_t>(2 * n + 1)] = right;
        }
        if (sf_writef_float(file, interleaved.data(), count) != count)
        {
            error = "cannot write " + path + ": " + sf_strerror(file);
            sf_close(file);
            return false;
        }
        done += count;
    }
    if (sf_close(file) != 0)
    {
        error = "cannot write " + path + ": closing the file failed";
        return false;
    }
    return true;
}

} // namespace morvex::render
