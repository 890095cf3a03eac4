// Built-in test material: eight bars of 4/4 drums (kick, snare, closed hi-hat) synthesised at
// any tempo and sample rate, for rendering without an input file.
//
// Pattern on a sixteenth-note grid, the same in every bar: kick on beats 1 and 3 plus the
// offbeat eighth after beat 3, snare on beats 2 and 4, closed hats on every eighth (accented on
// the beat, slightly right of centre). Kick: sine swept down from 150 Hz to 48 Hz with an
// exponential decay; snare: 185 Hz + 330 Hz tone burst plus noise; hat: first-difference
// high-passed noise with a 15 ms decay. The mix is scaled to a peak of exactly -3 dBFS.
// Noise comes from a fixed-seed generator, so the same settings give bit-identical audio.
#pragma once

#include "AudioBuffer.h"

#include <cstdint>

namespace morvex::render
{

class CDrumLoop
{
public:
    static constexpr int kBars = 8;
    static constexpr int kBeatsPerBar = 4;
    static constexpr int kStepsPerBeat = 4; // sixteenth notes
    static constexpr double kPeakDb = -3.0; // dBFS

    // Sample index of a sixteenth-note step (0 = start), from the exact tempo grid rounded to
    // the nearest sample, so hits do not drift at tempos that give fractional beat lengths.
    static std::int64_t StepPosition(int step, int sampleRate, double tempoBpm);

    // Length of the loop in samples: 8 bars of 4/4 at the tempo, rounded to the nearest sample.
    static std::int64_t LengthInSamples(int sampleRate, double tempoBpm);

    // Fills `buffer` (stereo, sampleRate set) with the loop. sampleRate 8000..384000 Hz,
    // tempoBpm 20..999. Allocates; not for the audio thread.
    static void Generate(int sampleRate, double tempoBpm, AUDIO_BUFFER& buffer);
};

} // namespace morvex::render
