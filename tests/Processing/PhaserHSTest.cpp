// Phaser output shelf: each channel follows its own cookbook high shelf.
#include "Processing/PhaserHS.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

TEST(CPhaserHSTest, EachChannelIsItsOwnHighShelf)
{
    for (float rate : {44100.0f, 96000.0f})
    {
        CPhaserHS shelf;
        shelf.CalcFilter(3000.0f, 6000.0f, 1.0f, 0.7f, 8.0f, -3.0f, rate);
        const std::vector<double> left =
            ProcessingMeasure::BiquadImpulse(CookbookBiquad::HighShelf(3000, 1.0, 8.0, rate), 64);
        const std::vector<double> right =
            ProcessingMeasure::BiquadImpulse(CookbookBiquad::HighShelf(6000, 0.7, -3.0, rate), 64);
        for (size_t n = 0; n < left.size(); ++n)
        {
            float l = n == 0 ? 1.0f : 0.0f;
            float r = l;
            shelf.Filter(l, r);
            ASSERT_NEAR(left[n], l, 1e-5) << n;
            ASSERT_NEAR(right[n], r, 1e-5) << n;
        }
    }
}
