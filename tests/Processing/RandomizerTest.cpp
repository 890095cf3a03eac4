// The randomizer on the real effect: over many runs its shapes keep their rules (the values
// come from rand()); each operation touches exactly its parameters and undoes.
#include "Processing/Randomizer.h"
#include "Preferences.h"
#include "support/CountingEditor.h"
#include "support/EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

using namespace MorvexParam;

namespace
{
struct STEP
{
    float end, level;
};

struct POINT
{
    float position, level, tension;
};

// What each module randomization sets and each reset returns to its default (layer A).
const std::set<int> kRandomized[7] = {
    {},
    {kFilterMode, kFilterSlope, kFilterCutoff, kFilterRes, kFilterLocut, kFilterHicut},
    {kDistDrive, kDistFuzz, kDistColor, kDistMode, kDistMono},
    {kDelaySpeedL, kDelaySpeedR, kDelayFeedback, kDelayLowpass, kDelayBandpass, kDelayPingPong},
    {kLoFiBitDepth, kLoFiSampleRate, kLoFiNoise, kLoFiTone},
    {kFlangerDelay, kFlangerFeedback, kFlangerSpeed, kFlangerDepth, kFlangerWidth, kFlangerTone,
     kFlangerMode},
    {kGlitchBuffer, kGlitchScale, kGlitchReverse, kGlitchSmooth, kGlitchMode},
};
const std::set<int> kResetIds[7] = {
    {},
    {kFilterMode, kFilterSlope, kFilterCutoff, kFilterRes, kFilterLocut, kFilterHicut},
    {kDistDrive, kDistFuzz, kDistColor, kDistOutput, kDistMode, kDistMono},
    {kDelaySync, kDelaySpeedL, kDelaySpeedR, kDelayLink, kDelayFeedback, kDelayLowpass,
     kDelayBandpass, kDelayPingPong, kDelayInput},
    {kLoFiBitDepth, kLoFiSampleRate, kLoFiNoise, kLoFiTone},
    {kFlangerDelay, kFlangerFeedback, kFlangerSync, kFlangerSpeed, kFlangerDepth, kFlangerWidth,
     kFlangerTone, kFlangerMode},
    {kGlitchBuffer, kGlitchScale, kGlitchStretch, kGlitchReverse, kGlitchSmooth, kGlitchMode},
};

class CRandomizerTest : public ::testing::Test
{
protected:
    CRandomizerTest() { m_effect->SetEditor(&m_editor); }
    ~CRandomizerTest() override { m_effect->SetEditor(nullptr); }
    template <typename RECORD> std::vector<RECORD> Records(int block, int count)
    {
        std::vector<RECORD> records(static_cast<size_t>(count));
        std::memcpy(records.data(), m_effect->GetRawParameterBlock(block),
                    sizeof(RECORD) * records.size());
        return records;
    }
    std::vector<STEP> Steps(int mod) { return Records<STEP>(kRawBlockSteps + mod, 32); }
    std::vector<POINT> Points(int mod) { return Records<POINT>(kRawBlockMsegPoints + mod, 64); }
    std::vector<uint8_t> Block(int id)
    {
        return Records<uint8_t>(id, m_effect->GetRawParameterBlockSize(id));
    }
    std::vector<float> Unscaled()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParameters; ++id)
            values.push_back(m_effect->GetParameterInfo(id)->value);
        return values;
    }
    struct STATE
    {
        std::vector<float> values;
        std::vector<std::vector<uint8_t>> blocks;
    };
    STATE State()
    {
        STATE state;
        for (int id = 0; id < kNumParameters; ++id)
            state.values.push_back(m_effect->GetParameterScaled(id, false, false, 0));
        for (int id = 10001; id <= 10026; ++id)
            state.blocks.push_back(Block(id));
        return state;
    }
    void ExpectState(const STATE& expected, const char* what)
    {
        const STATE now = State();
        for (size_t id = 0; id < now.values.size(); ++id)
            EXPECT_NEAR(now.values[id], expected.values[id], 1e-5f) << what << ", parameter " << id;
        EXPECT_TRUE(now.blocks == expected.blocks) << what;
    }
    CCountingEditor m_editor;
    CEffectInstance m_instance;
    CMorvex* m_effect = m_instance.Effect();
    CRandomizer* m_randomizer = m_effect->GetRandomizer();
    CPreferences* m_preferences = m_effect->GetPreferences();
};
} // namespace

TEST_F(CRandomizerTest, StepPatternsStartLongAndStayOnTheQuarterGrid)
{
    for (int run = 0; run < 1200; ++run)
    {
        m_preferences->SetPreferDense(run % 1000 < 500);
        const bool positions = run >= 1000; // "Only Positions": placed steps at full level
        m_preferences->SetStepRandomizeMode(positions ? 1 : 0);
        const int modulator = run % kNumModulators;
        m_randomizer->RndSteps(modulator);
        const std::vector<STEP> steps = Steps(modulator);
        // Index 0 always holds a placed long step: 1..4 units, level 0.75..1.
        EXPECT_TRUE(steps[0].end >= 1.0f && steps[0].end <= 4.0f && steps[0].level >= 0.75f);
        for (size_t k = 0; k < steps.size(); ++k)
        {
            const STEP& step = steps[k];
            EXPECT_EQ(std::floor(step.end * 4.0f), step.end * 4.0f) << step.end;
            EXPECT_TRUE(step.end >= 0.25f && step.end <= 32.0f) << step.end;
            EXPECT_TRUE(step.level >= 0.0f && step.level < 1.0f + 1e-6f) << step.level;
            EXPECT_TRUE(!positions || step.level == 0.0f || step.level == 1.0f) << step.level;
            // Nothing starts at an odd index: the silent one-unit entry stays.
            EXPECT_TRUE(k % 2 == 0 || (step.end == k + 1.0f && step.level == 0.0f)) << k;
        }
        EXPECT_TRUE(!positions || steps[0].level == 1.0f);
    }
}

TEST_F(CRandomizerTest, OnlyLevelsKeepsTheEndsAndTheSilentSteps)
{
    m_preferences->SetStepRandomizeMode(0);
    m_randomizer->RndSteps(3);
    const std::vector<STEP> before = Steps(3);
    m_preferences->SetStepRandomizeMode(2);
    int changed = 0;
    for (int run = 0; run < 50; ++run)
    {
        const std::vector<STEP> previous = Steps(3);
        m_randomizer->RndSteps(3);
        const std::vector<STEP> after = Steps(3);
        for (size_t k = 0; k < after.size(); ++k)
        {
            EXPECT_EQ(after[k].end, before[k].end);
            EXPECT_TRUE(before[k].level != 0.0f || after[k].level == 0.0f) << k;
            changed += before[k].level != 0.0f && after[k].level != previous[k].level;
        }
    }
    EXPECT_GT(changed, 0);
}

TEST_F(CRandomizerTest, EnvelopesEndOnTheLoopLengthWithAnEndMarker)
{
    m_effect->SetParameterUnscaled(kModMode, 1.0f); // modulator 1 plays its envelope
    int mostPoints = 0;
    for (int setting = 0; setting < 8; ++setting) // length 32, dense, "Only Positions"
    {
        const bool length32 = setting & 4, dense = setting & 2;
        const int mode = setting & 1;
        m_preferences->SetCurveLength32(length32);
        m_preferences->SetPreferDense(dense);
        m_preferences->SetCurveRandomizeMode(mode);
        for (int run = length32 && dense ? 3000 : 300; run > 0; --run)
        {
            m_randomizer->Randomize(CRandomizer::kModulator, 0);
            const std::vector<POINT> points = Points(0);
            size_t used = 0;
            while (used < points.size() && points[used].position >= 0)
                ++used;
            mostPoints = std::max(mostPoints, static_cast<int>(used));
            ASSERT_LE(used, static_cast<size_t>(CRandomizer::kMaxGeneratedPoints));
            ASSERT_GE(used, 3u);
            EXPECT_EQ(points[used - 1].position, length32 ? 32.0f : 16.0f);
            // Starts with (0, 0, 0) and a jump to a full peak at 0.
            EXPECT_TRUE(points[0].position == 0.0f && points[0].level == 0.0f);
            EXPECT_TRUE(points[1].position == 0.0f && points[1].level == 1.0f);
            for (size_t i = 1; i < used; ++i)
            {
                const POINT& point = points[i];
                EXPECT_GE(point.position, points[i - 1].position);
                EXPECT_EQ(point.position, std::floor(point.position));
                EXPECT_TRUE(point.level >= 0.0f && point.level <= 1.0f) << point.level;
                EXPECT_TRUE(point.tension <= 0.0f && point.tension >= -1.0f) << point.tension;
                EXPECT_TRUE(mode == 0 || ((point.level == 0.0f || point.level == 1.0f) &&
                                          point.tension == 0.0f));
                // A peak falls to 0 over one unit, or two for a double.
                const float gap = i + 1 < used ? points[i + 1].position - point.position : 1.0f;
                EXPECT_TRUE(point.level == 0.0f || i + 1 == used ||
                            (points[i + 1].level == 0.0f && (gap == 1.0f || gap == 2.0f)));
            }
        }
    }
    // The runs did reach the point limit, where the envelope is closed early.
    EXPECT_GE(mostPoints, CRandomizer::kMaxGeneratedPoints - 2);
}

TEST_F(CRandomizerTest, EnvelopeLevelAndTensionModesKeepPositions)
{
    // 40 used points (levels 0, 0.5, ...; tensions -0.5), the end marker, an entry beyond it.
    std::vector<POINT> points(CRandomizer::kNumPoints, POINT{-1.0f, 0.0f, 0.0f});
    for (size_t i = 0; i < 40; ++i)
        points[i] = POINT{static_cast<float>(i / 2), (i % 2) * 0.5f, -0.5f};
    points[50] = POINT{-1.0f, 0.25f, 0.25f};
    m_effect->SetRawParameterBlock(kRawBlockMsegPoints + 2, points.data());
    // Levels: all 20 peaks get new ones.
    m_preferences->SetCurveRandomizeMode(2);
    m_randomizer->RndCurve(2);
    const std::vector<POINT> levels = Points(2);
    int newLevels = 0;
    for (size_t i = 0; i < levels.size(); ++i)
    {
        EXPECT_TRUE(levels[i].position == points[i].position &&
                    levels[i].tension == points[i].tension);
        const bool peak = i < 40 && points[i].level > 0.0f;
        newLevels += peak && levels[i].level != points[i].level;
        EXPECT_TRUE(peak || levels[i].level == points[i].level) << i;
    }
    EXPECT_GE(newLevels, 19);
    // Tensions: new ones in (-1, 0] for the used points.
    m_preferences->SetCurveRandomizeMode(3);
    m_randomizer->RndCurve(2);
    const std::vector<POINT> after = Points(2);
    for (size_t i = 0; i < after.size(); ++i)
    {
        EXPECT_TRUE(after[i].position == levels[i].position && after[i].level == levels[i].level);
        EXPECT_TRUE(i < 40 ? after[i].tension <= 0.0f && after[i].tension > -1.0f
                           : after[i].tension == levels[i].tension)
            << i;
    }
}

TEST_F(CRandomizerTest, ModuleRandomizationsAndResetsTouchExactlyTheirParameters)
{
    for (int kind = CRandomizer::kFilter; kind <= CRandomizer::kGlitch; ++kind)
    {
        for (int layer = 0; layer < 2; ++layer)
        {
            SCOPED_TRACE(::testing::Message() << "kind " << kind << ", layer " << layer);
            std::set<int> expected, touched;
            for (const int id : kRandomized[kind])
                expected.insert(id + layer);
            for (int run = 0; run < 30; ++run)
            {
                const std::vector<float> before = Unscaled();
                m_randomizer->Randomize(kind, layer);
                const std::vector<float> after = Unscaled();
                for (int id = 0; id < kNumParameters; ++id)
                    if (after[static_cast<size_t>(id)] != before[static_cast<size_t>(id)])
                        touched.insert(id);
            }
            EXPECT_EQ(touched, expected);
            // A reset from everything away from its default: only its parameters return.
            for (int id = 25; id < kNumParameters; ++id)
                m_effect->SetParameterScaled(id, 0.37f);
            const std::vector<float> before = Unscaled();
            m_randomizer->Reset(kind, layer);
            const std::vector<float> after = Unscaled();
            for (int id = 0; id < kNumParameters; ++id)
            {
                // Layer-A ids are odd, so id - layer names a layer-A id only for this layer.
                const bool reset = kResetIds[kind].count(id - layer) > 0;
                EXPECT_EQ(after[static_cast<size_t>(id)],
                          reset ? static_cast<float>(m_effect->GetParameterInfo(id)->defaultValue)
                                : before[static_cast<size_t>(id)])
                    << "id " << id;
            }
        }
    }
    EXPECT_NE(m_effect->GetParameterInfo(kDelayMix)->value,
              m_effect->GetParameterInfo(kDelayMix)->defaultValue);
}

TEST_F(CRandomizerTest, FilterRandomizationFollowsTheMode)
{
    for (int run = 0; run < 400; ++run)
    {
        m_randomizer->RndFilter(1);
        const int mode = static_cast<int>(m_effect->GetParameterInfo(kFilterMode + 1)->value);
        const auto scaled = [&](int id) {
            return m_effect->GetParameterScaled(id, false, false, 0);
        };
        const bool dark = mode == 1 || mode == 2 || mode == 4 || mode == 5 || mode == 10;
        EXPECT_LE(scaled(kFilterCutoff + 1), (dark ? 0.7f : 1.0f) + 1e-5f) << mode;
        const bool phaser = mode == 6 || mode == 7;
        EXPECT_LE(scaled(kFilterLocut + 1), (phaser ? 0.2f : 0.6f) + 1e-5f) << mode;
        EXPECT_GE(scaled(kFilterHicut + 1), (phaser ? 0.9f : 0.5f) - 1e-5f) << mode;
    }
}

TEST_F(CRandomizerTest, ModulatorResetClearsItsShownBlockAndPresetPath)
{
    const std::vector<uint8_t> defaultSteps = Block(kRawBlockSteps + 6);
    const std::vector<uint8_t> defaultPoints = Block(kRawBlockMsegPoints + 6);
    std::vector<uint8_t> path(kRawBlockModPresetPathSize, 0);
    std::memcpy(path.data(), "/presets/Wobble.mprg", 20);
    m_randomizer->RndSteps(6);
    m_effect->SetParameterUnscaled(kModMode + 6, 1.0f);
    m_randomizer->RndCurve(6);
    m_effect->SetRawParameterBlock(kRawBlockModPresetPath + 6, path.data());
    const std::vector<uint8_t> steps = Block(kRawBlockSteps + 6);
    m_randomizer->Reset(CRandomizer::kModulator, 6); // envelope mode: the points
    EXPECT_EQ(Block(kRawBlockMsegPoints + 6), defaultPoints);
    EXPECT_EQ(Block(kRawBlockSteps + 6), steps);
    EXPECT_EQ(Block(kRawBlockModPresetPath + 6), std::vector<uint8_t>(path.size(), 0));
    m_effect->SetParameterUnscaled(kModMode + 6, 0.0f);
    m_randomizer->Reset(CRandomizer::kModulator, 6); // step mode: the steps
    EXPECT_EQ(Block(kRawBlockSteps + 6), defaultSteps);
}

TEST_F(CRandomizerTest, EveryOperationUndoesAndRedoes)
{
    m_effect->SetParameterUnscaled(kModMode + 1, 1.0f);
    m_randomizer->RndSteps(0);
    m_randomizer->RndCurve(1);
    for (int operation = 0; operation < 2 * 7 * 2; ++operation) // reset?, kind, index
    {
        const bool reset = operation >= 14;
        const int kind = operation / 2 % 7, index = operation % 2;
        const STATE before = State();
        const int undoCount = m_effect->GetUndoCount();
        reset ? m_randomizer->Reset(kind, index) : m_randomizer->Randomize(kind, index);
        EXPECT_EQ(m_effect->GetUndoCount(), std::min(undoCount + 1, 50));
        const STATE after = State();
        m_effect->Undo();
        ExpectState(before, reset ? "undo of a reset" : "undo of a randomization");
        m_effect->Redo();
        ExpectState(after, reset ? "redo of a reset" : "redo of a randomization");
    }
}

TEST_F(CRandomizerTest, NoEffectOrUnknownUnitChangesNothing)
{
    CRandomizer orphan(nullptr);
    orphan.Randomize(CRandomizer::kFilter, 0);
    orphan.Reset(CRandomizer::kModulator, 0);
    const STATE before = State();
    m_randomizer->Randomize(7, 0);
    m_randomizer->Randomize(CRandomizer::kFilter, 2);
    m_randomizer->Randomize(CRandomizer::kModulator, 8);
    m_randomizer->Reset(-1, 0);
    m_randomizer->Reset(CRandomizer::kDelay, -1);
    ExpectState(before, "unknown units");
    EXPECT_EQ(m_effect->GetUndoCount(), 0);
    EXPECT_EQ(m_editor.m_updates, 5); // the editor update still comes
}
