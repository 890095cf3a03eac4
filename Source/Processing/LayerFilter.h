// Filter module of a layer. A low-cut (resonant second-order high-pass) and a
// four-pole high-cut band-limit the signal around one of twelve modes: a saturating
// ladder as 12 and 24 dB low-, high- and band-pass, two phasers, a ring modulator, a
// frequency shifter, an octave-band and a three-formant vowel filter. The cutoff
// ("Filter Cutoff", semitones of the MIDI note scale) follows its modulation sample
// by sample. The ladder and the high-cut run at twice the sample rate on pairs of
// (midpoint, on-sample value) that a half-band decimator folds back to the layer's
// rate, which delays the filtered signal by kLatencySamples. "Filter Mix" blends the
// result with the input delayed by the same kLatencySamples, so that a partial mix has no
// comb; with the mix standing at 0 the input passes as it comes, and a move away from 0
// (or back) crossfades between the two over the block.
#pragma once

#include "Common/wrappers/dsp/BiquadFilter.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "Filters/FormantFilter1.h"
#include "Filters/FourPoleFilter.h"
#include "Filters/HalfBandDecimator.h"
#include "Filters/MoogFilter.h"
#include "Filters/OctaveBandFilter.h"
#include "Filters/PhaserFilter.h"
#include "Filters/PitchShifter.h"
#include "Filters/RingModFilter.h"
#include "LayerEffect.h"

struct PARAM_MODULATION;

class CLayerFilter : public CLayerEffect
{
public:
    // Values of "Filter Mode".
    enum MODE : int
    {
        kLowpass12 = 0,
        kHighpass12 = 1,
        kBandpass12 = 2,
        kLowpass24 = 3,
        kHighpass24 = 4,
        kBandpass24 = 5,
        kPhaser4 = 6,
        kPhaser8 = 7,
        kRingMod = 8,
        kPitchShift = 9,
        kOctaveBand = 10,
        kVowel = 11,
    };
    static constexpr int kModeCount = 12;
    // Delay of the filtered signal against the input, in samples at the layer's rate.
    static constexpr int kLatencySamples = CHalfBandDecimator::kLatencySamples;
    // Cutoff pitch range in semitones.
    static constexpr float kMinCutoffPitch = 20.0f;
    static constexpr float kMaxCutoffPitch = 135.2f;

    using CLayerEffect::CLayerEffect;

    // Stores the rate and gives it to the frequency shifter. UI thread.
    void SetSampleRate(float sampleRate) override;
    // Clears every filter state, the carrier phases, the decimators, the previous inputs
    // and the dry path's delay; the mix ramp keeps its value.
    void Reset() override;
    void Process(float* left, float* right, int count) noexcept override;

private:
    // What the block reads besides the cutoff.
    struct BLOCK_SETTINGS
    {
        int mode;
        float resonance;       // "Filter Res" scaled, 0..1
        float ladderResonance; // R = 1 - (1 - q)^2
    };

    // Coefficients of the block's mode for a cutoff pitch (semitones, already clamped).
    void SetCutoffPitch(float pitch, const BLOCK_SETTINGS& settings) noexcept;
    // Clears the states of the filtered path (everything Reset clears).
    void ClearStates() noexcept;
    // The ladder modes on count <= kLadderChunk samples starting offset samples into the
    // block; returns whether an output sample was non-finite (the states need clearing).
    // alignStill, mixStill: the dry alignment and the mix of the whole block when their
    // ramps stand still, else negative (read per sample).
    bool ProcessLadder(float* left, float* right, int offset, int count,
                       const BLOCK_SETTINGS& settings, int sections, float cutoffBase,
                       const PARAM_MODULATION* modulation, int entries, float alignStill,
                       float mixStill) noexcept;

    // The dry sample the mix takes: the input x crossfaded with its copy kLatencySamples
    // older by the alignment (1: the delayed copy, 0: x as it comes).
    static float Aligned(float x, float delayed, float align) noexcept
    {
        if (align >= 1.0f)
            return delayed;
        return align > 0.0f ? x + align * (delayed - x) : x;
    }

    static constexpr int kLadderChunk = 16;

    CMoogFilter m_ladder;
    FourPoleFilter m_highCut;
    CBiquadFilter m_lowCut;
    CPhaserFilter m_phaser;
    COctaveBandFilter m_octaveBand;
    CPitchShifter m_pitchShifter;
    CFormantFilter1 m_vowel;
    CRingModFilter m_ringMod;
    CHalfBandDecimator m_decimator[2];
    float m_previousLowCut[2] = {};
    ParamInterpolator m_mixRamp;
    // 1 while the mix is above 0 (the dry path delayed like the wet), 0 while it stands at 0
    // (the input as it comes); ramps with the mix when it leaves or reaches 0.
    ParamInterpolator m_alignRamp;
    // The last kLatencySamples input frames, oldest first, left and right interleaved.
    float m_dryHistory[2 * kLatencySamples] = {};

    float m_inverseSampleRate = 0.0f;
    // The cutoff as last set: pitch, relative frequency (Hz / rate), ring and shifter fade.
    float m_cutoffPitch = 0.0f;
    float m_relativeCutoff = 0.0f;
    float m_fade = 0.0f;
    // Pitches and rate the low- and high-cut coefficients were computed for.
    float m_lowCutPitch = -1.0f;
    float m_highCutPitch = -1.0f;
    float m_cutRate = 0.0f;
};
