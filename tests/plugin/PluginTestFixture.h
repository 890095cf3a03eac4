// Shared fixture of the plug-in module tests: every test loads the built module,
// creates one instance through VSTPluginMain as a host does, and closes and
// unloads it at the end.
#pragma once

#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#ifndef MORVEX_PLUGIN_PATH
#error "MORVEX_PLUGIN_PATH must name the built plug-in module"
#endif

class CPluginInterfaceTest : public ::testing::Test
{
protected:
    CPluginInterfaceTest() : m_host(MORVEX_PLUGIN_PATH) {}

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_host.LoadModule(&error)) << error;
        m_effect = m_host.Instantiate();
        ASSERT_NE(nullptr, m_effect);
    }

    void TearDown() override { m_host.Close(); }

    CTestHost m_host;
    AEffect* m_effect = nullptr;
};

// Normalised (host) values of the parameter curves, computed in double from the
// curve definitions: the host side of the conversion the plug-in inverts.
namespace HostValue
{
// Linear: x = (v - min) / (max - min).
inline float Linear(double v, double min, double max)
{
    return static_cast<float>((v - min) / (max - min));
}

// Octave: x = log2(v / min) / log2(max / min).
inline float Octave(double v, double min, double max)
{
    return static_cast<float>(std::log2(v / min) / std::log2(max / min));
}

// Power: x = ((v - min) / (max - min))^(1 / power).
inline float Power(double v, double min, double max, double power)
{
    return static_cast<float>(std::pow((v - min) / (max - min), 1.0 / power));
}

// Stepped: the index's own position (i - min) / (max - min); the plug-in maps it
// back with trunc(min + trunc((range + 0.99) x)), which gives i again.
inline float Stepped(int index, int min, int max)
{
    return static_cast<float>(index - min) / static_cast<float>(max - min);
}
} // namespace HostValue
