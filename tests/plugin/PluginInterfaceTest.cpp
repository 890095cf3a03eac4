// The plug-in as a host sees it right after loading: entry points, the AEffect record, the
// constant answers of the dispatcher, programs, the closed editor, the opcodes it does not
// handle, and the parameters' names and text bounds. What the texts say and how the parameters
// reshape is tested in-process, beside the parameter table.
#include "TestHost.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#ifndef MORVEX_PARAMETER_NAMES
#error "MORVEX_PARAMETER_NAMES must name the parameter name snapshot"
#endif

namespace
{
constexpr VstInt32 kUniqueId = 0x4D767851; // 'M','v','x','Q' with 'M' in the top byte
constexpr VstInt32 kVendorVersion = 1140;
constexpr int kNumParams = 312;
constexpr unsigned char kSentinel = 0xA5;

// True when the call wrote a terminator within `limit` bytes and nothing from there on.
bool StaysWithin(CTestHost& host, VstInt32 opcode, VstInt32 index, std::size_t limit)
{
    std::vector<unsigned char> buffer(limit + 64, kSentinel);
    host.Dispatch(opcode, index, 0, buffer.data());
    return std::memchr(buffer.data(), 0, limit) != nullptr &&
           std::all_of(buffer.begin() + static_cast<long>(limit), buffer.end(),
                       [](unsigned char byte) { return byte == kSentinel; });
}
} // namespace

TEST_F(CPluginTest, EntryPointsAskTheHostVersionFirstAndRefuseVersionZero)
{
    for (const char* entry : {"VSTPluginMain", "main"})
    {
        SCOPED_TRACE(entry);
        CTestHost host;
        std::string error;
        ASSERT_TRUE(host.LoadModule(error)) << error;
        AEffect* effect = host.Instantiate(entry);
        ASSERT_NE(nullptr, effect);
        EXPECT_EQ(kEffectMagic, effect->magic);
        EXPECT_EQ(kUniqueId, effect->uniqueID);
        EXPECT_EQ("Power", host.GetString(effGetParamName, 0));

        ASSERT_FALSE(host.Calls().empty());
        const HOST_CALL& first = host.Calls().front();
        EXPECT_EQ(audioMasterVersion, first.opcode);
        EXPECT_FALSE(first.hasEffect);
        EXPECT_EQ(0, first.index);
        EXPECT_EQ(0, first.value);
        EXPECT_FALSE(first.hasPtr);
        EXPECT_EQ(0.0f, first.opt);
        // The host's vendor and product strings are asked into a buffer.
        for (VstInt32 opcode : {audioMasterGetVendorString, audioMasterGetProductString})
        {
            ASSERT_EQ(1u, host.CallsWith(opcode).size());
            EXPECT_TRUE(host.CallsWith(opcode)[0].hasPtr);
        }

        // Nothing is created for a host answering version 0: the query is its only call.
        host.Close();
        host.ClearCalls();
        host.SetVersionAnswer(0);
        EXPECT_EQ(nullptr, host.Instantiate(entry));
        EXPECT_EQ(host.Calls().size(), host.CallsWith(audioMasterVersion).size());
    }
}

TEST_F(CPluginTest, ModuleExportsOnlyTheEntryPoints)
{
    EXPECT_NE(nullptr, m_host.FindSymbol("VSTPluginMain"));
    EXPECT_NE(nullptr, m_host.FindSymbol("main"));
    // Internal symbols stay hidden, so that two plug-ins built from the same shell code cannot
    // bind to each other's functions inside one host.
    for (const char* name : {"createEffectInstance", "_Z20createEffectInstancePFlP7AEffectiilPvfE",
                             "_Z16createBaseEffectP11CVstWrapper", "main_plugin"})
        EXPECT_EQ(nullptr, m_host.FindSymbol(name)) << name;
}

TEST_F(CPluginTest, InstancesAreIndependent)
{
    CTestHost second;
    std::string error;
    ASSERT_TRUE(second.LoadModule(error)) << error;
    ASSERT_NE(nullptr, second.Instantiate());
    m_host.SetParameter(2, 1.0f);  // Volume in the first instance only
    second.SetParameter(3, 0.25f); // Pan in the second only
    EXPECT_EQ(1.0f, m_host.GetParameter(2));
    EXPECT_EQ(0.5f, m_host.GetParameter(3));
    EXPECT_EQ(0.5f, second.GetParameter(2));
    EXPECT_EQ(0.25f, second.GetParameter(3));

    // Closing one leaves the other working, and each instance calls its own host.
    m_host.Close();
    second.ClearCalls();
    second.Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(1u, second.CallsWith(audioMasterWantMidi).size());
    EXPECT_EQ(0.25f, second.GetParameter(3));
}

TEST_F(CPluginTest, EffectRecordDescribesStereoChunkEffect)
{
    EXPECT_EQ(0x56737450, m_effect->magic);
    EXPECT_EQ(kUniqueId, m_effect->uniqueID);
    EXPECT_EQ(kVendorVersion, m_effect->version);
    EXPECT_EQ(1, m_effect->numPrograms);
    EXPECT_EQ(kNumParams, m_effect->numParams);
    EXPECT_EQ(2, m_effect->numInputs);
    EXPECT_EQ(2, m_effect->numOutputs);
    EXPECT_EQ(0, m_effect->initialDelay);
    // Replacing processing, chunk programs and an editor; no synth and no double precision.
    EXPECT_EQ(effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor, m_effect->flags);
    // The host-reserved fields are left to the host.
    EXPECT_EQ(0, m_effect->resvd1);
    EXPECT_EQ(0, m_effect->resvd2);
    ASSERT_NE(nullptr, m_effect->setParameter);
    ASSERT_NE(nullptr, m_effect->getParameter);
    ASSERT_NE(nullptr, m_effect->processReplacing);
    // Some hosts use processReplacing only when it differs from the accumulating call.
    EXPECT_NE(reinterpret_cast<void*>(m_effect->process),
              reinterpret_cast<void*>(m_effect->processReplacing));
}

TEST_F(CPluginTest, DispatcherAnswersIdentityQueriesInsideHostBuffers)
{
    struct ROW
    {
        VstInt32 opcode;
        std::size_t limit; // bytes the plug-in may write, terminator included
        const char* text;
    };
    const ROW rows[] = {
        {effGetEffectName, kVstMaxEffectNameLen, "Morvex"},
        {effGetProductString, kVstMaxProductStrLen, "Morvex"},
        {effGetVendorString, kVstMaxVendorStrLen, "Brenwick"},
    };
    for (const ROW& row : rows)
    {
        VstIntPtr result = 0;
        EXPECT_EQ(row.text, m_host.GetString(row.opcode, 0, row.limit, &result));
        EXPECT_EQ(1, result);
        EXPECT_TRUE(StaysWithin(m_host, row.opcode, 0, row.limit)) << "opcode " << row.opcode;
    }
    EXPECT_EQ(kVendorVersion, m_host.Dispatch(effGetVendorVersion));
    EXPECT_EQ(kPlugCategEffect, m_host.Dispatch(effGetPlugCategory));
    EXPECT_EQ(1, m_host.Dispatch(effGetNumMidiInputChannels));
    EXPECT_EQ(0, m_host.Dispatch(effGetNumMidiOutputChannels));
    EXPECT_EQ(kVstVersion, m_host.Dispatch(effGetVstVersion));
}

TEST_F(CPluginTest, PinPropertiesNameTwoStereoPins)
{
    for (VstInt32 opcode : {effGetInputProperties, effGetOutputProperties})
    {
        const char* const labels[] = {"Morvex L", "Morvex R"};
        for (VstInt32 index = 0; index < 2; ++index)
        {
            VstPinProperties properties;
            std::memset(&properties, 0, sizeof(properties));
            EXPECT_EQ(1, m_host.Dispatch(opcode, index, 0, &properties));
            EXPECT_STREQ(labels[index], properties.label);
            EXPECT_EQ(kVstPinIsActive | kVstPinIsStereo, properties.flags); // 3
        }
        VstPinProperties untouched;
        std::memset(&untouched, kSentinel, sizeof(untouched));
        EXPECT_EQ(0, m_host.Dispatch(opcode, 2, 0, &untouched));
        EXPECT_EQ(0, m_host.Dispatch(opcode, -1, 0, &untouched));
        EXPECT_EQ(kSentinel, static_cast<unsigned char>(untouched.label[0]));
        EXPECT_EQ(0, m_host.Dispatch(opcode, 0, 0, nullptr));
    }
}

TEST_F(CPluginTest, CanDoAnswersTheFeatureTable)
{
    const std::pair<const char*, VstIntPtr> table[] = {
        {"sendVstEvents", -1},    {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 1},
        {"receiveVstEvents", -1}, {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
        {"offline", -1},          {"plugAsChannelInsert", 1}, {"plugAsSend", 1},
        {"mixDryWet", -1},        {"noRealTime", -1},         {"multipass", -1},
        {"metapass", -1},         {"1in1out", 1},             {"1in2out", 1},
        {"2in1out", -1},          {"2in2out", 1},
        // Anything else is a "no": unknown features, near misses and the empty text.
        {"bypass", -1},           {"hasCockosExtensions", -1}, {"receiveVstSysexEvent", -1},
        {"2in2", -1},             {"2in2out ", -1},           {"2In2Out", -1},
        {"4in4out", -1},          {"", -1},
    };
    for (const auto& [text, answer] : table)
        EXPECT_EQ(answer, m_host.CanDo(text)) << '"' << text << '"';
}

TEST_F(CPluginTest, SingleProgramIsTheDefaultPresetAndIgnoresChanges)
{
    char name[] = "Renamed";
    EXPECT_EQ(0, m_host.Dispatch(effSetProgramName, 0, 0, name));
    EXPECT_EQ(0, m_host.Dispatch(effSetProgram, 0, 0));
    EXPECT_EQ(0, m_host.Dispatch(effSetProgram, 0, 3));
    EXPECT_EQ(0, m_host.Dispatch(effGetProgram));
    EXPECT_EQ("Default Preset", m_host.GetString(effGetProgramName, 0, kVstMaxProgNameLen + 1));
    EXPECT_TRUE(StaysWithin(m_host, effGetProgramName, 0, kVstMaxProgNameLen + 1));
    for (VstInt32 index : {0, 1, 7})
    {
        VstIntPtr result = 0;
        EXPECT_EQ("Default Preset", m_host.GetString(effGetProgramNameIndexed, index,
                                                     kVstMaxProgNameLen + 1, &result));
        EXPECT_EQ(1, result) << "index " << index;
    }
    // Asked without a buffer it still answers that the program exists.
    EXPECT_EQ(1, m_host.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr));
}

TEST_F(CPluginTest, EditorReportsItsWindowSizeWithoutOpening)
{
    // One of the two window backgrounds at scale 1 (which one depends on the screen and the
    // stored preference); nothing of the window system is needed for it.
    setenv("MORVEX_UI_SCALE", "1", 1);
    ERect* rect = nullptr;
    EXPECT_EQ(1, m_host.Dispatch(effEditGetRect, 0, 0, &rect));
    unsetenv("MORVEX_UI_SCALE");
    ASSERT_NE(nullptr, rect);
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    EXPECT_TRUE((width == 1080 && height == 790) || (width == 1098 && height == 700))
        << width << " x " << height;
    EXPECT_EQ(0, m_host.Dispatch(effEditGetRect, 0, 0, nullptr));
    // Closed: idle and close do nothing, keys are left to the host.
    EXPECT_EQ(0, m_host.Dispatch(effEditIdle));
    EXPECT_EQ(0, m_host.Dispatch(effEditClose));
    EXPECT_EQ(0, m_host.Dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f));
    EXPECT_EQ(0, m_host.Dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f));
    EXPECT_EQ(1, m_host.Dispatch(effSetEditKnobMode, 0, 2));
}

TEST_F(CPluginTest, UnhandledOpcodesAnswerZero)
{
    const VstInt32 unhandled[] = {effGetTailSize,           effSetBypass,
                                  effVendorSpecific,        effGetParameterProperties,
                                  effString2Parameter,      effGetMidiKeyName,
                                  effGetSpeakerArrangement, effShellGetNextPlugin,
                                  effGetVu,                 effGetErrorText,
                                  80,                       200,
                                  -1};
    for (VstInt32 opcode : unhandled)
    {
        std::vector<unsigned char> buffer(256, 0);
        EXPECT_EQ(0, m_host.Dispatch(opcode, 0, 0, buffer.data())) << "opcode " << opcode;
    }
    EXPECT_EQ("", m_host.GetString(effGetParamLabel, 2));
    // Every parameter can be automated.
    for (VstInt32 id : {0, 45, 311})
        EXPECT_EQ(1, m_host.Dispatch(effCanBeAutomated, id)) << "id " << id;
}

// ---------------------------------------------------------------------------------------------
// Parameters as only a host sees them

TEST_F(CPluginTest, ParameterNamesMatchTheSnapshotList)
{
    std::ifstream file(MORVEX_PARAMETER_NAMES);
    std::vector<std::string> expected;
    for (std::string line; std::getline(file, line);)
        expected.push_back(line);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kNumParams));
    EXPECT_EQ(std::set<std::string>(expected.begin(), expected.end()).size(), expected.size());
    for (int id = 0; id < kNumParams; ++id)
        EXPECT_EQ(m_host.GetString(effGetParamName, id), expected[static_cast<size_t>(id)])
            << "id " << id;
}

TEST_F(CPluginTest, ParameterTextsWriteAtMost24BytesAndIdsOutsideTheTableAreIgnored)
{
    // 23 characters and the terminator; the rest of a larger host buffer stays as it was.
    for (VstInt32 opcode : {effGetParamName, effGetParamDisplay})
    {
        for (int id = -1; id <= kNumParams; ++id)
            ASSERT_TRUE(StaysWithin(m_host, opcode, id, 24)) << opcode << " id " << id;
    }
    std::vector<float> before;
    for (int id = 0; id < kNumParams; ++id)
        before.push_back(m_host.GetParameter(id));
    for (int id : {-1, kNumParams, 100000})
    {
        m_host.SetParameter(id, 0.7f);
        EXPECT_EQ(0.0f, m_host.GetParameter(id)) << id;
        EXPECT_EQ("", m_host.GetString(effGetParamName, id)) << id;
        EXPECT_EQ("", m_host.GetString(effGetParamDisplay, id)) << id;
    }
    for (int id = 0; id < kNumParams; ++id)
        EXPECT_EQ(before[static_cast<size_t>(id)], m_host.GetParameter(id)) << id;
}

TEST_F(CPluginTest, HostParameterChangesAreNotEchoedToTheHost)
{
    m_host.ClearCalls();
    for (int id : {2, 3, 5, 73}) // Volume, Pan, Layer A Mix, a distortion mode
        m_host.SetParameter(id, 0.4f);
    for (VstInt32 opcode : {audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit})
        EXPECT_EQ(0u, m_host.CallsWith(opcode).size()) << opcode;
}
