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

CXvfbServer::~CXvfbServer()
{
    Stop();
}

bool CXvfbServer::Start(std::string& error, const std::string& screen)
{
    Stop();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
    {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0)
    {
        // Child: the server dies with the test process, whatever ends it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int writeFd = fcntl(pipeFds[1], F_DUPFD, 3); // a descriptor without CLOEXEC
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        const std::string fdText = std::to_string(writeFd);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);

    // Xvfb writes the display number and a newline once it accepts connections; the pipe ends
    // early when it exits first (or was never found).
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool complete = false;
    while (m_pid > 0 && !complete && std::chrono::steady_clock::now() < deadline)
    {
        pollfd reader{pipeFds[0], POLLIN, 0};
        char c = 0;
        if (poll(&reader, 1, 100) <= 0)
            continue;
        if (read(pipeFds[0], &c, 1) != 1)
            break;
        complete = c == '\n';
        if (!complete)
            number.push_back(c);
    }
    close(pipeFds[0]);
    if (!complete || number.empty())
    {
        error = "Xvfb did not start within 10 s (Debian package xvfb, installed by "
                "scripts/install-deps.sh): the end-to-end tests need a virtual X server";
        Stop();
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

void CXvfbServer::Stop()
{
    if (m_pid > 0)
    {
        kill(m_pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
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
    }
    m_pid = -1;
}
