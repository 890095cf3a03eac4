// A private Xvfb for the end-to-end tests on a display number it picks itself (-displayfd: no
// collisions), made this process's $DISPLAY (left so after Stop; the next Start replaces it).
// Xvfb dies with this process, so a crashed test leaves no server behind.
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

    // Starts `Xvfb -displayfd FD -screen 0 <screen>` and waits (up to 10 s) for its display
    // number. False with a message when Xvfb is missing or does not start.
    bool Start(std::string& error, const std::string& screen);
    // Stops the server (SIGTERM, then SIGKILL after 2 s).
    void Stop();

private:
    pid_t m_pid = -1;
};
