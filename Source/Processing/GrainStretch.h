// Granular time stretch behind the glitch repeat: the input is written into a
// ten-second stereo ring and read back by two grains of 50 ms, half a grain apart.
// Each grain reads one sample per output sample under a trapezoidal window (20 %
// ramps) times a triangle 2 min(ph, 1 - ph) of its phase; whenever a grain ends it
// restarts trunc(Lg / F) - Lg samples back, so that the material advances by Lg / F
// per grain length Lg and plays F times slower at its own pitch (overlap-add
// granular stretching, after Roads, "Microsound", ch. 3). F = 1 + 15 EXP_TABLE[amount]
// runs from 1 (off: the input passes untouched) to 16. Every twelve whole notes (halved
// until the lag fits the ring) both grains jump back to the live input. Runs only while
// the host transport plays; stopped, the audio passes unchanged.
#pragma once

#include "Common/wrappers/dsp/Trapezia.h"
#include "Common/wrappers/utilities/StereoBuffer.h"

class CGrainStretch
{
public:
    // Tempo range the resynchronisation period is computed for; other tempos are
    // clamped to it (not finite or not positive reads as the lowest).
    static constexpr float kMinTempoBpm = 20.0f;
    static constexpr float kMaxTempoBpm = 1000.0f;

    // Sets the stretcher up for 44100 Hz and 120 beats per minute.
    CGrainStretch();

    // Reallocates the ring (10 * trunc(rate) samples per channel, silent), recomputes
    // the resynchronisation period and resets. Rates are clamped to 8 kHz .. 384 kHz.
    // UI thread.
    void SetSampleRate(float sampleRate);
    // Resynchronisation period: twelve whole notes, 12 * trunc(240 / tempo * rate)
    // samples, halved until it fits the ring. Audio thread (no allocation).
    void SetHostTempo(float tempoBpm) noexcept;
    // The stretch runs only while this is set (transport playing).
    void SetTransportRunning(bool running) noexcept { m_transportRunning = running; }
    // Silences the ring, rewinds the write position and the resynchronisation count and
    // restarts both grains (grain 1 half a grain late). Audio thread, constant time: the
    // ring's memory is not touched, reads beyond what was written since read as silence.
    void Reset() noexcept;
    // In place, count samples of each channel; amount 0..1 (0 = off, 1 = sixteen times
    // slower). Audio thread.
    void Process(float* left, float* right, float amount, int count) noexcept;

    int GetBufferSize() const noexcept { return m_buffer.GetSamplesCount(); }
    int GetGrainLength() const noexcept { return m_grainLength; }
    int GetResyncPeriod() const noexcept { return m_resyncPeriod; }

private:
    struct GRAIN
    {
        CTrapezia window;
        int readIndex = 0;
    };

    void UpdateResyncPeriod() noexcept;

    CStereoBuffer m_buffer;
    float m_sampleRate = 44100.0f;
    float m_tempoBpm = 120.0f;
    int m_writeIndex = 0;
    // Samples written since the last reset: the writes run from index 0 on without gaps,
    // so indices below this hold them and every index from here on reads as silence.
    int m_writtenCount = 0;
    int m_resyncCounter = 0;
    int m_resyncPeriod = 1058400; // twelve whole notes at 120 BPM and 44.1 kHz
    bool m_transportRunning = false;
    int m_grainLength = 0;
    GRAIN m_grains[2];
};
