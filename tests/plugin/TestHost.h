// A minimal VST 2.4 host for the tests of the built plug-in module: loads it with dlopen,
// creates instances through an exported entry point with a host callback of its own, records
// every call the plug-in makes back into the host, and wraps the calls a real host makes.
#pragma once

#include "aeffectx.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#ifndef MORVEX_PLUGIN_PATH
#error "MORVEX_PLUGIN_PATH must name the built plug-in module"
#endif

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

class CTestHost
{
public:
    CTestHost() = default;
    ~CTestHost();
    CTestHost(const CTestHost&) = delete;
    CTestHost& operator=(const CTestHost&) = delete;

    // dlopen of the built module; false with the loader's message in `error` on failure.
    bool LoadModule(std::string& error);
    // Address of an exported symbol of the loaded module, null if absent.
    void* FindSymbol(const char* name) const;
    // Calls the entry point `entryName` with this host's callback, as a host does right after
    // loading; answers the AEffect record or null.
    AEffect* Instantiate(const char* entryName = "VSTPluginMain");
    // effClose; the record must not be touched afterwards.
    void Close();
    // Answer to audioMasterVersion (2400 by default; 0 = a host the plug-in must refuse).
    void SetVersionAnswer(VstIntPtr version) { m_versionAnswer = version; }

    const std::vector<HOST_CALL>& Calls() const { return m_calls; }
    std::vector<HOST_CALL> CallsWith(VstInt32 opcode) const;
    void ClearCalls() { m_calls.clear(); }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // A dispatcher call that fills a text buffer of `bufferSize` bytes; answers the text up to
    // its terminator. `result` receives the dispatcher's answer.
    std::string GetString(VstInt32 opcode, VstInt32 index = 0, std::size_t bufferSize = 256,
                          VstIntPtr* result = nullptr);
    VstIntPtr CanDo(const char* text);
    void SetParameter(VstInt32 id, float value) { m_effect->setParameter(m_effect, id, value); }
    float GetParameter(VstInt32 id) { return m_effect->getParameter(m_effect, id); }
    // Sample rate, block size and effMainsChanged(1), the order hosts use.
    void Resume(float sampleRate = 44100.0f, VstInt32 blockSize = 512);
    void ProcessReplacing(float** inputs, float** outputs, VstInt32 frames)
    {
        m_effect->processReplacing(m_effect, inputs, outputs, frames);
    }
    // effProcessEvents with these events (the host owns them during the call).
    VstIntPtr SendEvents(const std::vector<VstEvent*>& events);

private:
    static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt);

    void* m_module = nullptr;
    AEffect* m_effect = nullptr;
    VstIntPtr m_versionAnswer = kVstVersion;
    std::vector<HOST_CALL> m_calls;
};

// A MIDI event as a host sends it.
VstMidiEvent MidiEvent(int status, int data1, int data2, int deltaFrames = 0);

// Every test loads the built module, creates one instance through VSTPluginMain as a host
// does, and closes and unloads it at the end.
class CPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_host.LoadModule(error)) << error;
        m_effect = m_host.Instantiate();
        ASSERT_NE(nullptr, m_effect);
    }

    CTestHost m_host;
    AEffect* m_effect = nullptr;
};
