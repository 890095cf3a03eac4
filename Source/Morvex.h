// The Morvex effect object: declares the 312 parameters, keeps the speed and
// glitch-scale parameters in the shape their switches imply, and runs the
// per-sub-block signal flow.
#pragma once

#include "Common/wrappers/BaseEffect.h"

// Parameter ids. Layer parameters: the id of layer A; layer B is the next id.
namespace MorvexParam
{
enum : int
{
    kPower = 0,
    kLimiter = 1,
    kVolume = 2,
    kPan = 3,
    kDryWet = 4,
    kLayerAMix = 5,
    kLayerBMix = 6,
    kLayerAPan = 7,
    kLayerBPan = 8,
    kLayerAOn = 9,
    kLayerBOn = 10,
    kLayerMode = 11,
    kModMtxPower = 12,
    kEqOn = 13,
    kEqBass = 14,
    kEqMid = 15,
    kEqTreble = 16,
    kEqBassFreq = 17,
    kEqMidFreq = 18,
    kReverbOn = 19,
    kReverbSize = 20,
    kReverbDecay = 21,
    kReverbBass = 22,
    kReverbTreble = 23,
    kReverbMix = 24,

    kFilterOn = 25,
    kFilterMix = 27,
    kFilterMode = 29,
    kFilterSlope = 31,
    kFilterCutoff = 33,
    kFilterRes = 35,
    kFilterLocut = 37,
    kFilterHicut = 39,
    kDelayOn = 41,
    kDelaySync = 43,
    kDelaySpeedL = 45,
    kDelaySpeedR = 47,
    kDelayLink = 49,
    kDelayFeedback = 51,
    kDelayMix = 53,
    kDelayLowpass = 55,
    kDelayBandpass = 57,
    kDelayPingPong = 59,
    kDistOn = 61,
    kDistMix = 63,
    kDistDrive = 65,
    kDistFuzz = 67,
    kDistColor = 69,
    kDistOutput = 71,
    kDistMode = 73,
    kDistMono = 75,
    kLoFiOn = 77,
    kLoFiMix = 79,
    kLoFiBitDepth = 81,
    kLoFiSampleRate = 83,
    kLoFiNoise = 85,
    kLoFiTone = 87,
    kGlitchOn = 89,
    kGlitchMix = 91,
    kGlitchBuffer = 93,
    kGlitchScale = 95,
    kGlitchStretch = 97,
    kGlitchReverse = 99,
    kGlitchSmooth = 101,
    kGlitchMode = 103,
    kFlangerOn = 105,
    kFlangerDelay = 107,
    kFlangerFeedback = 109,
    kFlangerSync = 111,
    kFlangerSpeed = 113,
    kFlangerDepth = 115,
    kFlangerWidth = 117,
    kFlangerTone = 119,
    kFlangerMix = 121,

    // Modulators: id + k for modulator k = 0..7.
    kModSync = 123,
    kModSpeed = 131,
    kModMode = 139,
    kModSmooth = 147,
    kModNumSteps = 155,
    kModGate = 163,
    kModTension = 171,
    kModTremolo = 179,
    kModTremoloDst = 187,
    kModPanFlip = 195,
    kModShuffle = 203,

    // Matrix slots: id + k for slot k = 0..23.
    kMtxPower = 211,
    kMtxDepth = 235,
    kMtxSource = 259,
    kMtxTarget = 283,

    kFlangerMode = 307,
    kDelayInput = 309,
    kReverbInput = 311,
};

constexpr int kNumModulators = 8;
constexpr int kNumMatrixSlots = 24;
} // namespace MorvexParam

class CVstWrapper;

class CMorvex : public CBaseEffect
{
public:
    explicit CMorvex(CVstWrapper* wrapper);
    ~CMorvex() override;

    void OnSetParameter(int id, float value) override;
    void Process(float* left, float* right, int numSamples) noexcept override;

    // Declares `id` as a speed parameter: a note-length index when synchronized,
    // milliseconds otherwise, keeping the value's relative position.
    void DeclareSpeedParameter(int id, bool synchronized, const char* name, float syncMin,
                               float syncMax, float syncDefault, float freeMin, float freeMax,
                               float freeDefault);

private:
    void DeclareParameters();
    void DeclareSpeedFor(int speedId, bool synchronized);
    void RedeclareGlitchScale(int bufferId);
};
