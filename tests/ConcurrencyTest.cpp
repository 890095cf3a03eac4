// The two host threads at once: one plays the user interface and the editor (parameter
// writes and reads with their texts, chunks, preset and map files, undo, raw blocks, MIDI
// learn), the other processes audio with every module and modulator on and learned
// controllers arriving. Its own executable so that ThreadSanitizer runs it alone; there it
// must report nothing. In every build the audio thread must never see a half-written block.
#include "support/FullPatch.h"
#include "support/TempDataFolder.h"

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

// A host's event list of six control changes, built before the audio starts: the header of
// VstEvents with its pointer array grown past the SDK's two.
struct EVENT_LIST
{
    VstInt32 numEvents = 6;
    VstIntPtr reserved = 0;
    VstEvent* events[6] = {};
    VstMidiEvent midi[6] = {};
    VstEvents* Events() { return reinterpret_cast<VstEvents*>(this); }
};
static_assert(offsetof(EVENT_LIST, events) == offsetof(VstEvents, events));

// Step blocks are only ever written whole with one level on every step, and layer
// orders only as permutations of the seven codes: a snapshot that breaks either rule
// is a half-written block.
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
    std::vector<EVENT_LIST> lists(8);
    for (int variant = 0; variant < 8; ++variant)
    {
        EVENT_LIST& list = lists[static_cast<size_t>(variant)];
        for (int i = 0; i < 6; ++i)
        {
            VstMidiEvent& event = list.midi[i];
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = i * 37 % kFrames;
            event.midiData[0] = static_cast<char>(0xB0);
            event.midiData[1] = static_cast<char>(20 + (variant + i) % 7);
            event.midiData[2] = static_cast<char>((variant * 41 + i * 23) % 128);
            list.events[i] = reinterpret_cast<VstEvent*>(&event);
        }
    }
    std::vector<float> input(2 * kFrames), output(2 * kFrames);
    for (size_t i = 0; i < kFrames; ++i)
    {
        input[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
        input[kFrames + i] = 0.3f * std::cos(0.07f * static_cast<float>(i));
    }

    std::atomic<bool> uiDone{false};
    long audioBlocks = 0, tornSteps = 0, tornOrders = 0, nonFinite = 0;
    std::thread audio(
        [&]
        {
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
                    tornSteps +=
                        !StepsWhole(effect->GetRawParameterBlockSnapshot(kRawBlockSteps + k));
                ++audioBlocks;
            }
        });

    uint32_t seed = 20240611u; // Numerical Recipes LCG
    const auto random = [&seed](int below)
    {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
    };
    const auto unit = [&random]() { return static_cast<float>(random(1 << 24)) / 16777216.0f; };
    const std::string presetPath = data.GetPath() + "/state.prg";
    const std::string mapPath = data.GetPath() + "/map.ccmap";
    char text[64];
    float meters = 0.0f;
    for (int round = 0; round < 400; ++round)
    {
        // Host automation and the editor's reads.
        for (int i = 0; i < 8; ++i)
        {
            wrapper->setParameter(1 + random(kNumParameters - 1), unit());
            meters += wrapper->getParameter(random(kNumParameters));
            wrapper->getParameterDisplay(random(kNumParameters), text);
            wrapper->getParameterName(random(kNumParameters), text);
        }
        meters += effect->GetPeakLeft() + effect->GetPeakRight() + effect->GetCorrelation();
        // A knob gesture, undone and redone.
        const int knob = kFilterCutoff + random(2);
        effect->HostBeginEdit(knob);
        wrapper->setParameter(knob, unit());
        effect->HostEndEdit(knob);
        effect->Undo();
        effect->Redo();
        // Raw blocks as the routing panel and the step editor write them: whole.
        for (int layer = 0; layer < kNumLayers; ++layer)
        {
            int32_t order[kModulesPerLayer];
            std::iota(order, order + kModulesPerLayer, 0);
            for (int i = kModulesPerLayer - 1; i > 0; --i)
                std::swap(order[i], order[random(i + 1)]);
            effect->SetRawParameterBlock(kRawBlockLayerOrder + layer, order);
        }
        const int modulator = random(kNumModulators);
        const float level = unit();
        float steps[2 * kStepRecords];
        for (int j = 0; j < kStepRecords; ++j)
        {
            steps[2 * j] = static_cast<float>(j + 1);
            steps[2 * j + 1] = level;
        }
        effect->SetRawParameterBlock(kRawBlockSteps + modulator, steps);
        // MIDI learn and the controller map.
        if (round % 5 == 0)
        {
            effect->ActivateMidiLearn(learned[random(6)], true);
            effect->RemoveAssignedMidiCC(learned[random(6)]);
            effect->GetAssignedMidiCC(learned[random(6)]);
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
