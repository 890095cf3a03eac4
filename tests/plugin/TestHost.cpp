#include "TestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{
// Hosts with a live instance, so that the callback finds the host of an effect.
std::vector<CTestHost*> g_hosts;
// The host whose entry-point call is running: the plug-in calls back before the host knows
// its AEffect record (the version query even passes a null effect).
CTestHost* g_instantiating = nullptr;
} // namespace

CTestHost::~CTestHost()
{
    Close();
    if (m_module)
        dlclose(m_module);
}

bool CTestHost::LoadModule(std::string& error)
{
    m_module = dlopen(MORVEX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!m_module)
        error = dlerror();
    return m_module != nullptr;
}

void* CTestHost::FindSymbol(const char* name) const
{
    return m_module ? dlsym(m_module, name) : nullptr;
}

AEffect* CTestHost::Instantiate(const char* entryName)
{
    Close();
    void* symbol = FindSymbol(entryName);
    if (!symbol)
        return nullptr;
    AEffect* (*entry)(audioMasterCallback) = nullptr;
    std::memcpy(&entry, &symbol, sizeof(entry));
    g_instantiating = this;
    m_effect = entry(&CTestHost::HostCallback);
    g_instantiating = nullptr;
    if (m_effect)
        g_hosts.push_back(this);
    return m_effect;
}

void CTestHost::Close()
{
    if (!m_effect)
        return;
    m_effect->dispatcher(m_effect, effClose, 0, 0, nullptr, 0.0f);
    m_effect = nullptr;
    g_hosts.erase(std::remove(g_hosts.begin(), g_hosts.end(), this), g_hosts.end());
}

std::vector<HOST_CALL> CTestHost::CallsWith(VstInt32 opcode) const
{
    std::vector<HOST_CALL> result;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
                 [opcode](const HOST_CALL& call) { return call.opcode == opcode; });
    return result;
}

VstIntPtr VSTCALLBACK CTestHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt)
{
    CTestHost* host = g_instantiating;
    for (CTestHost* live : g_hosts)
    {
        if (effect && live->m_effect == effect)
            host = live;
    }
    if (!host)
        return 0;
    host->m_calls.push_back({effect != nullptr, opcode, index, value, ptr != nullptr, opt});
    switch (opcode)
    {
    case audioMasterVersion:
        return host->m_versionAnswer;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), "Test Host");
        return ptr ? 1 : 0;
    default:
        return 0; // no time information among the rest
    }
}

VstIntPtr CTestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt)
{
    return m_effect ? m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt) : 0;
}

std::string CTestHost::GetString(VstInt32 opcode, VstInt32 index, std::size_t bufferSize,
                                 VstIntPtr* result)
{
    std::vector<char> buffer(bufferSize + 1, 0);
    const VstIntPtr answer = Dispatch(opcode, index, 0, buffer.data());
    if (result)
        *result = answer;
    return std::string(buffer.data(), strnlen(buffer.data(), bufferSize));
}

VstIntPtr CTestHost::CanDo(const char* text)
{
    std::string copy(text);
    return Dispatch(effCanDo, 0, 0, &copy[0]);
}

void CTestHost::Resume(float sampleRate, VstInt32 blockSize)
{
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effMainsChanged, 0, 1);
}

VstIntPtr CTestHost::SendEvents(const std::vector<VstEvent*>& events)
{
    // The container with its inline pointer array, sized for the events of this call.
    std::vector<std::uint8_t> storage(offsetof(VstEvents, events) +
                                      std::max<std::size_t>(events.size(), 2) * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    if (!events.empty())
        std::memcpy(storage.data() + offsetof(VstEvents, events), events.data(),
                    events.size() * sizeof(VstEvent*));
    return Dispatch(effProcessEvents, 0, 0, list);
}

VstMidiEvent MidiEvent(int status, int data1, int data2, int deltaFrames)
{
    VstMidiEvent event;
    std::memset(&event, 0, sizeof(event));
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}
