// Master equaliser of the master section, after the reverb: a bass low shelf, two mid
// peaks that share the mid gain and a treble high shelf, four RBJ-cookbook biquads
// (CBiquadFilter; R. Bristow-Johnson, "Cookbook formulae for audio EQ biquad filter
// coefficients").
//
// From the scaled (0..1) controls b = "Eq Bass", m = "Eq Mid", t = "Eq Treble",
// bf = "Eq Bass Freq" and mf = "Eq Mid Freq":
//   bass      low shelf at 425 + 2000 bf Hz, Q 1 + 0.15 bf, 32 b - 16 dB;
//   low mid   peak at 830 Hz, 7.2 octaves wide (7.2 - 3 (1 - 2m) for m <= 0.5),
//             20 (2m - 1)(1 - mf) dB;
//   high mid  peak at 2000 + 400 |2m - 1| Hz, 4.5 octaves wide, 20 (2m - 1) mf dB;
//   treble    high shelf at 3000 Hz, Q 1, 32 t - 16 dB.
// The mid frequency control therefore crossfades the mid gain from the 830 Hz peak to the
// upper one; the bass corner follows the scaled "Eq Bass Freq" only. Centre settings give
// 0 dB in every section.
#pragma once

#include "Common/wrappers/dsp/BiquadFilter.h"

class CBaseEffect;

class CMasterEQ
{
public:
    // The owner's parameters "Eq On" .. "Eq Mid Freq" are read each block. Rate 44100 Hz
    // until set.
    explicit CMasterEQ(CBaseEffect* owner);
    CMasterEQ(const CMasterEQ&) = delete;
    CMasterEQ& operator=(const CMasterEQ&) = delete;

    // Rate in Hz (> 0; other values are ignored). UI thread.
    void SetSampleRate(float sampleRate);
    // Clears the four filters' state. UI thread, between blocks.
    void Reset();
    // Equalises count samples of both channels in place; reads the parameters once (a block
    // is one call, at most 16 samples in the engine). With "Eq On" off the block and the
    // filter state stay untouched. Audio thread.
    void Process(float* left, float* right, int count) noexcept;

private:
    // Recomputes the four sections from the scaled controls.
    void UpdateSections(float bass, float mid, float treble, float bassFreq,
                        float midFreq) noexcept;

    CBaseEffect* m_owner;
    float m_sampleRate = 44100.0f;
    CBiquadFilter m_bass;
    CBiquadFilter m_lowMid;
    CBiquadFilter m_highMid;
    CBiquadFilter m_treble;
    // The controls the sections were last computed from: an unchanged block skips the
    // coefficient maths (same coefficients, so the same output).
    float m_lastControls[5] = {};
    bool m_sectionsValid = false;
    // A section at exactly 0 dB is the identity: it is skipped (and its state
    // cleared), so a centred EQ passes the signal without float round-off.
    bool m_bassActive = false;
    bool m_lowMidActive = false;
    bool m_highMidActive = false;
    bool m_trebleActive = false;
};
