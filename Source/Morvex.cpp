#include "Morvex.h"

#include "Common/wrappers/BaseEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Decorators.h"

#include <cmath>
#include <cstdio>

using namespace MorvexParam;
using namespace Decorators;

namespace
{
// One row of the parameter table.
struct PARAM_ROW
{
    int id;
    const char* name;
    int curve;
    float min;
    float max;
    float defaultValue;
    PARAM_DECORATOR decorator;
    float smoothingMs;
    float power;
};

const PARAM_ROW kMasterRows[] = {
    {kPower, "Power", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kLimiter, "Limiter", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kVolume, "Volume", kCurveLinear, -24, 24, 0, dB2str, 50, 1},
    {kPan, "Pan", kCurveLinear, -1, 1, 0, pan2str, 50, 1},
    {kDryWet, "Dry/Wet", kCurveLinear, 0, 100, 100, percent2str, 50, 1},
    {kLayerAMix, "Layer A Mix", kCurvePower, -60, 0, 0, dBRange60_2str, 50, 0.35f},
    {kLayerBMix, "Layer B Mix", kCurvePower, -60, 0, 0, dBRange60_2str, 50, 0.35f},
    {kLayerAPan, "Layer A Pan", kCurveLinear, -1, 1, 0, pan2str, 50, 1},
    {kLayerBPan, "Layer B Pan", kCurveLinear, -1, 1, 0, pan2str, 50, 1},
    {kLayerAOn, "Layer A On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kLayerBOn, "Layer B On", kCurveStepped, 0, 1, 0, onOff2str, 50, 1},
    {kLayerMode, "Layer Mode", kCurveStepped, 0, 1, 0, layerMode2str, 50, 1},
    {kModMtxPower, "ModMtx Power", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kEqOn, "Eq On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kEqBass, "Eq Bass", kCurveLinear, -16, 16, 0, dB2str, 50, 1},
    {kEqMid, "Eq Mid", kCurveLinear, -20, 20, 0, dB2str, 50, 1},
    {kEqTreble, "Eq Treble", kCurveLinear, -16, 16, 0, dB2str, 50, 1},
    {kEqBassFreq, "Eq Bass Freq", kCurveLinear, 20, 100, 20, Hz2str, 50, 1},
    {kEqMidFreq, "Eq Mid Freq", kCurveLinear, 800, 2500, 1650, Hz2str, 50, 1},
    {kReverbOn, "Reverb On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kReverbSize, "Reverb Size", kCurveLinear, 0, 100, 75, percent2str, 50, 1},
    {kReverbDecay, "Reverb Decay", kCurveLinear, 0, 100, 75, percent2str, 50, 1},
    {kReverbBass, "Reverb Bass", kCurveLinear, -6, 0, 0, dB2str, 50, 1},
    {kReverbTreble, "Reverb Treble", kCurveLinear, -3, 3, 0, dB2str, 50, 1},
    {kReverbMix, "Reverb Mix", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kReverbInput, "Reverb Input", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
};

// Layer rows: the id of layer A, the name after the "LayerA " / "LayerB " prefix.
// Speed parameters (id 0 here) are declared separately.
const PARAM_ROW kLayerRows[] = {
    {kFilterOn, "Filter On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kFilterMix, "Filter Mix", kCurveLinear, 0, 100, 100, percent2str, 50, 1},
    {kFilterMode, "Filter Mode", kCurveStepped, 0, 11, 0, filterMode2str, 50, 1},
    {kFilterSlope, "Filter Slope", kCurveStepped, 0, 1, 0, filterSlope2str, 50, 1},
    {kFilterCutoff, "Filter Cutoff", kCurveLinear, 20, 135.2f, 135.2f, Pitch2str, 100, 1},
    {kFilterRes, "Filter Res", kCurveLinear, 0, 10, 0, nullptr, 50, 1},
    {kFilterLocut, "Filter Locut", kCurveLinear, 0, 135, 0, Pitch2str, 100, 1},
    {kFilterHicut, "Filter Hicut", kCurveLinear, 0, 136, 136, Pitch2str, 100, 1},
    {kDelayOn, "Delay On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kDelaySync, "Delay Sync", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kDelayLink, "Delay Link", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kDelayFeedback, "Delay Feedback", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kDelayMix, "Delay Mix", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kDelayLowpass, "Delay Lowpass", kCurveOctave, 50, 18000, 18000, Hz2str, 50, 1},
    {kDelayBandpass, "Delay Bandpass", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kDelayPingPong, "Delay PingPong", kCurveStepped, 0, 1, 0, onOff2str, 50, 1},
    {kDistOn, "Dist On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kDistMix, "Dist Mix", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kDistDrive, "Dist Drive", kCurveLinear, 0, 12, 0, dB2str, 50, 1},
    {kDistFuzz, "Dist Fuzz", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kDistColor, "Dist Color", kCurveLinear, 0, 100, 50, percent2str, 50, 1},
    {kDistOutput, "Dist Output", kCurveLinear, -12, 12, 0, dB2str, 50, 1},
    {kDistMode, "Dist Mode", kCurveStepped, 0, 3, 0, distMode2str, 50, 1},
    {kDistMono, "Dist Mono", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kLoFiOn, "LoFi On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kLoFiMix, "LoFi Mix", kCurveLinear, 0, 100, 100, percent2str, 50, 1},
    {kLoFiBitDepth, "LoFi BitDepth", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kLoFiSampleRate, "LoFi SampleRate", kCurveLinear, 0, 100, 0, lofiRate2str, 50, 1},
    {kLoFiNoise, "LoFi Noise", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kLoFiTone, "LoFi Tone", kCurveLinear, -100, 100, 0, percent2str, 50, 1},
    {kGlitchOn, "Glitch On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kGlitchMix, "Glitch Mix", kCurveLinear, 0, 100, 100, percent2str, 50, 1},
    {kGlitchBuffer, "Glitch Buffer", kCurveStepped, 0, 14, 8, Timescale2str, 50, 1},
    {kGlitchScale, "Glitch Scale", kCurveStepped, 0, 32, 0, nullptr, 50, 1},
    {kGlitchStretch, "Glitch Stretch", kCurveLinear, 0, 1, 1, glitchStretch2str, 50, 1},
    {kGlitchReverse, "Glitch Reverse", kCurveStepped, 0, 1, 0, onOff2str, 50, 1},
    {kGlitchSmooth, "Glitch Smooth", kCurveStepped, 0, 1, 0, onOff2str, 50, 1},
    {kGlitchMode, "Glitch Mode", kCurveStepped, 0, 1, 1, glitchMode2str, 50, 1},
    {kFlangerOn, "Flanger On", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kFlangerDelay, "Flanger Delay", kCurveOctave, 1, 25, 7, ms2str, 50, 1},
    {kFlangerFeedback, "Flanger Feedback", kCurveLinear, -100, 100, 85, percent2str, 50, 1},
    {kFlangerSync, "Flanger Sync", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kFlangerDepth, "Flanger Depth", kCurveLinear, 0, 100, 80, percent2str, 50, 1},
    {kFlangerWidth, "Flanger Width", kCurveLinear, 0, 100, 15, percent2str, 50, 1},
    {kFlangerTone, "Flanger Tone", kCurveLinear, -100, 100, 0, percent2str, 50, 1},
    {kFlangerMix, "Flanger Mix", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kFlangerMode, "Flanger Mode", kCurveStepped, 0, 1, 0, flangerMode2str, 50, 1},
    {kDelayInput, "Delay Input", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
};

// Modulator rows: the id of modulator 1 and a name format filled with k + 1.
const PARAM_ROW kModulatorRows[] = {
    {kModSync, "Mod%d Sync", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kModMode, "Mod%d Mode", kCurveStepped, 0, 1, 0, MsegCurveMode2str, 50, 1},
    {kModSmooth, "Mod%d Smooth", kCurveLinear, 0, 100, 10, percent2str, 50, 1},
    {kModNumSteps, "Mod%d NumSteps", kCurveStepped, 2, 32, 32, nullptr, 50, 1},
    {kModGate, "Mod%d Gate", kCurveStepped, 0, 100, 100, percent2str, 50, 1},
    {kModTension, "Mod%d Tension", kCurveLinear, -100, 100, 0, percent2str, 50, 1},
    {kModTremolo, "Mod%d Tremolo", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kModTremoloDst, "Mod%d Tremolo Dst", kCurveStepped, 0, 2, 1, tremoloDst2str, 50, 1},
    {kModPanFlip, "Mod%d Pan Flip", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
    {kModShuffle, "Mod%d Shuffle", kCurveLinear, 0, 100, 0, percent2str, 50, 1},
};

// Matrix rows: the id of slot 1 and a name format filled with the two-digit slot number.
const PARAM_ROW kMatrixRows[] = {
    {kMtxPower, "ModMtx%.2d Power", kCurveStepped, 0, 1, 1, onOff2str, 50, 1},
    {kMtxDepth, "ModMtx%.2d Depth", kCurveLinear, -100, 100, 0, percent2str, 50, 1},
    {kMtxSource, "ModMtx%.2d Source", kCurveStepped, -1, 7, -1, modSrc2str, 50, 1},
    {kMtxTarget, "ModMtx%.2d Target", kCurveStepped, -1, 311, -1, modDst2str, 50, 1},
};

// Shapes of the speed parameters: synchronized (note-length index) and free (ms).
struct SPEED_SHAPE
{
    float syncMin, syncMax, syncDefault;
    float freeMin, freeMax, freeDefault;
};
constexpr SPEED_SHAPE kDelaySpeedShape = {0, 20, 5, 0.1f, 2000, 1000};
constexpr SPEED_SHAPE kFlangerSpeedShape = {0, 20, 17, 25, 10000, 1000};
constexpr SPEED_SHAPE kModSpeedShape = {0, 20, 2, 25, 10000, 1000};

const char* LayerPrefix(int layer)
{
    return layer == 0 ? "LayerA " : "LayerB ";
}

bool IsOn(float value)
{
    return value > 0.5f;
}
} // namespace

CMorvex::CMorvex(CVstWrapper* wrapper) : CBaseEffect(wrapper)
{
    LookupTables::Initialize();
    DeclareParameters();
}

CMorvex::~CMorvex() = default;

void CMorvex::DeclareParameters()
{
    char name[64];
    for (const PARAM_ROW& row : kMasterRows)
        SetParameterInfo(row.id, row.curve, row.name, row.min, row.max, row.defaultValue,
                         row.decorator, row.smoothingMs, row.power);
    for (int layer = 0; layer < 2; ++layer)
    {
        for (const PARAM_ROW& row : kLayerRows)
        {
            std::snprintf(name, sizeof(name), "%s%s", LayerPrefix(layer), row.name);
            SetParameterInfo(row.id + layer, row.curve, name, row.min, row.max,
                             row.defaultValue, row.decorator, row.smoothingMs, row.power);
        }
        DeclareSpeedFor(kDelaySpeedL + layer, IsOn(m_parameters[kDelaySync + layer].value));
        DeclareSpeedFor(kDelaySpeedR + layer, IsOn(m_parameters[kDelaySync + layer].value));
        DeclareSpeedFor(kFlangerSpeed + layer, IsOn(m_parameters[kFlangerSync + layer].value));
    }
    for (int k = 0; k < kNumModulators; ++k)
    {
        for (const PARAM_ROW& row : kModulatorRows)
        {
            std::snprintf(name, sizeof(name), row.name, k + 1);
            SetParameterInfo(row.id + k, row.curve, name, row.min, row.max, row.defaultValue,
                             row.decorator, row.smoothingMs, row.power);
        }
        DeclareSpeedFor(kModSpeed + k, IsOn(m_parameters[kModSync + k].value));
    }
    for (int k = 0; k < kNumMatrixSlots; ++k)
    {
        for (const PARAM_ROW& row : kMatrixRows)
        {
            std::snprintf(name, sizeof(name), row.name, k + 1);
            SetParameterInfo(row.id + k, row.curve, name, row.min, row.max, row.defaultValue,
                             row.decorator, row.smoothingMs, row.power);
        }
    }
    // The glitch scale's own row is declared after its buffer; give it the shape
    // the buffer implies, as after any state load.
    RedeclareGlitchScale(kGlitchBuffer);
    RedeclareGlitchScale(kGlitchBuffer + 1);
}

void CMorvex::DeclareSpeedParameter(int id, bool synchronized, const char* name, float syncMin,
                                    float syncMax, float syncDefault, float freeMin,
                                    float freeMax, float freeDefault)
{
    const float position = GetParameterScaled(id, false, false, 0);
    if (synchronized)
        SetParameterInfo(id, kCurveStepped, name, syncMin, syncMax, syncDefault, Timescale2str,
                         50.0f, 1.0f);
    else
        SetParameterInfo(id, kCurveOctave, name, freeMin, freeMax, freeDefault, ms2str, 50.0f,
                         1.0f);
    if (m_editor)
        m_editor->UpdateControl(id);
    UpdateParameter(id, position);
}

void CMorvex::DeclareSpeedFor(int speedId, bool synchronized)
{
    char name[64];
    const SPEED_SHAPE* shape = nullptr;
    if (speedId >= kModSpeed && speedId < kModSpeed + kNumModulators)
    {
        std::snprintf(name, sizeof(name), "Mod%d Speed", speedId - kModSpeed + 1);
        shape = &kModSpeedShape;
    }
    else
    {
        const bool isFlanger = speedId == kFlangerSpeed || speedId == kFlangerSpeed + 1;
        const int layer = isFlanger ? speedId - kFlangerSpeed : (speedId - kDelaySpeedL) % 2;
        const char* which = isFlanger                         ? "Flanger Speed"
                            : (speedId - layer == kDelaySpeedL) ? "Delay Speed L"
                                                                : "Delay Speed R";
        std::snprintf(name, sizeof(name), "%s%s", LayerPrefix(layer), which);
        shape = isFlanger ? &kFlangerSpeedShape : &kDelaySpeedShape;
    }
    DeclareSpeedParameter(speedId, synchronized, name, shape->syncMin, shape->syncMax,
                          shape->syncDefault, shape->freeMin, shape->freeMax, shape->freeDefault);
}

void CMorvex::RedeclareGlitchScale(int bufferId)
{
    const int layer = bufferId - kGlitchBuffer;
    const int scaleId = bufferId + 2;
    const float buffer = m_parameters[bufferId].value;
    const int index = (buffer >= 0.0f && buffer < 22.0f) ? static_cast<int>(buffer) : 21;
    const double ratio = TIME_SCALE_TO_RATIO[index];
    // Whole part of log2(ratio * 512), computed in double so that exact powers of
    // two (1/4 * 512 = 128) give their exponent and not one less.
    const float max = static_cast<float>(std::floor(std::log2(ratio * 512.0)));
    const float position = GetParameterScaled(scaleId, false, false, 0);
    char name[64];
    std::snprintf(name, sizeof(name), "%sGlitch Scale", LayerPrefix(layer));
    SetParameterInfo(scaleId, kCurveLinear, name, 0.0f, max, 0.0f, glitchRepear2str, 50.0f,
                     1.0f);
    UpdateParameter(scaleId, position);
}

void CMorvex::OnSetParameter(int id, float value)
{
    switch (id)
    {
    case kPower:
        Reset();
        break;
    case kGlitchBuffer:
    case kGlitchBuffer + 1:
        RedeclareGlitchScale(id);
        break;
    case kFlangerSync:
    case kFlangerSync + 1:
        DeclareSpeedFor(id + 2, IsOn(value));
        break;
    case kDelaySync:
    case kDelaySync + 1:
        DeclareSpeedFor(id + 2, IsOn(value));
        DeclareSpeedFor(id + 4, IsOn(value));
        break;
    default:
        if (id >= kModSync && id < kModSync + kNumModulators)
            DeclareSpeedFor(id + 8, IsOn(value));
        break;
    }
}

void CMorvex::Process(float* /*left*/, float* /*right*/, int /*numSamples*/) noexcept
{
    // The audio passes unchanged until the processing chain is built.
}

CBaseEffect* createBaseEffect(CVstWrapper* wrapper)
{
    return new CMorvex(wrapper);
}
