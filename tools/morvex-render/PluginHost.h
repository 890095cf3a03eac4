// Loads a VST 2.4 plug-in from a shared object and hosts it the way a DAW does: dlopen, the
// VSTPluginMain entry point (or the legacy "main"), a host callback that answers version,
// time, sample rate, block size and capability queries, and thin wrappers around the
// plug-in's dispatcher. One instance hosts one plug-in; everything runs on the calling thread.
#pragma once

#include "aeffectx.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::render
{

class CPluginHost
{
public:
    static constexpr const char* kVendorName = "Morvex";
    static constexpr const char* kProductName = "Morvex Render";
    static constexpr VstIntPtr kProductVersion = 1000; // answered to audioMasterGetVendorVersion

    CPluginHost() = default;
    ~CPluginHost();
    CPluginHost(const CPluginHost&) = delete;
    CPluginHost& operator=(const CPluginHost&) = delete;

    // Opens the shared object (a path without '/' is taken relative to the current directory,
    // not looked up in the library path), runs its entry point and checks the magic number.
    // Returns false with a message (dlopen's own text where it failed) and leaves nothing
    // loaded on failure.
    bool Load(const std::string& path, std::string& error);

    // effOpen, effSetSampleRate (Hz), effSetBlockSize (largest frame count per process call),
    // effSetProcessPrecision (32-bit float). Returns false if the plug-in cannot produce audio.
    bool Open(int sampleRate, int blockSize, std::string& error);

    // effMainsChanged(1) / effMainsChanged(0); Suspend first stops processing if it runs.
    // Both do nothing when already in that state.
    void Resume();
    void Suspend();

    // effStartProcess before the first process call of a render, effStopProcess after the
    // last. StartProcessing resumes first if needed.
    void StartProcessing();
    void StopProcessing();

    // Suspends if needed, sends effClose and unloads the shared object. Called by the destructor.
    void Unload();

    bool IsLoaded() const
    {
        return m_effect != nullptr;
    }
    const AEffect& Effect() const
    {
        return *m_effect;
    }
    int NumParameters() const
    {
        return m_effect->numParams;
    }
    int NumInputs() const
    {
        return m_effect->numInputs;
    }
    int NumOutputs() const
    {
        return m_effect->numOutputs;
    }

    std::string EffectName();
    std::string VendorString();

    // Parameter texts as the plug-in reports them (effGetParamName / Display / Label).
    std::string ParameterName(int index);
    std::string ParameterDisplay(int index);
    std::string ParameterLabel(int index);
    // Display text followed by the label when the plug-in reports the unit separately and the
    // display does not already end with it ("-3.00" + "dB" -> "-3.00 dB").
    std::string ParameterText(int index);
    float GetParameter(int index);
    void SetParameter(int index, float normalised);

    // Index of the parameter whose name equals `nameOrId` ignoring case and surrounding
    // spaces, else `nameOrId` read as a decimal index; -1 if neither.
    int FindParameter(std::string_view nameOrId);

    // True when the plug-in keeps its state in chunks (effFlagsProgramChunks).
    bool HasChunks() const
    {
        return (m_effect->flags & effFlagsProgramChunks) != 0;
    }

    // Whole-bank state (effGetChunk / effSetChunk with index 0). False with a message when the
    // plug-in does not keep its state in chunks or returns nothing.
    bool SetChunk(std::vector<char> data, std::string& error);
    bool GetChunk(std::vector<char>& data, std::string& error);

    // Transport shown through audioMasterGetTime: tempo in BPM, 4/4, playing or stopped. A
    // playing transport advances with the sample position of each block and flags the first
    // playing block with kVstTransportChanged; a stopped one stays at position 0.
    void SetTransport(double tempoBpm, bool playing);
    const VstTimeInfo& TimeInfo() const
    {
        return m_timeInfo;
    }

    // effProcessEvents: events for the next Process call; the caller keeps them alive.
    void SendEvents(VstEvents* events);

    // One processReplacing call of numFrames (1..block size) starting at samplePosition in the
    // render. Falls back to the accumulating process() on zeroed outputs for plug-ins without
    // processReplacing. `inputs` and `outputs` hold at least NumInputs() / NumOutputs() buffers.
    void Process(float** inputs, float** outputs, int numFrames, std::int64_t samplePosition);

    // The callback handed to the entry point.
    static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt);

private:
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    VstIntPtr HandleCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt);
    std::string ReadString(VstInt32 opcode, VstInt32 index);
    void UpdateTimeInfo(std::int64_t samplePosition);

    void* m_library = nullptr;
    AEffect* m_effect = nullptr;
    bool m_resumed = false;
    bool m_processing = false;
    int m_sampleRate = 44100; // Hz
    int m_blockSize = 512;    // samples
    double m_tempoBpm = 120.0;
    bool m_playing = true;
    bool m_transportChanged = true; // flag the next playing block with kVstTransportChanged
    VstTimeInfo m_timeInfo{};
};

} // namespace morvex::render
