// A VST 2.4 host that opens a plug-in's editor as a Linux DAW does: 48000 Hz, blocks of 512; a
// top-level X11 window for effEditOpen (the host's Display* as value, as some hosts pass it);
// effEditIdle every 20 ms; a 440 Hz tone processed on an audio thread. It records what the
// plug-in tells the host and counts X errors. Runs on the thread that loaded it; needs $DISPLAY.
#pragma once

#include "aeffectx.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One call of the plug-in into the host that the tests look at.
struct HOST_EDIT_EVENT
{
    enum Kind { kAutomate, kBeginEdit, kEndEdit, kSizeWindow };
    Kind kind = kAutomate;
    int index = 0;      // parameter, or width for kSizeWindow
    float value = 0.0f; // normalised value of kAutomate
    int height = 0;     // kSizeWindow only
};

class CEditorHost
{
public:
    static constexpr int kSampleRate = 48000; // Hz
    static constexpr int kBlockSize = 512;    // samples
    static constexpr int kIdleIntervalMs = 20;

    explicit CEditorHost(std::string pluginPath);
    ~CEditorHost();
    CEditorHost(const CEditorHost&) = delete;
    CEditorHost& operator=(const CEditorHost&) = delete;

    // Loads, opens and resumes the plug-in and starts the audio. False with a message.
    bool Load(std::string& error);
    // The test tone (on by default) or silence; any thread.
    void SetTone(bool on) { m_toneOn.store(on, std::memory_order_relaxed); }
    // Stops audio, closes the editor, suspends and closes the plug-in, closes the window and
    // the connection. Called by the destructor.
    void Unload();

    // effEditGetRect; false (and 0 x 0) when the plug-in answers no size.
    bool QueryEditorRect(int& width, int& height);
    // Creates and sizes the host window, calls effEditOpen with its id, sizes it again from the
    // rect (asked again after 100 ms if empty) and maps it.
    bool OpenEditor(std::string& error);
    // effEditClose; the host window stays.
    void CloseEditor();
    // Destroys the host window, the editor possibly still open (as some hosts do).
    void DestroyHostWindow();

    // One effEditIdle, then the host's X events; RunFor repeats it every 20 ms for `ms` ms.
    void Idle();
    void RunFor(int ms);
    // Idles until the editor's window exists and has been painted once, or `timeoutMs` passed.
    bool RunUntilDrawn(int timeoutMs);

    Display* HostDisplay() const { return m_display; }
    Window HostWindow() const { return m_window; }
    // Size of the host window, or of its first child (the editor's window) when it is mapped;
    // false when there is no such window.
    bool WindowSize(int& width, int& height, bool editorWindow = false);

    // Parameters through the plug-in's record, as host automation does.
    void SetParameter(int index, float value) { m_effect->setParameter(m_effect, index, value); }
    float GetParameter(int index) { return m_effect->getParameter(m_effect, index); }
    int FindParameter(const std::string& name);
    // The current program's name as a host's preset field shows it (effGetProgramName).
    std::string ProgramName();

    // What the plug-in told the host since the last ClearEvents.
    std::vector<HOST_EDIT_EVENT> Events()
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        return m_events;
    }
    void ClearEvents()
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.clear();
    }
    int CountEvents(HOST_EDIT_EVENT::Kind kind, int index = -1);

    // X errors of any connection of this process (our handler sees those that a plug-in does
    // not trap itself).
    static int XErrorCount();
    long ProcessedBlocks() const { return m_blocks.load(std::memory_order_relaxed); }

private:
    static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr value, void* ptr, float opt);
    VstIntPtr HandleCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt);
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void Record(const HOST_EDIT_EVENT& event)
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.push_back(event);
    }
    void ResizeHostWindow(int width, int height);
    void ProcessBlock();

    std::string m_pluginPath;
    AEffect* m_effect = nullptr;
    Display* m_display = nullptr;
    Window m_window = 0;
    bool m_editorOpen = false;
    bool m_windowDestroyed = false;

    std::mutex m_eventMutex;
    std::vector<HOST_EDIT_EVENT> m_events;

    // Audio: a stereo 440 Hz tone at -12 dBFS.
    float m_input[2][kBlockSize] = {};
    float m_output[2][kBlockSize] = {};
    double m_phase = 0.0;
    std::atomic<bool> m_toneOn{true};
    std::atomic<long> m_blocks{0};
    std::thread m_audioThread;
    std::atomic<bool> m_audioRunning{false};
    // Transport answered to audioMasterGetTime: one record per thread that asks, so the audio
    // thread's position updates never race with an editor reading it on the host thread.
    VstTimeInfo m_audioTimeInfo{};
    VstTimeInfo m_hostTimeInfo{};
    std::thread::id m_hostThread;
};
