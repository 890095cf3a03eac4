// The two host threads at once. One thread plays the host's user interface and
// the editor: parameter writes and reads with their display texts, chunks,
// preset files, undo and redo, raw-block writes, MIDI learn and map files. The
// other processes audio with every module on and every modulator routed, with
// learned controllers arriving. Built on its own so that the ThreadSanitizer
// configuration can build it alone; there it must report nothing. In every
// build it checks that the audio thread never sees a half-written raw block.
#include "support/FullPatch.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using namespace MorvexParam;

namespace
{
constexpr int kFrames = 256;
constexpr int kStepRecords = 32;

// Deterministic generator (Numerical Recipes LCG), one per thread.
class CRandom
{
public:
    explicit CRandom(uint32_t seed) : m_state(seed) {}
    uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    float Unit() { return static_cast<float>(Next()) * (1.0f / 16777216.0f); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

private:
    uint32_t m_state;
};

// A host's event list of control changes, built before the audio starts.
class CEventList
{
public:
    explicit CEventList(const std::vector<std::pair<int, int>>& changes) : m_midi(changes.size())
    {
        m_storage.assign(offsetof(VstEvents, events) + (changes.size() + 2) * sizeof(VstEvent*), 0);
        for (size_t i = 0; i < changes.size(); ++i)
        {
            VstMidiEvent& event = m_midi[i];
            std::memset(&event, 0, sizeof(event));
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = static_cast<VstInt32>(i * 37 % kFrames);
            event.midiData[0] = static_cast<char>(0xB0);
            event.midiData[1] = static_cast<char>(changes[i].first);
            event.midiData[2] = static_cast<char>(changes[i].second);
            VstEvent* pointer = reinterpret_cast<VstEvent*>(&event);
            std::memcpy(m_storage.data() + offsetof(VstEvents, events) + i * sizeof(VstEvent*),
                        &pointer, sizeof(pointer));
        }
        const VstInt32 count = static_cast<VstInt32>(changes.size());
        std::memcpy(m_storage.data(), &count, sizeof(count));
    }
    VstEvents* Events() { return reinterpret_cast<VstEvents*>(m_storage.data()); }

private:
    std::vector<VstMidiEvent> m_midi;
    std::vector<uint8_t> m_storage;
};

// Step blocks are only ever written whole with one level on every step, and
// layer orders only as permutations of the seven codes: a snapshot that breaks
// either rule is a half-written block.
void WriteSteps(CBaseEffect* effect, int modulator, float level)
{
    float steps[2 * kStepRecords];
    for (int j = 0; j < kStepRecords; ++j)
    {
        steps[2 * j] = static_cast<float>(j + 1);
        steps[2 * j + 1] = level;
    }
    effect->SetRawParameterBlock(kRawBlockSteps + modulator, steps);
}

bool StepsWhole(const uint8_t* bytes)
{
    float steps[2 * kStepRecords];
    std::memcpy(steps, bytes, sizeof(steps));
    for (int j = 0; j < kStepRecords; ++j)
    {
        if (steps[2 * j] != static_cast<float>(j + 1) || steps[2 * j + 1] != steps[1])
            return false;
    }
    return true;
}

bool OrderWhole(const uint8_t* bytes)
{
    int32_t order[kModulesPerLayer];
    std::memcpy(order, bytes, sizeof(order));
    std::sort(order, order + kModulesPerLayer);
    for (int i = 0; i < kModulesPerLayer; ++i)
    {
        if (order[i] != i)
            return false;
    }
    return true;
}
} // namespace

TEST(CConcurrencyTest, UserInterfaceAndAudioThreadsShareTheEffectSafely)
{
    CTempDataFolder data;
    CVstWrapper* wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
    CMorvex* effect = static_cast<CMorvex*>(wrapper->GetBaseEffect());
    wrapper->setSampleRate(48000.0f);
    wrapper->setBlockSize(kFrames);
    wrapper->resume();
    FullPatch::Apply(wrapper, effect);

    // Controllers 20..25 bound before the audio starts; the sync switches among
    // their targets redeclare parameters on the audio thread.
    const int learned[] = {kVolume, kDelaySync, kGlitchBuffer, kFlangerSync, kModSync, kModSpeed};
    for (int i = 0; i < 6; ++i)
    {
        effect->ActivateMidiLearn(learned[i], true);
        effect->OnMidiCC(20 + i, 0.5f);
    }
    std::vector<CEventList> lists;
    lists.reserve(8);
    for (int variant = 0; variant < 8; ++variant)
    {
        std::vector<std::pair<int, int>> changes;
        for (int i = 0; i < 6; ++i)
            changes.emplace_back(20 + (variant + i) % 7, (variant * 41 + i * 23) % 128);
        lists.emplace_back(changes);
    }

    std::vector<float> input(2 * kFrames), output(2 * kFrames);
    for (int i = 0; i < kFrames; ++i)
    {
        input[static_cast<size_t>(i)] = 0.3f * std::sin(0.05f * static_cast<float>(i));
        input[static_cast<size_t>(kFrames + i)] = 0.3f * std::cos(0.07f * static_cast<float>(i));
    }

    std::atomic<bool> uiDone{false};
    long audioBlocks = 0;
    long tornSteps = 0;
    long tornOrders = 0;
    long nonFinite = 0;
    std::thread audio([&] {
        float* inputs[2] = {input.data(), input.data() + kFrames};
        float* outputs[2] = {output.data(), output.data() + kFrames};
        while (!uiDone.load() || audioBlocks < 200)
        {
            wrapper->processEvents(lists[static_cast<size_t>(audioBlocks % 8)].Events());
            wrapper->processReplacing(inputs, outputs, kFrames);
            for (float x : output)
                nonFinite += !std::isfinite(x);
            // The snapshots the engine itself read in this block.
            for (int layer = 0; layer < kNumLayers; ++layer)
                tornOrders += !OrderWhole(
                    effect->GetRawParameterBlockSnapshot(kRawBlockLayerOrder + layer));
            for (int k = 0; k < kNumModulators; ++k)
                tornSteps += !StepsWhole(effect->GetRawParameterBlockSnapshot(kRawBlockSteps + k));
            ++audioBlocks;
        }
    });

    CRandom random(20240611u);
    const std::string presetPath = data.GetPath() + "/state.prg";
    const std::string mapPath = data.GetPath() + "/map.ccmap";
    char text[64];
    float meters = 0.0f;
    for (int round = 0; round < 400; ++round)
    {
        // Host automation and the editor's reads.
        for (int i = 0; i < 8; ++i)
        {
            const int id = 1 + random.Below(kNumParameters - 1);
            wrapper->setParameter(id, random.Unit());
            meters += wrapper->getParameter(random.Below(kNumParameters));
            wrapper->getParameterDisplay(random.Below(kNumParameters), text);
            wrapper->getParameterName(random.Below(kNumParameters), text);
        }
        meters += effect->GetPeakLeft() + effect->GetPeakRight() + effect->GetCorrelation();
        // A knob gesture, undone and redone.
        const int knob = kFilterCutoff + random.Below(2);
        effect->HostBeginEdit(knob);
        wrapper->setParameter(knob, random.Unit());
        effect->HostEndEdit(knob);
        effect->Undo();
        effect->Redo();
        // Raw blocks as the step editor and the routing panel write them.
        for (int layer = 0; layer < kNumLayers; ++layer)
        {
            int32_t order[kModulesPerLayer];
            std::iota(order, order + kModulesPerLayer, 0);
            for (int i = kModulesPerLayer - 1; i > 0; --i)
                std::swap(order[i], order[random.Below(i + 1)]);
            effect->SetRawParameterBlock(kRawBlockLayerOrder + layer, order);
        }
        WriteSteps(effect, random.Below(kNumModulators), random.Unit());
        // MIDI learn and the controller map.
        if (round % 5 == 0)
        {
            effect->ActivateMidiLearn(learned[random.Below(6)], true);
            effect->RemoveAssignedMidiCC(learned[random.Below(6)]);
            effect->GetAssignedMidiCC(learned[random.Below(6)]);
        }
        if (round % 40 == 0)
        {
            effect->SaveMidiMap(mapPath.c_str());
            effect->LoadMidiMap(mapPath.c_str());
        }
        // Whole-state changes: the host's chunk, preset files, a reset.
        if (round % 10 == 0)
        {
            void* chunk = nullptr;
            const VstInt32 size = wrapper->getChunk(&chunk, false);
            std::vector<uint8_t> copy(static_cast<const uint8_t*>(chunk),
                                      static_cast<const uint8_t*>(chunk) + size);
            wrapper->setChunk(copy.data(), size, false);
        }
        if (round % 25 == 0)
        {
            effect->SavePreset(presetPath.c_str());
            effect->LoadPreset(presetPath.c_str());
        }
        if (round % 100 == 99)
            effect->ResetPreset();
        wrapper->setParameter(kPower, 1.0f);
        std::this_thread::yield();
    }
    uiDone.store(true);
    audio.join();

    EXPECT_GE(audioBlocks, 200);
    EXPECT_EQ(tornOrders, 0);
    EXPECT_EQ(tornSteps, 0);
    EXPECT_EQ(nonFinite, 0);
    EXPECT_TRUE(std::isfinite(meters));
    delete wrapper;
}
