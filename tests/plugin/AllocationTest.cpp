// The audio path allocates and locks nothing: events and blocks of every size, with tempo,
// position and transport changing between blocks and learned controllers moving
// parameters (switches that redeclare other parameters included), run without
// a single heap allocation, release or lock.
#include "AllocationCounter.h"
#include "support/FullPatch.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace
{
// Parameters driven by learned controllers, and the controller bound to each.
struct LEARNED
{
    int id;
    int controller;
};
constexpr LEARNED kLearned[] = {
    {2, 22},   // Volume
    {43, 20},  // LayerA delay sync: redeclares the two delay speeds
    {93, 21},  // LayerA glitch buffer: redeclares the glitch scale
    {111, 23}, // LayerA flanger sync: redeclares the flanger speed
    {123, 24}, // Mod1 sync: redeclares Mod1 Speed
    {131, 25}, // Mod1 Speed
};

constexpr int kMaxBlock = 512;

// Host side, kept free of allocations: a static time record.
bool g_giveTime = false;
VstTimeInfo g_time{};

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterGetTime)
        return g_giveTime ? reinterpret_cast<VstIntPtr>(&g_time) : 0;
    return opcode == audioMasterVersion ? kVstVersion : opcode == audioMasterWantMidi ? 1 : 0;
}

// A host's event list for one effProcessEvents call, built before counting: control changes
// on channels 1..16 in turn.
class CEventList
{
public:
    struct CC
    {
        int controller;
        int value;
        int deltaFrames;
    };

    explicit CEventList(const std::vector<CC>& changes)
        : m_midi(changes.size()),
          m_storage(offsetof(VstEvents, events) + (changes.size() + 2) * sizeof(VstEvent*))
    {
        for (std::size_t i = 0; i < changes.size(); ++i)
        {
            m_midi[i] = {kVstMidiType, sizeof(VstMidiEvent), changes[i].deltaFrames, 0, 0, 0,
                         {static_cast<char>(0xB0 | (i % 16)),
                          static_cast<char>(changes[i].controller),
                          static_cast<char>(changes[i].value), 0},
                         0, 0, 0, 0};
            VstEvent* pointer = reinterpret_cast<VstEvent*>(&m_midi[i]);
            std::memcpy(&m_storage[offsetof(VstEvents, events) + i * sizeof(VstEvent*)], &pointer,
                        sizeof(pointer));
        }
        reinterpret_cast<VstEvents*>(m_storage.data())->numEvents =
            static_cast<VstInt32>(changes.size());
    }

    void* Events() { return m_storage.data(); }

private:
    std::vector<VstMidiEvent> m_midi;
    std::vector<std::uint8_t> m_storage;
};

class CAllocationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_giveTime = false;
        m_instance = createEffectInstance(&HostCallback);
        ASSERT_NE(nullptr, m_instance);
        m_effect = m_instance->getAeffect();
        m_engine = static_cast<CVstWrapper*>(m_instance)->GetBaseEffect();
        ASSERT_NE(nullptr, m_engine);
        for (int channel = 0; channel < 2; ++channel)
        {
            for (int i = 0; i < kMaxBlock; ++i)
                m_input[channel][i] = 0.001f * static_cast<float>((i * (channel + 3)) % 997) - 0.4f;
            m_inputs[channel] = m_input[channel];
            m_outputs[channel] = m_output[channel];
        }
    }

    void TearDown() override
    {
        if (m_effect)
            m_effect->dispatcher(m_effect, effClose, 0, 0, nullptr, 0.0f);
    }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
    {
        return m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt);
    }

    void Process(int frames) { m_effect->processReplacing(m_effect, m_inputs, m_outputs, frames); }

    // Binds `controller` to parameter `id` the way the editor's MIDI learn does:
    // the next control change of that controller on the audio path takes the binding.
    void Learn(int id, int controller)
    {
        m_engine->ActivateMidiLearn(id, true);
        CEventList list({{controller, 127, 0}});
        Dispatch(effProcessEvents, 0, 0, list.Events(), 0.0f);
        Process(16);
        ASSERT_EQ(controller, m_engine->GetAssignedMidiCC(id)) << "id " << id;
    }

    AudioEffect* m_instance = nullptr;
    AEffect* m_effect = nullptr;
    CBaseEffect* m_engine = nullptr;
    float m_input[2][kMaxBlock] = {};
    float m_output[2][kMaxBlock] = {};
    float* m_inputs[2] = {};
    float* m_outputs[2] = {};
};
} // namespace

TEST_F(CAllocationTest, CounterSeesEveryAllocationKind)
{
    // The counter itself: each kind of request is seen exactly once, so that a
    // zero below means "nothing allocated" and not "nothing counted".
    AllocationCounter::Start();
    int* volatile single = new int(5);
    AllocationCounter::COUNTS counts = AllocationCounter::Stop();
    EXPECT_EQ(1, counts.allocations);

    AllocationCounter::Start();
    delete single;
    counts = AllocationCounter::Stop();
    EXPECT_EQ(1, counts.releases);

    struct alignas(64) ALIGNED
    {
        float data[16];
    };
    AllocationCounter::Start();
    ALIGNED* volatile aligned = new ALIGNED[3];
    delete[] aligned;
    float* volatile nothrow = new (std::nothrow) float[7];
    delete[] nothrow;
    counts = AllocationCounter::Stop();
    EXPECT_EQ(2, counts.allocations);
    EXPECT_EQ(2, counts.releases);

    if (AllocationCounter::CountsMallocFamily())
    {
        AllocationCounter::Start();
        void* volatile a = std::malloc(24);
        void* volatile b = std::calloc(4, 8);
        void* volatile c = std::realloc(nullptr, 40);
        void* d = nullptr;
        const int result = posix_memalign(&d, 64, 100);
        void* volatile e = aligned_alloc(32, 64);
        std::free(a);
        std::free(b);
        std::free(c);
        std::free(d);
        std::free(e);
        counts = AllocationCounter::Stop();
        EXPECT_EQ(0, result);
        EXPECT_EQ(5, counts.allocations);
        EXPECT_EQ(5, counts.releases);

        // The C library's own allocations pass through the replacements as well.
        AllocationCounter::Start();
        char* volatile copy = strdup("a text the C library copies");
        std::free(copy);
        counts = AllocationCounter::Stop();
        EXPECT_EQ(1, counts.allocations);
        EXPECT_EQ(1, counts.releases);
    }
}

namespace
{
volatile int g_staticSeed = 3;

int FunctionStatic()
{
    static const int value = g_staticSeed * 2; // not constant: initialised under a guard
    return value;
}
} // namespace

TEST_F(CAllocationTest, CounterSeesEveryLockKind)
{
    // A zero below means "nothing locked", not "nothing counted".
    std::mutex mutex;
    std::recursive_mutex recursive;
    AllocationCounter::Start();
    mutex.lock();
    mutex.unlock();
    if (recursive.try_lock())
        recursive.unlock();
    const int value = FunctionStatic();
    AllocationCounter::COUNTS counts = AllocationCounter::Stop();
    EXPECT_EQ(6, value);
    EXPECT_EQ(3, counts.locks);
    // Once initialised, a function static is read without its guard.
    AllocationCounter::Start();
    EXPECT_EQ(6, FunctionStatic());
    counts = AllocationCounter::Stop();
    EXPECT_EQ(0, counts.locks);
}

TEST_F(CAllocationTest, AudioPathAllocatesAndLocksNothingWithEverythingOn)
{
    // Every module on at audible settings, every modulator routed through the 24
    // slots, learned controllers arriving (sync switches among them), tempo,
    // position and transport changing between blocks, and the sample rate changed
    // between blocks as a host does it (suspend, rate, resume). Only what happens
    // inside processEvents and processReplacing is counted.
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, kMaxBlock, nullptr, 0.0f);
    Dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
    auto* wrapper = static_cast<CVstWrapper*>(m_instance);
    FullPatch::Apply(wrapper, static_cast<CMorvex*>(m_engine));
    for (const LEARNED& learned : kLearned)
        ASSERT_NO_FATAL_FAILURE(Learn(learned.id, learned.controller));

    std::deque<CEventList> lists;
    for (int variant = 0; variant < 8; ++variant)
    {
        std::vector<CEventList::CC> changes;
        for (int i = 0; i < 6; ++i)
        {
            const int k = (variant + i) % 8; // the learned controllers, then two unbound ones
            changes.push_back({k < 6 ? kLearned[k].controller : (k == 6 ? 1 : 74),
                               (variant * 53 + i * 29) % 128, (i * 97) % kMaxBlock});
        }
        lists.emplace_back(changes);
    }
    // More control changes than the queue holds, at once.
    std::vector<CEventList::CC> flood;
    for (int i = 0; i < 1500; ++i)
        flood.push_back({i % 128, (i * 5) % 128, i % 300});
    CEventList floodList(flood);

    g_time = VstTimeInfo();
    g_time.timeSigNumerator = 4;
    g_time.timeSigDenominator = 4;
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 192000.0f};
    std::uint32_t random = 777u;
    double position = 0.0;
    long allocations = 0, releases = 0, locks = 0, nonFinite = 0;
    float peak = 0.0f;
    constexpr int kBlocks = 1500;
    for (int block = 0; block < kBlocks; ++block)
    {
        if (block % 300 == 299)
        {
            const float rate = rates[(block / 300) % 5];
            Dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
            Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            Dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
        }
        random = random * 1664525u + 1013904223u;
        const int frames = 1 + static_cast<int>((random >> 8) % kMaxBlock);
        g_giveTime = block % 23 != 22;
        g_time.tempo = 70.0 + static_cast<double>((block / 11) % 7) * 20.0;
        g_time.flags = kVstTempoValid | (((block / 37) % 2) ? 0 : kVstTransportPlaying);
        if (block % 97 == 96)
            position = 0.0;
        g_time.samplePos = position;

        AllocationCounter::Start();
        if (block == kBlocks / 2)
            Dispatch(effProcessEvents, 0, 0, floodList.Events(), 0.0f);
        else if (block % 3 == 0)
            Dispatch(effProcessEvents, 0, 0, lists[(block / 3) % 8].Events(), 0.0f);
        Process(frames);
        const AllocationCounter::COUNTS counts = AllocationCounter::Stop();
        allocations += counts.allocations;
        releases += counts.releases;
        locks += counts.locks;
        for (const float* channel : m_outputs)
        {
            for (int i = 0; i < frames; ++i)
            {
                nonFinite += !std::isfinite(channel[i]);
                peak = std::max(peak, std::fabs(channel[i]));
            }
        }
        position += frames;
    }
    EXPECT_EQ(0, allocations);
    EXPECT_EQ(0, releases);
    EXPECT_EQ(0, locks);
    EXPECT_EQ(0, nonFinite);
    EXPECT_GT(peak, 1e-3f); // the patch was audible
}
