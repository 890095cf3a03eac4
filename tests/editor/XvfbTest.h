// Base of every end-to-end editor test: one private Xvfb per test program, started before
// its first test and stopped after its last (also when tests fail; a crash takes it along, see
// CXvfbServer). A missing Xvfb fails the tests with the reason instead of skipping them.
#pragma once

#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>
#include <string>

class CXvfbTest : public ::testing::Test
{
public:
    static constexpr const char* kDefaultScreen = "1600x1200x24";

    static void SetUpTestSuite()
    {
        StartServer(kDefaultScreen);
    }
    static void TearDownTestSuite()
    {
        Server().reset();
    }

    // Descriptors open in this process: a leaked X connection or file shows here.
    static int CountOpenFileDescriptors()
    {
        int count = 0;
        if (DIR* folder = opendir("/proc/self/fd"))
        {
            while (readdir(folder) != nullptr)
            {
                ++count;
            }
            closedir(folder);
        }
        return count;
    }

protected:
    // A suite that needs another screen (width x height x depth) hides SetUpTestSuite and
    // calls this instead.
    static void StartServer(const char* screen)
    {
        if (Server() == nullptr)
        {
            Server() = std::make_unique<CXvfbServer>();
            if (!Server()->Start(StartError(), screen))
            {
                Server().reset();
            }
        }
    }

    void SetUp() override
    {
        ASSERT_NE(Server(), nullptr) << StartError();
    }

private:
    static std::unique_ptr<CXvfbServer>& Server()
    {
        static std::unique_ptr<CXvfbServer> server;
        return server;
    }
    static std::string& StartError()
    {
        static std::string error;
        return error;
    }
};
