// Test support: a tool runner and a fallback dialog that answer from a script and record what
// they were asked: the desktop dialogs tested without spawning anything or opening a window.
#pragma once

#include "Platform/Linux/FallbackDialog.h"
#include "Platform/Linux/PlatformLinux.h"
#include "Platform/Linux/ScopedEnv.h"
#include "Platform/Linux/ToolRunner.h"

#include <deque>
#include <set>
#include <string>
#include <vector>

using ARGUMENTS = std::vector<std::string>;

class CScriptedToolRunner : public IToolRunner
{
public:
    // The programs "on the PATH".
    std::set<std::string> available;
    // Answers to Run, in order; once used up every run answers "cancelled" (status 1, no
    // output).
    std::deque<TOOL_RESULT> answers;
    // What Run and StartDetached were given.
    std::vector<ARGUMENTS> runs;
    std::vector<ARGUMENTS> detached;

    void Answer(int exitStatus, const std::string& output = std::string())
    {
        answers.push_back(TOOL_RESULT{true, exitStatus, output});
    }
    void AnswerNotStarted() { answers.push_back(TOOL_RESULT()); }

    bool IsAvailable(const std::string& program) override { return available.count(program); }
    TOOL_RESULT Run(const ARGUMENTS& arguments) override
    {
        runs.push_back(arguments);
        const TOOL_RESULT result = answers.empty() ? TOOL_RESULT{true, 1, ""} : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return result;
    }
    bool StartDetached(const std::vector<ARGUMENTS>& commands) override
    {
        detached = commands;
        for (const ARGUMENTS& command : commands)
            if (!command.empty() && IsAvailable(command[0]))
                return true;
        return false;
    }
};

class CScriptedFallback : public IFallbackDialog
{
public:
    // Answers to AskForPath: the text "typed", or cancelled when empty. Once used up, every
    // question is cancelled.
    std::deque<std::string> typed;
    // Answers to ShowMessage; once used up, "OK".
    std::deque<bool> messageAnswers;
    // The initial field texts and the messages shown ("title|message").
    std::vector<std::string> initialTexts;
    std::vector<std::string> messages;

    bool AskForPath(const std::string& /*title*/, const std::string& initialPath,
                    std::string& path) override
    {
        initialTexts.push_back(initialPath);
        path = typed.empty() ? "" : typed.front();
        if (!typed.empty())
            typed.pop_front();
        return !path.empty();
    }
    bool ShowMessage(const std::string& title, const std::string& message,
                     bool /*withCancel*/) override
    {
        messages.push_back(title + "|" + message);
        const bool answer = messageAnswers.empty() || messageAnswers.front();
        if (!messageAnswers.empty())
            messageAnswers.pop_front();
        return answer;
    }
};

// Installs a scripted runner and fallback as the platform layer's, with a display that seems
// present and no desktop preference, for the object's lifetime.
class CScriptedPlatform
{
public:
    CScriptedPlatform()
        : m_previousRunner(Platform::SetToolRunner(&runner)),
          m_previousFallback(Platform::SetFallbackDialog(&fallback))
    {
    }
    ~CScriptedPlatform()
    {
        Platform::SetToolRunner(m_previousRunner);
        Platform::SetFallbackDialog(m_previousFallback);
    }
    CScriptedPlatform(const CScriptedPlatform&) = delete;
    CScriptedPlatform& operator=(const CScriptedPlatform&) = delete;

    CScriptedToolRunner runner;
    CScriptedFallback fallback;

private:
    // Only looked at, never connected to: the runner and fallback are scripted.
    CScopedEnv m_display{"DISPLAY", ":scripted"};
    CScopedEnv m_desktop{"XDG_CURRENT_DESKTOP", nullptr};
    IToolRunner* m_previousRunner = nullptr;
    IFallbackDialog* m_previousFallback = nullptr;
};
