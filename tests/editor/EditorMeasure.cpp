// editor_measure [--seconds N] [--own-display] [PLUGIN.so]: the cost of a plug-in's editor as
// a DAW sees it (run by hand; its own Xvfb unless $DISPLAY is set). Prints the effEditOpen and
// first complete paint times; RSS loaded and with the editor open; the CPU of the process, the
// host thread alone (the editor's share, with the time of one idle pass) and our Xvfb over N s:
// without the editor, with it and a tone, with it and silence; 20 close/open cycles.
#include "EditorHost.h"
#include "Screenshot.h"
#include "XvfbServer.h"

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
    long pages = 0;
    long resident = -1;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE) / 1024;
}

// User + system CPU time in seconds of process `pid` ("self" for this one); -1 without it.
double CpuSeconds(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = text.rfind(')'); // the name may hold spaces and parentheses
    if (nameEnd == std::string::npos)
        return -1.0;
    // Fields after the name: state (3), ppid (4), ... utime (14), stime (15).
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    unsigned long long ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index)
        ticks += index >= 14 ? std::stoull(field) : 0;
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// User + system CPU time of the calling thread in seconds.
double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
            return MillisecondsSince(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1.0;
}

// Runs the host for the given time and prints the CPU it took: the whole process, the host
// thread alone (the editor's idle and the host's own event handling) with the mean time of an
// idle pass, and our Xvfb when it runs (`xvfbPid` not empty).
void MeasureCpu(CEditorHost& host, int seconds, const char* what, const std::string& xvfbPid)
{
    const double cpuStart = CpuSeconds("self");
    const double threadStart = ThreadCpuSeconds();
    const double xvfbStart = xvfbPid.empty() ? -1.0 : CpuSeconds(xvfbPid);
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
                100.0 * (CpuSeconds("self") - cpuStart) / wall, seconds);
    std::printf("    host thread alone: %.2f %% of one core, %.0f us per idle pass (%ld passes)\n",
                100.0 * thread / wall, 1e6 * thread / static_cast<double>(passes), passes);
    const double xvfbEnd = xvfbPid.empty() ? -1.0 : CpuSeconds(xvfbPid);
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
            seconds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--own-display") == 0)
            ownDisplay = true;
        else
            plugin = argv[i];
    }
    std::string error;
    const auto fail = [&error]()
    {
        std::fprintf(stderr, "editor_measure: %s\n", error.c_str());
        return 2;
    };
    CXvfbServer server; // outlives the host
    if (ownDisplay && !server.Start(error, "2400x1800x24")) // room for the editor at scale 2
        return fail();
    const std::string xvfbPid = ownDisplay ? std::to_string(server.Pid()) : "";

    std::printf("plug-in: %s\n", plugin.c_str());
    const long rssStart = ResidentKiB();
    CEditorHost host(plugin); // audio on its own thread, as a DAW runs it
    if (!host.Load(error))
        return fail();
    const long rssLoaded = ResidentKiB();
    // The same audio without an editor: the base the editor's share is read against.
    MeasureCpu(host, seconds, "no editor, audio thread playing a tone", xvfbPid);
    double openMs = 0.0;
    const auto openStart = std::chrono::steady_clock::now();
    if (!host.OpenEditor(error, &openMs))
        return fail();
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
    MeasureCpu(host, seconds, "editor open, audio thread playing a tone (meters moving)",
               xvfbPid);
    host.SetTone(false);
    host.RunFor(3000); // meters fall back to rest
    MeasureCpu(host, seconds, "editor open, audio thread playing silence (nothing moves)",
               xvfbPid);

    const auto cyclesStart = std::chrono::steady_clock::now();
    constexpr int kCycles = 20;
    for (int cycle = 0; cycle < kCycles; ++cycle)
    {
        host.CloseEditor();
        if (!host.OpenEditor(error))
            return fail();
        host.RunFor(40);
    }
    std::printf("%d close/open cycles: %.0f ms each (40 ms of idling included), RSS after "
                "%ld KiB, X errors %d\n",
                kCycles, MillisecondsSince(cyclesStart) / kCycles, ResidentKiB(),
                CEditorHost::XErrorCount());
    return 0;
}
