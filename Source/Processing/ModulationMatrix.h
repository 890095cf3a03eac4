// Eight modulators (a step sequencer and an envelope each, "Mod%d Mode" picks one)
// routed through 24 slots onto the parameters. Per host block (PreProcess) it rebuilds
// from the slot parameters one PARAM_MODULATION record per parameter id, listing the
// modulation buffers that act on it with their depths (-1..+1), and copies the step
// patterns and envelope points from the raw blocks into the modulators; per sub-block
// (Generate) every modulator writes one value (0..1) per sample into its buffer. A
// modulated parameter read adds, per sample, buffer x depth of every entry to the
// parameter's scaled value and clamps the sum to 0..1.
//
// The slot depth is smoothed with the parameter's own smoothing time (50 ms), advanced
// once per host block by as many 16-sample steps as the block holds, so that its time
// constant does not depend on the host's block size.
//
// The editing operations (AddModulation, EnableModulations, ClearModulations) act only
// through the slot parameters and record one undo step each. User-interface thread for
// those and for the queries; audio thread for PreProcess, Generate and the record and
// buffer getters.
#pragma once

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/utilities/MonoBuffer.h"
#include "Modulators/Mseg.h"
#include "Modulators/Stepper.h"

class CModulationMatrix
{
public:
    static constexpr int kNumModulators = 8;
    static constexpr int kNumSlots = 24;
    // Every buffer holds at least one sub-block, whatever block size the host announces.
    static constexpr int kMinBufferSize = 16;

    // Buffers of 16 samples, cleared; every record empty.
    explicit CModulationMatrix(CBaseEffect* owner);
    virtual ~CModulationMatrix() = default;
    CModulationMatrix(const CModulationMatrix&) = delete;
    CModulationMatrix& operator=(const CModulationMatrix&) = delete;

    // Forwarded to all sixteen modulators (and kept for the depth smoothing). UI thread
    // for the rate; tempo and position from the audio thread before a host block.
    void SetSampleRate(float sampleRate);
    void SetHostTempo(float tempoBpm);
    void SetHostSamplePos(float samplePos);
    // Buffers of max(blockSize, 16) samples, cleared. UI thread.
    void SetBlockSize(int blockSize);
    // Clears the buffers and resets the sixteen modulators.
    void Reset();

    // Once per host block of numSamples samples, before any Generate: rebuilds the
    // routing records and copies the steps and points from the raw blocks. Audio thread.
    void PreProcess(int numSamples) noexcept;
    // The copy of the steps and points that PreProcess would make, done ahead (host thread
    // at resume, while no block runs): the first block finds them current.
    void PrepareToProcess() noexcept { CopyModulatorData(); }
    // Once per sub-block (numSamples <= the buffer size; longer calls are cut): runs each
    // modulator's selected generator into its buffer, modulators 0..7 in order. A step
    // modulator that no routing uses and whose bit in `otherListeners` is clear only
    // advances (its buffer is not written: nobody reads it this block).
    void Generate(int numSamples, unsigned otherListeners = 0xFFu) noexcept;
    // Record of parameter id 0..311 for the current host block (count may be 0); null
    // for another id.
    PARAM_MODULATION* GetModulation(int id) noexcept;
    // Buffer of modulator 0..7 for the current sub-block; null for another index.
    float* GetModulationBuffer(int index) noexcept;

    // --- Editing, user-interface thread ----------------------------------------------------
    // Routes modulator `source` (0..7) to parameter `id` (0..311) in the first slot whose
    // source or target is empty, with depth +-15 % (+-100 % for an on/off switch) pointing
    // into the parameter's range when setDepth, else 0 %. The slot's power is left as it
    // is. Records an undo step even when every slot is in use; ignores bad arguments.
    void AddModulation(int id, int source, bool setDepth);
    // Switches every used slot aimed at `id` on or off, telling the host and the editor.
    void EnableModulations(int id, bool enable);
    // Empties every slot aimed at `id` (source and target "---", depth 0 %, power on).
    void ClearModulations(int id);
    // Number of slots whose source is `modulator`, whatever their target or power.
    int GetParamsCountForMod(int modulator);
    // Target and slot index of the n-th (0-based) slot whose source is `modulator`; -1
    // when there is none.
    int GetParamIDForMod(int modulator, int n);
    int GetSlotIDForMod(int modulator, int n);
    // Play position (step units) of the modulator's running generator; the index is
    // clamped to 0..7. Any thread.
    float GetCursorPos(int modulator);

    CStepper& GetStepper(int index) { return m_steppers[ClampModulator(index)]; }
    CMseg& GetMseg(int index) { return m_msegs[ClampModulator(index)]; }

private:
    static int ClampModulator(int index)
    {
        return index < 0 ? 0 : (index >= kNumModulators ? kNumModulators - 1 : index);
    }
    void RebuildMatrix(int numSamples) noexcept;
    // Advances every slot's depth smoother by a host block of numSamples samples.
    void AdvanceDepthSmoothing(int numSamples) noexcept;
    void CopyModulatorData() noexcept;
    // Unscaled slot value (source or target) as stored, truncated; no modulation.
    int ReadSlotIndex(int id);

    CBaseEffect* m_owner;
    CMseg m_msegs[kNumModulators];
    CStepper m_steppers[kNumModulators];
    CMonoBuffer m_buffers[kNumModulators];
    PARAM_MODULATION m_records[kNumParameters];
    float m_sampleRate = 44100.0f;
    // Smoothed scaled depth of each slot (audio thread), as the parameter smoother
    // starts: from 0.
    float m_depthState[kNumSlots] = {};
    // Write sequences of the point and step blocks last copied (1: none yet).
    struct DECAY
    {
        float timeMs = -1.0f;
        float samples = -1.0f;
        float rate = -1.0f;
        float value = 0.0f;
    };
    DECAY m_depthDecay; // the depth smoothing's decay over one host block
    int m_filled[kNumSlots] = {}; // ids of the records filled by the last rebuild
    int m_filledCount = 0;
    bool m_routed[kNumModulators] = {}; // a routing of this host block reads the modulator
    uint32_t m_pointsSequence[kNumModulators] = {1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t m_stepsSequence[kNumModulators] = {1, 1, 1, 1, 1, 1, 1, 1};
};
