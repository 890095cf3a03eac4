// Multi-segment envelope modulator: a looping curve through up to 64 breakpoints on
// the step-unit time line of CStepper, one value per sample, in tempo-synced or free
// time, phase-locked to the host position while the transport runs.
//
// Segment i runs from point i (position s, level L0) to the next point (position e,
// level L1, tension T). With d = position - s and x = d / (e - s):
//   value = L0 + (L1 - L0) x / ((x - 1) g + x),  g = 1 / k + 1,  k = -0.5 (1 - 0.85 tau),
//   tau = clamp(tension offset + T, -1, 1);
// a rational (bilinear) warp of the straight line that stays monotonic from L0 to L1:
// tau = 0 is the line, tau = +1 a slow start (x = 0.5 gives 0.075), tau = -1 a fast
// start (0.925). The start level is held for the first "start hold" milliseconds of
// each segment, two points at one position make a vertical jump, and the last used
// point's position is the loop length. Shuffle delays points on odd units by up to
// one unit, never past the next point. The output glides as in CStepper.
//
// Plain values only, nothing allocated. Settings are written by the modulation matrix
// before each Generate; everything runs on the audio thread except GetCursorPosition.
#pragma once

#include "StepClock.h"

#include "Common/wrappers/utilities/RelaxedAtomic.h"

// One breakpoint as stored in a modulator's envelope block: position in step units
// (negative = unused; the first unused entry ends the list), level 0..1, tension -1..+1
// of the segment that ends here. Three little-endian floats.
struct MSEG_POINT
{
    float position;
    float level;
    float tension;
};

constexpr int kMsegMaxPoints = 64;

class CMseg : public CModulatorClock
{
public:
    // Every point unused (position -1); 44.1 kHz, 120 BPM, sync, speed 2.
    CMseg();

    // Position, current point and output to 0; points and settings stay.
    void Reset();

    // Settings, written before each Generate. speed: note-length index (sync) or
    // step-unit length in ms (free); smooth, shuffle 0..1; tensionOffset -1..+0.5,
    // added to every segment's tension; startHoldMs >= 0.
    void SetSpeed(float speed) { m_speed = speed; }
    void SetSync(bool sync) { m_sync = sync; }
    void SetSmooth(float smooth) { m_smooth = smooth; }
    void SetShuffle(float shuffle) { m_shuffle = shuffle; }
    void SetTensionOffset(float offset) { m_tensionOffset = offset; }
    void SetStartHold(float startHoldMs) { m_startHoldMs = startHoldMs; }
    // Copies the 64 points. A position that is not finite ends the list there; a level
    // or tension that is not finite becomes 0, and a level outside 0..1 the nearer end.
    void SetPoints(const MSEG_POINT points[kMsegMaxPoints]);

    // Index of the first unused entry (64 when all are used).
    int GetNumPoints() const noexcept;
    // Position of the last used point; 1 for an empty list, 32 with all 64 in use.
    float GetLoopLength() const noexcept;
    // The used point after `index`, or 0 when the loop wraps.
    int GetNextPoint(int index) const noexcept;
    // Position of point `index` after shuffle, in step units.
    float GetPosAt(int index) const noexcept;
    // Writes count values (normally 0..1) into buffer and advances the play position.
    void Generate(float* buffer, int count) noexcept;

    // Play position in step units as of the end of the last Generate (for the cursor).
    float GetCursorPosition() const { return m_cursorPosition; }
    int GetCurrentPoint() const { return m_currentPoint; }

private:
    // Current point for a play position inside the loop: the last used point at or before
    // it, never the loop-end point (it starts no segment) unless it is the only one.
    int FindSegment(double position) const noexcept;
    // Start, end, levels and curve constants of the segment from the current point.
    void LoadSegment(int next) noexcept;

    float m_speed = 2.0f;
    bool m_sync = true;
    float m_smooth = 0.0f;
    float m_shuffle = 0.0f;
    float m_positions[kMsegMaxPoints] = {};
    float m_levels[kMsegMaxPoints] = {};
    float m_tensions[kMsegMaxPoints] = {};
    float m_tensionOffset = 0.0f;
    float m_startHoldMs = 0.0f;
    // Double: a float position stalls once its rounding step exceeds the increment.
    double m_position = 0.0;
    int m_currentPoint = 0;
    float m_output = 0.0f;
    RelaxedAtomic<float> m_cursorPosition{0.0f};

    // Derived from the points (SetPoints).
    int m_numPoints = 0;
    float m_loopLength = 1.0f;
    // The segment being played (derived; recomputed at every Generate).
    struct SEGMENT
    {
        float start = 0.0f;      // position of its first point (after shuffle)
        float end = 0.0f;        // position of its last point (after shuffle)
        float startLevel = 0.0f; // L0
        float endLevel = 0.0f;   // L1
        float curveG = -1.0f;    // g = 1 / k + 1 of the clamped tension
    };
    SEGMENT m_segment;
    // Glide coefficient, recomputed only when smoothing or rate change.
    float m_glideSmooth = -1.0f;
    float m_glideRate = -1.0f;
    float m_glide = 0.0f;
};
