// Product-independent base of the effect object: the table of parameters with
// their curves, smoothing and modulated reads, the raw parameter blocks, the
// MIDI controller map, the state chunk and preset files, the undo history, and
// the relays to the host adapter and the editor.
#pragma once

#include "utilities/AccessLock.h"
#include "utilities/RelaxedAtomic.h"
#include "utilities/SnapSmoothing.h"
#include "utilities/TripleBuffer.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

class CActionStack;
class CBaseEffect;
class IEffectEditor;
class CByteReader;
class CRawBlockHandover;
class CVstWrapper;
class IActionItem;

constexpr int kNumParameters = 312;
constexpr int kMaxModulationEntries = 25;
constexpr int kNumMidiControllers = 128;
constexpr int kParamNameSize = 24;
constexpr int kPresetPathSize = 2048; // bytes of the current preset path, terminator included
constexpr int kUndoDepth = 50;

// Value-to-text formatter: (effect, unscaled value) -> display text.
using PARAM_DECORATOR = std::string (*)(CBaseEffect* effect, float value);

// Curve kinds of the scaled (0..1) <-> unscaled (own units) conversion.
enum PARAM_CURVE : int
{
    kCurveLinear = 0,
    kCurveLogarithmic = 1,
    kCurveOctave = 2,
    kCurvePower = 3,
    kCurveStepped = 4,
};

// One parameter. Fields are written on the user-interface thread (and, for a
// learned controller, on the audio thread) and read on both without a lock.
struct PARAMETER_INFO
{
    RelaxedAtomic<int> curve{kCurveLinear};
    char name[kParamNameSize] = {};
    RelaxedAtomic<float> min{0.0f};
    RelaxedAtomic<float> max{1.0f};
    RelaxedAtomic<float> value{0.0f}; // unscaled
    RelaxedAtomic<float> power{1.0f};
    RelaxedAtomic<float> defaultValue{0.0f};
    RelaxedAtomic<float> smoothingTime{50.0f}; // milliseconds
    RelaxedAtomic<bool> locked{false};
    RelaxedAtomic<float> range{1.0f};
    RelaxedAtomic<float> logRange{0.0f};
    RelaxedAtomic<float> octaves{0.0f};
    RelaxedAtomic<float> inverseRange{1.0f};
    RelaxedAtomic<float> inverseLogRange{0.0f};
    RelaxedAtomic<float> inverseOctaves{0.0f};
    RelaxedAtomic<PARAM_DECORATOR> decorator{nullptr};
    // Derived from value whenever it is written (CBaseEffect::StoreValue), so that a read
    // on the audio path needs no curve function: the scaled value, the same clamped to
    // 0..1 as plain reads return it, and the unscaled value of that clamped value.
    RelaxedAtomic<float> scaled{0.0f};
    RelaxedAtomic<float> scaledClamped{0.0f};
    RelaxedAtomic<float> unscaledOfClamped{0.0f};
};

// The audio thread's view of one parameter: what its reads need of the curve and the
// value. A single write (host, editor, controller) updates it at once; a whole-state
// load (chunk, preset, reset) reaches it as one snapshot at the start of a block.
template <typename Number>
struct PARAM_VALUE_VIEW
{
    Number curve{kCurveLinear};
    Number min{0.0f};
    Number range{1.0f};
    Number logRange{0.0f};
    Number octaves{0.0f};
    Number power{1.0f};
    Number scaled{0.0f};
    Number scaledClamped{0.0f};
    Number unscaledOfClamped{0.0f};
};

// Per-parameter modulation, filled by the modulation matrix once per host block.
struct PARAM_MODULATION
{
    int count = 0;
    float* buffers[kMaxModulationEntries] = {}; // per-sample signal 0..1 of the block
    float depths[kMaxModulationEntries] = {};   // -1..+1
    int sources[kMaxModulationEntries] = {};    // modulator 0..7
    int slots[kMaxModulationEntries] = {};      // routing slot 0..23
};

// A named block of opaque state bytes owned by the effect.
struct CRawParameterBlock
{
    int32_t id = 0;
    int32_t size = 0;
    uint8_t* data = nullptr; // the shared bytes, read-only (written only through `handover`)
    CRawBlockHandover* handover = nullptr; // owned: hands the bytes to the audio thread
};

class CBaseEffect
{
public:
    explicit CBaseEffect(CVstWrapper* wrapper);
    virtual ~CBaseEffect();
    CBaseEffect(const CBaseEffect&) = delete;
    CBaseEffect& operator=(const CBaseEffect&) = delete;

    // --- Engine-facing virtual operations -------------------------------------------------
    virtual PARAM_MODULATION* GetParameterModulation(int /*id*/) { return nullptr; }
    virtual float* GetModulationBuffer(int /*index*/) { return nullptr; }
    // A parameter changed; value is scaled 0..1 (the unscaled default during declaration).
    virtual void OnSetParameter(int /*id*/, float /*value*/) {}
    // Clears 24 bytes of text and writes the name / the display text.
    virtual void GetParameterName(int id, char* text);
    virtual void GetParameterTextValue(int id, char* text);
    // State chunk (format in BaseEffect.cpp). `isPreset`: the preset-file form,
    // without the MIDI map; on reading, the stored path is not taken either.
    // SetChunk reads no byte beyond `size` and ignores data without the format's
    // magic and version. User-interface thread; takes the access lock.
    virtual void SetChunk(const void* data, int size, bool isPreset);
    // Builds the chunk in a buffer owned by the effect (valid until the next call)
    // and returns its address and size. Nothing when either pointer is null.
    virtual void GetChunk(void** data, int* size, bool isPreset);
    virtual void SetSampleRate(float sampleRate);
    virtual void SetBlockSize(int blockSize);
    virtual void SetHostTempo(float tempoBpm);
    virtual void SetHostSamplePos(float samplePos);
    virtual void RequestUpdateDisplay();
    virtual bool ResizeWindow(int width, int height);
    virtual void OnTransportStart();
    virtual void OnTransportStop();
    virtual bool IsTransportPlaying();
    virtual void Reset() {}
    // Host thread, when the host resumes processing (after Reset), while no block runs:
    // the one-off work a first block would otherwise do on the audio thread. The base
    // takes a state loaded while suspended.
    virtual void PrepareToProcess() noexcept { ApplyPendingState(); }
    // Once per host block, audio thread, before any Process.
    virtual void PreProcess(int numSamples) noexcept;
    // Per sub-block of at most 16 samples, in place, audio thread.
    virtual void Process(float* /*left*/, float* /*right*/, int /*numSamples*/) noexcept {}
    virtual void ResetRawParameterBlock(int id);
    // Host gesture brackets of a user edit on `id`. The pair records one undo step (the
    // value from before the begin) when the value differs at the end, none otherwise.
    virtual void HostBeginEdit(int id);
    virtual void HostEndEdit(int id);
    virtual void HostSetParameterAutomated(int id, float value);
    // Tells the host of a value the plug-in itself has just changed (an editing command,
    // an undo): one begin/automate/end gesture, so that the host's value follows and a
    // host writing automation records it. Adds no undo step. User-interface thread.
    void HostAnnounceParameter(int id);
    // Preset files (the chunk without the MIDI map). User-interface thread.
    // LoadPreset: false, and nothing changed, when the file cannot be read or is
    // no preset. SavePreset: replaces the file only once the new one is complete;
    // on failure shows an alert, keeps the current preset path and returns false.
    virtual bool LoadPreset(const char* path);
    virtual bool SavePreset(const char* path);
    // Every unlocked parameter to its default, every raw block to its default,
    // no current preset.
    virtual void ResetPreset();
    // Undo history (nothing without a stack). User-interface thread.
    virtual void Undo();
    virtual void Redo();
    virtual int GetUndoCount();
    virtual int GetRedoCount();
    // Takes ownership of `item`, recorded before the edit it undoes.
    virtual void AddUndoItem(IActionItem* item);
    // Program name shown to the host; empty when no preset file is loaded.
    virtual std::string GetCurrentProgramName();
    // Full path of the current preset file; empty when none is loaded.
    const char* GetCurrentPresetPath() const { return m_currentPresetPath; }
    // MIDI controllers (audio thread for OnMidiCC).
    virtual void OnMidiCC(int controller, float value);
    virtual int ActivateMidiLearn(int id, bool on);
    virtual int IsMidiLearnActive();
    virtual int GetAssignedMidiCC(int id);
    virtual void RemoveAssignedMidiCC(int id);

    // --- Declaration and metadata ------------------------------------------------------------
    void SetParameterInfo(int id, int curve, const char* name, float min, float max,
                          float defaultValue, PARAM_DECORATOR decorator, float smoothingMs = 50.0f,
                          float power = 1.0f);
    PARAMETER_INFO* GetParameterInfo(int id);

    // --- Value access ------------------------------------------------------------------------
    void SetParameterScaled(int id, float scaled);
    void SetParameterUnscaled(int id, float unscaled);
    // Scaled value 0..1; `smooth` advances the parameter's smoothing filter by one
    // 16-sample step (audio thread, once per sub-block); `modulated` adds the
    // modulation of sample `sampleIndex` of the current block.
    // Inline: modules read dozens of values per sub-block, most of them settled and
    // unmodulated, which is a single load.
    float GetParameterScaled(int id, bool smooth, bool modulated, int sampleIndex) noexcept
    {
        if (!IsValidId(id))
            return 0.0f;
        // A plain read is the value the host, the editor and the undo history see; a
        // smoothed or modulated one is the audio thread's (its view of the state).
        if (!smooth && !modulated)
            return m_parameters[id].scaledClamped;
        const AUDIO_VIEW& view = m_audioView[id];
        const PARAM_MODULATION* modulation = modulated ? m_modulation[id] : nullptr;
        if (!smooth && !(modulation && modulation->count > 0))
            return view.scaledClamped;
        float y = view.scaled;
        if (smooth)
        {
            PARAM_SMOOTHER& smoother = m_smoothers[id];
            y = SmoothingStep(smoother, y, smoother.state);
        }
        if (modulation)
        {
            for (int i = 0; i < modulation->count; ++i)
                y += modulation->buffers[i][sampleIndex] * modulation->depths[i];
        }
        // NaN compares false both ways and would pass a clamp: it reads as 0.
        if (!(y >= 0.0f))
            return 0.0f;
        return y > 1.0f ? 1.0f : y;
    }
    float GetParameterUnscaled(int id, bool smooth, bool modulated, int sampleIndex) noexcept
    {
        if (!IsValidId(id))
            return 0.0f;
        if (!smooth && !modulated)
            return m_parameters[id].unscaledOfClamped;
        const float y = GetParameterScaled(id, smooth, modulated, sampleIndex);
        // A settled, unmodulated read is the stored value: its conversion is stored with it.
        const AUDIO_VIEW& view = m_audioView[id];
        if (y == view.scaledClamped)
            return view.unscaledOfClamped;
        return CurveToUnscaled(view, y);
    }
    // What a smoothed, unmodulated GetParameterScaled would read now, without advancing
    // the smoothing. Audio thread.
    float PeekSmoothedScaled(int id) const noexcept
    {
        if (!IsValidId(id))
            return 0.0f;
        float state = m_smoothers[id].state;
        const float y = SmoothingStep(m_smoothers[id], m_audioView[id].scaled, state);
        if (!(y >= 0.0f))
            return 0.0f;
        return y > 1.0f ? 1.0f : y;
    }
    // The audio thread's settled, unmodulated value (its view of the state). Audio thread.
    float GetAudioScaled(int id) const noexcept
    {
        return IsValidId(id) ? static_cast<float>(m_audioView[id].scaledClamped) : 0.0f;
    }
    // Audio thread, at the start of each host block before any read: takes the state of
    // the last whole-state load, if one came since the last call (bounded: one copy of
    // every parameter's view and of the raw blocks the load changed). Never blocks or
    // allocates. Inline: most blocks have nothing pending, which is one load and a compare.
    void ApplyPendingState() noexcept
    {
        if (m_stateHandover.HasNewest())
            ApplyNewestState();
    }
    float ScaledValueToUnscaled(int id, float scaled) const noexcept;
    float UnscaledValueToScaled(int id, float unscaled) const noexcept;
    void ResetParameter(int id);
    void RefreshParameter(int id, float scaled);
    void UpdateParameter(int id, float scaled);
    void SetParameterLock(int id, bool locked);
    bool GetParameterLock(int id);

    // --- Raw parameter blocks ----------------------------------------------------------------
    void AddRawParameterBlock(int id, int size);
    // The block's bytes for reading on the user-interface thread; every write goes
    // through SetRawParameterBlock, which hands the bytes over to the audio thread.
    const uint8_t* GetRawParameterBlock(int id);
    int GetRawParameterBlockSize(int id);
    void SetRawParameterBlock(int id, const void* data);
    // Audio thread: the block as of the last complete write (never a half-written
    // one), null if no block has that id. Never blocks or allocates.
    const uint8_t* GetRawParameterBlockSnapshot(int id) noexcept;
    // The same, and the snapshot's write sequence: equal sequences mean equal bytes (an
    // odd value never occurs, so a reader may start its record at 1). Audio thread.
    const uint8_t* GetRawParameterBlockSnapshot(int id, uint32_t& sequence) noexcept;

    // --- MIDI map ------------------------------------------------------------------------------
    void ResetMidiMap();
    int GetMidiMapEntry(int controller) const;
    // The map as a .ccmap file (format in utilities/MidiMapFile.h). Saving writes a
    // new file and puts it in the place of `path`; false when that fails. Loading
    // accepts only a whole .ccmap file (magic and exact length) and otherwise
    // answers false with the map unchanged. User-interface thread.
    bool SaveMidiMap(const char* path);
    bool LoadMidiMap(const char* path);

    // --- Editor and adapter --------------------------------------------------------------------
    void SetEditor(IEffectEditor* editor) { m_editor = editor; }
    IEffectEditor* GetEditor() { return m_editor; }
    CVstWrapper* GetWrapper() { return m_wrapper; }

    float GetSampleRate() const { return m_sampleRate; }
    int GetBlockSize() const { return m_blockSize; }
    float GetHostTempo() const { return m_hostTempo; }
    float GetHostSamplePos() const { return m_hostSamplePos; }

    static bool IsValidId(int id) { return id >= 0 && id < kNumParameters; }

protected:
    // Smoothing filter of one parameter: s = a * target + b * s per 16-sample step.
    struct PARAM_SMOOTHER
    {
        RelaxedAtomic<float> a{0.0f};
        RelaxedAtomic<float> b{0.0f};
        float state = 0.0f; // audio thread only
    };

    // Version rules of the state format, asked by SetChunk: how many values a chunk of
    // `version` holds, and what to do once it is read (under the access lock, inside the
    // same state load).
    virtual int GetChunkValueCount(int32_t /*version*/) const { return kNumParameters; }
    virtual void OnChunkRead(int32_t /*version*/) {}

    // A whole-state change on the calling thread (chunk, preset, reset): while one is
    // open, values and raw blocks change for the host, the editor and the undo history
    // only; when the outermost closes, the whole state goes to the audio thread as one
    // snapshot. Holds the access lock for its life.
    class CStateLoad
    {
    public:
        explicit CStateLoad(CBaseEffect& effect);
        ~CStateLoad();
        CStateLoad(const CStateLoad&) = delete;
        CStateLoad& operator=(const CStateLoad&) = delete;

    private:
        CBaseEffect& m_effect;
        CAccessLock::CScoped m_lock;
        const CBaseEffect* m_outer;
    };
    // True inside a CStateLoad of this effect on the calling thread.
    bool IsLoadingState() const noexcept;

    // Pieces of SetChunk, in the order of the format. Each reads no byte beyond the
    // data and treats a field that does not fit as the end of the data.
    // Header: false when the magic or the version is missing or the magic differs.
    bool ReadChunkHeader(CByteReader& reader, int32_t& version);
    // The stored preset path becomes the current one unless `isPreset` (then skipped).
    void ReadChunkPath(CByteReader& reader, bool isPreset);
    // Host chunks only: the MIDI map; entries that name no parameter become -1.
    void ReadChunkMidiMap(CByteReader& reader, bool isPreset);
    // Values of parameters 0..count-1; locked parameters keep theirs. A value that
    // is not finite becomes the default, one outside the range is clamped.
    void ReadChunkValues(CByteReader& reader, int count);
    // Block records up to the end of the data, each copied into the registered
    // block of the same id and size; other records are skipped by their size.
    void ReadChunkBlocks(CByteReader& reader);
    // After a whole-state change: the editor re-reads every control, the host is
    // told every value and asked to re-read names and texts.
    void AnnounceNewState();
    // Copies `path` as the current preset path (cut to 2047 bytes, zero-filled).
    void SetCurrentPresetPath(const char* path);

    // `Info`: PARAMETER_INFO or the audio thread's view of it (the same fields).
    template <typename Info>
    static float CurveToUnscaled(const Info& info, float x) noexcept
    {
        const float min = info.min;
        switch (static_cast<int>(info.curve))
        {
        case kCurveLinear:
            return min + info.range * x;
        case kCurveLogarithmic:
            return min + std::exp(x * info.logRange) - 1.0f;
        case kCurveOctave:
            return min * std::exp2(x * info.octaves);
        case kCurvePower:
            return min + info.range * std::pow(x, static_cast<float>(info.power));
        case kCurveStepped:
            // range + 0.99 steps: x = 1 reaches max and every step is reachable.
            return TruncateFloat(min + TruncateFloat((info.range + 0.99f) * x));
        default:
            return 0.0f;
        }
    }
    static float TruncateFloat(float x) noexcept { return static_cast<float>(static_cast<int>(x)); }
    static float CurveToScaled(const PARAMETER_INFO& info, float unscaled) noexcept;
    void UpdateSmoothingCoefficients(int id);
    // One 16-sample step of a smoothing filter towards target from state (updated):
    // returns the value read, the target itself once within the snap distance.
    static float SmoothingStep(const PARAM_SMOOTHER& smoother, float target, float& state) noexcept
    {
        return SnapSmoothing::Advance(target, state, [&smoother](float to, float from) {
            return smoother.a * to + smoother.b * from;
        });
    }
    // Writes an unscaled value and the values derived from it, and (outside a state
    // load) the audio thread's view of them. Every write of a value goes through here.
    void StoreValue(int id, float unscaled) noexcept;
    // Everything a state load sends to the audio thread.
    struct STATE_SNAPSHOT
    {
        uint64_t clock = 0; // m_writeClock when taken: later single writes win over it
        PARAM_VALUE_VIEW<float> values[kNumParameters];
        std::vector<uint8_t> rawBytes;      // every raw block, in registration order
        std::vector<uint32_t> rawSequences; // the write sequence of each
    };
    // Takes the shared state into a snapshot and hands it to the audio thread. The
    // caller holds the access lock.
    void PublishState();
    // The body of ApplyPendingState once a snapshot is waiting. Audio thread.
    void ApplyNewestState() noexcept;
    CRawParameterBlock* FindRawParameterBlock(int id) noexcept;
    // Copies `size` bytes of `data` (zeros when null) into the block with that id,
    // if any. The caller holds the access lock.
    void WriteRawParameterBlock(int id, const void* data);

    static constexpr uint32_t kChunkMagic = 0x4D767851; // 'MvxQ'
    static constexpr int32_t kChunkVersion = 1140;

    CVstWrapper* m_wrapper;
    IEffectEditor* m_editor = nullptr;
    CAccessLock m_accessLock;
    CActionStack* m_actionStack = nullptr; // owned
    // Open host edit gestures (HostBeginEdit/HostEndEdit nesting) and each one's starting
    // scaled value, for the undo step at its end. User-interface thread.
    int m_editDepth[kNumParameters] = {};
    float m_editStart[kNumParameters] = {};
    std::vector<uint8_t> m_chunkBuffer;     // the last chunk built by GetChunk

    PARAMETER_INFO m_parameters[kNumParameters];
    PARAM_SMOOTHER m_smoothers[kNumParameters];
    using AUDIO_VIEW = PARAM_VALUE_VIEW<RelaxedAtomic<float>>;
    AUDIO_VIEW m_audioView[kNumParameters];
    // Single writes are stamped from this clock, so that a snapshot taken before one
    // does not undo it on the audio thread.
    std::atomic<uint64_t> m_writeClock{0};
    std::atomic<uint64_t> m_valueStamps[kNumParameters] = {};
    CTripleBuffer<STATE_SNAPSHOT> m_stateHandover;
    PARAM_MODULATION* m_modulation[kNumParameters] = {}; // audio thread only

    std::vector<CRawParameterBlock> m_rawBlocks;
    // Index of the first usable block of each id from m_rawBlockFirstId on (-1: none),
    // rebuilt at registration; empty when the ids are spread too far.
    std::vector<int> m_rawBlockPlaces;
    long long m_rawBlockFirstId = 0;
    void IndexRawParameterBlocks();
    char m_currentPresetPath[kPresetPathSize] = {}; // always terminated

    RelaxedAtomic<int32_t> m_midiMap[kNumMidiControllers];
    RelaxedAtomic<float> m_midiValues[kNumMidiControllers];
    RelaxedAtomic<int32_t> m_midiLearnTarget{-1};

    RelaxedAtomic<bool> m_transportPlaying{false};
    float m_sampleRate = 44100.0f;
    int m_blockSize = 1024;
    float m_hostTempo = 120.0f;
    float m_hostSamplePos = 0.0f;
};
