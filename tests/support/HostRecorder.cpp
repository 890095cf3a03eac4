#include "support/HostRecorder.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
CHostRecorder* g_recorder = nullptr;
} // namespace

CHostRecorder::CHostRecorder() { g_recorder = this; }

CHostRecorder::~CHostRecorder()
{
    if (g_recorder == this)
        g_recorder = nullptr;
}

std::vector<HOST_CALL> CHostRecorder::EditCalls(int id) const
{
    std::vector<HOST_CALL> edits;
    for (const HOST_CALL& call : m_calls)
        if (call.index == id && (call.opcode == audioMasterBeginEdit ||
                                 call.opcode == audioMasterEndEdit ||
                                 call.opcode == audioMasterAutomate))
            edits.push_back(call);
    return edits;
}

int CHostRecorder::Count(int opcode) const
{
    auto matches = [opcode](const HOST_CALL& call) { return call.opcode == opcode; };
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), matches));
}

VstIntPtr CHostRecorder::Callback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr /*value*/, void* /*ptr*/, float opt)
{
    if (g_recorder)
        g_recorder->m_calls.push_back({opcode, index, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

void ExpectOneGesture(const std::vector<HOST_CALL>& edits, size_t automations)
{
    ASSERT_GE(edits.size(), automations + 2);
    EXPECT_EQ(audioMasterBeginEdit, edits.front().opcode);
    EXPECT_EQ(audioMasterEndEdit, edits.back().opcode);
    for (size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_EQ(audioMasterAutomate, edits[i].opcode) << "call " << i;
}

CPluginInstance::CPluginInstance()
{
    m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(&CHostRecorder::Callback));
    m_effect = m_wrapper ? static_cast<CMorvex*>(m_wrapper->GetBaseEffect()) : nullptr;
    m_host.Clear();
}

CPluginInstance::~CPluginInstance() { delete m_wrapper; }
