// The plug-in as a host sees it right after loading: entry points, the AEffect record, the
// dispatcher's constant answers, and the parameters' names and text bounds. What the texts say
// and how the parameters reshape is tested in-process, beside the parameter table.
#include "TestHost.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>
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
        EXPECT_TRUE(first.index == 0 && first.value == 0 && !first.hasPtr && first.opt == 0.0f);
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
    // Internal symbols stay hidden: two plug-ins built from the same shell code must not bind
    // to each other's functions inside one host.
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

TEST_F(CPluginTest, RecordAndDispatcherDescribeAStereoChunkEffect)
{
    const std::vector<VstInt32> record = {
        m_effect->magic,     m_effect->uniqueID,  m_effect->version,    m_effect->numPrograms,
        m_effect->numParams, m_effect->numInputs, m_effect->numOutputs, m_effect->initialDelay};
    const std::vector<VstInt32> expected = {0x56737450, kUniqueId, kVendorVersion, 1, kNumParams,
                                            2,          2,         0};
    EXPECT_EQ(expected, record);
    // Replacing processing, chunk programs and an editor; no synth and no double precision.
    EXPECT_EQ(effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor, m_effect->flags);
    EXPECT_EQ(0, m_effect->resvd1 | m_effect->resvd2); // the host's own fields
    ASSERT_TRUE(m_effect->setParameter && m_effect->getParameter && m_effect->processReplacing);
    // Some hosts use processReplacing only when it differs from the accumulating call.
    EXPECT_NE(reinterpret_cast<void*>(m_effect->process),
              reinterpret_cast<void*>(m_effect->processReplacing));

    // Texts within the host's buffer (the limit counts the terminator), then plain answers.
    const std::tuple<VstInt32, std::size_t, const char*> texts[] = {
        {effGetEffectName, kVstMaxEffectNameLen, "Morvex"},
        {effGetProductString, kVstMaxProductStrLen, "Morvex"},
        {effGetVendorString, kVstMaxVendorStrLen, "Brenwick"},
    };
    for (const auto& [opcode, limit, text] : texts)
    {
        VstIntPtr result = 0;
        EXPECT_EQ(text, m_host.GetString(opcode, 0, limit, &result));
        EXPECT_EQ(1, result);
        EXPECT_TRUE(StaysWithin(m_host, opcode, 0, limit)) << "opcode " << opcode;
    }
    const std::pair<VstInt32, VstIntPtr> answers[] = {
        {effGetVendorVersion, kVendorVersion}, {effGetPlugCategory, kPlugCategEffect},
        {effGetNumMidiInputChannels, 1},       {effGetNumMidiOutputChannels, 0},
        {effGetVstVersion, kVstVersion},       {effSetEditKnobMode, 1},
    };
    for (const auto& [opcode, answer] : answers)
        EXPECT_EQ(answer, m_host.Dispatch(opcode, 0, 2)) << "opcode " << opcode;
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

TEST_F(CPluginTest, SingleProgramClosedEditorAndUnhandledOpcodesAnswerZero)
{
    char name[] = "Renamed";
    std::vector<unsigned char> buffer(256, 0);
    // Program changes are ignored; the closed editor leaves idle, close and keys to the host.
    const std::tuple<VstInt32, VstInt32, VstIntPtr, void*> calls[] = {
        {effSetProgramName, 0, 0, name},   {effSetProgram, 0, 0, nullptr},
        {effSetProgram, 0, 3, nullptr},    {effGetProgram, 0, 0, nullptr},
        {effEditGetRect, 0, 0, nullptr},
        {effEditIdle, 0, 0, nullptr},      {effEditClose, 0, 0, nullptr},
        {effEditKeyDown, 'a', 0, nullptr}, {effEditKeyUp, 'a', 0, nullptr},
    };
    for (const auto& [opcode, index, value, ptr] : calls)
        EXPECT_EQ(0, m_host.Dispatch(opcode, index, value, ptr)) << "opcode " << opcode;
    const VstInt32 unhandled[] = {effGetTailSize,        effSetBypass,
                                  effVendorSpecific,     effGetParameterProperties,
                                  effString2Parameter,   effGetMidiKeyName,
                                  effGetSpeakerArrangement, effShellGetNextPlugin,
                                  effGetVu,              effGetErrorText,
                                  80,                    200,
                                  -1};
    for (VstInt32 opcode : unhandled)
        EXPECT_EQ(0, m_host.Dispatch(opcode, 0, 0, buffer.data())) << "opcode " << opcode;
    EXPECT_EQ("", m_host.GetString(effGetParamLabel, 2));
    for (VstInt32 id : {0, 45, 311})
        EXPECT_EQ(1, m_host.Dispatch(effCanBeAutomated, id)) << "id " << id;

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
    // One of the two backgrounds at scale 1 (screen and stored preference decide), with no
    // window system needed.
    setenv("MORVEX_UI_SCALE", "1", 1);
    ERect* rect = nullptr;
    EXPECT_EQ(1, m_host.Dispatch(effEditGetRect, 0, 0, &rect));
    unsetenv("MORVEX_UI_SCALE");
    ASSERT_NE(nullptr, rect);
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    EXPECT_TRUE((width == 1080 && height == 790) || (width == 1098 && height == 700))
        << width << " x " << height;
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
