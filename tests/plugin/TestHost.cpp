#include "TestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace
{
// Hosts with a live instance, so that the callback finds the host of an effect.
std::vector<CTestHost*> g_hosts;
// The host whose entry-point call is running: the plug-in calls back before the
// host knows its AEffect record (the version query even passes a null effect).
CTestHost* g_instantiating = nullptr;

// Event list as hosts build it: the record's inline pointer array, long enough
// for the events of one call.
struct HOST_EVENT_LIST
{
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[1];
};
static_assert(offsetof(HOST_EVENT_LIST, events) == offsetof(VstEvents, events),
              "event list layout");
} // namespace

CTestHost::CTestHost(std::string modulePath) : m_modulePath(std::move(modulePath))
{
}

CTestHost::~CTestHost()
{
    Close();
    if (m_module)
        dlclose(m_module);
}

bool CTestHost::LoadModule(std::string* error)
{
    if (m_module)
        return true;
    m_module = dlopen(m_modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_module && error)
    {
        const char* message = dlerror();
        *error = message ? message : "dlopen failed";
    }
    return m_module != nullptr;
}

void* CTestHost::FindSymbol(const char* name) const
{
    return m_module ? dlsym(m_module, name) : nullptr;
}

CTestHost::EntryProc CTestHost::FindEntry(const char* name) const
{
    void* symbol = FindSymbol(name);
    EntryProc entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "function and object pointers");
    std::memcpy(&entry, &symbol, sizeof(entry));
    return entry;
}

AEffect* CTestHost::Instantiate(const char* entryName)
{
    Close();
    const EntryProc entry = FindEntry(entryName);
    if (!entry)
        return nullptr;
    g_instantiating = this;
    AEffect* effect = entry(&CTestHost::HostCallback);
    g_instantiating = nullptr;
    if (effect)
    {
        m_effect = effect;
        g_hosts.push_back(this);
    }
    return effect;
}

void CTestHost::Close()
{
    if (!m_effect)
        return;
    m_effect->dispatcher(m_effect, effClose, 0, 0, nullptr, 0.0f);
    m_effect = nullptr;
    g_hosts.erase(std::remove(g_hosts.begin(), g_hosts.end(), this), g_hosts.end());
}

void CTestHost::SetTimeInfo(const VstTimeInfo* time)
{
    m_hasTime = time != nullptr;
    if (time)
        m_time = *time;
}

std::vector<HOST_CALL> CTestHost::CallsWith(VstInt32 opcode) const
{
    std::vector<HOST_CALL> result;
    for (const HOST_CALL& call : m_calls)
    {
        if (call.opcode == opcode)
            result.push_back(call);
    }
    return result;
}

std::size_t CTestHost::CountCalls(VstInt32 opcode) const
{
    return static_cast<std::size_t>(
        std::count_if(m_calls.begin(), m_calls.end(),
                      [opcode](const HOST_CALL& call) { return call.opcode == opcode; }));
}

CTestHost* CTestHost::FindHost(AEffect* effect)
{
    if (effect)
    {
        for (CTestHost* host : g_hosts)
        {
            if (host->m_effect == effect)
                return host;
        }
    }
    return g_instantiating;
}

VstIntPtr VSTCALLBACK CTestHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt)
{
    CTestHost* host = FindHost(effect);
    if (!host)
        return 0;
    HOST_CALL call;
    call.hasEffect = effect != nullptr;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.hasPtr = ptr != nullptr;
    call.opt = opt;
    host->m_calls.push_back(call);
    return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr CTestHost::Answer(VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/, void* ptr,
                            float /*opt*/)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return m_versionAnswer;
    case audioMasterGetTime:
        return m_hasTime ? reinterpret_cast<VstIntPtr>(&m_time) : 0;
    case audioMasterGetVendorString:
        if (!ptr)
            return 0;
        std::strcpy(static_cast<char*>(ptr), "Test Host Maker");
        return 1;
    case audioMasterGetProductString:
        if (!ptr)
            return 0;
        std::strcpy(static_cast<char*>(ptr), "Test Host");
        return 1;
    default:
        return 0;
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

void CTestHost::SetParameter(VstInt32 id, float value)
{
    if (m_effect)
        m_effect->setParameter(m_effect, id, value);
}

float CTestHost::GetParameter(VstInt32 id)
{
    return m_effect ? m_effect->getParameter(m_effect, id) : 0.0f;
}

void CTestHost::Resume(float sampleRate, VstInt32 blockSize)
{
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effMainsChanged, 0, 1);
}

void CTestHost::ProcessReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (m_effect)
        m_effect->processReplacing(m_effect, inputs, outputs, frames);
}

VstIntPtr CTestHost::SendControlChanges(const std::vector<HOST_CONTROL_CHANGE>& changes)
{
    std::vector<VstMidiEvent> midi(changes.size());
    std::vector<VstEvent*> events;
    for (std::size_t i = 0; i < changes.size(); ++i)
    {
        VstMidiEvent& event = midi[i];
        std::memset(&event, 0, sizeof(event));
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = changes[i].deltaFrames;
        event.midiData[0] = static_cast<char>(0xB0 | (changes[i].channel & 0x0F));
        event.midiData[1] = static_cast<char>(changes[i].controller & 0x7F);
        event.midiData[2] = static_cast<char>(changes[i].value & 0x7F);
        events.push_back(reinterpret_cast<VstEvent*>(&event));
    }
    return SendEvents(events);
}

VstIntPtr CTestHost::SendEvents(const std::vector<VstEvent*>& events)
{
    // The container with its inline pointer array, sized for the events of this call.
    const std::size_t count = events.size();
    std::vector<std::uint8_t> storage(offsetof(HOST_EVENT_LIST, events) +
                                      std::max<std::size_t>(count, 2) * sizeof(VstEvent*));
    auto* list = reinterpret_cast<HOST_EVENT_LIST*>(storage.data());
    list->numEvents = static_cast<VstInt32>(count);
    list->reserved = 0;
    if (count > 0)
        std::memcpy(storage.data() + offsetof(HOST_EVENT_LIST, events), events.data(),
                    count * sizeof(VstEvent*));
    return Dispatch(effProcessEvents, 0, 0, list);
}

// ---------------------------------------------------------------------------------------------

CStereoBlock::CStereoBlock(int frames) : m_frames(frames)
{
    for (int channel = 0; channel < 2; ++channel)
    {
        m_input[channel].assign(static_cast<std::size_t>(frames + kGuard), kGuardValue);
        m_output[channel].assign(static_cast<std::size_t>(frames + kGuard), kGuardValue);
        m_inputPointers[channel] = m_input[channel].data();
        m_outputPointers[channel] = m_output[channel].data();
    }
}

void CStereoBlock::FillInput(unsigned seed)
{
    // A sine per channel plus a small pseudo-random part, so that no two samples,
    // channels or blocks are alike.
    std::uint32_t state = 0x9E3779B9u ^ (seed * 2654435761u);
    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = 0; i < m_frames; ++i)
        {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
            const float phase = 0.05f * static_cast<float>(i + 1) * static_cast<float>(channel + 1);
            m_input[channel][static_cast<std::size_t>(i)] =
                0.7f * std::sin(phase + static_cast<float>(seed)) + 0.1f * noise;
        }
    }
}

void CStereoBlock::ClearOutput()
{
    for (auto& channel : m_output)
        std::fill(channel.begin(), channel.end(), kGuardValue);
}

bool CStereoBlock::OutputEqualsInput(int channel) const
{
    return std::memcmp(m_output[channel].data(), m_input[channel].data(),
                       static_cast<std::size_t>(m_frames) * sizeof(float)) == 0;
}

bool CStereoBlock::GuardsIntact() const
{
    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = m_frames; i < m_frames + kGuard; ++i)
        {
            if (m_output[channel][static_cast<std::size_t>(i)] != kGuardValue ||
                m_input[channel][static_cast<std::size_t>(i)] != kGuardValue)
                return false;
        }
    }
    return true;
}

bool CStereoBlock::OutputUntouched() const
{
    for (const auto& channel : m_output)
    {
        for (float sample : channel)
        {
            if (sample != kGuardValue)
                return false;
        }
    }
    return true;
}
