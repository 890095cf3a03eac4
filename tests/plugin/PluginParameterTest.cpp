// The 312 parameters as only a host sees them: names against the snapshot list
// (ParameterNames.txt, one name per id), the bounds of the host's text buffers, ids outside
// the table and no echo of the host's own changes. Host values outside 0..1 are clamped by
// the adapter, tested in-process. What the texts
// say and how the parameters reshape is tested in-process, beside the parameter table.
#include "PluginTestFixture.h"

#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#ifndef MORVEX_PARAMETER_NAMES
#error "MORVEX_PARAMETER_NAMES must name the parameter name snapshot"
#endif

namespace
{
constexpr int kNumParams = 312;
constexpr int kVolume = 2;
constexpr int kPan = 3;
constexpr int kLayerAMix = 5;
constexpr int kDistMode = 73;

std::vector<std::string> SnapshotNames()
{
    std::ifstream file(MORVEX_PARAMETER_NAMES);
    std::vector<std::string> names;
    for (std::string line; std::getline(file, line);)
        names.push_back(line);
    return names;
}
} // namespace

class CPluginParameterTest : public CPluginInterfaceTest
{
protected:
    std::vector<float> Values()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParams; ++id)
            values.push_back(m_host.GetParameter(id));
        return values;
    }
};

TEST_F(CPluginParameterTest, NamesMatchTheSnapshotList)
{
    const std::vector<std::string> expected = SnapshotNames();
    ASSERT_EQ(expected.size(), static_cast<size_t>(kNumParams));
    EXPECT_EQ(std::set<std::string>(expected.begin(), expected.end()).size(), expected.size());
    for (int id = 0; id < kNumParams; ++id)
        EXPECT_EQ(m_host.ParamName(id), expected[static_cast<size_t>(id)]) << "id " << id;
}

TEST_F(CPluginParameterTest, NameAndDisplayWriteAtMost24Bytes)
{
    // 23 characters and the terminator; the rest of a larger host buffer stays as it was.
    constexpr unsigned char kSentinel = 0xA5;
    for (VstInt32 opcode : {effGetParamName, effGetParamDisplay})
    {
        for (int id = -1; id <= kNumParams; ++id)
        {
            std::vector<unsigned char> buffer(64, kSentinel);
            m_host.Dispatch(opcode, id, 0, buffer.data());
            ASSERT_NE(nullptr, std::memchr(buffer.data(), 0, 24)) << opcode << " id " << id;
            for (size_t i = 24; i < buffer.size(); ++i)
                ASSERT_EQ(kSentinel, buffer[i]) << opcode << " id " << id;
        }
    }
}

TEST_F(CPluginParameterTest, IdsOutsideTheTableAreIgnored)
{
    const std::vector<float> before = Values();
    for (int id : {-1, kNumParams, 100000})
    {
        m_host.SetParameter(id, 0.7f);
        EXPECT_EQ(0.0f, m_host.GetParameter(id)) << id;
        EXPECT_EQ("", m_host.ParamName(id)) << id;
        EXPECT_EQ("", m_host.ParamDisplay(id)) << id;
    }
    EXPECT_EQ(before, Values());
}

TEST_F(CPluginParameterTest, HostParameterChangesAreNotEchoedToTheHost)
{
    m_host.ClearCalls();
    for (int id : {kVolume, kPan, kDistMode, kLayerAMix})
        m_host.SetParameter(id, 0.4f);
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterAutomate));
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterBeginEdit));
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterEndEdit));
}
