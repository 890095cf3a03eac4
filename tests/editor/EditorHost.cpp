#include "EditorHost.h"

#include <X11/Xutil.h>
#include <dlfcn.h>

#include <cmath>
#include <cstring>

namespace
{

constexpr double kToneHz = 440.0;
constexpr double kToneAmplitude = 0.25; // -12 dBFS
constexpr double kTempoBpm = 120.0;
constexpr int kLateRectWaitMs = 100; // a host's second look at an editor that had no size yet
constexpr int kMaxBacklogBlocks = 24; // about 0.25 s: a stalled loop drops audio, as a DAW does

thread_local CEditorHost* t_loadingHost = nullptr;
std::atomic<int> g_xErrors{0};

int CountXError(Display* /*display*/, XErrorEvent* /*error*/)
{
    g_xErrors.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

void FillTimeInfo(VstTimeInfo& info, double samplePosition)
{
    info = VstTimeInfo{};
    info.samplePos = samplePosition;
    info.sampleRate = CEditorHost::kSampleRate;
    info.tempo = kTempoBpm;
    info.ppqPos = samplePosition / CEditorHost::kSampleRate * kTempoBpm / 60.0;
    info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    info.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid |
                 kVstBarsValid;
}

} // namespace

CEditorHost::CEditorHost(std::string pluginPath) : m_pluginPath(std::move(pluginPath))
{
    for (int channel = 0; channel < 2; ++channel)
    {
        m_input[channel].assign(kBlockSize, 0.0f);
        m_output[channel].assign(kBlockSize, 0.0f);
    }
}

CEditorHost::~CEditorHost()
{
    Unload();
}

int CEditorHost::XErrorCount()
{
    return g_xErrors.load(std::memory_order_relaxed);
}

bool CEditorHost::Load(std::string& error, bool audioThread)
{
    Unload();
    m_hostThread = std::this_thread::get_id();
    // Ours first: a plug-in that traps its own errors chains the others to us.
    XSetErrorHandler(&CountXError);
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
    {
        error = "cannot open the X display";
        return false;
    }
    m_library = dlopen(m_pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr)
    {
        const char* reason = dlerror();
        error = "cannot load " + m_pluginPath + ": " + (reason != nullptr ? reason : "");
        return false;
    }
    void* symbol = dlsym(m_library, "VSTPluginMain");
    if (symbol == nullptr)
    {
        error = m_pluginPath + " has no VSTPluginMain";
        return false;
    }
    using EntryProc = AEffect* (*)(audioMasterCallback);
    EntryProc entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "function and object pointers");
    std::memcpy(&entry, &symbol, sizeof(entry));
    t_loadingHost = this;
    AEffect* effect = entry(&CEditorHost::HostCallback);
    t_loadingHost = nullptr;
    if (effect == nullptr || effect->magic != kEffectMagic)
    {
        error = m_pluginPath + " returned no valid plug-in";
        return false;
    }
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    m_effect = effect;

    FillTimeInfo(m_hostTimeInfo, 0.0);
    FillTimeInfo(m_audioTimeInfo, 0.0);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    Dispatch(effSetBlockSize, 0, kBlockSize);
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    m_resumed = true;

    m_audioStart = std::chrono::steady_clock::now();
    m_blocks.store(0, std::memory_order_relaxed);
    m_audioThreadMode = audioThread;
    if (audioThread)
    {
        m_audioRunning.store(true);
        m_audioThread = std::thread([this] { AudioThreadLoop(); });
    }
    return true;
}

void CEditorHost::Unload()
{
    if (m_audioThread.joinable())
    {
        m_audioRunning.store(false);
        m_audioThread.join();
    }
    if (m_effect != nullptr)
    {
        if (m_editorOpen)
        {
            CloseEditor();
        }
        if (m_resumed)
        {
            Dispatch(effStopProcess);
            Dispatch(effMainsChanged, 0, 0);
            m_resumed = false;
        }
        Dispatch(effClose);
        m_effect = nullptr;
    }
    // The module stays loaded, as hosts keep it: a plug-in's static state (an error handler it
    // left installed, a font cache) must not point into unmapped code.
    m_library = nullptr;
    if (m_display != nullptr)
    {
        if (m_window != 0 && !m_windowDestroyed)
        {
            XDestroyWindow(m_display, m_window);
        }
        m_window = 0;
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

VstIntPtr CEditorHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
    return m_effect != nullptr ? m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt) : 0;
}

bool CEditorHost::HasEditor() const
{
    return m_effect != nullptr && (m_effect->flags & effFlagsHasEditor) != 0;
}

bool CEditorHost::QueryEditorRect(int& width, int& height)
{
    ERect* rect = nullptr;
    Dispatch(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr)
    {
        width = 0;
        height = 0;
        return false;
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0;
}

bool CEditorHost::CreateHostWindow(int width, int height)
{
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0,
                                   static_cast<unsigned>(std::max(width, 1)),
                                   static_cast<unsigned>(std::max(height, 1)), 0,
                                   BlackPixel(m_display, screen), BlackPixel(m_display, screen));
    if (m_window == 0)
    {
        return false;
    }
    XStoreName(m_display, m_window, "Editor test host");
    XSelectInput(m_display, m_window, StructureNotifyMask);
    m_windowDestroyed = false;
    XSync(m_display, False);
    return true;
}

void CEditorHost::ResizeHostWindow(int width, int height)
{
    if (m_window != 0 && !m_windowDestroyed && width > 0 && height > 0)
    {
        XResizeWindow(m_display, m_window, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        XSync(m_display, False);
    }
}

bool CEditorHost::OpenEditor(std::string& error, double* openMs)
{
    if (!HasEditor())
    {
        error = "the plug-in has no editor";
        return false;
    }
    int width = 0;
    int height = 0;
    QueryEditorRect(width, height);
    if (m_window == 0 || m_windowDestroyed)
    {
        if (!CreateHostWindow(width, height))
        {
            error = "cannot create the host window";
            return false;
        }
    }
    else
    {
        ResizeHostWindow(width, height);
    }
    const auto start = std::chrono::steady_clock::now();
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_window));
    Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(m_display), parent);
    const auto end = std::chrono::steady_clock::now();
    if (openMs != nullptr)
    {
        *openMs = std::chrono::duration<double, std::milli>(end - start).count();
    }
    m_editorOpen = true;
    if (!QueryEditorRect(width, height))
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(kLateRectWaitMs));
        QueryEditorRect(width, height);
    }
    ResizeHostWindow(width, height);
    XMapRaised(m_display, m_window);
    XSync(m_display, False);
    return true;
}

void CEditorHost::CloseEditor()
{
    if (!m_editorOpen)
    {
        return;
    }
    Dispatch(effEditClose);
    m_editorOpen = false;
    if (m_window != 0 && !m_windowDestroyed)
    {
        XUnmapWindow(m_display, m_window);
        XSync(m_display, False);
    }
}

void CEditorHost::DestroyHostWindow()
{
    if (m_window != 0 && !m_windowDestroyed)
    {
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
        m_windowDestroyed = true;
    }
}

void CEditorHost::Idle()
{
    if (m_editorOpen)
    {
        Dispatch(effEditIdle);
    }
    if (!m_audioThreadMode && m_effect != nullptr)
    {
        ProcessDueBlocks();
    }
    DrainHostEvents();
    int width = 0;
    int height = 0;
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        std::swap(width, m_pendingWidth);
        std::swap(height, m_pendingHeight);
    }
    ResizeHostWindow(width, height);
}

void CEditorHost::RunFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (true)
    {
        const auto passStart = std::chrono::steady_clock::now();
        Idle();
        if (passStart >= end)
        {
            break;
        }
        const auto next = passStart + std::chrono::milliseconds(kIdleIntervalMs);
        std::this_thread::sleep_until(std::min(next, end));
    }
}

bool CEditorHost::RunUntilDrawn(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int width = 0;
    int height = 0;
    while (std::chrono::steady_clock::now() < deadline)
    {
        RunFor(kIdleIntervalMs);
        if (EditorWindowSize(width, height))
        {
            // Two more passes: the first paint happens in the idle after the window appears.
            RunFor(2 * kIdleIntervalMs);
            return true;
        }
    }
    return false;
}

void CEditorHost::DrainHostEvents()
{
    // Only events of the host's own connection: the plug-in reads its own.
    while (m_display != nullptr && XPending(m_display) > 0)
    {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == m_window)
        {
            m_windowDestroyed = true;
        }
    }
}

bool CEditorHost::HostWindowSize(int& width, int& height)
{
    XWindowAttributes attributes{};
    if (m_window == 0 || m_windowDestroyed ||
        XGetWindowAttributes(m_display, m_window, &attributes) == 0)
    {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool CEditorHost::EditorWindowSize(int& width, int& height)
{
    if (m_window == 0 || m_windowDestroyed)
    {
        return false;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_display, m_window, &root, &parent, &children, &count) == 0)
    {
        return false;
    }
    bool found = false;
    if (count > 0)
    {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(m_display, children[0], &attributes) != 0 &&
            attributes.map_state == IsViewable)
        {
            width = attributes.width;
            height = attributes.height;
            found = true;
        }
    }
    if (children != nullptr)
    {
        XFree(children);
    }
    return found;
}

bool CEditorHost::HostWindowOrigin(int& rootX, int& rootY)
{
    Window child = 0;
    if (m_window == 0 || m_windowDestroyed)
    {
        return false;
    }
    return XTranslateCoordinates(m_display, m_window, DefaultRootWindow(m_display), 0, 0, &rootX,
                                 &rootY, &child) != 0;
}

void CEditorHost::SetParameter(int index, float value)
{
    if (m_effect != nullptr && m_effect->setParameter != nullptr)
    {
        m_effect->setParameter(m_effect, index, value);
    }
}

float CEditorHost::GetParameter(int index)
{
    return m_effect != nullptr && m_effect->getParameter != nullptr
               ? m_effect->getParameter(m_effect, index)
               : 0.0f;
}

std::string CEditorHost::ParameterName(int index)
{
    char buffer[256] = {};
    Dispatch(effGetParamName, index, 0, buffer);
    buffer[sizeof(buffer) - 1] = '\0';
    return buffer;
}

std::string CEditorHost::ProgramName()
{
    char buffer[kVstMaxProgNameLen + 1] = {};
    Dispatch(effGetProgramName, 0, 0, buffer);
    buffer[sizeof(buffer) - 1] = '\0';
    return buffer;
}

std::vector<unsigned char> CEditorHost::Chunk()
{
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 0, 0, &data);
    if (data == nullptr || size <= 0)
    {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

std::vector<float> CEditorHost::AllParameters()
{
    std::vector<float> values;
    for (int i = 0; m_effect != nullptr && i < m_effect->numParams; ++i)
    {
        values.push_back(GetParameter(i));
    }
    return values;
}

int CEditorHost::FindParameter(const std::string& name)
{
    for (int i = 0; m_effect != nullptr && i < m_effect->numParams; ++i)
    {
        if (ParameterName(i) == name)
        {
            return i;
        }
    }
    return -1;
}

std::vector<HOST_EDIT_EVENT> CEditorHost::Events()
{
    std::lock_guard<std::mutex> lock(m_eventMutex);
    return m_events;
}

void CEditorHost::ClearEvents()
{
    std::lock_guard<std::mutex> lock(m_eventMutex);
    m_events.clear();
}

int CEditorHost::CountEvents(HOST_EDIT_EVENT::Kind kind, int index)
{
    std::lock_guard<std::mutex> lock(m_eventMutex);
    int count = 0;
    for (const HOST_EDIT_EVENT& event : m_events)
    {
        if (event.kind == kind && (index < 0 || event.index == index))
        {
            ++count;
        }
    }
    return count;
}

void CEditorHost::ProcessBlock()
{
    const double step = 2.0 * M_PI * kToneHz / kSampleRate;
    const double amplitude = m_toneOn.load(std::memory_order_relaxed) ? kToneAmplitude : 0.0;
    for (int i = 0; i < kBlockSize; ++i)
    {
        const auto sample = static_cast<float>(amplitude * std::sin(m_phase));
        m_input[0][static_cast<std::size_t>(i)] = sample;
        m_input[1][static_cast<std::size_t>(i)] = sample;
        m_phase += step;
    }
    m_phase = std::fmod(m_phase, 2.0 * M_PI);
    const long block = m_blocks.load(std::memory_order_relaxed);
    FillTimeInfo(m_audioTimeInfo, static_cast<double>(block) * kBlockSize);
    float* inputs[2] = {m_input[0].data(), m_input[1].data()};
    float* outputs[2] = {m_output[0].data(), m_output[1].data()};
    m_effect->processReplacing(m_effect, inputs, outputs, kBlockSize);
    m_blocks.store(block + 1, std::memory_order_relaxed);
}

void CEditorHost::ProcessDueBlocks()
{
    const double elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_audioStart).count();
    const auto due = static_cast<long>(elapsedSeconds * kSampleRate / kBlockSize);
    long done = m_blocks.load(std::memory_order_relaxed);
    if (due - done > kMaxBacklogBlocks)
    {
        // Behind (a slow idle): the missed audio is dropped instead of caught up in a burst.
        m_audioStart += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(static_cast<double>(due - done - kMaxBacklogBlocks) *
                                          kBlockSize / kSampleRate));
        done = due - kMaxBacklogBlocks;
    }
    for (long i = done; i < due; ++i)
    {
        ProcessBlock();
    }
}

void CEditorHost::AudioThreadLoop()
{
    const auto blockDuration = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kBlockSize) / kSampleRate));
    auto next = std::chrono::steady_clock::now();
    while (m_audioRunning.load())
    {
        ProcessBlock();
        next += blockDuration;
        const auto now = std::chrono::steady_clock::now();
        if (next < now)
        {
            next = now; // late: no catching up in a burst
        }
        std::this_thread::sleep_until(next);
    }
}

VstIntPtr CEditorHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                    VstIntPtr value, void* ptr, float opt)
{
    CEditorHost* host = effect != nullptr && effect->resvd1 != 0
                            ? reinterpret_cast<CEditorHost*>(effect->resvd1)
                            : t_loadingHost;
    if (host == nullptr)
    {
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
    return host->HandleCallback(opcode, index, value, ptr, opt);
}

VstIntPtr CEditorHost::HandleCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                      float opt)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterGetTime:
        return reinterpret_cast<VstIntPtr>(std::this_thread::get_id() == m_hostThread
                                               ? &m_hostTimeInfo
                                               : &m_audioTimeInfo);
    case audioMasterGetSampleRate:
        return kSampleRate;
    case audioMasterGetBlockSize:
        return kBlockSize;
    case audioMasterAutomate:
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.push_back(HOST_EDIT_EVENT{HOST_EDIT_EVENT::kAutomate, index, opt, 0});
        return 1;
    }
    case audioMasterBeginEdit:
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.push_back(HOST_EDIT_EVENT{HOST_EDIT_EVENT::kBeginEdit, index, 0.0f, 0});
        return 1;
    }
    case audioMasterEndEdit:
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.push_back(HOST_EDIT_EVENT{HOST_EDIT_EVENT::kEndEdit, index, 0.0f, 0});
        return 1;
    }
    case audioMasterSizeWindow:
    {
        const int width = index;
        const int height = static_cast<int>(value);
        if (width <= 0 || height <= 0)
        {
            return 0;
        }
        {
            std::lock_guard<std::mutex> lock(m_eventMutex);
            m_events.push_back(HOST_EDIT_EVENT{HOST_EDIT_EVENT::kSizeWindow, width, 0.0f, height});
            if (std::this_thread::get_id() != m_hostThread)
            {
                m_pendingWidth = width; // applied by the next idle on the host thread
                m_pendingHeight = height;
                return 1;
            }
        }
        ResizeHostWindow(width, height);
        return 1;
    }
    case audioMasterCanDo:
    {
        const char* feature = static_cast<const char*>(ptr);
        if (feature == nullptr)
        {
            return 0;
        }
        const std::string text = feature;
        return text == "sizeWindow" || text == "sendVstTimeInfo" || text == "supplyIdle" ? 1 : 0;
    }
    case audioMasterGetVendorString:
        if (ptr != nullptr)
        {
            std::strcpy(static_cast<char*>(ptr), "Morvex tests");
        }
        return 1;
    case audioMasterGetProductString:
        if (ptr != nullptr)
        {
            std::strcpy(static_cast<char*>(ptr), "Editor test host");
        }
        return 1;
    case audioMasterUpdateDisplay:
    case audioMasterWantMidi:
        return 1;
    default:
        return 0;
    }
}
