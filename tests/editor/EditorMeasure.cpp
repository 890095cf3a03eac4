// editor_measure: the cost of a plug-in's editor as a DAW sees it, measured through the test
// host (not a test; run it by hand). Starts its own Xvfb unless $DISPLAY is set and
// --own-display is not given.
//
//   editor_measure [--seconds N] [--own-display] [PLUGIN.so]   (default: the Morvex build)
//
// Prints: effEditOpen time and time to the first complete paint (the editor's window covered
// with drawn pixels), RSS before loading / after loading / with the editor open, CPU of the
// whole process over N seconds with audio on its own thread: a 440 Hz tone without the editor
// (the base), the tone with the editor open (meters moving), silence with the editor open
// (nothing moves); for each of these, the CPU of the host thread alone (the thread that calls
// effEditIdle: the editor's own share, read apart from the audio thread and whatever else the
// machine runs) with the time of one idle pass, and the CPU of our own Xvfb (the cost of what
// the editor copies to the window); then 20 close/open cycles (time, RSS after, X errors).
#include "EditorHost.h"
#include "Screenshot.h"
#include "XvfbServer.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace
{

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// User + system CPU time of this process in seconds.
double CpuSeconds()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name (which may hold spaces) start after the last ')'.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int index = 3; fields >> field; ++index)
    {
        if (index == 14)
        {
            utime = std::stoull(field);
        }
        else if (index == 15)
        {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// User + system CPU time of the calling thread in seconds.
double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User + system CPU time in seconds of the first child process of ours named Xvfb, or -1.
double XvfbCpuSeconds()
{
    DIR* proc = opendir("/proc");
    if (!proc)
        return -1.0;
    double seconds = -1.0;
    const std::string parent = std::to_string(getpid());
    while (dirent* entry = readdir(proc))
    {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)),
                         std::istreambuf_iterator<char>());
        const size_t open = text.find('(');
        const size_t close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos ||
            text.substr(open + 1, close - open - 1) != "Xvfb")
            continue;
        // Fields after the name: state (3), ppid (4), ... utime (14), stime (15).
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        unsigned long long utime = 0;
        unsigned long long stime = 0;
        bool ours = false;
        for (int index = 3; fields >> field; ++index)
        {
            if (index == 4)
                ours = field == parent;
            else if (index == 14)
                utime = std::stoull(field);
            else if (index == 15)
            {
                stime = std::stoull(field);
                break;
            }
        }
        if (ours)
        {
            seconds = static_cast<double>(utime + stime) /
                      static_cast<double>(sysconf(_SC_CLK_TCK));
            break;
        }
    }
    closedir(proc);
    return seconds;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Idles until the host window is covered by the editor's drawing; the time it took in ms.
double WaitForCompletePaint(CEditorHost& host, int timeoutMs)
{
    const auto start = std::chrono::steady_clock::now();
    while (MillisecondsSince(start) < timeoutMs)
    {
        host.Idle();
        CScreenshot shot;
        if (shot.Capture(host.HostDisplay(), host.HostWindow()) && shot.NonBlackShare() > 0.95)
        {
            return MillisecondsSince(start);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1.0;
}

// Runs the host for the given time and prints the CPU it took: the whole process, the host
// thread alone (the editor's idle and the host's own event handling) with the mean time of an
// idle pass, and our Xvfb when it runs.
void MeasureCpu(CEditorHost& host, int seconds, const char* what)
{
    const double cpuStart = CpuSeconds();
    const double threadStart = ThreadCpuSeconds();
    const double xvfbStart = XvfbCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    long passes = 0;
    // RunFor's loop, counted: one idle every kIdleIntervalMs.
    while (std::chrono::steady_clock::now() < end)
    {
        const auto passStart = std::chrono::steady_clock::now();
        host.Idle();
        ++passes;
        std::this_thread::sleep_until(passStart +
                                      std::chrono::milliseconds(CEditorHost::kIdleIntervalMs));
    }
    const double wall = MillisecondsSince(start) / 1000.0;
    const double thread = ThreadCpuSeconds() - threadStart;
    std::printf("CPU, %s: %.1f %% of one core over %d s (process)\n", what,
                100.0 * (CpuSeconds() - cpuStart) / wall, seconds);
    std::printf("    host thread alone: %.2f %% of one core, %.0f us per idle pass (%ld passes)\n",
                100.0 * thread / wall, 1e6 * thread / static_cast<double>(passes), passes);
    const double xvfbEnd = XvfbCpuSeconds();
    if (xvfbStart >= 0.0 && xvfbEnd >= 0.0)
        std::printf("    Xvfb: %.2f %% of one core\n", 100.0 * (xvfbEnd - xvfbStart) / wall);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 30;
    bool ownDisplay = std::getenv("DISPLAY") == nullptr;
    std::string plugin = MORVEX_PLUGIN_PATH;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
        {
            seconds = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--own-display") == 0)
        {
            ownDisplay = true;
        }
        else
        {
            plugin = argv[i];
        }
    }
    CXvfbServer server;
    if (ownDisplay)
    {
        std::string error;
        if (!server.Start(error, "2400x1800x24")) // room for the editor at scale 2
        {
            std::fprintf(stderr, "editor_measure: %s\n", error.c_str());
            return 2;
        }
    }

    std::printf("plug-in: %s\n", plugin.c_str());
    const long rssStart = ResidentKiB();
    std::string error;
    {
        // Audio on its own thread, as a DAW runs it.
        CEditorHost host(plugin);
        if (!host.Load(error, true))
        {
            std::fprintf(stderr, "editor_measure: %s\n", error.c_str());
            return 2;
        }
        const long rssLoaded = ResidentKiB();
        // The same audio without an editor: the base the editor's share is read against.
        MeasureCpu(host, seconds, "no editor, audio thread playing a tone");
        double openMs = 0.0;
        const auto openStart = std::chrono::steady_clock::now();
        if (!host.OpenEditor(error, &openMs))
        {
            std::fprintf(stderr, "editor_measure: %s\n", error.c_str());
            return 2;
        }
        const double paintMs = WaitForCompletePaint(host, 10000);
        const double totalMs = paintMs >= 0.0 ? MillisecondsSince(openStart) : -1.0;
        host.RunFor(500);
        const long rssOpen = ResidentKiB();
        int width = 0;
        int height = 0;
        host.QueryEditorRect(width, height);
        std::printf("editor: %d x %d\n", width, height);
        std::printf("effEditOpen: %.1f ms; first complete paint %.1f ms after effEditOpen began\n",
                    openMs, totalMs);
        std::printf("RSS: %ld KiB before loading, %ld KiB loaded, %ld KiB editor open (+%ld)\n",
                    rssStart, rssLoaded, rssOpen, rssOpen - rssLoaded);
        MeasureCpu(host, seconds, "editor open, audio thread playing a tone (meters moving)");
        host.SetTone(false);
        host.RunFor(3000); // meters fall back to rest
        MeasureCpu(host, seconds, "editor open, audio thread playing silence (nothing moves)");

        const auto cyclesStart = std::chrono::steady_clock::now();
        constexpr int kCycles = 20;
        for (int cycle = 0; cycle < kCycles; ++cycle)
        {
            host.CloseEditor();
            if (!host.OpenEditor(error))
            {
                std::fprintf(stderr, "editor_measure: reopen %d: %s\n", cycle, error.c_str());
                return 1;
            }
            host.RunFor(40);
        }
        std::printf("%d close/open cycles: %.0f ms each (40 ms of idling included), RSS after "
                    "%ld KiB, X errors %d\n",
                    kCycles, MillisecondsSince(cyclesStart) / kCycles, ResidentKiB(),
                    CEditorHost::XErrorCount());
    }
    return 0;
}
