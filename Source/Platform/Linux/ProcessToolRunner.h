// Starts helper programs as child processes of the plug-in's host. The host is
// someone else's process with its own threads, signal settings and open files,
// so every start is careful: fork and execve with an argument vector (no shell,
// so quotes, spaces, newlines and leading dashes in a path are just bytes), only
// async-signal-safe calls between the two, every inherited descriptor above
// stderr closed on exec, the signal mask and dispositions reset, standard input
// and error on /dev/null, and every child waited for so that no zombie remains.
// User-interface thread only.
#pragma once

#include "Platform/Linux/ToolRunner.h"

class CProcessToolRunner : public IToolRunner
{
public:
    bool IsAvailable(const std::string& program) override;
    TOOL_RESULT Run(const std::vector<std::string>& arguments) override;
    bool StartDetached(const std::vector<std::vector<std::string>>& commands) override;

    // The full path of the executable `program` in the first folder of $PATH
    // that has one (a default search path when $PATH is unset); empty when none
    // has it. A name with a "/" is taken as a path of its own.
    static std::string FindOnPath(const std::string& program);
};
