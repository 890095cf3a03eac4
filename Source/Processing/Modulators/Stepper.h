// Step-sequencer modulator: a cycle of up to 32 steps, each with its own end position
// (in step units from the cycle start, fractional lengths allowed) and level 0..1,
// played as one control value per sample in tempo-synced or free time.
//
// Per sample, with the current step running from the previous trigger to the next
// trigger: the gate closes (target 0) at next - u * (1 - g), where u is the fractional
// tail of the step (or its last whole unit) and g = 0.125 + 0.875 * gate^1.3; a new
// step begins at the next trigger; the cycle wraps at the number of steps. The output
// glides to the target with a one-pole smoother (0..30 ms). Shuffle delays the end of
// every step that ends on an even unit by up to 0.99 of a unit, when the step after it
// is at most one unit long. While the host transport runs, the first block after a new
// host position re-derives the play position from it.
//
// Plain values only: no memory is owned, nothing allocated. Settings are written by the
// modulation matrix before each Generate; everything runs on the audio thread except
// GetCursorPosition (any thread).
#pragma once

#include "StepClock.h"

#include "Common/wrappers/utilities/RelaxedAtomic.h"

// One step as stored in a modulator's steps block: end position in step units
// (negative = unused) and level 0..1. Two little-endian floats.
struct STEP_RECORD
{
    float endPosition;
    float level;
};

constexpr int kStepperMaxSteps = 32;

class CStepper : public CModulatorClock
{
public:
    // Every step unused (end -1, level 0); 44.1 kHz, 120 BPM, 32 steps, sync, speed 2.
    CStepper();

    // Output, position, target and triggers to their start; steps and settings stay.
    void Reset();

    // Settings, written before each Generate. numSteps: cycle length 1..32 (clamped);
    // speed: note-length index (sync) or step-unit length in ms (free); smooth, gate,
    // shuffle: 0..1.
    void SetNumSteps(int numSteps);
    void SetSpeed(float speed) { m_speed = speed; }
    void SetSync(bool sync) { m_sync = sync; }
    void SetSmooth(float smooth) { m_smooth = smooth; }
    void SetGate(float gate) { m_gate = gate; }
    void SetShuffle(float shuffle) { m_shuffle = shuffle; }
    // Copies the 32 steps. A position or level that is not finite makes the step unused
    // (end -1) or silent (level 0); a level outside 0..1 becomes the nearer end.
    void SetSteps(const STEP_RECORD steps[kStepperMaxSteps]);

    // End position of step k (0..31) after shuffle, in step units.
    float GetPosAt(int k) const noexcept;
    // Finds the step the play position lies in and makes it the current one.
    void CalcTriggerPos() noexcept;
    // Writes count values (normally 0..1) into buffer and advances the play position.
    void Generate(float* buffer, int count) noexcept;
    // Advances exactly as Generate would, for a modulator nobody listens to this block:
    // no values are written, and stretches without a step or gate change are taken at
    // once (the glide in closed form, equal to the sample-by-sample run to rounding).
    void Advance(int count) noexcept;

    // Play position in step units as of the end of the last Generate (for the cursor).
    float GetCursorPosition() const { return m_cursorPosition; }
    float GetTarget() const { return m_target; }
    float GetNextTrigger() const { return m_nextTrigger; }
    float GetPreviousTrigger() const { return m_previousTrigger; }

private:
    // Block start shared by Generate and Advance: resync, cached coefficients; returns the
    // position increment per sample.
    double BeginBlock() noexcept;
    // Generate (kWrite, values into buffer) and Advance (no values) in one loop.
    template <bool kWrite> void Run(float* buffer, int count) noexcept;
    // Position at which the current step's gate closes, for the gate fraction's complement.
    double GatePoint(float closedPart) const noexcept;

    int m_numSteps = kStepperMaxSteps;
    float m_speed = 2.0f;
    bool m_sync = true;
    float m_smooth = 0.0f;
    float m_gate = 0.5f;
    float m_shuffle = 0.0f;
    float m_endPositions[kStepperMaxSteps] = {};
    float m_levels[kStepperMaxSteps] = {};
    // Double: a float position stalls once its rounding step exceeds the increment (at
    // 96 kHz a 16 s step unit advances 6.5e-7 per sample, half a float step at 16).
    double m_position = 0.0;
    float m_target = 0.0f;
    float m_nextTrigger = -1.0f;
    float m_previousTrigger = -1.0f;
    float m_output = 0.0f;
    // Per-block coefficients, recomputed only when their inputs change.
    float m_glideSmooth = -1.0f;
    float m_glideRate = -1.0f;
    float m_glide = 0.0f;
    float m_gateInput = -1.0f;
    float m_gateFraction = 0.0f;
    static constexpr int kMaxRun = 16;
    float m_glidePowers[kMaxRun + 1] = {}; // m_glide^k
    RelaxedAtomic<float> m_cursorPosition{0.0f};
};
