// Distortion module of a layer. Per block: a mid/side narrowing ("Dist Mono"), one
// of four drive models ("Dist Mode": 0 Tube, 1 Overdrive, 2 Warm, 3 Crisp), a fuzz
// stage at twice the sample rate between polyphase half-band resamplers, a
// four-band colour equaliser that scoops the low mids and lifts lows and highs as
// "Dist Color" rises (flat at 0 %), the output gain and the dry/wet mix. Gains and
// mixes are ramped across each block.
#pragma once

#include "Common/wrappers/dsp/Oversampler.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "Common/wrappers/utilities/StereoBuffer.h"
#include "Dist/DistFilter.h"
#include "Dist/FuzzDistortion.h"
#include "Dist/TubeModelA.h"
#include "Dist/TubeModelB.h"
#include "Dist/WarmDrive.h"
#include "LayerEffect.h"

class CLayerDist : public CLayerEffect
{
public:
    // Sets every part up for 44100 Hz and blocks of up to 16 samples, and resets.
    CLayerDist(CBaseEffect* owner, int layer);

    // Largest block the host will pass; the buffers hold at least the engine's
    // 16-sample sub-block. UI thread.
    void SetBlockSize(int blockSize) override;
    // Recomputes the band filters, the tube models' high-passes and the warm drives'
    // blockers. UI thread.
    void SetSampleRate(float sampleRate) override;
    // Clears the resamplers, models and band filters; the ramps carry on. Not
    // concurrently with Process.
    void Reset() override;
    // In place, count samples of each channel. Audio thread.
    void Process(float* left, float* right, int count) noexcept override;

private:
    static constexpr int kBandCount = 4;

    void ResizeBuffers(int blockSize);
    void ProcessBlock(float* left, float* right, int count) noexcept;
    void ApplyMono(float* left, float* right, int count, bool steady) noexcept;
    void ApplyDrive(float* left, float* right, int count, int mode, float drive) noexcept;
    void ApplyFuzz(float* left, float* right, int count) noexcept;
    void ApplyColourAndMix(float* left, float* right, int count, bool mixSteady) noexcept;

    CTubeModelA m_tubeA[2];
    CTubeModelB m_tubeB[2];
    CFuzzDistortion m_fuzz;
    CWarmDrive m_warm[2];               // in series, each on both channels
    CDistFilterBank m_bands[2];         // per channel, bands 1..4 side by side
    COversampler m_oversampler;
    CStereoBuffer m_dry;
    int m_capacity = 0; // samples per channel that one ProcessBlock may take

    ParamInterpolator m_driveGainRamp;
    ParamInterpolator m_driveLevelRamp;
    ParamInterpolator m_warmDriveRamp;
    ParamInterpolator m_fuzzGainRamp;
    ParamInterpolator m_fuzzMixRamp;
    ParamInterpolator m_colourRamp;
    ParamInterpolator m_outputGainRamp;
    ParamInterpolator m_monoRamp;
    ParamInterpolator m_mixRamp;
};
