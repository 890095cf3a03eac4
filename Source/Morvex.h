// The Morvex effect object: declares the 312 parameters, keeps the speed and
// glitch-scale parameters in the shape their switches imply, and runs the
// per-sub-block signal flow.
#pragma once

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "Common/wrappers/utilities/StereoBuffer.h"
#include "Processing/PeakLimiter.h"
#include "Processing/StereoMeter.h"

#include <atomic>
#include <cmath>
#include <memory>

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

// Module codes as stored in a layer's order block.
enum MODULE_CODE : int
{
    kModuleFilter = 0,
    kModuleDist = 1,
    kModuleLoFi = 2,
    kModuleFlanger = 3,
    kModuleDelay = 4,
    kModuleTremolo = 5,
    kModuleGlitch = 6,
};

constexpr int kNumLayers = 2;
constexpr int kModulesPerLayer = 7;
constexpr int kRawBlockLayerOrder = 10001; // + layer: int32[7] module code per position
constexpr int kRawBlockMsegPoints = 10003;    // + modulator: 64 x (position, level, tension)
constexpr int kRawBlockSteps = 10011;         // + modulator: 32 steps (end position, level)
constexpr int kRawBlockModPresetPath = 10019; // + modulator: char[2048] envelope preset path
constexpr int kRawBlockLayerOrderSize = 28;
constexpr int kRawBlockMsegPointsSize = 768;
constexpr int kRawBlockStepsSize = 256;
constexpr int kRawBlockModPresetPathSize = 2048;

class CVstWrapper;
class CLayerEffect;
class CLayerFilter;
class CLayerDist;
class CLayerFlanger;
class CLayerDelay;
class CLayerLoFi;
class CLayerGlitch;
class CLayerTremolo;
class CModulationMatrix;
class CMasterEQ;
class CReverb;
class CPreferences;
class CRandomizer;

class CMorvex : public CBaseEffect
{
public:
    explicit CMorvex(CVstWrapper* wrapper);
    ~CMorvex() override;

    void OnSetParameter(int id, float value) override;
    PARAM_MODULATION* GetParameterModulation(int id) override;
    float* GetModulationBuffer(int index) override;
    void SetSampleRate(float sampleRate) override;
    void SetBlockSize(int blockSize) override;
    void SetHostTempo(float tempoBpm) override;
    void SetHostSamplePos(float samplePos) override;
    void OnTransportStart() override;
    void OnTransportStop() override;
    void Reset() override;
    void PrepareToProcess() noexcept override;
    void PreProcess(int numSamples) noexcept override;
    void Process(float* left, float* right, int numSamples) noexcept override;

    // Position 0..6 at which `order` (a layer order block) holds `code`, or -1.
    static int GetProcessingOrder(const int32_t order[kModulesPerLayer], int code) noexcept;

    // Asks the audio thread to reset every module before its next sub-block (the
    // editor's panic button). Any thread.
    void RequestReset() { m_resetPending.store(true, std::memory_order_release); }

    // Meter values for the editor: written by the audio thread, read by the editor.
    float GetPeakLeft() const { return m_meter.GetPeakLeft(); }
    float GetPeakRight() const { return m_meter.GetPeakRight(); }
    float GetCorrelation() const { return m_meter.GetCorrelation(); }

    CModulationMatrix* GetModulationMatrix() { return m_matrix.get(); }
    // Routes modulator `source` (0..7) to parameter `target` in the matrix's first free
    // slot (depth +-15 %, +-100 % for a switch, when setDepth; else 0 %). Returns how many
    // used slots aimed at `target` before the call. User-interface thread.
    int AddModulation(int target, int source, bool setDepth);
    CLayerEffect* GetModule(int layer, int code);
    // Module at a processing position of the layer's list as last sorted (0..6).
    CLayerEffect* GetModuleAt(int layer, int position) { return m_modules[layer][position].module; }

    // Declares `id` as a speed parameter: a note-length index when synchronized,
    // milliseconds otherwise, keeping the value's relative position.
    void DeclareSpeedParameter(int id, bool synchronized, const char* name, float syncMin,
                               float syncMax, float syncDefault, float freeMin, float freeMax,
                               float freeDefault);

    // --- State (MorvexState.cpp), user-interface thread ------------------------------------
    // Chunks and presets of any version: before 1100 they hold 307 values and
    // "Flanger Mode" .. "Reverb Input" (307..311) return to their defaults; every path
    // block ends with a zero whatever was loaded into it.
    int GetChunkValueCount(int32_t version) const override;
    void OnChunkRead(int32_t version) override;
    // The base reset, then the user's default preset when there is one.
    void ResetPreset() override;
    // Factory contents of the raw blocks: layer orders, envelopes, steps, paths.
    void ResetRawParameterBlock(int id) override;
    // Saves the current state as the user's default preset (creating its folder).
    bool MakeDefaultPreset();
    // Deletes the user's default preset and resets to the factory defaults.
    void ResetDefaultPreset();
    CPreferences* GetPreferences() { return m_preferences; }
    // The randomize and reset operations of the modulators and modules.
    CRandomizer* GetRandomizer() { return m_randomizer.get(); }
    const std::string& GetDefaultPresetPath() const { return m_defaultPresetPath; }

private:
    void DeclareParameters();
    void DeclareSpeedFor(int speedId, bool synchronized);
    void RedeclareGlitchScale(int bufferId);
    // True when parameter id has this curve and range already (its name never changes).
    bool HasShape(int id, int curve, float min, float max) const;
    // Registers the 26 raw parameter blocks in the order of their chunk records.
    void RegisterRawParameterBlocks();
    // Ends every path block with a zero, whatever was loaded into it.
    void TerminatePathBlocks();
    // Re-reads the layer's order block and sorts its module list by it.
    void SortModules(int layer) noexcept;
    // The modulation records bound to the parameters, once (audio thread, or the host
    // thread while no block runs).
    void BindModulation() noexcept;
    void ProcessLayers(float* left, float* right, int numSamples, bool serial) noexcept;
    void MixLayers(int numSamples, const bool layerOn[kNumLayers]) noexcept;
    // The layer sums and the output stage, each one loop for settled and moving ramps:
    // `kMoving` takes the factors per sample from the ramps, otherwise once.
    template <bool kMoving>
    void SumLayers(int numSamples, const bool layerOn[kNumLayers]) noexcept;
    template <bool kMoving>
    void MixOutput(const float* left, const float* right, float* outLeft, float* outRight,
                   int numSamples) noexcept;
    // Calls `action(module)` for every module of both layers, in processing order.
    template <typename Action>
    void ForEachModule(Action action)
    {
        for (auto& layer : m_modules)
        {
            for (MODULE_SLOT& slot : layer)
                action(*slot.module);
        }
    }

    struct MODULE_SLOT
    {
        CLayerEffect* module;
        int code;
    };

    std::unique_ptr<CLayerFilter> m_filter[kNumLayers];
    std::unique_ptr<CLayerDist> m_dist[kNumLayers];
    std::unique_ptr<CLayerFlanger> m_flanger[kNumLayers];
    std::unique_ptr<CLayerDelay> m_delay[kNumLayers];
    std::unique_ptr<CLayerLoFi> m_lofi[kNumLayers];
    std::unique_ptr<CLayerGlitch> m_glitch[kNumLayers];
    std::unique_ptr<CLayerTremolo> m_tremolo[kNumLayers];
    MODULE_SLOT m_modules[kNumLayers][kModulesPerLayer] = {};
    std::unique_ptr<CLayerTremolo> m_masterTremolo;
    std::unique_ptr<CModulationMatrix> m_matrix;
    std::unique_ptr<CMasterEQ> m_masterEq;
    std::unique_ptr<CReverb> m_reverb;
    CPreferences* m_preferences = nullptr; // owned
    std::unique_ptr<CRandomizer> m_randomizer;
    std::string m_defaultPresetPath;       // empty when there is no data folder

    CStereoBuffer m_layerBuffers[kNumLayers];
    bool m_modulationBound = false; // parameter modulation records bound (audio thread)
    // Bit i set: a tremolo may read modulator i's values in this sub-block.
    unsigned TremoloListeners() const noexcept;
    uint32_t m_orderSequence[kNumLayers] = {1, 1}; // order blocks last sorted by (1: none)

    // 10^(dB / 20), recomputed only when the level changes (most blocks it does not).
    struct DECIBEL_GAIN
    {
        float Gain(float db) noexcept
        {
            if (!(db == m_db))
            {
                m_db = db;
                m_gain = std::pow(10.0f, 0.05f * db);
            }
            return m_gain;
        }

    private:
        float m_db = 0.0f;
        float m_gain = 1.0f;
    };
    DECIBEL_GAIN m_layerGainDb[kNumLayers];
    DECIBEL_GAIN m_volumeDb;
    ParamInterpolator m_layerGainRamp[kNumLayers];
    ParamInterpolator m_layerPanRamp[kNumLayers];
    ParamInterpolator m_volumeRamp;
    ParamInterpolator m_dryWetRamp;
    ParamInterpolator m_panRamp;

    CPeakLimiter m_limiter;
    CStereoMeter m_meter;

    // Switching "Power" between off and on asks for a reset of every module, from
    // whichever thread set it; the audio thread performs it before its next sub-block, so
    // that no module is cleared while it processes. A value that leaves the switch where
    // it was (automation re-sent, a controller repeating itself, a preset with the same
    // setting) resets nothing.
    void ResetModules() noexcept;
    std::atomic<bool> m_resetPending{false};
    std::atomic<bool> m_powerOn{true}; // the switch as last set (its default is on)
};
