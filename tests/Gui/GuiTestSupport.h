// Test support for the editor tests: small PNG images made in memory and
// registered as bitmap resources, a host callback that records what the plug-in
// tells the host, and a plug-in instance (adapter + effect) in a temporary data
// folder. No display is needed: editors open offscreen.
#pragma once

#include "Morvex.h"
#include "support/TempDataFolder.h"
#include "vst2sdk/aeffectx.h"

#include <memory>
#include <vector>

class CVstWrapper;

namespace GuiTest
{
// Registered by RegisterTestArtwork (sizes logical, 1x):
constexpr const char* kBackground = "TestBackground.png"; // 300 x 200, dark grey
constexpr const char* kKnobStrip = "TestKnob.png";        // 20 x 20, 16 frames
constexpr int kKnobFrames = 16;
constexpr const char* kSwitchStrip = "TestSwitch.png"; // 30 x 10, 3 frames
constexpr int kSwitchPositions = 3;
constexpr const char* kButtonStrip = "TestButton.png"; // 20 x 10, 2 frames
constexpr const char* kHandle = "TestHandle.png";      // 10 x 10
void RegisterTestArtwork();

struct HOST_CALL
{
    int opcode;
    int index;
    float value;
};

// What the plug-in sent to the host since the last Clear.
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
} // namespace GuiTest
