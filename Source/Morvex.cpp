#include "Morvex.h"

#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/dsp/DenormalGuard.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/utilities/FileUtils.h"
#include "Decorators.h"
#include "Preferences.h"
#include "Processing/LayerDelay.h"
#include "Processing/LayerDist.h"
#include "Processing/LayerFilter.h"
#include "Processing/LayerFlanger.h"
#include "Processing/LayerGlitch.h"
#include "Processing/LayerLoFi.h"
#include "Processing/LayerTremolo.h"
#include "Processing/MasterEQ.h"
#include "Processing/ModulationMatrix.h"
#include "Processing/Randomizer.h"
#include "Processing/Reverb/Reverb.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace MorvexParam;
using namespace Decorators;

namespace
{
constexpr int kSubBlock = CVstWrapper::kSubBlockSize;

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

// std::fmax and std::fmin without the library call: a NaN operand gives the other one.
inline float MaxNumber(float a, float b) noexcept
{
    return (a >= b || b != b) ? a : b;
}
inline float MinNumber(float a, float b) noexcept
{
    return (a <= b || b != b) ? a : b;
}

bool IsOn(float value)
{
    return value > 0.5f;
}
} // namespace

CMorvex::CMorvex(CVstWrapper* wrapper) : CBaseEffect(wrapper)
{
    m_preferences = new CPreferences(this);
    m_randomizer = std::make_unique<CRandomizer>(this);
    const std::string dataFolder = FileUtils::GetMacUserLibraryDirectory();
    if (!dataFolder.empty())
        m_defaultPresetPath = dataFolder + "/Brenwick/Morvex/Plug-In Presets/Default Preset.prg";
    LookupTables::Initialize();
    for (int layer = 0; layer < kNumLayers; ++layer)
    {
        m_filter[layer] = std::make_unique<CLayerFilter>(this, layer);
        m_dist[layer] = std::make_unique<CLayerDist>(this, layer);
        m_flanger[layer] = std::make_unique<CLayerFlanger>(this, layer);
        m_delay[layer] = std::make_unique<CLayerDelay>(this, layer);
        m_lofi[layer] = std::make_unique<CLayerLoFi>(this, layer);
        m_glitch[layer] = std::make_unique<CLayerGlitch>(this, layer);
        m_tremolo[layer] = std::make_unique<CLayerTremolo>(this, layer, false);
        const MODULE_SLOT list[kModulesPerLayer] = {
            {m_filter[layer].get(), kModuleFilter},   {m_dist[layer].get(), kModuleDist},
            {m_flanger[layer].get(), kModuleFlanger}, {m_delay[layer].get(), kModuleDelay},
            {m_lofi[layer].get(), kModuleLoFi},       {m_glitch[layer].get(), kModuleGlitch},
            {m_tremolo[layer].get(), kModuleTremolo},
        };
        for (int i = 0; i < kModulesPerLayer; ++i)
        {
            m_modules[layer][i] = list[i];
            list[i].module->SetSampleRate(44100.0f);
            list[i].module->SetBlockSize(1024);
        }
    }
    m_masterTremolo = std::make_unique<CLayerTremolo>(this, 0, true);
    m_matrix = std::make_unique<CModulationMatrix>(this);
    m_masterEq = std::make_unique<CMasterEQ>(this);
    m_reverb = std::make_unique<CReverb>(this);
    m_reverb->SetSampleRate(44100.0f);
    // The editor only when the plug-in module installed one (the core's tools and
    // tests run without); it stays closed and cheap until the host opens it.
    m_editor = EffectEditor::CreateEditor(this);
    // Work buffers exist from the start, so a host that never announces a block
    // size still gets processed.
    for (CStereoBuffer& buffer : m_layerBuffers)
        buffer.SetSamplesCount(1024);
    DeclareParameters();
    RegisterRawParameterBlocks();
    LoadPreset(m_defaultPresetPath.c_str()); // silently nothing when there is none
}

CMorvex::~CMorvex()
{
    delete m_preferences;
}

CLayerEffect* CMorvex::GetModule(int layer, int code)
{
    if (layer < 0 || layer >= kNumLayers)
        return nullptr;
    for (const MODULE_SLOT& slot : m_modules[layer])
    {
        if (slot.code == code)
            return slot.module;
    }
    return nullptr;
}

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
    // A switch set to the value it has (a state reload, automation re-sent) changes no
    // shape. Redeclaring would pass the parameter through its default, which the audio
    // thread could read in between.
    if (HasShape(speedId, synchronized ? kCurveStepped : kCurveOctave,
                 synchronized ? shape->syncMin : shape->freeMin,
                 synchronized ? shape->syncMax : shape->freeMax))
        return;
    DeclareSpeedParameter(speedId, synchronized, name, shape->syncMin, shape->syncMax,
                          shape->syncDefault, shape->freeMin, shape->freeMax, shape->freeDefault);
}

bool CMorvex::HasShape(int id, int curve, float min, float max) const
{
    const PARAMETER_INFO& info = m_parameters[id];
    return info.curve == curve && info.min == min && info.max == max;
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
    if (HasShape(scaleId, kCurveLinear, 0.0f, max))
        return; // the same range: the value stays exactly as it is
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
        if (m_powerOn.exchange(IsOn(value), std::memory_order_acq_rel) != IsOn(value))
            m_resetPending.store(true, std::memory_order_release);
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

// ---------------------------------------------------------------------------------------------
// Engine configuration

PARAM_MODULATION* CMorvex::GetParameterModulation(int id)
{
    return m_matrix->GetModulation(id);
}

float* CMorvex::GetModulationBuffer(int index)
{
    return m_matrix->GetModulationBuffer(index);
}

int CMorvex::AddModulation(int target, int source, bool setDepth)
{
    // Used slots (source set) that already aim at the target, counted before the change;
    // the target's modulation knob shows this count.
    int count = 0;
    for (int k = 0; k < kNumMatrixSlots; ++k)
    {
        if (std::trunc(m_parameters[kMtxSource + k].value) >= 0.0f &&
            std::trunc(m_parameters[kMtxTarget + k].value) == static_cast<float>(target))
            ++count;
    }
    m_matrix->AddModulation(target, source, setDepth);
    return count;
}

void CMorvex::SetSampleRate(float sampleRate)
{
    ForEachModule([sampleRate](CLayerEffect& module) { module.SetSampleRate(sampleRate); });
    m_masterTremolo->SetSampleRate(sampleRate);
    m_matrix->SetSampleRate(sampleRate);
    m_masterEq->SetSampleRate(sampleRate);
    m_reverb->SetSampleRate(sampleRate);
    m_limiter.SetSampleRate(sampleRate);
    m_meter.SetSampleRate(sampleRate);
    CBaseEffect::SetSampleRate(sampleRate);
}

void CMorvex::SetBlockSize(int blockSize)
{
    ForEachModule([blockSize](CLayerEffect& module) { module.SetBlockSize(blockSize); });
    m_masterTremolo->SetBlockSize(blockSize);
    // The engine runs in sub-blocks of at most 16 samples, so the layer buffers need
    // no more than that whatever the host announces or later passes.
    for (CStereoBuffer& buffer : m_layerBuffers)
        buffer.SetSamplesCount(blockSize > kSubBlock ? blockSize : kSubBlock);
    m_matrix->SetBlockSize(blockSize);
    CBaseEffect::SetBlockSize(blockSize);
}

void CMorvex::SetHostTempo(float tempoBpm)
{
    ForEachModule([tempoBpm](CLayerEffect& module) { module.SetHostTempo(tempoBpm); });
    m_masterTremolo->SetHostTempo(tempoBpm);
    m_matrix->SetHostTempo(tempoBpm);
    CBaseEffect::SetHostTempo(tempoBpm);
}

void CMorvex::SetHostSamplePos(float samplePos)
{
    ForEachModule([samplePos](CLayerEffect& module) { module.SetHostSamplePos(samplePos); });
    m_masterTremolo->SetHostSamplePos(samplePos);
    m_matrix->SetHostSamplePos(samplePos);
    CBaseEffect::SetHostSamplePos(samplePos);
}

void CMorvex::OnTransportStart()
{
    Reset();
    ForEachModule([](CLayerEffect& module) { module.OnTransportStart(); });
    m_masterTremolo->OnTransportStart();
    CBaseEffect::OnTransportStart();
}

void CMorvex::OnTransportStop()
{
    ForEachModule([](CLayerEffect& module) { module.OnTransportStop(); });
    m_masterTremolo->OnTransportStop();
    CBaseEffect::OnTransportStop();
}

void CMorvex::Reset()
{
    ForEachModule([](CLayerEffect& module) { module.Reset(); });
    m_masterTremolo->Reset();
    for (CStereoBuffer& buffer : m_layerBuffers)
        buffer.Clear();
    m_matrix->Reset();
    m_masterEq->Reset();
    m_reverb->Reset();
    m_limiter.envelope = 0.0f;
    m_meter.Reset();
}

// ---------------------------------------------------------------------------------------------
// Processing

int CMorvex::GetProcessingOrder(const int32_t order[kModulesPerLayer], int code) noexcept
{
    for (int position = 0; position < kModulesPerLayer; ++position)
    {
        if (order[position] == code)
            return position;
    }
    return -1;
}

void CMorvex::SortModules(int layer) noexcept
{
    int32_t order[kModulesPerLayer];
    uint32_t sequence = 1;
    const uint8_t* block = GetRawParameterBlockSnapshot(kRawBlockLayerOrder + layer, sequence);
    // The order only changes with a new write of its block.
    if (block && sequence == m_orderSequence[layer])
        return;
    m_orderSequence[layer] = block ? sequence : 1u;
    if (block)
        std::memcpy(order, block, sizeof(order));
    else
        std::fill(order, order + kModulesPerLayer, -1);
    MODULE_SLOT* slots = m_modules[layer];
    for (int i = 0; i < kModulesPerLayer; ++i)
        slots[i].module->SetProcessingOrder(GetProcessingOrder(order, slots[i].code));
    // Insertion sort: seven entries, no allocation, stable.
    for (int i = 1; i < kModulesPerLayer; ++i)
    {
        const MODULE_SLOT slot = slots[i];
        const int key = slot.module->GetProcessingOrder();
        int j = i - 1;
        while (j >= 0 && slots[j].module->GetProcessingOrder() > key)
        {
            slots[j + 1] = slots[j];
            --j;
        }
        slots[j + 1] = slot;
    }
}

unsigned CMorvex::TremoloListeners() const noexcept
{
    // A tremolo reads a modulator's values unless depth and flip both read 0 (smoothed,
    // with modulation) and every instance's ramps for it stand at 0. Modulated depth or
    // flip counts as listening whatever its value: the modulating values of this
    // sub-block do not exist yet.
    unsigned listeners = 0;
    for (int i = 0; i < kNumModulators; ++i)
    {
        bool listening = false;
        for (int id : {kModTremolo + i, kModPanFlip + i})
        {
            const PARAM_MODULATION* modulation = m_modulation[id];
            if ((modulation && modulation->count > 0) || PeekSmoothedScaled(id) != 0.0f)
                listening = true;
        }
        for (const CLayerTremolo* tremolo :
             {m_tremolo[0].get(), m_tremolo[1].get(), m_masterTremolo.get()})
        {
            if (tremolo && !tremolo->IsQuiet(i))
                listening = true;
        }
        if (listening)
            listeners |= 1u << i;
    }
    return listeners;
}

void CMorvex::ProcessLayers(float* left, float* right, int numSamples, bool serial) noexcept
{
    const size_t bytes = sizeof(float) * static_cast<size_t>(numSamples);
    const float* sourceLeft = left;
    const float* sourceRight = right;
    for (int layer = 0; layer < kNumLayers; ++layer)
    {
        float* bufferLeft = m_layerBuffers[layer].GetLeftBuffer();
        float* bufferRight = m_layerBuffers[layer].GetRightBuffer();
        std::memcpy(bufferLeft, sourceLeft, bytes);
        std::memcpy(bufferRight, sourceRight, bytes);
        SortModules(layer);
        const bool on = GetParameterScaled(kLayerAOn + layer, false, true, 0) > 0.5f;
        // In serial mode an off layer still processes; it is only left out of the mix.
        if (serial || on)
        {
            for (MODULE_SLOT& slot : m_modules[layer])
                slot.module->Process(bufferLeft, bufferRight, numSamples);
        }
        if (serial)
        {
            sourceLeft = bufferLeft;
            sourceRight = bufferRight;
        }
    }
}

void CMorvex::MixLayers(int numSamples, const bool layerOn[kNumLayers]) noexcept
{
    float gains[kNumLayers];
    for (int layer = 0; layer < kNumLayers; ++layer)
    {
        const float mixDb = GetParameterUnscaled(kLayerAMix + layer, true, true, 0);
        float gain = m_layerGainDb[layer].Gain(mixDb);
        if (gain <= 0.001f) // -60 dB and below mutes the layer
            gain = 0.0f;
        gains[layer] = gain;
        m_layerGainRamp[layer].SetTarget(gains[layer], numSamples);
        m_layerPanRamp[layer].SetTarget(GetParameterScaled(kLayerAPan + layer, true, true, 0),
                                        numSamples);
    }
    if (m_layerGainRamp[0].IsSettled() && m_layerPanRamp[0].IsSettled() &&
        m_layerGainRamp[1].IsSettled() && m_layerPanRamp[1].IsSettled())
    {
        SumLayers<false>(numSamples, layerOn);
        for (int layer = 0; layer < kNumLayers; ++layer)
        {
            m_layerGainRamp[layer].Finish();
            m_layerPanRamp[layer].Finish();
        }
    }
    else
    {
        SumLayers<true>(numSamples, layerOn);
    }
}

template <bool kMoving>
void CMorvex::SumLayers(int numSamples, const bool layerOn[kNumLayers]) noexcept
{
    float* wetLeft = m_layerBuffers[0].GetLeftBuffer();
    float* wetRight = m_layerBuffers[0].GetRightBuffer();
    const float* bLeft = m_layerBuffers[1].GetLeftBuffer();
    const float* bRight = m_layerBuffers[1].GetRightBuffer();
    // Per channel and layer: (1 - pan) 2 gain on the left, pan 2 gain on the right.
    const auto factors = [](float gain, float pan, float& toLeft, float& toRight) {
        toLeft = (1.0f - pan) * 2.0f * gain;
        toRight = pan * 2.0f * gain;
    };
    float leftA, rightA, leftB, rightB;
    factors(m_layerGainRamp[0].GetCurrent(), m_layerPanRamp[0].GetCurrent(), leftA, rightA);
    factors(m_layerGainRamp[1].GetCurrent(), m_layerPanRamp[1].GetCurrent(), leftB, rightB);
    const bool onA = layerOn[0];
    const bool onB = layerOn[1];
    for (int i = 0; i < numSamples; ++i)
    {
        if (kMoving)
        {
            const float gainA = m_layerGainRamp[0].Next();
            const float panA = m_layerPanRamp[0].Next();
            const float gainB = m_layerGainRamp[1].Next();
            const float panB = m_layerPanRamp[1].Next();
            factors(gainA, panA, leftA, rightA);
            factors(gainB, panB, leftB, rightB);
        }
        float mixLeft = 0.0f;
        float mixRight = 0.0f;
        if (onA)
        {
            mixLeft += leftA * wetLeft[i];
            mixRight += rightA * wetRight[i];
        }
        if (onB)
        {
            mixLeft += leftB * bLeft[i];
            mixRight += rightB * bRight[i];
        }
        wetLeft[i] = mixLeft;
        wetRight[i] = mixRight;
    }
}

void CMorvex::ResetModules() noexcept
{
    ForEachModule([](CLayerEffect& module) { module.Reset(); });
    if (m_reverb)
        m_reverb->Reset();
}

void CMorvex::BindModulation() noexcept
{
    // The matrix keeps one record per parameter for its whole life: the base class binds
    // them once; their contents change every block.
    if (m_modulationBound)
        return;
    CBaseEffect::PreProcess(0);
    m_modulationBound = true;
}

void CMorvex::PrepareToProcess() noexcept
{
    // What the first block would do once: take a state loaded while suspended, bind the
    // modulation records, copy the envelopes and steps into the modulators and sort the
    // layers by their order blocks. Each is a no-op when repeated, so the first block finds
    // nothing left to do.
    CBaseEffect::PrepareToProcess();
    BindModulation();
    m_matrix->PrepareToProcess();
    for (int layer = 0; layer < kNumLayers; ++layer)
        SortModules(layer);
}

void CMorvex::PreProcess(int numSamples) noexcept
{
    CDenormalGuard guard;
    ApplyPendingState();
    BindModulation();
    m_matrix->PreProcess(numSamples);
}

void CMorvex::Process(float* left, float* right, int numSamples) noexcept
{
    // The adapter passes sub-blocks of at most 16 samples; anything longer is cut here.
    while (numSamples > kSubBlock)
    {
        Process(left, right, kSubBlock);
        left += kSubBlock;
        right += kSubBlock;
        numSamples -= kSubBlock;
    }
    CDenormalGuard guard;
    if (numSamples <= 0)
        return;
    if (m_resetPending.load(std::memory_order_acquire) &&
        m_resetPending.exchange(false, std::memory_order_acq_rel))
        ResetModules();
    const bool power = GetParameterScaled(kPower, false, true, 0) > 0.5f;
    if (!power)
        return; // bypass: the output is the dry input
    const bool limiter = GetParameterScaled(kLimiter, false, true, 0) > 0.5f;
    const bool serial = GetParameterScaled(kLayerMode, false, true, 0) > 0.5f;

    m_matrix->Generate(numSamples, TremoloListeners());

    const bool layerOn[kNumLayers] = {
        GetParameterScaled(kLayerAOn, false, true, 0) > 0.5f,
        GetParameterScaled(kLayerBOn, false, true, 0) > 0.5f,
    };
    ProcessLayers(left, right, numSamples, serial);
    MixLayers(numSamples, layerOn);

    float* wetLeft = m_layerBuffers[0].GetLeftBuffer();
    float* wetRight = m_layerBuffers[0].GetRightBuffer();
    m_masterTremolo->Process(wetLeft, wetRight, numSamples);
    m_reverb->Process(wetLeft, wetRight, numSamples);
    m_masterEq->Process(wetLeft, wetRight, numSamples);

    const float volumeDb = GetParameterUnscaled(kVolume, true, true, 0);
    m_volumeRamp.SetTarget(m_volumeDb.Gain(volumeDb), numSamples);
    m_dryWetRamp.SetTarget(GetParameterScaled(kDryWet, true, true, 0), numSamples);
    m_panRamp.SetTarget(GetParameterScaled(kPan, true, true, 0), numSamples);

    // Dry/wet, pan and volume; with the three ramps standing still the factors are taken
    // once and the loop vectorises.
    float outLeft[kSubBlock];
    float outRight[kSubBlock];
    if (m_volumeRamp.IsSettled() && m_dryWetRamp.IsSettled() && m_panRamp.IsSettled())
    {
        MixOutput<false>(left, right, outLeft, outRight, numSamples);
        m_volumeRamp.Finish();
        m_dryWetRamp.Finish();
        m_panRamp.Finish();
    }
    else
    {
        MixOutput<true>(left, right, outLeft, outRight, numSamples);
    }

    if (limiter)
    {
        float envelope = m_limiter.envelope;
        for (int i = 0; i < numSamples; ++i)
        {
            float l = outLeft[i];
            float r = outRight[i];
            // The louder channel drives the envelope, whatever its sign.
            envelope = m_limiter.Follow(MaxNumber(std::fabs(l), std::fabs(r)), envelope);
            if (envelope >= 1.0f)
            {
                l /= envelope;
                r /= envelope;
            }
            outLeft[i] = MinNumber(MaxNumber(l, -0.999f), 0.999f);
            outRight[i] = MinNumber(MaxNumber(r, -0.999f), 0.999f);
        }
        m_limiter.envelope = envelope;
    }

    std::memcpy(left, outLeft, sizeof(float) * static_cast<size_t>(numSamples));
    std::memcpy(right, outRight, sizeof(float) * static_cast<size_t>(numSamples));
    m_meter.Process(outLeft, outRight, numSamples);
}

template <bool kMoving>
void CMorvex::MixOutput(const float* left, const float* right, float* outLeft, float* outRight,
                        int numSamples) noexcept
{
    const float* wetLeft = m_layerBuffers[0].GetLeftBuffer();
    const float* wetRight = m_layerBuffers[0].GetRightBuffer();
    float volume = m_volumeRamp.GetCurrent();
    float wet = m_dryWetRamp.GetCurrent();
    float pan = m_panRamp.GetCurrent();
    for (int i = 0; i < numSamples; ++i)
    {
        if (kMoving)
        {
            volume = m_volumeRamp.Next();
            wet = m_dryWetRamp.Next();
            pan = m_panRamp.Next();
        }
        const float gainLeft = (1.0f - pan) * 2.0f * volume;
        const float gainRight = pan * 2.0f * volume;
        const float dry = 1.0f - wet;
        outLeft[i] = gainLeft * (left[i] * dry + wetLeft[i] * wet);
        outRight[i] = gainRight * (right[i] * dry + wetRight[i] * wet);
    }
}

CBaseEffect* createBaseEffect(CVstWrapper* wrapper)
{
    return new CMorvex(wrapper);
}
