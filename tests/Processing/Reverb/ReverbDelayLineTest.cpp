// CReverbDelayLine::ReadFour against the four-point cubic Hermite (Catmull-Rom) formula,
// evaluated here in double on a plain record of everything written, through many wraps of
// the circular line and its guard samples.
#include "Processing/Reverb/ReverbDelayLine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
// Catmull-Rom between y0 (delay i) and y1 (delay i + 1), with neighbours y-1 (i - 1) and
// y2 (i + 2): out = y0 + t c1 + t^2 c2 + t^3 c3.
double CatmullRom(double yNewer, double y0, double y1, double y2, double t)
{
    const double c1 = 0.5 * (y1 - yNewer);
    const double c2 = yNewer - 2.5 * y0 + 2.0 * y1 - 0.5 * y2;
    const double c3 = 0.5 * (y2 - yNewer) + 1.5 * (y0 - y1);
    return ((c3 * t + c2) * t + c1) * t + y0;
}

TEST(CReverbDelayLineTest, ReadFourFollowsTheHermiteFormulaAcrossWraps)
{
    constexpr int kSize = 37;
    CReverbDelayLine lines[4];
    for (CReverbDelayLine& line : lines)
        line.SetSize(kSize);
    const float* const data[4] = {lines[0].GetData(), lines[1].GetData(), lines[2].GetData(),
                                  lines[3].GetData()};
    std::vector<float> history[4]; // everything written, oldest first
    uint32_t seed = 3;
    int writeIndex = 0;
    for (int step = 0; step < 5 * kSize; ++step)
    {
        for (int k = 0; k < 4; ++k)
        {
            seed = seed * 1664525u + 1013904223u;
            const float x = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            lines[k].Write(writeIndex, x);
            history[k].push_back(x);
        }
        writeIndex = (writeIndex + 1) % kSize;
        if (step < kSize)
            continue; // reads reach back kSize - 1 samples
        // Delays from the shortest (2) to the longest (S - 3) a read may use, fractional
        // and whole, a different one per line.
        const float delays[4] = {
            2.0f + 0.37f * static_cast<float>(step % 3),
            static_cast<float>(kSize - 3) - 0.25f * static_cast<float>(step % 5),
            5.5f + static_cast<float>(step % 29), static_cast<float>(2 + step % 31)};
        float got[4];
        Float4::Store(got,
                      CReverbDelayLine::ReadFour(data, kSize, writeIndex, Float4::Load(delays)));
        for (int k = 0; k < 4; ++k)
        {
            // Delay i reads the sample written i writes ago (the newest is 1 ago).
            const int i = static_cast<int>(delays[k]);
            const double t = delays[k] - static_cast<float>(i);
            const auto ago = [&](int n)
            { return static_cast<double>(history[k][history[k].size() - static_cast<size_t>(n)]); };
            EXPECT_NEAR(got[k], CatmullRom(ago(i - 1), ago(i), ago(i + 1), ago(i + 2), t), 1e-5)
                << "step " << step << " line " << k << " delay " << delays[k];
            if (t == 0.0)
            {
                EXPECT_EQ(got[k], static_cast<float>(ago(i))) << "whole delays read the sample";
            }
        }
    }
}

} // namespace

TEST(CReverbDelayLineTest, ClearSwapsInASilentLineAndZeroesTheOldOneLater)
{
    CReverbDelayLine line;
    line.SetSize(100);
    const int stored = 100 + CReverbDelayLine::kGuardSamples;
    const auto fill = [&](float value) {
        for (int i = 0; i < 100; ++i)
            line.Write(i, value);
    };
    const auto silent = [&] {
        for (int i = 0; i < stored; ++i)
        {
            if (line.GetData()[i] != 0.0f)
                return false;
        }
        return true;
    };
    // A line not written since it was silent keeps its storage.
    const float* untouched = line.GetData();
    line.Clear();
    EXPECT_EQ(line.GetData(), untouched);
    EXPECT_TRUE(line.IsSpareClean());

    fill(1.0f);
    line.Clear();
    EXPECT_TRUE(silent());
    EXPECT_FALSE(line.IsSpareClean()); // the old samples, to be zeroed piece by piece
    line.ZeroSpare(60);
    EXPECT_FALSE(line.IsSpareClean());
    line.ZeroSpare(60);
    EXPECT_TRUE(line.IsSpareClean());

    // Cleared again before the spare is zeroed: the rest is zeroed at once.
    fill(2.0f);
    line.Clear();
    fill(3.0f);
    line.ZeroSpare(10);
    line.Clear();
    EXPECT_TRUE(silent());
    fill(4.0f);
    line.Clear();
    EXPECT_TRUE(silent());
}
