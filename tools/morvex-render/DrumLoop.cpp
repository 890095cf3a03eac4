#include "DrumLoop.h"

#include <algorithm>
#include <cmath>

namespace morvex::render
{

namespace
{

constexpr double kPi = 3.14159265358979323846;

// xorshift32 (Marsaglia 2003): a tiny generator with a fixed seed, so the loop never depends
// on the C library's rand().
class CNoise
{
public:
    float Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        // Top 24 bits to -1..1.
        return static_cast<float>(m_state >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }

private:
    std::uint32_t m_state = 0x4D565852u;
};

// Raised-cosine fade over the last 10 ms of a hit, so cutting its decay short does not click.
double EndFade(std::int64_t n, std::int64_t length, int sampleRate)
{
    const auto fadeLength = static_cast<std::int64_t>(0.01 * sampleRate);
    const std::int64_t intoFade = n - (length - fadeLength);
    if (intoFade <= 0)
    {
        return 1.0;
    }
    return 0.5 *
           (1.0 + std::cos(kPi * static_cast<double>(intoFade) / static_cast<double>(fadeLength)));
}

void AddKick(std::vector<double>& mono, std::int64_t start, int sampleRate, double gain)
{
    const auto length = static_cast<std::int64_t>(0.45 * sampleRate);
    double phase = 0.0;
    for (std::int64_t n = 0; n < length && start + n < static_cast<std::int64_t>(mono.size()); ++n)
    {
        const double t = static_cast<double>(n) / sampleRate;
        // Pitch sweep 150 Hz -> 48 Hz (time constant 35 ms); amplitude decay 120 ms.
        const double frequencyHz = 48.0 + 102.0 * std::exp(-t / 0.035);
        const double envelope = std::exp(-t / 0.12) * EndFade(n, length, sampleRate);
        mono[static_cast<std::size_t>(start + n)] += gain * envelope * std::sin(phase);
        phase += 2.0 * kPi * frequencyHz / sampleRate;
    }
}

void AddSnare(std::vector<double>& mono, std::int64_t start, int sampleRate, double gain,
              CNoise& noise)
{
    const auto length = static_cast<std::int64_t>(0.3 * sampleRate);
    double previousNoise = 0.0;
    for (std::int64_t n = 0; n < length && start + n < static_cast<std::int64_t>(mono.size()); ++n)
    {
        const double t = static_cast<double>(n) / sampleRate;
        const double tone =
            0.6 * std::sin(2.0 * kPi * 185.0 * t) + 0.3 * std::sin(2.0 * kPi * 330.0 * t);
        // Averaging two noise samples darkens the rattle a little.
        const double white = noise.Next();
        const double rattle = 0.5 * (white + previousNoise);
        previousNoise = white;
        const double value = (tone * std::exp(-t / 0.045) + 0.8 * rattle * std::exp(-t / 0.09)) *
                             EndFade(n, length, sampleRate);
        mono[static_cast<std::size_t>(start + n)] += gain * value;
    }
}

void AddHat(std::vector<double>& left, std::vector<double>& right, std::int64_t start,
            int sampleRate, double gain, CNoise& noise)
{
    const auto length = static_cast<std::int64_t>(0.08 * sampleRate);
    double previousNoise = 0.0;
    for (std::int64_t n = 0; n < length && start + n < static_cast<std::int64_t>(left.size()); ++n)
    {
        const double t = static_cast<double>(n) / sampleRate;
        // First difference: a high-pass with a zero at DC, rising 6 dB/octave to Nyquist.
        const double white = noise.Next();
        const double hiss = 0.5 * (white - previousNoise);
        previousNoise = white;
        const double value = gain * hiss * std::exp(-t / 0.015) * EndFade(n, length, sampleRate);
        const auto index = static_cast<std::size_t>(start + n);
        left[index] += 0.8 * value; // slightly right of centre
        right[index] += 1.0 * value;
    }
}

} // namespace

std::int64_t CDrumLoop::StepPosition(int step, int sampleRate, double tempoBpm)
{
    const double samplesPerStep = 60.0 * sampleRate / tempoBpm / kStepsPerBeat;
    return std::llround(step * samplesPerStep);
}

std::int64_t CDrumLoop::LengthInSamples(int sampleRate, double tempoBpm)
{
    return StepPosition(kBars * kBeatsPerBar * kStepsPerBeat, sampleRate, tempoBpm);
}

void CDrumLoop::Generate(int sampleRate, double tempoBpm, AUDIO_BUFFER& buffer)
{
    const std::int64_t length = LengthInSamples(sampleRate, tempoBpm);
    std::vector<double> left(static_cast<std::size_t>(length), 0.0);
    std::vector<double> right(static_cast<std::size_t>(length), 0.0);
    std::vector<double> centre(static_cast<std::size_t>(length), 0.0);
    CNoise noise;

    constexpr int kStepsPerBar = kBeatsPerBar * kStepsPerBeat;
    for (int step = 0; step < kBars * kStepsPerBar; ++step)
    {
        const std::int64_t start = StepPosition(step, sampleRate, tempoBpm);
        const int inBar = step % kStepsPerBar;
        if (inBar == 0 || inBar == 8)
        {
            AddKick(centre, start, sampleRate, 1.0);
        }
        else if (inBar == 10)
        {
            AddKick(centre, start, sampleRate, 0.7); // offbeat kick, a little softer
        }
        if (inBar == 4 || inBar == 12)
        {
            AddSnare(centre, start, sampleRate, 0.8, noise);
        }
        if (inBar % 2 == 0)
        {
            const bool onBeat = inBar % kStepsPerBeat == 0;
            AddHat(left, right, start, sampleRate, onBeat ? 0.5 : 0.32, noise);
        }
    }

    double peak = 0.0;
    for (std::size_t n = 0; n < centre.size(); ++n)
    {
        left[n] += centre[n];
        right[n] += centre[n];
        peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
    }
    const double gain = peak > 0.0 ? std::pow(10.0, kPeakDb / 20.0) / peak : 0.0;

    buffer.sampleRate = sampleRate;
    buffer.Resize(length);
    for (std::size_t n = 0; n < centre.size(); ++n)
    {
        buffer.left[n] = static_cast<float>(left[n] * gain);
        buffer.right[n] = static_cast<float>(right[n] * gain);
    }
}

} // namespace morvex::render
