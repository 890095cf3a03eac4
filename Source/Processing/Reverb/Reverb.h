// Stereo reverb of the master section, after the master tremolo. A cross-coupled
// ("figure-eight") tank in the manner of J. Dattorro, "Effect Design, Part 1: Reverberator
// and Other Filters", JAES 1997: each channel runs through three modulated all-pass
// diffusers (CDiffuseDelay, g = 0.7, each line read through a shelf pair), a shelf pair
// (HighLowShelf) and a modulated tank delay line; each tank output, scaled by the decay,
// feeds the other channel's input. The tank outputs pass an output shelf pair and a DC trap
// (DCTrap) and are mixed with the dry input through DRYWET_TABLE.
//
// Delays in samples, with s the squared "Reverb Size" (0..1) and R the rate:
//   base b = (0.135 s + 0.015) R, spread p = (0.012 s + 0.003) R, depth q = 0.000405 R;
//   diffusers n = 1, 2, 3 at b - (4 - n) p +- L(n-1) q (left +, right -);
//   tank lines at b +- L3 q,
// where L0..L3 are one 0.405 Hz sine LFO read at phase offsets 0, 1/8, 2/8 and 3/8.
// The shortest read is 0.005595 R and the longest b + q = 0.150405 R, inside the
// ceil(0.27 R) lines at every size; reads are kept within 2 .. S - 3 samples (so that all
// four interpolation taps are written samples), which only acts below a rate of 358 Hz.
// Shelves: bass factor B = 1 - 0.29 (1 - bass), treble factor T = 1 - 0.29 (1 - treble)
// inside the tank (bass and treble scaled 0..1), T' = 1.1 - 0.5 (1 - treble) at the output.
//
// All lines advance together, so they share one write index; the eight line reads of a
// sample and the shelves on them run on four lanes at a time (FLOAT4), and from the tank
// input to the output the two channels run side by side in two lanes.
#pragma once

#include "Common/wrappers/dsp/MixRest.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "DCTrap.h"
#include "DiffuseDelay.h"
#include "Common/wrappers/dsp/Float4.h"
#include "HighLowShelf.h"
#include "ReverbDelayLine.h"

class CBaseEffect;

class CReverb
{
public:
    // Read delays in samples of the six diffusers (left 1, right 1, left 2, right 2, left 3,
    // right 3) and the two tank lines (left, right).
    struct READ_DELAYS
    {
        float diffuser[6];
        float tank[2];
    };

    // The owner's parameters "Reverb On" .. "Reverb Mix" and "Reverb Input" are read each
    // block. The lines are sized by SetSampleRate; until then Process does nothing.
    explicit CReverb(CBaseEffect* owner);
    CReverb(const CReverb&) = delete;
    CReverb& operator=(const CReverb&) = delete;

    // Rate in Hz (> 0; other values are ignored): sizes every line to ceil(0.27 rate)
    // samples (zeroed) and sets the shelf and DC trap coefficients. UI thread.
    void SetSampleRate(float sampleRate);
    // Back to silence: clears the lines, the filter states, the DC traps and the feedback.
    // The LFO phase and the parameter ramps continue. Between blocks, on any thread; no
    // line is zeroed here (each swaps in its zeroed spare), so it is cheap on the audio
    // thread.
    void Reset();
    // Reverberates count samples of both channels in place; reads the parameters once (a
    // block is one call, at most 16 samples in the engine). With "Reverb On" off the block
    // and the tail are left untouched (the tail freezes). While the wet amount (the mix after
    // its dry/wet curve) stands at exactly 0 the reverb rests: the block is left as it is and
    // the tank is not run; the first block with a wet part after a rest starts from a
    // silent tank. Audio thread.
    void Process(float* left, float* right, int count) noexcept;

    // Size in samples of every line (0 before SetSampleRate).
    int GetLineSize() const noexcept { return m_tankLine[0].GetSize(); }
    // The read delays Process uses, before they are kept within 2 .. S - 3, for the squared
    // size (0..1), the LFO values L0..L3 (-1..1) and the rate.
    static READ_DELAYS ReadDelays(float size, const float lfo[4], float sampleRate) noexcept;

private:
    // Clears every piece of audio history (Reset, and recovery from a non-finite state).
    void ClearAudio() noexcept;
    // Zeroes the next piece of every line's spare (see CReverbDelayLine::Clear).
    void ZeroSpares() noexcept;
    // Spare samples zeroed per line and sub-block: 0.27 s at 48 kHz is clean after 51
    // sub-blocks (17 ms), at 1 KB of zeroing per line each.
    static constexpr int kSpareZeroingStep = 256;
    // The sample loop. kSteady: no ramp moves in this block, so every ramp value is its
    // current value throughout; otherwise the ramps advance per sample and, when
    // shelvesMove, the shelf coefficients follow them.
    template <bool kSteady>
    void ProcessSamples(float* left, float* right, int count, bool shelvesMove) noexcept;

    CBaseEffect* m_owner;
    // Left 1, right 1, left 2, right 2, left 3, right 3.
    CDiffuseDelay m_diffuser[6];
    CReverbDelayLine m_tankLine[2];
    // In-line shelves of the diffusers left 1, right 1, left 2, right 2.
    HighLowShelf m_shelvesA;
    // In-line shelves of the diffusers left 3, right 3 (lanes 0, 1) and the output shelves
    // on the left and right tank outputs (lanes 2, 3).
    HighLowShelf m_shelvesB;
    // Shelves after the diffusers, left and right (lanes 0, 1; lanes 2, 3 idle).
    HighLowShelf m_tankShelves;
    DCTrap m_dcTrap[2];
    float m_feedback[2] = {};
    float m_lastTankInput[2] = {}; // last values written to the tank lines
    int m_writeIndex = 0;          // shared by all eight lines
    CMixRest m_rest;               // skips blocks at a wet amount of 0
    float m_lfoPhase = 0.0f;       // 0..1
    float m_sampleRate = 0.0f;
    float m_inverseRate = 0.0f;
    ParamInterpolator m_mixRamp;
    ParamInterpolator m_sizeRamp;
    ParamInterpolator m_decayRamp;
    ParamInterpolator m_bassRamp;   // 1 - bass
    ParamInterpolator m_trebleRamp; // 1 - treble
    ParamInterpolator m_inputRamp;
};
