// Flanger and phaser module of a layer. A sine LFO (free in milliseconds, or a
// note length synchronised to the host tempo and re-derived from the host
// position) sweeps two modulated delay lines read through all-pass interpolation
// (flanger, with feedback) and two six-stage first-order all-pass chains (phaser,
// with feedback and an output shelf). "Flanger Mode" crossfades the two, "Flanger
// Width" moves the right LFO up to half a cycle away, "Flanger Tone" tilts the
// treble with an RBJ high shelf and "Flanger Mix" blends with the dry signal.
// Delays in samples, LFO phases in cycles (0..1), frequencies in Hz.
#pragma once

#include "Common/wrappers/dsp/BiquadFilter.h"
#include "Common/wrappers/dsp/DelayAp.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "LayerEffect.h"
#include "PhaserHS.h"

class CLayerFlanger : public CLayerEffect
{
public:
    static constexpr int kPhaserStages = 6;

    // Lines of 44100 samples, rate 44100 Hz and block size 1024 until the engine sets them.
    CLayerFlanger(CBaseEffect* owner, int layer);

    // Stores the rate and resizes both lines to one second. UI thread.
    void SetSampleRate(float sampleRate) override;
    // Host position in samples; a changed position makes a synced LFO re-derive its phase
    // from it at the next sample. Audio thread.
    void SetHostSamplePos(float samplePos) override;
    // Clears lines, interpolators, feedback, LFO phases and values and every filter state;
    // the write indices and the ramps run on.
    void Reset() override;
    void Process(float* left, float* right, int count) noexcept override;

private:
    // Tone shelf for "Flanger Tone" (scaled, 0.5 neutral); recomputed only on a change.
    void UpdateTone(float tone) noexcept;
    // Phaser stage coefficients, output gains and shelf from the delay setting (scaled),
    // the depth target and the LFO values at the end of the last block.
    void UpdatePhaserSweep(float delayScaled, float depth) noexcept;

    CDelayAp m_lines[2];
    float m_feedbackSums[2] = {}; // next line input in flanger territory
    double m_phases[2] = {};      // LFO phase of each channel, 0..1
    float m_lfoValues[2] = {};    // last LFO value of each channel, 0..1
    bool m_resync = false;

    CBiquadFilter m_tone;
    float m_toneSetting = -1.0f; // tone and rate the shelf was last computed for
    float m_toneRate = 0.0f;
    bool m_toneActive = false; // false at the middle: the shelf is left out

    float m_phaserFeedback[2] = {};
    float m_phaserStates[2][kPhaserStages] = {};
    float m_phaserCoefficients[2][kPhaserStages] = {}; // a = (1 - w) / (1 + w) per stage
    float m_phaserGains[2] = {};                       // output gain times 0.5
    CPhaserHS m_phaserShelf;

    ParamInterpolator m_mixRamp;
    ParamInterpolator m_feedbackRamp;
    ParamInterpolator m_depthRamp;
    ParamInterpolator m_widthRamp;
};
