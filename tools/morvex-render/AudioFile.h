// Sound files through libsndfile: any format it reads as input (mono is fed to both channels,
// only the first two of more channels are used), and WAV (32-bit float), FLAC or AIFF (24-bit
// PCM) as output, chosen by the output file's extension.
#pragma once

#include "AudioBuffer.h"

#include <string>

namespace morvex::render
{

class CAudioFile
{
public:
    // Reads `path` into `buffer` at the file's own sample rate. `numFileChannels` receives the
    // file's channel count. Returns false with a message for a missing, unreadable or empty file.
    static bool Read(const std::string& path, AUDIO_BUFFER& buffer, int& numFileChannels,
                     std::string& error);

    // libsndfile format for an output path by extension (.wav, .flac, .aif, .aiff, ignoring
    // case). Returns false with a message for any other extension.
    static bool OutputFormat(const std::string& path, int& format, std::string& error);

    // Writes `buffer` as a stereo file. PCM formats clip at full scale and store non-finite
    // samples as 0, since they cannot hold them; float WAV keeps every sample as rendered.
    static bool Write(const std::string& path, const AUDIO_BUFFER& buffer, std::string& error);
};

} // namespace morvex::render
