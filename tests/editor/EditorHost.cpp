#include "EditorHost.h"

#include <X11/Xutil.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

constexpr double kToneHz = 440.0;
constexpr double kToneAmplitude = 0.25; // -12 dBFS
constexpr double kTempoBpm = 120.0;
constexpr int kLateRectWaitMs = 100; // a host's second look at an editor that had no size yet

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

CEditorHost::CEditorHost(std::string pluginPath) : m_pluginPath(std::move(pluginPath)) {}

CEditorHost::~CEditorHost()
{
    Unload();
}

int CEditorHost::XErrorCount()
{
    return g_xErrors.load(std::memory_order_relaxed);
}

bool CEditorHost::Load(std::string& error)
{
    Unload();
    m_hostThread = std::this_thread::get_id();
    // Ours first: a plug-in that traps its own errors chains the others to us.
    XSetErrorHandler(&CountXError);
    m_display = XOpenDisplay(nullptr);
    // The module stays loaded after Unload, as hosts keep it: a plug-in's static state (an
    // error handler it left installed, a font cache) must not point into unmapped code.
    void* library = dlopen(m_pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* symbol = library != nullptr ? dlsym(library, "VSTPluginMain") : nullptr;
    if (m_display == nullptr || symbol == nullptr)
    {
        const char* reason = dlerror();
        error = m_display == nullptr ? "cannot open the X display"
                                     : "cannot load " + m_pluginPath + ": " +
                                           (reason != nullptr ? reason : "no VSTPluginMain");
        return false;
    }
    using EntryProc = AEffect* (*)(audioMasterCallback);
    EntryProc entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "function and object pointers");
    std::memcpy(&entry, &symbol, sizeof(entry));
    AEffect* effect = entry(&CEditorHost::HostCallback); // asks before it knows us: see below
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

    m_blocks.store(0, std::memory_order_relaxed);
    m_audioRunning.store(true);
    m_audioThread = std::thread(
        [this]
        {
            // Real-time pace; a late block is not caught up in a burst.
            const auto blockDuration =
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(static_cast<double>(kBlockSize) / kSampleRate));
            auto next = std::chrono::steady_clock::now();
            while (m_audioRunning.load())
            {
                ProcessBlock();
                next = std::max(next + blockDuration, std::chrono::steady_clock::now());
                std::this_thread::sleep_until(next);
            }
        });
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
        CloseEditor();
        Dispatch(effStopProcess);
        Dispatch(effMainsChanged, 0, 0);
        Dispatch(effClose);
        m_effect = nullptr;
    }
    if (m_display != nullptr)
    {
        DestroyHostWindow();
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

bool CEditorHost::QueryEditorRect(int& width, int& height)
{
    ERect* rect = nullptr;
    Dispatch(effEditGetRect, 0, 0, &rect);
    width = rect != nullptr ? rect->right - rect->left : 0;
    height = rect != nullptr ? rect->bottom - rect->top : 0;
    return width > 0 && height > 0;
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

bool CEditorHost::OpenEditor(std::string& error)
{
    if (m_effect == nullptr || (m_effect->flags & effFlagsHasEditor) == 0)
    {
        error = "the plug-in has no editor";
        return false;
    }
    int width = 0;
    int height = 0;
    QueryEditorRect(width, height);
    if (m_window == 0 || m_windowDestroyed)
    {
        const unsigned long black = BlackPixel(m_display, DefaultScreen(m_display));
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0,
                                       static_cast<unsigned>(std::max(width, 1)),
                                       static_cast<unsigned>(std::max(height, 1)), 0, black, black);
        XStoreName(m_display, m_window, "Editor test host");
        XSelectInput(m_display, m_window, StructureNotifyMask);
        m_windowDestroyed = false;
        XSync(m_display, False);
    }
    ResizeHostWindow(width, height);
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_window));
    Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(m_display), parent);
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
        return;
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
        Dispatch(effEditIdle);
    // Only events of the host's own connection: the plug-in reads its own.
    while (m_display != nullptr && XPending(m_display) > 0)
    {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == m_window)
            m_windowDestroyed = true;
    }
}

void CEditorHost::RunFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (true)
    {
        const auto passStart = std::chrono::steady_clock::now();
        Idle();
        if (passStart >= end)
            break;
        std::this_thread::sleep_until(
            std::min(passStart + std::chrono::milliseconds(kIdleIntervalMs), end));
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
        if (WindowSize(width, height, true))
        {
            // Two more passes: the first paint happens in the idle after the window appears.
            RunFor(2 * kIdleIntervalMs);
            return true;
        }
    }
    return false;
}

bool CEditorHost::WindowSize(int& width, int& height, bool editorWindow)
{
    if (m_window == 0 || m_windowDestroyed)
        return false;
    Window window = m_window;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (editorWindow)
    {
        XQueryTree(m_display, m_window, &root, &parent, &children, &count);
        window = count > 0 ? children[0] : 0;
        XFree(children);
    }
    XWindowAttributes attributes{};
    if (window == 0 || XGetWindowAttributes(m_display, window, &attributes) == 0 ||
        (editorWindow && attributes.map_state != IsViewable))
    {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

int CEditorHost::FindParameter(const std::string& name)
{
    for (int i = 0; m_effect != nullptr && i < m_effect->numParams; ++i)
    {
        char buffer[256] = {};
        Dispatch(effGetParamName, i, 0, buffer);
        if (name == buffer)
            return i;
    }
    return -1;
}

std::string CEditorHost::ProgramName()
{
    char buffer[kVstMaxProgNameLen + 1] = {};
    Dispatch(effGetProgramName, 0, 0, buffer);
    buffer[sizeof(buffer) - 1] = '\0';
    return buffer;
}

int CEditorHost::CountEvents(HOST_EDIT_EVENT::Kind kind, int index)
{
    const std::vector<HOST_EDIT_EVENT> events = Events();
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const HOST_EDIT_EVENT& event) {
                                              return event.kind == kind &&
                                                     (index < 0 || event.index == index);
                                          }));
}

void CEditorHost::ProcessBlock()
{
    const double step = 2.0 * M_PI * kToneHz / kSampleRate;
    const double amplitude = m_toneOn.load(std::memory_order_relaxed) ? kToneAmplitude : 0.0;
    for (int i = 0; i < kBlockSize; ++i)
    {
        const auto sample = static_cast<float>(amplitude * std::sin(m_phase));
        m_input[0][i] = sample;
        m_input[1][i] = sample;
        m_phase += step;
    }
    m_phase = std::fmod(m_phase, 2.0 * M_PI);
    const long block = m_blocks.load(std::memory_order_relaxed);
    FillTimeInfo(m_audioTimeInfo, static_cast<double>(block) * kBlockSize);
    float* inputs[2] = {m_input[0], m_input[1]};
    float* outputs[2] = {m_output[0], m_output[1]};
    m_effect->processReplacing(m_effect, inputs, outputs, kBlockSize);
    m_blocks.store(block + 1, std::memory_order_relaxed);
}

VstIntPtr CEditorHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                    VstIntPtr value, void* ptr, float opt)
{
    // Until VSTPluginMain returns, the plug-in is not ours yet: only the version is answered.
    auto* host = effect != nullptr ? reinterpret_cast<CEditorHost*>(effect->resvd1) : nullptr;
    if (host == nullptr)
        return opcode == audioMasterVersion ? kVstVersion : 0;
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
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        Record({opcode == audioMasterAutomate    ? HOST_EDIT_EVENT::kAutomate
                : opcode == audioMasterBeginEdit ? HOST_EDIT_EVENT::kBeginEdit
                                                 : HOST_EDIT_EVENT::kEndEdit,
                index, opcode == audioMasterAutomate ? opt : 0.0f, 0});
        return 1;
    case audioMasterSizeWindow:
        if (index <= 0 || value <= 0)
            return 0;
        Record(HOST_EDIT_EVENT{HOST_EDIT_EVENT::kSizeWindow, index, 0.0f, static_cast<int>(value)});
        // Our window belongs to the host's thread: asked from any other, the size is refused.
        if (std::this_thread::get_id() != m_hostThread)
            return 0;
        ResizeHostWindow(index, static_cast<int>(value));
        return 1;
    case audioMasterCanDo:
    {
        const std::string feature = ptr != nullptr ? static_cast<const char*>(ptr) : "";
        return feature == "sizeWindow" || feature == "sendVstTimeInfo" || feature == "supplyIdle";
    }
    case audioMasterUpdateDisplay:
    case audioMasterWantMidi:
        return 1;
    default:
        return 0;
    }
}
