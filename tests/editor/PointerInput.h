// User input through XTest on a connection of its own, delivered as a user's (real grabs,
// crossings, timestamps). Positions are screen pixels; each call syncs with the server.
#pragma once

#include <X11/Xlib.h>

#include <string>

class CPointerInput
{
public:
    CPointerInput() = default;
    ~CPointerInput();
    CPointerInput(const CPointerInput&) = delete;
    CPointerInput& operator=(const CPointerInput&) = delete;

    // Opens $DISPLAY and checks for XTest. False with a message otherwise.
    bool Open(std::string& error);

    void MoveTo(int rootX, int rootY);
    // X button numbers: 1 left, 2 middle, 3 right, 4/5 wheel up/down, 6/7 wheel left/right.
    void Press(unsigned int button);
    void Release(unsigned int button);
    void Click(int rootX, int rootY, unsigned int button = 1);
    // Holds or releases a key by its keysym name ("Control_L", "Escape"); Tap does both.
    void Key(const char* keysymName, bool down);
    void Tap(const char* keysymName);

private:
    Display* m_display = nullptr;
};
