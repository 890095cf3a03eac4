// Glitch module of a layer: a tempo-synced beat repeat. The layer's signal is
// recorded without pause into a loop of one "Glitch Buffer" note length, whose
// start follows the transport. Once the loop has filled, the first 1/q of it (the
// slice) is played over and over, q = 2 trunc(2^(scale - 1)) ("Glitch Scale" 1 -> 2,
// 2 -> 4, 3 -> 8; 0 -> the whole loop), forwards or backwards ("Glitch Reverse"),
// optionally under a short fade at both ends ("Glitch Smooth"). In "Run" mode the
// recording carries on, so each loop's first slice is heard live and then repeated;
// "Freeze" stops the recording while the transport plays and the repeat is active,
// so that the same slice repeats indefinitely. Mode, reverse and the mix that decides
// whether the repeat is heard at all are latched at slice boundaries (switching freeze
// or reverse off acts at the next block). A granular stretcher ("Glitch Stretch")
// slows the result down, and "Glitch Mix" blends it with the dry block.
//
// The loop holds the longest buffer setting (a whole note) at the lowest tempo the
// module accepts, kMinTempoBpm: 12 seconds at the current rate. Lower tempos are taken
// as kMinTempoBpm, so the audio path never needs more.
#pragma once

#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "Common/wrappers/utilities/StereoBuffer.h"
#include "GrainStretch.h"
#include "LayerEffect.h"

class CLayerGlitch : public CLayerEffect
{
public:
    static constexpr float kMinTempoBpm = CGrainStretch::kMinTempoBpm;
    static constexpr float kMaxTempoBpm = CGrainStretch::kMaxTempoBpm;

    // Sets everything up for 44100 Hz, 120 beats per minute and blocks of up to 16
    // samples.
    CLayerGlitch(CBaseEffect* owner, int layer);

    // Largest block the host will pass; the dry copy holds at least the engine's
    // 16-sample sub-block, and longer calls are taken in pieces. UI thread.
    void SetBlockSize(int blockSize) override;
    // Reallocates the loop (12 s at the rate, silent) and the stretcher's ring, and
    // starts recording afresh. Rates are clamped to 8 kHz .. 384 kHz. UI thread.
    void SetSampleRate(float sampleRate) override;
    // Tempo in beats per minute, clamped to kMinTempoBpm .. kMaxTempoBpm (not finite or
    // not positive reads as the lowest); recomputes the loop length. Audio thread.
    void SetHostTempo(float tempoBpm) override;
    // Stores the host position in samples; the loop follows the transport start instead.
    // Audio thread.
    void SetHostSamplePos(float samplePos) override;
    // Arms freeze and the stretcher. Audio thread.
    void OnTransportStart() override;
    // Resets, then disarms freeze and the stretcher. Audio thread.
    void OnTransportStop() override;
    // Rewinds recording and playback, forgets the latched mode and mix and that the
    // loop was full, silences the loop and resets the stretcher; the latched reverse
    // and the ramps stay. Not concurrently with Process. Constant time: the loop's memory
    // is not touched, what was not written since reads as silence.
    void Reset() override;
    // In place, count samples of each channel. Records even while "Glitch On" is off.
    // Audio thread.
    void Process(float* left, float* right, int count) noexcept override;

    // Loop length in samples for the current "Glitch Buffer", tempo and rate.
    int GetBufferSize() const noexcept { return m_bufferSize; }
    // Samples per channel the loop can hold.
    int GetLoopCapacity() const noexcept { return m_loop.GetSamplesCount(); }

private:
    // Per-block settings of the repeat.
    struct BLOCK_SETTINGS
    {
        bool on;
        bool freezeWanted;
        bool reverseWanted;
        bool smooth;
        bool stretching;
        float mix;
    };

    // Loop length from the buffer sync index, tempo and rate, clamped to 1..capacity.
    void CalcBufferSize() noexcept;
    // Records and repeats one piece in place.
    void RepeatSlices(float* left, float* right, int count,
                      const BLOCK_SETTINGS& settings) noexcept;
    // True when no sample of the block can be repeated: the glitch is off, its mix is
    // off now and at the next slice, or nothing
    // (scale settled at off, no stretch, no reverse now or at the next slice) asks for a
    // repeat. Such a block only records.
    bool OnlyRecords(const BLOCK_SETTINGS& settings) const noexcept;
    // What RepeatSlices does on a block for which OnlyRecords holds, leaving the audio as
    // it is: the input goes into the loop, the slice position runs on. False, with nothing
    // recorded, when an index stands beyond a buffer or slice that shrank.
    bool Record(const float* left, const float* right, int count,
                const BLOCK_SETTINGS& settings) noexcept;
    // Blends a processed piece with its dry copy along the mix ramp.
    void BlendWithDry(float* left, float* right, int count) noexcept;

    CStereoBuffer m_loop;
    CStereoBuffer m_dry;
    int m_writeIndex = 0;
    int m_readIndex = 0;
    bool m_bufferFull = false;
    int m_bufferSize = 1;
    int m_bufferSyncIndex = 5;
    bool m_freeze = false;
    float m_latchedMix = 0.0f;
    bool m_reverse = false;
    bool m_transportRunning = false;
    // Loop samples written since the last reset: recording runs from index 0 on without
    // gaps (a frozen pass writes silence where it is the first), so indices below this
    // hold what the loop recorded and every index from here on reads as silence.
    int m_writtenCount = 0;
    CGrainStretch m_stretch;
    ParamInterpolator m_scaleRamp;
    ParamInterpolator m_mixRamp;
    // Slice divisor for the last ramped scale value (the ramp rarely moves).
    float m_divisorScale = 0.0f;
    int m_divisor = 1;
};
