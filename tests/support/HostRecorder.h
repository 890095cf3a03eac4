// Test support: a host callback that records what the plug-in tells the host, and a
// plug-in instance that uses it, in its own empty data folder.
#pragma once

#include "Morvex.h"
#include "support/TempDataFolder.h"
#include "Common/wrappers/vst2sdk/aeffectx.h"

#include <vector>

class CVstWrapper;

struct HOST_CALL
{
    int opcode, index;
    float value;
};

// What the plug-in sent to the host since the last Clear. One recorder at a time.
class CHostRecorder
{
public:
    CHostRecorder();
    ~CHostRecorder();
    void Clear() { m_calls.clear(); }
    const std::vector<HOST_CALL>& Calls() const { return m_calls; }
    // Only the gesture and automation calls (begin 43, end 44, automate 0) for `id`.
    std::vector<HOST_CALL> EditCalls(int id) const;
    int Count(int opcode) const;
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

private:
    std::vector<HOST_CALL> m_calls;
};

// Expects `edits` to be one gesture: begin, at least `automations` automations, end.
void ExpectOneGesture(const std::vector<HOST_CALL>& edits, size_t automations = 1);

// A plug-in instance as a host has it, without an editor (none is installed).
class CPluginInstance
{
public:
    CPluginInstance();
    ~CPluginInstance();
    CVstWrapper* Wrapper() const { return m_wrapper; }
    CMorvex* Effect() const { return m_effect; }
    CHostRecorder& Host() { return m_host; }

private:
    CTempDataFolder m_dataFolder;
    CHostRecorder m_host;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
};
