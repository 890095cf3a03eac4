// Per-machine settings of the plug-in, kept in the file prefs.bin in the
// plug-in's data folder: the editor's window mode and the preferences that steer
// the modulator randomizer. User-interface thread only.
//
// prefs.bin, little-endian: uint32 signature 0xD3364984, int32 compact GUI mode,
// int32 step randomize mode, int32 curve randomize mode, byte curve length 32,
// byte prefer dense. The previous version (signature 0xD3364983) holds the
// compact GUI mode only.
#pragma once

#include <cstdint>
#include <string>

class CBaseEffect;

class CPreferences
{
public:
    static constexpr uint32_t kSignature = 0xD3364984;
    static constexpr uint32_t kPreviousSignature = 0xD3364983;

    // Sets the defaults and the file's path, then reads the file.
    explicit CPreferences(CBaseEffect* effect);
    virtual ~CPreferences() = default;

    // Reads the file if it exists; fields the file does not hold keep their values.
    void Load();
    // Writes the whole file (a new file put in the place of the old one, so that
    // a failed write keeps the old one). The folder is not created here. False
    // when the file could not be written; nothing is reported to the user.
    bool Save();

    const std::string& GetPath() const { return m_path; }
    CBaseEffect* GetEffect() const { return m_effect; }

    // -1 until chosen, then 0 (normal window) or 1 (compact window).
    int GetCompactGuiMode() const { return m_compactGuiMode; }
    void SetCompactGuiMode(int mode) { m_compactGuiMode = mode; }
    // 0 "Randomize All", 1 "Randomize Only Positions", 2 "Randomize Only Levels".
    int GetStepRandomizeMode() const { return m_stepRandomizeMode; }
    void SetStepRandomizeMode(int mode) { m_stepRandomizeMode = mode; }
    // As the step mode, plus 3 "Randomize Only Tensions".
    int GetCurveRandomizeMode() const { return m_curveRandomizeMode; }
    void SetCurveRandomizeMode(int mode) { m_curveRandomizeMode = mode; }
    // False: "Generate 16 Steps", true: "Generate 32 Steps".
    bool GetCurveLength32() const { return m_curveLength32; }
    void SetCurveLength32(bool on) { m_curveLength32 = on; }
    // "Prefer Dense Sequences".
    bool GetPreferDense() const { return m_preferDense; }
    void SetPreferDense(bool on) { m_preferDense = on; }

private:
    CBaseEffect* m_effect;
    std::string m_path;
    int32_t m_compactGuiMode = -1;
    int32_t m_stepRandomizeMode = 0;
    int32_t m_curveRandomizeMode = 0;
    bool m_curveLength32 = false;
    bool m_preferDense = true;
};
