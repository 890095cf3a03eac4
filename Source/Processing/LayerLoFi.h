// Lo-fi module of a layer: CLoFi lowers the resolution, multiplies noise into the
// signal and holds samples; three fixed RBJ cookbook filters (a 3-octave peak at
// 1073 Hz, a high shelf at 2324 Hz and a low shelf at 239 Hz) tilt the tone, boosts
// being compensated in level; "LoFi Mix" blends with the dry signal.
#pragma once

#include "Common/wrappers/dsp/BiquadFilter.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "LayerEffect.h"
#include "LoFi/LoFi.h"

class CLayerLoFi : public CLayerEffect
{
public:
    using CLayerEffect::CLayerEffect;

    // Stores the rate and passes it to the lo-fi stage. UI thread.
    void SetSampleRate(float sampleRate) override;
    // Clears the lo-fi stage and the three filters; the ramps run on.
    void Reset() override;
    void Process(float* left, float* right, int count) noexcept override;

private:
    // Filter gains for "LoFi Tone" (scaled, 0.5 flat); recomputed only on a change.
    void UpdateTone(float tone) noexcept;
    void ResetFilters() noexcept;

    CLoFi m_lofi;
    ParamInterpolator m_toneRamp;
    ParamInterpolator m_mixRamp;
    CBiquadFilter m_peak;
    CBiquadFilter m_lowShelf;
    CBiquadFilter m_highShelf;
    float m_toneSetting = -1.0f; // tone and rate the filters were last computed for
    float m_toneRate = 0.0f;
    bool m_toneActive = false; // false at the middle: the filters are left out
};
