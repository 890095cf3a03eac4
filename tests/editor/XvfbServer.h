// A private virtual X server for the end-to-end editor tests: starts Xvfb on a display number
// it picks itself (-displayfd, so parallel runs never collide), points $DISPLAY of this process
// at it and stops it again. Xvfb is also told to die with this process, so a test that crashes
// leaves no server behind.
#pragma once

#include <string>
#include <sys/types.h>

class CXvfbServer
{
public:
    CXvfbServer() = default;
    ~CXvfbServer();
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;

    // Starts `Xvfb -displayfd FD -screen 0 <screen> -nolisten tcp` and waits (up to 10 s) for
    // its display number. False with a message when Xvfb is not installed or does not start.
    bool Start(std::string& error, const std::string& screen = "1600x1200x24");
    // Stops the server (SIGTERM, then SIGKILL after 2 s) and restores $DISPLAY.
    void Stop();

    // ":N" while running, else empty.
    const std::string& DisplayName() const
    {
        return m_displayName;
    }

private:
    pid_t m_pid = -1;
    std::string m_displayName;
    std::string m_previousDisplay;
    bool m_hadDisplay = false;
};
