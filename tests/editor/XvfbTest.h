// Base of every end-to-end test: one private Xvfb per test suite, started before its first
// test and stopped after its last. A missing Xvfb fails the tests with the reason.
#pragma once

#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

class CXvfbTest : public ::testing::Test
{
public:
    static void SetUpTestSuite()
    {
        StartServer("2400x1800x24"); // room for an editor at scale 2
    }
    static void TearDownTestSuite()
    {
        s_server.reset();
    }

    // Descriptors open in this process: a leaked X connection or file shows here.
    static int CountOpenFileDescriptors()
    {
        const std::filesystem::directory_iterator descriptors("/proc/self/fd");
        return static_cast<int>(std::distance(begin(descriptors), end(descriptors)));
    }

protected:
    // A suite that needs another screen (width x height x depth) hides SetUpTestSuite and
    // calls this instead.
    static void StartServer(const char* screen)
    {
        s_server = std::make_unique<CXvfbServer>();
        if (!s_server->Start(s_startError, screen))
            s_server.reset();
    }

    void SetUp() override
    {
        ASSERT_NE(s_server, nullptr) << s_startError;
    }

private:
    static inline std::unique_ptr<CXvfbServer> s_server;
    static inline std::string s_startError;
};
