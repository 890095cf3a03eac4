#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

CTempDataFolder::CTempDataFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "morvex-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (!mkdtemp(name.data()))
        ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
    else
        m_path = name.data();
    if (const char* previous = std::getenv("XDG_DATA_HOME"))
    {
        m_hadPrevious = true;
        m_previous = previous;
    }
    setenv("XDG_DATA_HOME", m_path.c_str(), 1);
}

CTempDataFolder::~CTempDataFolder()
{
    if (m_hadPrevious)
        setenv("XDG_DATA_HOME", m_previous.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    if (!m_path.empty())
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
}

namespace
{
// Every test of the suite, also those that build an effect without a fixture of
// their own, runs with a data folder of its own: effects read their preferences
// and default preset from it when they are created.
class CTestDataEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { m_folder = std::make_unique<CTempDataFolder>(); }
    void TearDown() override { m_folder.reset(); }

private:
    std::unique_ptr<CTempDataFolder> m_folder;
};

::testing::Environment* const g_testDataEnvironment =
    ::testing::AddGlobalTestEnvironment(new CTestDataEnvironment);
} // namespace
