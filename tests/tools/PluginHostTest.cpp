#include "PluginHost.h"
#include "PassThroughPluginLog.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace morvex::render;

// The host against the pass-through fixture, whose log shows what the host did.
class CPluginHostTest : public ::testing::Test
{
protected:
    void Open(CPluginHost& host, int sampleRate, int blockSize,
              const char* path = PASSTHROUGH_PLUGIN_PATH)
    {
        std::string error;
        ASSERT_TRUE(host.Load(path, error)) << error;
        ASSERT_TRUE(host.Open(sampleRate, blockSize, error)) << error;
    }

    // Starts playing and processes three blocks of silence.
    static void PlayThreeBlocks(CPluginHost& host, double tempoBpm, bool playing, int blockSize)
    {
        host.SetTransport(tempoBpm, playing);
        host.StartProcessing(); // resumes first when needed
        std::vector<float> in(static_cast<std::size_t>(blockSize)), out(in.size());
        float* inputs[] = {in.data(), in.data()};
        float* outputs[] = {out.data(), out.data()};
        for (int block = 0; block < 3; ++block)
            host.Process(inputs, outputs, blockSize, std::int64_t{block} * blockSize);
    }

    CFixtureLog m_log;
};

// What a plug-in asks its host, answered as a DAW does; played through and wound down step by
// step, or destroyed while playing: the same calls in the same order.
TEST_F(CPluginHostTest, CallbackAnswersAndCallOrderFromOpenToClose)
{
    const std::vector<VstInt32> expected{
        effOpen,         effSetSampleRate, effSetBlockSize,       effSetProcessPrecision,
        effMainsChanged, effStartProcess,  kFixtureProcessMarker, effStopProcess,
        effMainsChanged, effClose};
    for (const bool windDown : {true, false})
    {
        SCOPED_TRACE(windDown ? "wound down" : "destroyed while playing");
        {
            CPluginHost host;
            Open(host, 44100, 128);
            if (windDown)
                host.Resume();
            PlayThreeBlocks(host, 120.0, true, 128);
            EXPECT_EQ(host.Effect().resvd1, reinterpret_cast<VstIntPtr>(&host));
            EXPECT_EQ(CPluginHost::HostCallback(const_cast<AEffect*>(&host.Effect()),
                                                audioMasterCurrentId, 0, 0, nullptr, 0.0f),
                      CCONST('M', 'v', 'P', 't'));
            if (windDown)
            {
                host.StopProcessing();
                host.Suspend();
                host.Unload();
            }
        }
        std::vector<VstInt32> opcodes;
        for (int i = 0; i < m_log->numCalls; ++i)
            opcodes.push_back(m_log->calls[i].opcode);
        EXPECT_EQ(opcodes, expected);
        EXPECT_FLOAT_EQ(m_log->calls[1].opt, 44100.0f);
        EXPECT_EQ(m_log->calls[2].value, 128);
        EXPECT_EQ(m_log->calls[4].value, 1);
        EXPECT_EQ(m_log->calls[8].value, 0);
        EXPECT_EQ(m_log->numProcessCalls, 3);
    }
    EXPECT_EQ(m_log->hostVersion, 2400);
    EXPECT_STREQ(m_log->hostVendor, "Morvex");
    EXPECT_STREQ(m_log->hostProduct, "Morvex Render");
    EXPECT_EQ(m_log->canDoSendVstEvents, 1);
    EXPECT_EQ(m_log->canDoSendVstMidiEvent, 1);
    EXPECT_EQ(m_log->canDoSendVstTimeInfo, 1);
    EXPECT_EQ(m_log->canDoSizeWindow, -1);
    EXPECT_EQ(m_log->hostSampleRate, 44100);
    EXPECT_EQ(m_log->hostBlockSize, 128);
    EXPECT_EQ(CPluginHost::HostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
}

// Playing, the position advances block by block; stopped, it stays at zero.
TEST_F(CPluginHostTest, TransportPositionAndFlags)
{
    for (const bool playing : {true, false})
    {
        SCOPED_TRACE(playing ? "playing" : "stopped");
        CPluginHost host;
        Open(host, 48000, 256);
        PlayThreeBlocks(host, 90.0, playing, 256);
        ASSERT_EQ(m_log->numProcessCalls, 3);
        const VstInt32 always = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid;
        for (int call = 0; call < 3; ++call)
        {
            ASSERT_EQ(m_log->processCalls[call].hasTimeInfo, 1);
            const VstTimeInfo& time = m_log->processCalls[call].timeInfo;
            const double at = playing ? call : 0.0;
            EXPECT_DOUBLE_EQ(time.samplePos, 256.0 * at);
            EXPECT_DOUBLE_EQ(time.sampleRate, 48000.0);
            EXPECT_DOUBLE_EQ(time.tempo, 90.0);
            // 256 samples at 48 kHz and 90 BPM: 256 / 48000 x 90 / 60 = 0.008 quarter notes.
            EXPECT_NEAR(time.ppqPos, 0.008 * at, 1e-12);
            EXPECT_EQ(time.timeSigNumerator, 4);
            EXPECT_EQ(time.timeSigDenominator, 4);
            const VstInt32 changed = call == 0 ? kVstTransportChanged : 0;
            EXPECT_EQ(time.flags, playing ? always | kVstTransportPlaying | changed : always);
        }
    }
}

TEST_F(CPluginHostTest, ParametersByNameOrIdAndTheChunkRoundTrip)
{
    CPluginHost host;
    Open(host, 44100, 64);
    ASSERT_EQ(host.NumParameters(), 3);
    EXPECT_EQ(host.FindParameter("gain"), 0);
    EXPECT_EQ(host.FindParameter("  MIX "), 2);
    EXPECT_EQ(host.FindParameter("1"), 1);
    EXPECT_EQ(host.FindParameter("3"), -1);
    EXPECT_EQ(host.FindParameter("-1"), -1);
    EXPECT_EQ(host.FindParameter("Volume"), -1);
    EXPECT_EQ(host.ParameterName(1), "Mode");
    EXPECT_EQ(host.ParameterText(0), "+0.00dB");
    // Mix reports its unit as a separate label.
    EXPECT_EQ(host.ParameterDisplay(2), "100");
    EXPECT_EQ(host.ParameterText(2), "100 %");

    host.SetParameter(0, 0.25f);
    host.SetParameter(1, 0.6f);
    std::vector<char> chunk;
    std::string error;
    ASSERT_TRUE(host.GetChunk(chunk, error)) << error;
    EXPECT_EQ(chunk.size(), 4u + 3u * sizeof(float));
    host.SetParameter(0, 0.9f);
    host.SetParameter(1, 0.0f);
    ASSERT_TRUE(host.SetChunk(chunk, error)) << error;
    EXPECT_EQ(host.GetParameter(0), 0.25f);
    EXPECT_EQ(host.GetParameter(1), 0.6f);
    EXPECT_FALSE(host.SetChunk({}, error));
}

// The legacy entry "main" serves when VSTPluginMain is missing; every other way a plug-in can
// fail to load is refused with its reason.
TEST_F(CPluginHostTest, LegacyEntryLoadsAndLoadErrorsSayWhatWentWrong)
{
    CPluginHost legacy;
    Open(legacy, 44100, 64, LEGACY_ENTRY_PLUGIN_PATH);
    EXPECT_EQ(legacy.NumParameters(), 3);

    const CTempDataFolder folder;
    const std::string text = folder.GetPath() + "/not-a-library.so";
    std::ofstream(text) << "not a shared object\n";
    const std::pair<std::string, std::string> rows[] = {
        {NULL_ENTRY_PLUGIN_PATH, "returned no plug-in"},
        {BAD_MAGIC_PLUGIN_PATH, "bad magic 0x4E6F7065"},
        {NO_ENTRY_PLUGIN_PATH, "exports neither VSTPluginMain nor main"},
        {"/nonexistent/Plugin.so", "plug-in not found: /nonexistent/Plugin.so"},
        {text, "cannot load plug-in " + text + ": "},
    };
    for (const auto& [path, message] : rows)
    {
        CPluginHost host;
        std::string error;
        EXPECT_FALSE(host.Load(path, error)) << path;
        EXPECT_FALSE(host.IsLoaded());
        EXPECT_NE(error.find(message), std::string::npos) << error;
        if (path == text)
        {
            EXPECT_GT(error.size(), message.size()) << "with dlopen's reason";
        }
    }
}
