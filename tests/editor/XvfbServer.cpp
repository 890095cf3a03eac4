#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopGraceMs = 2000;

// True when an executable named `name` is on $PATH.
bool OnPath(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size())
    {
        const std::size_t end = folders.find(':', start);
        const std::string folder =
            folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
        {
            return true;
        }
        if (end == std::string::npos)
        {
            break;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

CXvfbServer::~CXvfbServer()
{
    Stop();
}

bool CXvfbServer::Start(std::string& error, const std::string& screen)
{
    Stop();
    if (!OnPath("Xvfb"))
    {
        error = "Xvfb is not installed (Debian package xvfb; scripts/install-deps.sh installs it): "
                "the editor end-to-end tests need a virtual X server";
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
    {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
    {
        error = std::string("fork: ") + std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (pid == 0)
    {
        // Child: the server dies with the test process, whatever ends it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
        {
            _exit(127);
        }
        const int writeFd = fcntl(pipeFds[1], F_DUPFD, 3); // a descriptor without CLOEXEC
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0)
        {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        const std::string fdText = std::to_string(writeFd);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    m_pid = pid;

    // Xvfb writes the display number followed by a newline once it accepts connections.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    bool complete = false;
    while (!complete && std::chrono::steady_clock::now() < deadline)
    {
        pollfd reader{pipeFds[0], POLLIN, 0};
        if (poll(&reader, 1, 100) <= 0)
        {
            continue;
        }
        char buffer[32];
        const ssize_t count = read(pipeFds[0], buffer, sizeof(buffer));
        if (count <= 0)
        {
            break; // the server exited before telling its number
        }
        for (ssize_t i = 0; i < count; ++i)
        {
            if (buffer[i] == '\n')
            {
                complete = true;
                break;
            }
            number.push_back(buffer[i]);
        }
    }
    close(pipeFds[0]);
    if (!complete || number.empty())
    {
        error = "Xvfb did not report a display number within 10 s";
        Stop();
        return false;
    }
    m_displayName = ":" + number;
    const char* previous = std::getenv("DISPLAY");
    m_hadDisplay = previous != nullptr;
    m_previousDisplay = previous != nullptr ? previous : "";
    setenv("DISPLAY", m_displayName.c_str(), 1);
    return true;
}

void CXvfbServer::Stop()
{
    if (m_pid > 0)
    {
        kill(m_pid, SIGTERM);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopGraceMs);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0)
        {
            if (std::chrono::steady_clock::now() >= deadline)
            {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
    }
    if (!m_displayName.empty())
    {
        if (m_hadDisplay)
        {
            setenv("DISPLAY", m_previousDisplay.c_str(), 1);
        }
        else
        {
            unsetenv("DISPLAY");
        }
        m_displayName.clear();
    }
}
