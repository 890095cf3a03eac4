// The vector layer against plain per-lane maths, in whichever form this build compiles
// (SSE2, or the scalar form with MORVEX_SCALAR_DSP): both must give these same bits.
#include "Common/wrappers/dsp/Float4.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace
{
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Operands that exercise IEEE corner cases lane by lane.
const float kA[4] = {1.5f, -0.0f, kNaN, -kInf};
const float kB[4] = {-2.25f, 0.0f, 3.0f, 7.0f};

std::uint32_t Bits(float x)
{
    std::uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

void ExpectLanes(FLOAT4 x, const float (&expected)[4], const char* what)
{
    float got[4];
    Float4::Store(got, x);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Bits(got[i]), Bits(expected[i])) << what << " lane " << i;
}

float Mask(bool on)
{
    const std::uint32_t u = on ? 0xFFFFFFFFu : 0u;
    float x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}
} // namespace

TEST(Float4Test, LaneOperationsMatchScalarMaths)
{
    struct CASE
    {
        const char* name;
        std::function<FLOAT4(FLOAT4, FLOAT4)> vector;
        std::function<float(float, float)> scalar;
    };
    const CASE cases[] = {
        {"add", [](FLOAT4 a, FLOAT4 b) { return a + b; }, [](float a, float b) { return a + b; }},
        {"sub", [](FLOAT4 a, FLOAT4 b) { return a - b; }, [](float a, float b) { return a - b; }},
        {"mul", [](FLOAT4 a, FLOAT4 b) { return a * b; }, [](float a, float b) { return a * b; }},
        {"div", [](FLOAT4 a, FLOAT4 b) { return a / b; }, [](float a, float b) { return a / b; }},
        // A NaN operand gives the second operand, whichever lane holds it.
        {"min", [](FLOAT4 a, FLOAT4 b) { return Float4::Min(a, b); },
         [](float a, float b) { return a < b ? a : b; }},
        {"max", [](FLOAT4 a, FLOAT4 b) { return Float4::Max(a, b); },
         [](float a, float b) { return a > b ? a : b; }},
        {"abs", [](FLOAT4 a, FLOAT4) { return Float4::Abs(a); },
         [](float a, float) { return std::fabs(a); }},
        {"less", [](FLOAT4 a, FLOAT4 b) { return Float4::Less(a, b); },
         [](float a, float b) { return Mask(a < b); }},
        {"less or equal", [](FLOAT4 a, FLOAT4 b) { return Float4::LessOrEqual(a, b); },
         [](float a, float b) { return Mask(a <= b); }},
        {"greater", [](FLOAT4 a, FLOAT4 b) { return Float4::Greater(a, b); },
         [](float a, float b) { return Mask(a > b); }},
        {"equal", [](FLOAT4 a, FLOAT4 b) { return Float4::Equal(a, b); },
         [](float a, float b) { return Mask(a == b); }},
        {"select", [](FLOAT4 a, FLOAT4 b) { return Float4::Select(Float4::Greater(a, b), a, b); },
         [](float a, float b) { return a > b ? a : b; }},
        {"is finite", [](FLOAT4 a, FLOAT4) { return Float4::IsFinite(a); },
         [](float a, float) { return Mask(std::isfinite(a)); }},
        {"zero non-finite", [](FLOAT4 a, FLOAT4) { return Float4::ZeroNonFinite(a); },
         [](float a, float) { return std::isfinite(a) ? a : 0.0f; }},
    };
    for (const CASE& c : cases)
    {
        for (const bool swapped : {false, true})
        {
            const float(&a)[4] = swapped ? kB : kA;
            const float(&b)[4] = swapped ? kA : kB;
            float expected[4];
            for (int i = 0; i < 4; ++i)
                expected[i] = c.scalar(a[i], b[i]);
            ExpectLanes(c.vector(Float4::Load(a), Float4::Load(b)), expected, c.name);
        }
    }
}

TEST(Float4Test, LaneMovesPlaceEachLane)
{
    const FLOAT4 a = Float4::Set(0.0f, 1.0f, 2.0f, 3.0f);
    const FLOAT4 b = Float4::Set(4.0f, 5.0f, 6.0f, 7.0f);
    ExpectLanes(Float4::Shuffle<3, 0, 2, 1>(a, b), {3, 0, 6, 5}, "shuffle");
    ExpectLanes(Float4::InterleaveLow(a, b), {0, 4, 1, 5}, "interleave low");
    ExpectLanes(Float4::InterleaveHigh(a, b), {2, 6, 3, 7}, "interleave high");
    ExpectLanes(Float4::LowHalves(a, b), {0, 1, 4, 5}, "low halves");
    ExpectLanes(Float4::HighHalves(a, b), {6, 7, 2, 3}, "high halves");
    ExpectLanes(Float4::LowPair(b), {4, 5, 0, 0}, "low pair");
    ExpectLanes(Float4::LaneMask(true, false, false, true), {Mask(true), 0, 0, Mask(true)},
                "lane mask");
    EXPECT_EQ(Float4::SignMask(Float4::Set(-1.0f, 1.0f, -0.0f, kNaN)), 0b0101);
    EXPECT_EQ(Float4::Lane<3>(b), 7.0f);
    FLOAT4 r0 = a, r1 = b, r2 = Float4::Broadcast(8.0f), r3 = Float4::Zero();
    Float4::Transpose(r0, r1, r2, r3);
    ExpectLanes(r2, {2, 6, 8, 0}, "transpose");
    float pair[2] = {};
    float upper[2] = {};
    Float4::StoreTwo(pair, b);
    Float4::StoreUpperTwo(upper, b);
    EXPECT_EQ(pair[1], 5.0f);
    EXPECT_EQ(upper[0], 6.0f);
    ExpectLanes(Float4::LoadTwo(upper), {6, 7, 0, 0}, "load two");
}

TEST(Float4Test, DoubleLanesAndConversionsMatchScalarMaths)
{
    const double a = 1.0 / 3.0, b = -2.0;
    const DOUBLE2 x = Float4::SetDouble(a, b);
    EXPECT_EQ(Float4::Lane<0>(Float4::Sqrt(x)), std::sqrt(a));
    EXPECT_TRUE(std::isnan(Float4::Lane<1>(Float4::Sqrt(x))));
    EXPECT_EQ(Float4::Lane<1>(Float4::Xor(x, Float4::BroadcastDouble(-0.0))), 2.0);
    EXPECT_EQ(Float4::Lane<1>(Float4::Abs(x)), 2.0);
    EXPECT_EQ(Float4::SignMask(Float4::GreaterOrEqual(x, Float4::ZeroDouble())), 0b01);
    EXPECT_EQ(Float4::Lane<1>(Float4::Min(Float4::SetDouble(0.0, NAN), x)), b);
    EXPECT_EQ(Float4::Lane<1>(Float4::BothLow(x)), a);
    // Narrowing rounds to nearest: 1/3 in float is the float nearest the double.
    EXPECT_EQ(Float4::Lane<0>(Float4::ToFloat(x)), static_cast<float>(a));
    EXPECT_EQ(Float4::Lane<1>(Float4::ToDouble(Float4::Set(0.1f, -0.1f, 0, 0))),
              static_cast<double>(-0.1f));
    // Read through volatiles, so that the conversions run rather than fold at compile time.
    volatile double tooLarge = 3e10;
    volatile float notANumber = kNaN;
    int whole[2];
    const FLOAT4 fraction = Float4::SplitWhole(Float4::SetDouble(7.75, tooLarge), whole);
    EXPECT_EQ(whole[0], 7);
    EXPECT_EQ(whole[1], INT_MIN); // out of range, as the SSE2 conversion gives
    EXPECT_EQ(Float4::Lane<0>(fraction), 0.75f);
    int wholes[4];
    const FLOAT4 parts = Float4::SplitWhole(Float4::Set(2.5f, 0.25f, -1.5f, notANumber), wholes);
    EXPECT_EQ(wholes[0], 2);
    EXPECT_EQ(wholes[2], -1); // truncation toward zero
    EXPECT_EQ(wholes[3], INT_MIN);
    EXPECT_EQ(Float4::Lane<2>(parts), -0.5f);
    int wrapped[4];
    Float4::StoreInts(wrapped, Float4::WrappedDifference(5, Float4::SetInts(2, 5, 6, 9), 16));
    EXPECT_EQ(wrapped[0], 3);
    EXPECT_EQ(wrapped[1], 0);
    EXPECT_EQ(wrapped[2], 15);
    EXPECT_EQ(wrapped[3], 12);
}
