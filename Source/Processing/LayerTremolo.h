// Tremolo and pan flip driven by the eight modulators, for one layer's chain or (master)
// for the mixed signal. Each modulator's "Mod%d Tremolo Dst" (0 master, 1 layer A,
// 2 layer B) picks the one instance that applies it. For modulator i with depth
// d = sqrt("Mod%d Tremolo") and flip amount p = sqrt("Mod%d Pan Flip"), both ramped over
// the block, each sample is
//   x *= m[n] d + 1 - d            (m: the modulator's output 0..1)
//   pan flip i (amount p)
//   x *= 1 + (10^(3/20) - 1) EXP_TABLE(d)   (make-up gain, +3 dB at full depth)
// The pan flip changes side once per note length of "Mod%d Speed" when "Mod%d Sync" is on,
// and runs one full left-right cycle per "Mod%d Speed" milliseconds otherwise.
#pragma once

#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "LayerEffect.h"
#include "PanFlip.h"

class CLayerTremolo : public CLayerEffect
{
public:
    static constexpr int kNumModulators = 8;

    // layer: 0 (layer A) or 1 (layer B); the master instance takes layer 0.
    CLayerTremolo(CBaseEffect* owner, int layer, bool isMaster);

    bool IsMaster() const { return m_isMaster; }

    // Stored and passed to the eight pan flips. UI thread / before a block.
    void SetSampleRate(float sampleRate) override;
    void SetHostSamplePos(float samplePos) override;
    // Resets the eight pan flips (phases and gains).
    void Reset() override;
    // Applies every modulator aimed at this instance, in place. Audio thread.
    void Process(float* left, float* right, int count) noexcept override;
    // True while modulator `index` leaves this instance's audio alone: its depth and flip
    // ramps stand at 0 (with depth and flip reading 0 the block then skips the modulator).
    bool IsQuiet(int index) const noexcept
    {
        return m_depthRamps[index].GetCurrent() == 0.0f && m_flipRamps[index].GetCurrent() == 0.0f;
    }

private:
    // True when "Mod%d Tremolo Dst" = dst names this instance.
    bool Applies(int dst) const noexcept;

    CPanFlip m_panFlips[kNumModulators];
    ParamInterpolator m_depthRamps[kNumModulators];
    ParamInterpolator m_flipRamps[kNumModulators];
    // Phase increment per modulator and the settings it was computed for.
    struct INCREMENT
    {
        bool sync = false;
        float speed = -1.0f;
        float tempo = -1.0f;
        float rate = -1.0f;
        float increment = 0.0f;
    };
    INCREMENT m_increments[kNumModulators];
    bool m_isMaster;
};
