// The plug-in as a host sees it right after loading: entry points, the AEffect
// record, the constant answers of the dispatcher, programs, the closed editor and
// the opcodes it does not handle.
#include "PluginTestFixture.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace
{
constexpr VstInt32 kUniqueId = 0x4D767851; // 'M','v','x','Q' with 'M' in the top byte
constexpr VstInt32 kVendorVersion = 1140;
constexpr VstInt32 kNumParams = 312;
constexpr unsigned char kSentinel = 0xA5;
} // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

TEST_F(CPluginInterfaceTest, EntryPointAsksHostVersionFirstWithNullEffect)
{
    CTestHost host(MORVEX_PLUGIN_PATH);
    ASSERT_TRUE(host.LoadModule());
    ASSERT_NE(nullptr, host.Instantiate());

    ASSERT_FALSE(host.Calls().empty());
    const HOST_CALL& first = host.Calls().front();
    EXPECT_EQ(audioMasterVersion, first.opcode);
    EXPECT_FALSE(first.hasEffect);
    EXPECT_EQ(0, first.index);
    EXPECT_EQ(0, first.value);
    EXPECT_FALSE(first.hasPtr);
    EXPECT_EQ(0.0f, first.opt);

    // The host's vendor and product strings are asked into a buffer.
    const auto vendor = host.CallsWith(audioMasterGetVendorString);
    const auto product = host.CallsWith(audioMasterGetProductString);
    ASSERT_EQ(1u, vendor.size());
    ASSERT_EQ(1u, product.size());
    EXPECT_TRUE(vendor[0].hasPtr);
    EXPECT_TRUE(product[0].hasPtr);
}

TEST_F(CPluginInterfaceTest, EntryPointRefusesHostAnsweringVersionZero)
{
    CTestHost host(MORVEX_PLUGIN_PATH);
    ASSERT_TRUE(host.LoadModule());
    host.SetVersionAnswer(0);
    EXPECT_EQ(nullptr, host.Instantiate("VSTPluginMain"));
    EXPECT_EQ(nullptr, host.Instantiate("main"));
    // Nothing was created: the version query is the only call per attempt.
    for (const HOST_CALL& call : host.Calls())
        EXPECT_EQ(audioMasterVersion, call.opcode);
}

TEST_F(CPluginInterfaceTest, LegacyMainSymbolCreatesWorkingInstance)
{
    CTestHost host(MORVEX_PLUGIN_PATH);
    ASSERT_TRUE(host.LoadModule());
    ASSERT_NE(nullptr, host.FindSymbol("main"));
    AEffect* effect = host.Instantiate("main");
    ASSERT_NE(nullptr, effect);
    EXPECT_EQ(kEffectMagic, effect->magic);
    EXPECT_EQ(kUniqueId, effect->uniqueID);
    EXPECT_EQ("Power", host.ParamName(0));
    host.SetParameter(2, 0.75f); // Volume: -24 + 48 * 0.75 = +12 dB
    EXPECT_EQ("+12.00dB", host.ParamDisplay(2));
}

TEST_F(CPluginInterfaceTest, ModuleExportsOnlyTheEntryPoints)
{
    EXPECT_NE(nullptr, m_host.FindSymbol("VSTPluginMain"));
    EXPECT_NE(nullptr, m_host.FindSymbol("main"));
    // Internal symbols stay hidden, so that two plug-ins built from the same
    // shell code cannot bind to each other's functions inside one host.
    EXPECT_EQ(nullptr, m_host.FindSymbol("createEffectInstance"));
    EXPECT_EQ(nullptr, m_host.FindSymbol("_Z20createEffectInstancePFlP7AEffectiilPvfE"));
    EXPECT_EQ(nullptr, m_host.FindSymbol("_Z16createBaseEffectP11CVstWrapper"));
    EXPECT_EQ(nullptr, m_host.FindSymbol("main_plugin"));
}

TEST_F(CPluginInterfaceTest, InstancesAreIndependent)
{
    CTestHost second(MORVEX_PLUGIN_PATH);
    ASSERT_TRUE(second.LoadModule());
    AEffect* other = second.Instantiate();
    ASSERT_NE(nullptr, other);
    ASSERT_NE(m_effect, other);

    m_host.SetParameter(2, 1.0f);   // Volume +24 dB in the first instance only
    second.SetParameter(3, 0.25f);  // Pan -1 + 2 * 0.25 = -0.5 in the second only
    EXPECT_EQ("+24.00dB", m_host.ParamDisplay(2));
    EXPECT_EQ("Center", m_host.ParamDisplay(3));
    EXPECT_EQ("0.00dB", second.ParamDisplay(2));
    EXPECT_EQ("L50%", second.ParamDisplay(3));

    // Closing one leaves the other working, and each instance calls its own host.
    m_host.Close();
    second.ClearCalls();
    second.Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(1u, second.CountCalls(audioMasterWantMidi));
    EXPECT_EQ("L50%", second.ParamDisplay(3));
}

// ---------------------------------------------------------------------------------------------
// The AEffect record and the constant answers

TEST_F(CPluginInterfaceTest, EffectRecordDescribesStereoChunkEffect)
{
    EXPECT_EQ(0x56737450, m_effect->magic);
    EXPECT_EQ(kUniqueId, m_effect->uniqueID);
    EXPECT_EQ(kVendorVersion, m_effect->version);
    EXPECT_EQ(1, m_effect->numPrograms);
    EXPECT_EQ(kNumParams, m_effect->numParams);
    EXPECT_EQ(2, m_effect->numInputs);
    EXPECT_EQ(2, m_effect->numOutputs);
    EXPECT_EQ(0, m_effect->initialDelay);
    // Replacing processing, chunk programs and an editor; no synth, and no
    // double-precision processing (processDoubleReplacing does nothing).
    EXPECT_TRUE(m_effect->flags & effFlagsCanReplacing);
    EXPECT_TRUE(m_effect->flags & effFlagsProgramChunks);
    EXPECT_TRUE(m_effect->flags & effFlagsHasEditor);
    EXPECT_EQ(effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor, m_effect->flags);
    // The host-reserved fields are left to the host.
    EXPECT_EQ(0, m_effect->resvd1);
    EXPECT_EQ(0, m_effect->resvd2);
    ASSERT_NE(nullptr, m_effect->dispatcher);
    ASSERT_NE(nullptr, m_effect->setParameter);
    ASSERT_NE(nullptr, m_effect->getParameter);
    ASSERT_NE(nullptr, m_effect->processReplacing);
    // Some hosts use processReplacing only when it differs from the accumulating call.
    EXPECT_NE(reinterpret_cast<void*>(m_effect->process),
              reinterpret_cast<void*>(m_effect->processReplacing));
}

TEST_F(CPluginInterfaceTest, DispatcherAnswersIdentityQueries)
{
    VstIntPtr result = 0;
    EXPECT_EQ("Morvex", m_host.GetString(effGetEffectName, 0, kVstMaxEffectNameLen, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ("Morvex", m_host.GetString(effGetProductString, 0, kVstMaxProductStrLen, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ("Brenwick", m_host.GetString(effGetVendorString, 0, kVstMaxVendorStrLen, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ(kVendorVersion, m_host.Dispatch(effGetVendorVersion));
    EXPECT_EQ(kPlugCategEffect, m_host.Dispatch(effGetPlugCategory));
    EXPECT_EQ(1, m_host.Dispatch(effGetNumMidiInputChannels));
    EXPECT_EQ(0, m_host.Dispatch(effGetNumMidiOutputChannels));
    EXPECT_EQ(kVstVersion, m_host.Dispatch(effGetVstVersion));
}

TEST_F(CPluginInterfaceTest, StringAnswersStayInsideHostBuffers)
{
    // Host buffers pre-filled with a pattern: the plug-in may write the limit of
    // each call (effect name 32, vendor and product 64 bytes) and nothing after.
    const std::pair<VstInt32, std::size_t> calls[] = {
        {effGetEffectName, kVstMaxEffectNameLen},
        {effGetVendorString, kVstMaxVendorStrLen},
        {effGetProductString, kVstMaxProductStrLen},
    };
    for (const auto& [opcode, limit] : calls)
    {
        std::vector<unsigned char> buffer(limit + 64, kSentinel);
        m_host.Dispatch(opcode, 0, 0, buffer.data());
        EXPECT_NE(nullptr, std::memchr(buffer.data(), 0, limit)) << "opcode " << opcode;
        for (std::size_t i = limit; i < buffer.size(); ++i)
            ASSERT_EQ(kSentinel, buffer[i]) << "opcode " << opcode << " wrote byte " << i;
    }
}

TEST_F(CPluginInterfaceTest, PinPropertiesNameTwoStereoPins)
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

TEST_F(CPluginInterfaceTest, CanDoAnswersTheFeatureTable)
{
    const std::pair<const char*, VstIntPtr> table[] = {
        {"sendVstEvents", -1},      {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 1},
        {"receiveVstEvents", -1},   {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
        {"offline", -1},            {"plugAsChannelInsert", 1}, {"plugAsSend", 1},
        {"mixDryWet", -1},          {"noRealTime", -1},         {"multipass", -1},
        {"metapass", -1},           {"1in1out", 1},             {"1in2out", 1},
        {"2in1out", -1},            {"2in2out", 1},
    };
    for (const auto& [text, answer] : table)
        EXPECT_EQ(answer, m_host.CanDo(text)) << text;

    // Anything else is a "no": unknown features, near misses and the empty text.
    for (const char* text : {"bypass", "hasCockosExtensions", "receiveVstSysexEvent", "2in2",
                             "2in2out ", "2In2Out", "4in4out", ""})
        EXPECT_EQ(-1, m_host.CanDo(text)) << '"' << text << '"';
}

// ---------------------------------------------------------------------------------------------
// Programs

TEST_F(CPluginInterfaceTest, SingleProgramIsTheDefaultPreset)
{
    EXPECT_EQ(0, m_host.Dispatch(effGetProgram));
    EXPECT_EQ("Default Preset", m_host.GetString(effGetProgramName, 0, kVstMaxProgNameLen + 1));

    VstIntPtr result = 0;
    for (VstInt32 index : {0, 1, 7})
    {
        EXPECT_EQ("Default Preset",
                  m_host.GetString(effGetProgramNameIndexed, index, kVstMaxProgNameLen + 1,
                                   &result));
        EXPECT_EQ(1, result) << "index " << index;
    }
    // Asked without a buffer it still answers that the program exists.
    EXPECT_EQ(1, m_host.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr));

    // The program name is at most 24 characters and its terminator: nothing after.
    std::vector<unsigned char> buffer(64, kSentinel);
    m_host.Dispatch(effGetProgramName, 0, 0, buffer.data());
    for (std::size_t i = kVstMaxProgNameLen + 1; i < buffer.size(); ++i)
        ASSERT_EQ(kSentinel, buffer[i]) << "byte " << i;
}

TEST_F(CPluginInterfaceTest, ProgramChangesAndRenamesAreIgnored)
{
    char name[] = "Renamed";
    EXPECT_EQ(0, m_host.Dispatch(effSetProgramName, 0, 0, name));
    EXPECT_EQ(0, m_host.Dispatch(effSetProgram, 0, 0));
    EXPECT_EQ(0, m_host.Dispatch(effSetProgram, 0, 3));
    EXPECT_EQ(0, m_host.Dispatch(effGetProgram));
    EXPECT_EQ("Default Preset", m_host.GetString(effGetProgramName, 0, kVstMaxProgNameLen + 1));
}

// ---------------------------------------------------------------------------------------------
// Editor and unhandled opcodes

TEST_F(CPluginInterfaceTest, EditorReportsItsWindowSizeWithoutOpening)
{
    // One of the two window backgrounds at scale 1 (which one depends on the screen
    // and the stored preference); nothing of the window system is needed for it.
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

TEST_F(CPluginInterfaceTest, UnhandledOpcodesAnswerZero)
{
    const VstInt32 unhandled[] = {
        effGetTailSize,        effSetBypass,        effVendorSpecific,
        effGetParameterProperties, effString2Parameter, effGetMidiKeyName,
        effGetSpeakerArrangement,  effShellGetNextPlugin, effGetVu,
        effGetErrorText,       80,                  200,
        -1,
    };
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
