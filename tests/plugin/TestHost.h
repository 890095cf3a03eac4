// A minimal VST 2.4 host for the tests: loads the built plug-in module with
// dlopen, creates instances through the exported entry point with a host
// callback of its own, records every call the plug-in makes back into the
// host, and wraps the dispatcher and process calls a real host makes.
#pragma once

#include "aeffectx.h"

#include <cstddef>
#include <string>
#include <vector>

// One call the plug-in made into the host callback.
struct HOST_CALL
{
    bool hasEffect = false; // the AEffect argument was not null
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    bool hasPtr = false; // the ptr argument was not null
    float opt = 0.0f;
};

// A MIDI control change as the host sends it: channel 0..15, controller and
// value 0..127, sample offset inside the next block.
struct HOST_CONTROL_CHANGE
{
    int channel = 0;
    int controller = 0;
    int value = 0;
    int deltaFrames = 0;
};

class CTestHost
{
public:
    using EntryProc = AEffect* (*)(audioMasterCallback);

    explicit CTestHost(std::string modulePath);
    ~CTestHost();
    CTestHost(const CTestHost&) = delete;
    CTestHost& operator=(const CTestHost&) = delete;

    // --- Module -----------------------------------------------------------------------------
    // dlopen of the module; false with the loader's message in `error` on failure.
    bool LoadModule(std::string* error = nullptr);
    // Address of an exported symbol of the loaded module, null if absent.
    void* FindSymbol(const char* name) const;
    EntryProc FindEntry(const char* name) const;

    // --- Instance ---------------------------------------------------------------------------
    // Calls the entry point `entryName` with this host's callback, as a host does
    // right after loading; answers the AEffect record or null.
    AEffect* Instantiate(const char* entryName = "VSTPluginMain");
    // effClose; the record must not be touched afterwards.
    void Close();
    AEffect* Effect() const { return m_effect; }

    // --- Host behaviour ---------------------------------------------------------------------
    // Answer to audioMasterVersion (2400 by default; 0 = a host the plug-in must refuse).
    void SetVersionAnswer(VstIntPtr version) { m_versionAnswer = version; }
    // Time information answered to audioMasterGetTime; null = "no time information".
    // The record is copied and stays owned by the host.
    void SetTimeInfo(const VstTimeInfo* time);
    VstTimeInfo* TimeInfo() { return m_hasTime ? &m_time : nullptr; }

    // --- Recorded callbacks -----------------------------------------------------------------
    const std::vector<HOST_CALL>& Calls() const { return m_calls; }
    std::vector<HOST_CALL> CallsWith(VstInt32 opcode) const;
    std::size_t CountCalls(VstInt32 opcode) const;
    void ClearCalls() { m_calls.clear(); }

    // --- Dispatcher -------------------------------------------------------------------------
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // A dispatcher call that fills a text buffer of `bufferSize` bytes; answers the
    // text up to its terminator. `result` receives the dispatcher's answer.
    std::string GetString(VstInt32 opcode, VstInt32 index = 0, std::size_t bufferSize = 256,
                          VstIntPtr* result = nullptr);
    std::string ParamName(VstInt32 id) { return GetString(effGetParamName, id); }
    std::string ParamDisplay(VstInt32 id) { return GetString(effGetParamDisplay, id); }
    VstIntPtr CanDo(const char* text);

    // --- Parameters, audio, events ----------------------------------------------------------
    void SetParameter(VstInt32 id, float value);
    float GetParameter(VstInt32 id);
    // Sample rate, block size and effMainsChanged(1), the order hosts use.
    void Resume(float sampleRate = 44100.0f, VstInt32 blockSize = 512);
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames);
    // effProcessEvents with one MIDI event per entry; answers the dispatcher's result.
    VstIntPtr SendControlChanges(const std::vector<HOST_CONTROL_CHANGE>& changes);
    // effProcessEvents with arbitrary events (the host owns them during the call).
    VstIntPtr SendEvents(const std::vector<VstEvent*>& events);

private:
    static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt);
    static CTestHost* FindHost(AEffect* effect);
    VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::string m_modulePath;
    void* m_module = nullptr;
    AEffect* m_effect = nullptr;
    VstIntPtr m_versionAnswer = kVstVersion;
    bool m_hasTime = false;
    VstTimeInfo m_time{};
    std::vector<HOST_CALL> m_calls;
};

// Sample-frame buffers of a stereo block: two input and two output channels,
// each followed by guard samples that the plug-in must not touch.
class CStereoBlock
{
public:
    static constexpr int kGuard = 16;
    static constexpr float kGuardValue = -12345.5f;

    explicit CStereoBlock(int frames);

    // Deterministic test signal, different on each channel and for each seed.
    void FillInput(unsigned seed);
    // Output samples and guards set to kGuardValue.
    void ClearOutput();

    float** Inputs() { return m_inputPointers; }
    float** Outputs() { return m_outputPointers; }
    float* Input(int channel) { return m_input[channel].data(); }
    float* Output(int channel) { return m_output[channel].data(); }
    int Frames() const { return m_frames; }

    // Bit-exact comparison of the first `frames` samples of output and input.
    bool OutputEqualsInput(int channel) const;
    // True when the guard samples after the frames of every channel are untouched.
    bool GuardsIntact() const;
    // True when every output sample (frames and guards) still holds kGuardValue.
    bool OutputUntouched() const;

private:
    int m_frames;
    std::vector<float> m_input[2];
    std::vector<float> m_output[2];
    float* m_inputPointers[2];
    float* m_outputPointers[2];
};
