#include "Platform/Linux/ProcessToolRunner.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
// Output beyond this is read and dropped: a path or a yes/no never comes near
// it, and the child must not block on a full pipe.
constexpr size_t kMaxOutputBytes = 1 << 20;
// Where descriptors are closed one by one (kernels without close_range), the
// search stops here even when the limit allows more.
constexpr int kMaxDescriptorLoop = 1 << 16;
// How often a child that keeps quiet is checked for having ended, in ms.
constexpr int kExitCheckIntervalMs = 100;
// Exit status of a child whose execve failed.
constexpr int kExecFailedStatus = 127;

#ifndef CLOSE_RANGE_CLOEXEC
constexpr unsigned kCloseRangeCloexec = 1U << 2;
#else
constexpr unsigned kCloseRangeCloexec = CLOSE_RANGE_CLOEXEC;
#endif

bool IsExecutableFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// A command ready for execve, built before the fork: the child may not allocate.
struct PREPARED_COMMAND
{
    std::string path;
    std::vector<std::string> arguments;
    std::vector<char*> argv;
};

bool Prepare(const std::vector<std::string>& arguments, PREPARED_COMMAND& command)
{
    if (arguments.empty())
        return false;
    command.path = CProcessToolRunner::FindOnPath(arguments[0]);
    if (command.path.empty())
        return false;
    command.arguments = arguments;
    command.argv.clear();
    for (std::string& argument : command.arguments)
        command.argv.push_back(&argument[0]);
    command.argv.push_back(nullptr);
    return true;
}

int DescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > static_cast<rlim_t>(kMaxDescriptorLoop))
        return kMaxDescriptorLoop;
    return static_cast<int>(limit.rlim_cur);
}

// In a forked child (async-signal-safe calls only): every descriptor from 3 up,
// the host's included, is closed when the next execve succeeds.
void CloseHostDescriptorsOnExec(int descriptorLimit)
{
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3U, ~0U, kCloseRangeCloexec) == 0)
        return;
#endif
    for (int fd = 3; fd < descriptorLimit; ++fd)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// In a forked child that lives on without exec: every descriptor from 3 up is
// closed now, so that no file or socket of the host stays open in it.
void CloseHostDescriptors(int descriptorLimit)
{
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
#endif
    for (int fd = 3; fd < descriptorLimit; ++fd)
        close(fd);
}

// In a forked child: no blocked signals, and no disposition set to "ignore"
// inherited from the host (handlers fall back to the default on exec anyway).
void ResetSignals()
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard
    {
    };
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
        sigaction(signalNumber, &standard, nullptr); // fails harmlessly for KILL, STOP
}

// In a forked child: stdin and stderr on /dev/null, stdout on `outputFd`.
void SetUpStandardDescriptors(int nullFd, int outputFd)
{
    dup2(nullFd, STDIN_FILENO);
    dup2(outputFd, STDOUT_FILENO);
    dup2(nullFd, STDERR_FILENO);
}

// Waits for `pid`, retrying after signals. The exit status, or -1 after a signal
// or when the host collected the child first (SIGCHLD ignored or a reaping
// handler of its own).
int WaitForExit(pid_t pid)
{
    int status = 0;
    pid_t done;
    do
        done = waitpid(pid, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void CloseIfOpen(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Appends what `fd` has to `text` (up to kMaxOutputBytes; the rest is dropped).
// False at the end of the pipe or on an error.
bool ReadSome(int fd, std::string& text)
{
    char buffer[4096];
    ssize_t got;
    do
        got = read(fd, buffer, sizeof(buffer));
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return false;
    const size_t room = kMaxOutputBytes - std::min(kMaxOutputBytes, text.size());
    text.append(buffer, std::min(room, static_cast<size_t>(got)));
    return true;
}

// Reads the child's output until the pipe ends, or until the child has ended
// while something it started (a daemon it launched) still holds the pipe open:
// the host must not wait for a process that is not its child. Answers the exit
// status as WaitForExit does.
int ReadOutputUntilExit(pid_t pid, int fd, std::string& text)
{
    for (;;)
    {
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, kExitCheckIntervalMs);
        if (ready > 0)
        {
            if (!ReadSome(fd, text))
                break;
            continue;
        }
        if (ready < 0 && errno != EINTR)
            break;
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == 0)
            continue;
        // Ended (or collected by the host): take what is already in the pipe.
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        while (ReadSome(fd, text))
        {
        }
        return done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return WaitForExit(pid);
}
} // namespace

std::string CProcessToolRunner::FindOnPath(const std::string& program)
{
    if (program.empty())
        return std::string();
    if (program.find('/') != std::string::npos)
        return IsExecutableFile(program) ? program : std::string();
    const char* pathVariable = std::getenv("PATH");
    const std::string folders = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;)
    {
        const size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        if (folder.empty())
            folder = "."; // an empty entry means the current folder
        const std::string candidate = folder + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
        if (end == std::string::npos)
            return std::string();
        start = end + 1;
    }
}

bool CProcessToolRunner::IsAvailable(const std::string& program)
{
    return !FindOnPath(program).empty();
}

TOOL_RESULT CProcessToolRunner::Run(const std::vector<std::string>& arguments)
{
    TOOL_RESULT result;
    PREPARED_COMMAND command;
    if (!Prepare(arguments, command))
        return result;
    int nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
    int output[2] = {-1, -1};
    // The child writes its errno here when execve fails; a successful execve
    // closes it (close-on-exec), so the parent reads end-of-file.
    int execError[2] = {-1, -1};
    if (nullFd < 0 || pipe2(output, O_CLOEXEC) != 0 || pipe2(execError, O_CLOEXEC) != 0)
    {
        CloseIfOpen(nullFd);
        for (int* fd : {&output[0], &output[1], &execError[0], &execError[1]})
            CloseIfOpen(*fd);
        return result;
    }
    const int descriptorLimit = DescriptorLimit();
    const pid_t pid = fork();
    if (pid == 0)
    {
        ResetSignals();
        SetUpStandardDescriptors(nullFd, output[1]);
        CloseHostDescriptorsOnExec(descriptorLimit);
        execve(command.path.c_str(), command.argv.data(), environ);
        const int error = errno;
        ssize_t ignored = write(execError[1], &error, sizeof(error));
        (void)ignored;
        _exit(kExecFailedStatus);
    }
    CloseIfOpen(nullFd);
    CloseIfOpen(output[1]);
    CloseIfOpen(execError[1]);
    if (pid < 0)
    {
        CloseIfOpen(output[0]);
        CloseIfOpen(execError[0]);
        return result;
    }
    int error = 0;
    ssize_t got;
    do
        got = read(execError[0], &error, sizeof(error));
    while (got < 0 && errno == EINTR);
    CloseIfOpen(execError[0]);
    const bool started = got == 0;
    result.exitStatus =
        started ? ReadOutputUntilExit(pid, output[0], result.output) : WaitForExit(pid);
    CloseIfOpen(output[0]);
    result.started = started;
    if (!started)
        result.output.clear();
    return result;
}

bool CProcessToolRunner::StartDetached(const std::vector<std::vector<std::string>>& commands)
{
    std::vector<PREPARED_COMMAND> prepared;
    for (const std::vector<std::string>& arguments : commands)
    {
        PREPARED_COMMAND command;
        if (Prepare(arguments, command))
            prepared.push_back(std::move(command));
    }
    if (prepared.empty())
        return false;
    const int nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nullFd < 0)
        return false;
    const int descriptorLimit = DescriptorLimit();
    // Double fork: the middle process ends at once and is collected here, so the
    // host never waits; its child, the runner of the commands, belongs to init
    // from then on and collects the commands it starts itself.
    const pid_t middle = fork();
    if (middle == 0)
    {
        ResetSignals(); // also SIGCHLD: the runner must be able to wait for its children
        SetUpStandardDescriptors(nullFd, nullFd);
        CloseHostDescriptors(descriptorLimit);
        setsid(); // out of the host's process group: its terminal's signals stay there
        const pid_t runner = fork();
        if (runner != 0)
            _exit(runner < 0 ? 1 : 0);
        for (PREPARED_COMMAND& command : prepared)
        {
            const pid_t child = fork();
            if (child == 0)
            {
                execve(command.path.c_str(), command.argv.data(), environ);
                _exit(kExecFailedStatus);
            }
            if (child < 0)
                continue;
            int status = 0;
            pid_t done;
            do
                done = waitpid(child, &status, 0);
            while (done < 0 && errno == EINTR);
            if (done == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
                _exit(0);
        }
        _exit(1);
    }
    close(nullFd);
    if (middle < 0)
        return false;
    // The middle process says 1 only when it could not fork the runner; an
    // unknown status (the host collected it) counts as started.
    return WaitForExit(middle) != 1;
}
