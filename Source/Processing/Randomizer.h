// Invents new settings on request: a step pattern or an envelope for one
// modulator, or new values for one effect module of one layer, and resets the
// same units to their defaults. Every operation first records its undo item.
// Random numbers come from the C library's rand() scaled by 2^-31 (uniform in
// [0, 1)); the generator is never seeded here. The step and envelope shapes are
// steered by the preferences (step / curve randomize mode, 16 or 32 units,
// prefer dense). User-interface thread only: it changes state solely through the
// effect's parameter and raw-block setters.
#pragma once

class CBaseEffect;
class CPreferences;

class CRandomizer
{
public:
    // Unit kinds of Randomize and Reset; the index is the modulator 0..7 for
    // kModulator and the layer 0 (A) or 1 (B) for the effect modules.
    enum UNIT_KIND : int
    {
        kModulator = 0,
        kFilter = 1,
        kDistortion = 2,
        kDelay = 3,
        kLoFi = 4,
        kFlanger = 5,
        kGlitch = 6,
    };

    static constexpr int kNumSteps = 32;
    static constexpr int kNumPoints = 64;
    // Points a generated envelope may use: one entry always stays the end marker.
    static constexpr int kMaxGeneratedPoints = kNumPoints - 1;

    explicit CRandomizer(CBaseEffect* effect);

    // Modulator: a new envelope when its "Mod%d Mode" (scaled) is above 0.5, else a
    // new step pattern. Modules: new values for the module's randomized parameters.
    // Then the editor, if open, re-reads its controls. Unknown kinds or indices
    // change nothing.
    void Randomize(int kind, int index);
    // Modules: every parameter of the module to its default ("Delay Mix" excepted,
    // "Delay Input" and "Flanger Mode" included). Modulator: its envelope or step
    // block, whichever its mode shows, and its preset path.
    void Reset(int kind, int index);

    void RndSteps(int modulator);
    void RndCurve(int modulator);
    void RndFilter(int layer);
    void RndDistortion(int layer);
    void RndDelay(int layer);
    void RndLoFi(int layer);
    void RndFlanger(int layer);
    void RndGlitch(int layer);

private:
    // A fresh uniform draw in [0, 1).
    static float Draw();
    // Writes a scaled value and tells the effect, as the undo items do, so that a
    // switch or buffer written before its dependent parameter reshapes that one first.
    void Write(int id, float scaled);
    bool IsModulatorCurve(int modulator);
    void UpdateEditor();
    // The effect's preferences, or null when the effect keeps none.
    CPreferences* GetPreferences();

    CBaseEffect* m_effect;
};
