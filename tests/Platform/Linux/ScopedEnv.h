// Test support: sets (or, with null, removes) an environment variable for the object's
// lifetime, then puts the previous state back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class CScopedEnv
{
public:
    CScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* previous = std::getenv(name))
            m_previous = previous;
        Set(name, value);
    }
    ~CScopedEnv() { Set(m_name.c_str(), m_previous ? m_previous->c_str() : nullptr); }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    static void Set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    std::string m_name;
    std::optional<std::string> m_previous;
};

// No display of any kind for the object's lifetime: nothing a test calls can open a window.
class CNoDisplay
{
private:
    CScopedEnv m_x11{"DISPLAY", nullptr};
    CScopedEnv m_wayland{"WAYLAND_DISPLAY", nullptr};
};
