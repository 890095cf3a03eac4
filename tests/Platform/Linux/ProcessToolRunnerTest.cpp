#include "Platform/Linux/ProcessToolRunner.h"

#include "Platform/Linux/ScopedEnv.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
// True when this process has no child left, running or unreaped.
bool NoChildLeft()
{
    int status = 0;
    return waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

class ProcessToolRunnerTest : public ::testing::Test
{
protected:
    // An executable /bin/sh script in the test's folder; its path.
    std::string MakeScript(const std::string& name, const std::string& body)
    {
        const std::string path = m_folder.GetPath() + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }

    CTempDataFolder m_folder;
    CProcessToolRunner m_runner;
};
} // namespace

TEST_F(ProcessToolRunnerTest, ArgumentsArriveUntouchedAndOutputAndStatusComeBack)
{
    // Each argument on its own, NUL-terminated: what the program really got.
    const std::string script = MakeScript("echo-args", "printf '%s\\0' \"$@\"\nexit 3");
    const std::vector<std::string> arguments = {
        script, "two words", "quote\"'`", "new\nline", "-leading-dash", "", "$HOME;ls *"};
    const TOOL_RESULT result = m_runner.Run(arguments);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, 3);
    std::string expected;
    for (size_t i = 1; i < arguments.size(); ++i)
        expected += arguments[i] + '\0';
    EXPECT_EQ(result.output, expected);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessToolRunnerTest, TheChildGetsNoHostDescriptorsNoInputAndNoBlockedSignals)
{
    // What the host might have: a descriptor without close-on-exec, a blocked and an ignored one.
    const int hostFd = open("/dev/null", O_RDONLY);
    ASSERT_GE(hostFd, 3);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigset_t previousMask;
    sigprocmask(SIG_BLOCK, &blocked, &previousMask);
    void (*previousHandler)(int) = std::signal(SIGUSR2, SIG_IGN);

    const std::string script = MakeScript("inspect", "[ -e /proc/$$/fd/" + std::to_string(hostFd) +
                                                         " ] && echo host-fd-open\n"
                                                         "cat\n" // standard input: must end at once
                                                         "exec grep -E 'SigBlk|SigIgn' /proc/self/status");
    const TOOL_RESULT result = m_runner.Run({script});

    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    std::signal(SIGUSR2, previousHandler);
    close(hostFd);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output.find("host-fd-open"), std::string::npos) << result.output;
    // grep runs in the shell's place: a shell blocks signals while it forks. Signals 1..31 are
    // unblocked and at their defaults (32 and 33 are the C library's own).
    unsigned long long blockedMask = ~0ull, ignoredMask = ~0ull;
    const size_t masks = result.output.find("SigBlk:");
    ASSERT_NE(masks, std::string::npos) << result.output;
    ASSERT_EQ(std::sscanf(result.output.c_str() + masks, "SigBlk:\t%llx\nSigIgn:\t%llx",
                          &blockedMask, &ignoredMask),
              2)
        << result.output;
    constexpr unsigned long long kStandardSignals = 0x7FFFFFFFull;
    EXPECT_EQ(blockedMask & kStandardSignals, 0u) << result.output;
    EXPECT_EQ(ignoredMask & kStandardSignals, 0u) << result.output;
}

TEST_F(ProcessToolRunnerTest, ProgramsThatCannotRunAreNotStarted)
{
    EXPECT_FALSE(m_runner.Run({"morvex-no-such-program"}).started);
    EXPECT_FALSE(m_runner.IsAvailable("morvex-no-such-program"));
    // Found and executable, but execve fails (its interpreter is missing).
    const std::string broken = m_folder.GetPath() + "/broken";
    std::ofstream(broken) << "#!/morvex/no/interpreter\n";
    chmod(broken.c_str(), 0755);
    const TOOL_RESULT result = m_runner.Run({broken});
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.output.empty());
    EXPECT_FALSE(m_runner.Run({}).started);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessToolRunnerTest, ProgramsAreFoundOnThePath)
{
    const std::string tool = MakeScript("morvex-tool", "exit 0");
    const std::string plainFile = m_folder.GetPath() + "/morvex-plain";
    std::ofstream(plainFile) << "not executable";
    const char* path = std::getenv("PATH");
    CScopedEnv pathEnv("PATH", ("/morvex/missing::" + m_folder.GetPath() + ":" +
                                (path ? path : "")).c_str());
    EXPECT_EQ(CProcessToolRunner::FindOnPath("morvex-tool"), tool);
    EXPECT_EQ(CProcessToolRunner::FindOnPath("morvex-plain"), "");
    EXPECT_EQ(CProcessToolRunner::FindOnPath(plainFile), "");
    EXPECT_EQ(CProcessToolRunner::FindOnPath(tool), tool);
}

TEST_F(ProcessToolRunnerTest, DetachedCommandsRunInTurnUntilOneSucceedsWithoutKeepingTheHost)
{
    const std::string marks = m_folder.GetPath() + "/marks";
    std::filesystem::create_directories(marks);
    const std::string failing = MakeScript("first", "touch '" + marks + "/first'\nexit 1");
    // The second command waits (at most 10 s) until the test lets it go, so the call
    // cannot have waited for it however slow the machine is.
    const std::string slow =
        MakeScript("second", "i=0\nwhile [ ! -e '" + marks + "/go' ] && [ $i -lt 200 ]; do\n"
                             "  sleep 0.05; i=$((i+1))\ndone\ntouch '" + marks + "/second'\nexit 0");
    const std::string never = MakeScript("third", "touch '" + marks + "/third'");
    EXPECT_TRUE(m_runner.StartDetached({{"morvex-no-such-program"}, {failing}, {slow}, {never}}));
    EXPECT_FALSE(std::filesystem::exists(marks + "/second"));
    EXPECT_TRUE(NoChildLeft());
    std::ofstream(marks + "/go") << "";
    for (int i = 0; i < 1000 && !std::filesystem::exists(marks + "/second"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(marks + "/second"));
    EXPECT_TRUE(std::filesystem::exists(marks + "/first"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(std::filesystem::exists(marks + "/third"));
    EXPECT_FALSE(m_runner.StartDetached({{"morvex-no-such-program"}}));
}

TEST_F(ProcessToolRunnerTest, OutputComesBackThoughAGrandchildHoldsThePipeOrChildrenAreIgnored)
{
    // The tool answers and ends, leaving behind a process that inherited its output (as a
    // daemon started on demand would).
    const auto start = std::chrono::steady_clock::now();
    TOOL_RESULT result = m_runner.Run({MakeScript("daemon", "sleep 3 &\necho /chosen")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "/chosen\n");
    // With SIGCHLD ignored the kernel reaps the child itself: the output counts, the status is
    // unknown, and nothing hangs.
    void (*previous)(int) = std::signal(SIGCHLD, SIG_IGN);
    result = m_runner.Run({MakeScript("answer", "echo /chosen/path")});
    std::signal(SIGCHLD, previous);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.output, "/chosen/path\n");
    EXPECT_EQ(result.exitStatus, -1);
}
