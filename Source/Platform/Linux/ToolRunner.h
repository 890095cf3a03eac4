// The seam between the desktop dialogs and the programs they start (zenity,
// kdialog, gdbus, xdg-open): the dialogs build argument vectors and read back
// what came out; an IToolRunner starts the programs. The process-based runner
// does the real work, tests put a scripted one in its place. User-interface
// thread only.
#pragma once

#include <string>
#include <vector>

// What one run of a helper program gave back.
struct TOOL_RESULT
{
    // False when the program was not found or could not be executed; the other
    // fields mean nothing then.
    bool started = false;
    // The exit status 0..255; -1 when the program died of a signal or its status
    // could not be collected (the host reaped it first).
    int exitStatus = -1;
    // Everything the program wrote to its standard output, unchanged.
    std::string output;
};

class IToolRunner
{
public:
    virtual ~IToolRunner() = default;

    // Whether `program` (a bare name) is an executable file in a folder of $PATH.
    virtual bool IsAvailable(const std::string& program) = 0;

    // Runs `arguments` (arguments[0] is looked up on $PATH; no shell is involved)
    // with standard input and error on /dev/null, and waits for it to end. Blocks
    // for as long as the program runs: a dialog waits for the user.
    virtual TOOL_RESULT Run(const std::vector<std::string>& arguments) = 0;

    // Starts the commands one after the other in a process of their own and
    // returns at once: each command runs only when the one before could not be
    // started or ended with a non-zero status. False when none of the programs
    // is available.
    virtual bool StartDetached(const std::vector<std::vector<std::string>>& commands) = 0;
};
