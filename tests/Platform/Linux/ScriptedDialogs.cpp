#include "ScriptedDialogs.h"

#include "Platform/Linux/PlatformLinux.h"

void CScriptedToolRunner::Answer(int exitStatus, const std::string& output)
{
    TOOL_RESULT result;
    result.started = true;
    result.exitStatus = exitStatus;
    result.output = output;
    answers.push_back(result);
}

void CScriptedToolRunner::AnswerNotStarted()
{
    answers.push_back(TOOL_RESULT());
}

bool CScriptedToolRunner::IsAvailable(const std::string& program)
{
    return available.count(program) != 0;
}

TOOL_RESULT CScriptedToolRunner::Run(const ARGUMENTS& arguments)
{
    runs.push_back(arguments);
    if (answers.empty())
    {
        TOOL_RESULT cancelled;
        cancelled.started = true;
        cancelled.exitStatus = 1;
        return cancelled;
    }
    const TOOL_RESULT result = answers.front();
    answers.pop_front();
    return result;
}

bool CScriptedToolRunner::StartDetached(const std::vector<ARGUMENTS>& commands)
{
    detached = commands;
    for (const ARGUMENTS& command : commands)
        if (!command.empty() && IsAvailable(command[0]))
            return true;
    return false;
}

bool CScriptedFallback::AskForPath(const std::string& /*title*/, const std::string& initialPath,
                                   std::string& path)
{
    initialTexts.push_back(initialPath);
    if (typed.empty())
        return false;
    path = typed.front();
    typed.pop_front();
    return !path.empty();
}

bool CScriptedFallback::ShowMessage(const std::string& title, const std::string& message,
                                    bool /*withCancel*/)
{
    messages.push_back(title + "|" + message);
    if (messageAnswers.empty())
        return true;
    const bool answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

CScriptedPlatform::CScriptedPlatform()
{
    m_previousRunner = Platform::SetToolRunner(&runner);
    m_previousFallback = Platform::SetFallbackDialog(&fallback);
}

CScriptedPlatform::~CScriptedPlatform()
{
    Platform::SetToolRunner(m_previousRunner);
    Platform::SetFallbackDialog(m_previousFallback);
}
