#include "PluginHost.h"

#include "DisplayText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

namespace morvex::render
{

namespace
{

using PluginEntryProc = AEffect* (*)(audioMasterCallback host);

// The host whose plug-in is inside its entry point. Plug-ins call back before the host can
// know their AEffect (audioMasterVersion with a null effect), so the callback needs this until
// the entry returns and the host pointer is stored in the AEffect's resvd1 field.
thread_local CPluginHost* t_loadingHost = nullptr;

// Plug-ins often write more than the nominal 8 or 24 characters; give them room.
constexpr std::size_t kStringBufferSize = 512;

constexpr VstIntPtr kCanDoYes = 1;
constexpr VstIntPtr kCanDoNo = -1;
constexpr VstIntPtr kCanDoUnknown = 0;

void CopyString(void* destination, const char* text, std::size_t size)
{
    if (destination != nullptr)
    {
        std::snprintf(static_cast<char*>(destination), size, "%s", text);
    }
}

} // namespace

CPluginHost::~CPluginHost()
{
    Unload();
}

bool CPluginHost::Load(const std::string& path, std::string& error)
{
    Unload();
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    {
        error = "plug-in not found: " + path;
        return false;
    }
    // dlopen looks a bare file name up in the library path; a host means this very file.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    m_library = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr)
    {
        const char* reason = dlerror();
        error =
            "cannot load plug-in " + path + ": " + (reason != nullptr ? reason : "dlopen failed");
        return false;
    }

    void* symbol = dlsym(m_library, "VSTPluginMain");
    if (symbol == nullptr)
    {
        symbol = dlsym(m_library, "main"); // entry name of plug-ins older than VST 2.4
    }
    if (symbol == nullptr)
    {
        error = path + " exports neither VSTPluginMain nor main: not a VST 2 plug-in";
        Unload();
        return false;
    }
    const auto entry = reinterpret_cast<PluginEntryProc>(symbol);

    t_loadingHost = this;
    AEffect* effect = entry(&CPluginHost::HostCallback);
    t_loadingHost = nullptr;
    if (effect == nullptr)
    {
        error = "the entry point of " + path + " returned no plug-in";
        Unload();
        return false;
    }
    if (effect->magic != kEffectMagic)
    {
        char magic[16];
        std::snprintf(magic, sizeof(magic), "0x%08X", static_cast<unsigned>(effect->magic));
        error = path + " returned a plug-in with bad magic " + magic + " (expected 0x56737450)";
        Unload(); // the record cannot be trusted, so effClose is not sent
        return false;
    }
    if (effect->dispatcher == nullptr)
    {
        error = path + " returned a plug-in without a dispatcher";
        Unload();
        return false;
    }
    // The first reserved field belongs to the host: it leads the callback back to this object.
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    m_effect = effect;
    return true;
}

bool CPluginHost::Open(int sampleRate, int blockSize, std::string& error)
{
    m_sampleRate = sampleRate;
    m_blockSize = blockSize;
    UpdateTimeInfo(0);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision32);

    if (m_effect->numOutputs < 1)
    {
        error = "the plug-in has no audio outputs";
        return false;
    }
    const bool canReplace =
        (m_effect->flags & effFlagsCanReplacing) != 0 && m_effect->processReplacing != nullptr;
    if (!canReplace && m_effect->process == nullptr)
    {
        error = "the plug-in has no process function";
        return false;
    }
    return true;
}

void CPluginHost::Resume()
{
    if (m_effect == nullptr || m_resumed)
    {
        return;
    }
    Dispatch(effMainsChanged, 0, 1);
    m_resumed = true;
}

void CPluginHost::Suspend()
{
    if (m_effect == nullptr || !m_resumed)
    {
        return;
    }
    StopProcessing();
    Dispatch(effMainsChanged, 0, 0);
    m_resumed = false;
}

void CPluginHost::StartProcessing()
{
    if (m_effect == nullptr || m_processing)
    {
        return;
    }
    Resume();
    Dispatch(effStartProcess);
    m_processing = true;
}

void CPluginHost::StopProcessing()
{
    if (m_effect == nullptr || !m_processing)
    {
        return;
    }
    Dispatch(effStopProcess);
    m_processing = false;
}

void CPluginHost::Unload()
{
    if (m_effect != nullptr)
    {
        Suspend();
        // After effClose the plug-in has freed itself; the record must not be touched again.
        Dispatch(effClose);
        m_effect = nullptr;
    }
    if (m_library != nullptr)
    {
        dlclose(m_library);
        m_library = nullptr;
    }
}

VstIntPtr CPluginHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
    return m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt);
}

std::string CPluginHost::ReadString(VstInt32 opcode, VstInt32 index)
{
    char buffer[kStringBufferSize] = {};
    Dispatch(opcode, index, 0, buffer);
    buffer[kStringBufferSize - 1] = '\0';
    return buffer;
}

std::string CPluginHost::EffectName()
{
    return ReadString(effGetEffectName, 0);
}

std::string CPluginHost::VendorString()
{
    return ReadString(effGetVendorString, 0);
}

std::string CPluginHost::ParameterName(int index)
{
    return ReadString(effGetParamName, index);
}

std::string CPluginHost::ParameterDisplay(int index)
{
    return ReadString(effGetParamDisplay, index);
}

std::string CPluginHost::ParameterLabel(int index)
{
    return ReadString(effGetParamLabel, index);
}

std::string CPluginHost::ParameterText(int index)
{
    std::string display = ParameterDisplay(index);
    const std::string label = NormaliseText(ParameterLabel(index));
    const std::string shown = NormaliseText(display);
    if (label.empty() || (shown.size() >= label.size() &&
                          shown.compare(shown.size() - label.size(), label.size(), label) == 0))
    {
        return display;
    }
    return display + " " + ParameterLabel(index);
}

float CPluginHost::GetParameter(int index)
{
    return m_effect->getParameter != nullptr ? m_effect->getParameter(m_effect, index) : 0.0f;
}

void CPluginHost::SetParameter(int index, float normalised)
{
    if (m_effect->setParameter != nullptr)
    {
        m_effect->setParameter(m_effect, index, normalised);
    }
}

int CPluginHost::FindParameter(std::string_view nameOrId)
{
    const std::string wanted = NormaliseText(nameOrId);
    for (int i = 0; i < NumParameters(); ++i)
    {
        if (NormaliseText(ParameterName(i)) == wanted)
        {
            return i;
        }
    }
    int index = -1;
    const auto result = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (!wanted.empty() && result.ec == std::errc() &&
        result.ptr == wanted.data() + wanted.size() && index >= 0 && index < NumParameters())
    {
        return index;
    }
    return -1;
}

bool CPluginHost::SetChunk(std::vector<char> data, std::string& error)
{
    if (!HasChunks())
    {
        error = "the plug-in does not keep its state in chunks";
        return false;
    }
    if (data.empty())
    {
        error = "the chunk is empty";
        return false;
    }
    Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(data.size()), data.data());
    return true;
}

bool CPluginHost::GetChunk(std::vector<char>& data, std::string& error)
{
    if (!HasChunks())
    {
        error = "the plug-in does not keep its state in chunks";
        return false;
    }
    void* chunk = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 0, 0, &chunk);
    if (size <= 0 || chunk == nullptr)
    {
        error = "the plug-in returned no chunk";
        return false;
    }
    const char* bytes = static_cast<const char*>(chunk);
    data.assign(bytes, bytes + size);
    return true;
}

void CPluginHost::SetTransport(double tempoBpm, bool playing)
{
    m_tempoBpm = tempoBpm;
    m_playing = playing;
    m_transportChanged = true;
    UpdateTimeInfo(0);
}

void CPluginHost::UpdateTimeInfo(std::int64_t samplePosition)
{
    const double position = m_playing ? static_cast<double>(samplePosition) : 0.0;
    const double quarterNotes = position / m_sampleRate * m_tempoBpm / 60.0;
    m_timeInfo = VstTimeInfo{};
    m_timeInfo.samplePos = position;
    m_timeInfo.sampleRate = m_sampleRate;
    m_timeInfo.tempo = m_tempoBpm;
    m_timeInfo.ppqPos = quarterNotes;
    m_timeInfo.barStartPos = std::floor(quarterNotes / 4.0) * 4.0;
    m_timeInfo.timeSigNumerator = 4;
    m_timeInfo.timeSigDenominator = 4;
    m_timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid;
    if (m_playing)
    {
        m_timeInfo.flags |= kVstTransportPlaying;
    }
}

void CPluginHost::SendEvents(VstEvents* events)
{
    Dispatch(effProcessEvents, 0, 0, events);
}

void CPluginHost::Process(float** inputs, float** outputs, int numFrames,
                          std::int64_t samplePosition)
{
    UpdateTimeInfo(samplePosition);
    if (m_playing && m_transportChanged)
    {
        m_timeInfo.flags |= kVstTransportChanged;
        m_transportChanged = false;
    }
    if ((m_effect->flags & effFlagsCanReplacing) != 0 && m_effect->processReplacing != nullptr)
    {
        m_effect->processReplacing(m_effect, inputs, outputs, numFrames);
        return;
    }
    for (int channel = 0; channel < m_effect->numOutputs; ++channel)
    {
        std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(numFrames));
    }
    m_effect->process(m_effect, inputs, outputs, numFrames);
}

VstIntPtr CPluginHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                    VstIntPtr value, void* ptr, float opt)
{
    CPluginHost* host = effect != nullptr && effect->resvd1 != 0
                            ? reinterpret_cast<CPluginHost*>(effect->resvd1)
                            : t_loadingHost;
    if (host == nullptr)
    {
        // Asked before any host is known (e.g. from a plug-in's own thread during loading):
        // only the answers that do not depend on the instance.
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
    return host->HandleCallback(opcode, index, value, ptr, opt);
}

VstIntPtr CPluginHost::HandleCallback(VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                                      void* ptr, float /*opt*/)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterCurrentId:
        return m_effect != nullptr ? m_effect->uniqueID : 0;
    case audioMasterGetTime:
        // Every field is filled whatever the plug-in's filter mask asks for.
        return reinterpret_cast<VstIntPtr>(&m_timeInfo);
    case audioMasterGetSampleRate:
        return m_sampleRate;
    case audioMasterGetBlockSize:
        return m_blockSize;
    case audioMasterGetVendorString:
        CopyString(ptr, kVendorName, kVstMaxVendorStrLen);
        return 1;
    case audioMasterGetProductString:
        CopyString(ptr, kProductName, kVstMaxProductStrLen);
        return 1;
    case audioMasterGetVendorVersion:
        return kProductVersion;
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterCanDo:
    {
        if (ptr == nullptr)
        {
            return kCanDoUnknown;
        }
        const std::string feature = static_cast<const char*>(ptr);
        if (feature == "sendVstEvents" || feature == "sendVstMidiEvent" ||
            feature == "sendVstTimeInfo")
        {
            return kCanDoYes;
        }
        if (feature == "sizeWindow" || feature == "receiveVstEvents" ||
            feature == "receiveVstMidiEvent")
        {
            return kCanDoNo; // no editor window here, and no MIDI taken from the plug-in
        }
        return kCanDoUnknown;
    }
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return 1; // accepted; an offline render records no automation
    case audioMasterUpdateDisplay:
        return 1; // texts are read afresh each time they are shown
    case audioMasterWantMidi:
        return 1;
    case audioMasterIdle:
    case audioMasterProcessEvents:
    case audioMasterIOChanged:
    case audioMasterSizeWindow:
    default:
        return 0;
    }
}

} // namespace morvex::render
