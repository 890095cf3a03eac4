// CReverbDelayLine: ReadFour against the four-point cubic Hermite (Catmull-Rom) formula in
// double on a record of everything written, through many wraps of the circular line and its
// guard samples; Clear swaps in silent storage and zeroes the old one in later pieces.
#include "Processing/Reverb/ReverbDelayLine.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
// Between y0 (delay i) and y1 (delay i + 1), with neighbours at i - 1 and i + 2.
double CatmullRom(double yNewer, double y0, double y1, double y2, double t)
{
    const double c1 = 0.5 * (y1 - yNewer);
    const double c2 = yNewer - 2.5 * y0 + 2.0 * y1 - 0.5 * y2;
    const double c3 = 0.5 * (y2 - yNewer) + 1.5 * (y0 - y1);
    return ((c3 * t + c2) * t + c1) * t + y0;
}
} // namespace

TEST(CReverbDelayLineTest, ReadFourFollowsTheHermiteFormulaAcrossWraps)
{
    constexpr int kSize = 37;
    CReverbDelayLine lines[4];
    for (CReverbDelayLine& line : lines)
        line.SetSize(kSize);
    const float* const data[4] = {lines[0].GetData(), lines[1].GetData(), lines[2].GetData(),
                                  lines[3].GetData()};
    const TestSignals::Signal input = TestSignals::Noise(4 * 5 * kSize, 3);
    for (int step = 0; step < 5 * kSize; ++step)
    {
        for (int k = 0; k < 4; ++k)
            lines[k].Write(step % kSize, input[static_cast<size_t>(4 * step + k)]);
        if (step < kSize)
            continue; // reads reach back kSize - 1 samples
        // Delays from the shortest (2) to the longest (S - 3) a read may use, fractional and
        // whole, a different one per line.
        const float delays[4] = {
            2.0f + 0.37f * static_cast<float>(step % 3),
            static_cast<float>(kSize - 3) - 0.25f * static_cast<float>(step % 5),
            5.5f + static_cast<float>(step % 29), static_cast<float>(2 + step % 31)};
        float got[4];
        Float4::Store(got, CReverbDelayLine::ReadFour(data, kSize, (step + 1) % kSize,
                                                      Float4::Load(delays)));
        for (int k = 0; k < 4; ++k)
        {
            // Delay i reads the sample written i writes ago (the newest is 1 ago).
            const int i = static_cast<int>(delays[k]);
            const double t = delays[k] - static_cast<float>(i);
            const auto ago = [&](int n) {
                return input[static_cast<size_t>(4 * (step + 1 - n) + k)];
            };
            EXPECT_NEAR(got[k], CatmullRom(ago(i - 1), ago(i), ago(i + 1), ago(i + 2), t), 1e-5)
                << "step " << step << " line " << k << " delay " << delays[k];
            if (t == 0.0)
            {
                EXPECT_EQ(got[k], ago(i)) << "whole delays read the sample";
            }
        }
    }
}

TEST(CReverbDelayLineTest, ClearSwapsInASilentLineAndZeroesTheOldOneLater)
{
    CReverbDelayLine line;
    line.SetSize(100);
    const auto fill = [&](float value) {
        for (int i = 0; i < 100; ++i)
            line.Write(i, value);
    };
    const auto silent = [&] {
        const float* data = line.GetData();
        return std::all_of(data, data + 100 + CReverbDelayLine::kGuardSamples,
                           [](float v) { return v == 0.0f; });
    };
    // A line not written since it was silent keeps its storage.
    const float* untouched = line.GetData();
    line.Clear();
    EXPECT_EQ(line.GetData(), untouched);
    EXPECT_TRUE(line.IsSpareClean());
    fill(1.0f);
    line.Clear();
    EXPECT_TRUE(silent());
    line.ZeroSpare(60); // the old samples, zeroed piece by piece
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
