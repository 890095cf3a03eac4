// The randomizer on the real effect: over many runs, the shapes it invents keep their
// structural properties (the numbers come from rand(), so no particular value is checked);
// each module randomization and reset touches exactly its parameters; every operation
// undoes and redoes.
#include "support/CountingEditor.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"
#include "Preferences.h"
#include "Processing/Randomizer.h"

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
    float end;
    float level;
};

struct POINT
{
    float position;
    float level;
    float tension;
};

// Parameters each module randomization sets (layer-A ids).
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

// Parameters each module reset returns to their defaults (layer-A ids).
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

bool OnQuarterGrid(float x)
{
    return std::floor(x * 4.0f) == x * 4.0f;
}

class CRandomizerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_effect->SetEditor(&m_editor);
        m_randomizer = m_effect->GetRandomizer();
        m_preferences = m_effect->GetPreferences();
        ASSERT_NE(m_randomizer, nullptr);
        ASSERT_NE(m_preferences, nullptr);
    }
    void TearDown() override
    {
        m_effect->SetEditor(nullptr);
        delete m_wrapper;
    }

    std::vector<STEP> Steps(int modulator)
    {
        std::vector<STEP> steps(CRandomizer::kNumSteps);
        std::memcpy(steps.data(), m_effect->GetRawParameterBlock(kRawBlockSteps + modulator),
                    kRawBlockStepsSize);
        return steps;
    }
    std::vector<POINT> Points(int modulator)
    {
        std::vector<POINT> points(CRandomizer::kNumPoints);
        std::memcpy(points.data(),
                    m_effect->GetRawParameterBlock(kRawBlockMsegPoints + modulator),
                    kRawBlockMsegPointsSize);
        return points;
    }
    std::vector<uint8_t> Block(int id)
    {
        const uint8_t* data = m_effect->GetRawParameterBlock(id);
        return std::vector<uint8_t>(data, data + m_effect->GetRawParameterBlockSize(id));
    }
    std::vector<float> Scaled()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParameters; ++id)
            values.push_back(m_effect->GetParameterScaled(id, false, false, 0));
        return values;
    }
    std::vector<float> Unscaled()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParameters; ++id)
            values.push_back(m_effect->GetParameterInfo(id)->value);
        return values;
    }
    // Every parameter (scaled) and every raw block.
    struct STATE
    {
        std::vector<float> values;
        std::vector<std::vector<uint8_t>> blocks;
    };
    STATE State()
    {
        STATE state{Scaled(), {}};
        for (int id = 10001; id <= 10026; ++id)
            state.blocks.push_back(Block(id));
        return state;
    }
    void ExpectState(const STATE& expected, const char* what)
    {
        const STATE now = State();
        for (int id = 0; id < kNumParameters; ++id)
            EXPECT_NEAR(now.values[static_cast<size_t>(id)],
                        expected.values[static_cast<size_t>(id)], 1e-5f)
                << what << ", parameter " << id;
        EXPECT_TRUE(now.blocks == expected.blocks) << what;
    }
    // Used points: up to the first negative position.
    static int UsedPoints(const std::vector<POINT>& points)
    {
        int used = 0;
        while (used < CRandomizer::kNumPoints && points[static_cast<size_t>(used)].position >= 0)
            ++used;
        return used;
    }

    CTempDataFolder m_data;
    CCountingEditor m_editor;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    CRandomizer* m_randomizer = nullptr;
    CPreferences* m_preferences = nullptr;
};
} // namespace

TEST_F(CRandomizerTest, StepPatternsStartLongAndStayOnTheQuarterGrid)
{
    for (const bool dense : {true, false})
    {
        m_preferences->SetPreferDense(dense);
        for (int run = 0; run < 500; ++run)
        {
            const int modulator = run % kNumModulators;
            m_randomizer->RndSteps(modulator);
            const std::vector<STEP> steps = Steps(modulator);
            // Index 0 always holds a placed long step: 1..4 units, level 0.75..1.
            EXPECT_GE(steps[0].end, 1.0f);
            EXPECT_LE(steps[0].end, 4.0f);
            EXPECT_GE(steps[0].level, 0.75f);
            for (int k = 0; k < CRandomizer::kNumSteps; ++k)
            {
                const STEP& step = steps[static_cast<size_t>(k)];
                EXPECT_TRUE(OnQuarterGrid(step.end)) << step.end;
                EXPECT_GE(step.end, 0.25f);
                EXPECT_LE(step.end, 32.0f);
                EXPECT_GE(step.level, 0.0f);
                EXPECT_LT(step.level, 1.0f + 1e-6f);
                if (k % 2 == 1)
                {
                    // Nothing starts at an odd index: the silent one-unit entry stays.
                    EXPECT_EQ(step.end, static_cast<float>(k + 1));
                    EXPECT_EQ(step.level, 0.0f);
                }
            }
        }
    }
}

TEST_F(CRandomizerTest, StepLevelModes)
{
    // "Only Positions": every placed step at full level, the rest silent.
    m_preferences->SetStepRandomizeMode(1);
    for (int run = 0; run < 200; ++run)
    {
        m_randomizer->RndSteps(0);
        for (const STEP& step : Steps(0))
            EXPECT_TRUE(step.level == 0.0f || step.level == 1.0f) << step.level;
        EXPECT_EQ(Steps(0)[0].level, 1.0f);
    }

    // "Only Levels": ends stay, silent steps stay silent, the others get new levels.
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
            if (before[k].level == 0.0f)
            {
                EXPECT_EQ(after[k].level, 0.0f);
            }
            else
            {
                changed += after[k].level != previous[k].level;
            }
        }
    }
    EXPECT_GT(changed, 0);
}

TEST_F(CRandomizerTest, EnvelopesEndOnTheLoopLengthWithAnEndMarker)
{
    m_effect->SetParameterUnscaled(kModMode, 1.0f); // modulator 1 plays its envelope
    int mostPoints = 0;
    for (const bool length32 : {false, true})
    {
        for (const bool dense : {true, false})
        {
            for (const int mode : {0, 1})
            {
                m_preferences->SetCurveLength32(length32);
                m_preferences->SetPreferDense(dense);
                m_preferences->SetCurveRandomizeMode(mode);
                const float length = length32 ? 32.0f : 16.0f;
                // Dense 32-unit envelopes run out of points in about 2 % of runs.
                const int runs = length32 && dense ? 3000 : 300;
                for (int run = 0; run < runs; ++run)
                {
                    m_randomizer->Randomize(CRandomizer::kModulator, 0);
                    const std::vector<POINT> points = Points(0);
                    const int used = UsedPoints(points);
                    mostPoints = std::max(mostPoints, used);
                    ASSERT_LE(used, CRandomizer::kMaxGeneratedPoints);
                    ASSERT_GE(used, 3);
                    EXPECT_LT(points[static_cast<size_t>(used)].position, 0.0f);
                    EXPECT_EQ(points[static_cast<size_t>(used - 1)].position, length);
                    // Starts with (0, 0, 0) and a jump to a full peak at 0.
                    EXPECT_EQ(points[0].position, 0.0f);
                    EXPECT_EQ(points[0].level, 0.0f);
                    EXPECT_EQ(points[1].position, 0.0f);
                    EXPECT_EQ(points[1].level, 1.0f);
                    for (int i = 1; i < used; ++i)
                    {
                        const POINT& point = points[static_cast<size_t>(i)];
                        const POINT& previous = points[static_cast<size_t>(i - 1)];
                        EXPECT_GE(point.position, previous.position);
                        EXPECT_EQ(point.position, std::floor(point.position));
                        EXPECT_GE(point.level, 0.0f);
                        EXPECT_LE(point.level, 1.0f);
                        EXPECT_LE(point.tension, 0.0f);
                        EXPECT_GE(point.tension, -1.0f);
                        if (mode == 1)
                        {
                            EXPECT_TRUE(point.level == 0.0f || point.level == 1.0f);
                            EXPECT_EQ(point.tension, 0.0f);
                        }
                        // A peak falls to 0 over one unit, or two for a double.
                        if (point.level > 0.0f && i + 1 < used)
                        {
                            const POINT& fall = points[static_cast<size_t>(i + 1)];
                            EXPECT_EQ(fall.level, 0.0f);
                            EXPECT_TRUE(fall.position == point.position + 1.0f ||
                                        fall.position == point.position + 2.0f);
                        }
                    }
                }
            }
        }
    }
    // The runs did reach the point limit, where the envelope is closed early.
    EXPECT_GE(mostPoints, CRandomizer::kMaxGeneratedPoints - 2);
}

TEST_F(CRandomizerTest, EnvelopeLevelAndTensionModesKeepPositions)
{
    // 40 used points, levels alternating 0 and 0.5, tensions -0.5, then the end marker.
    std::vector<POINT> points(CRandomizer::kNumPoints, POINT{-1.0f, 0.0f, 0.0f});
    for (int i = 0; i < 40; ++i)
        points[static_cast<size_t>(i)] = POINT{static_cast<float>(i / 2), (i % 2) * 0.5f, -0.5f};
    points[50] = POINT{-1.0f, 0.25f, 0.25f}; // beyond the end marker: never touched
    m_effect->SetRawParameterBlock(kRawBlockMsegPoints + 2, points.data());

    m_preferences->SetCurveRandomizeMode(2);
    m_randomizer->RndCurve(2);
    std::vector<POINT> after = Points(2);
    int newLevels = 0;
    for (size_t i = 0; i < after.size(); ++i)
    {
        EXPECT_EQ(after[i].position, points[i].position);
        EXPECT_EQ(after[i].tension, points[i].tension);
        if (i < 40 && points[i].level > 0.0f)
        {
            newLevels += after[i].level != points[i].level; // all 20 peaks, those past 32 too
        }
        else
        {
            EXPECT_EQ(after[i].level, points[i].level);
        }
    }
    EXPECT_GE(newLevels, 19);

    m_preferences->SetCurveRandomizeMode(3);
    m_randomizer->RndCurve(2);
    const std::vector<POINT> levels = after;
    after = Points(2);
    for (size_t i = 0; i < after.size(); ++i)
    {
        EXPECT_EQ(after[i].position, levels[i].position);
        EXPECT_EQ(after[i].level, levels[i].level);
        if (i < 40)
        {
            EXPECT_LE(after[i].tension, 0.0f);
            EXPECT_GT(after[i].tension, -1.0f);
        }
        else
        {
            EXPECT_EQ(after[i].tension, levels[i].tension);
        }
    }
}

TEST_F(CRandomizerTest, ModuleRandomizationTouchesExactlyItsParameters)
{
    for (int kind = CRandomizer::kFilter; kind <= CRandomizer::kGlitch; ++kind)
    {
        for (int layer = 0; layer < 2; ++layer)
        {
            std::set<int> expected;
            for (const int id : kRandomized[kind])
                expected.insert(id + layer);
            std::set<int> touched;
            for (int run = 0; run < 30; ++run)
            {
                const std::vector<float> before = Unscaled();
                m_randomizer->Randomize(kind, layer);
                const std::vector<float> after = Unscaled();
                for (int id = 0; id < kNumParameters; ++id)
                {
                    if (after[static_cast<size_t>(id)] != before[static_cast<size_t>(id)])
                        touched.insert(id);
                }
            }
            EXPECT_EQ(touched, expected) << "kind " << kind << ", layer " << layer;
        }
    }
}

TEST_F(CRandomizerTest, FilterRandomizationFollowsTheMode)
{
    for (int run = 0; run < 400; ++run)
    {
        m_randomizer->RndFilter(1);
        const int mode = static_cast<int>(m_effect->GetParameterInfo(kFilterMode + 1)->value);
        const float cutoff = m_effect->GetParameterScaled(kFilterCutoff + 1, false, false, 0);
        const float locut = m_effect->GetParameterScaled(kFilterLocut + 1, false, false, 0);
        const float hicut = m_effect->GetParameterScaled(kFilterHicut + 1, false, false, 0);
        if (mode == 1 || mode == 2 || mode == 4 || mode == 5 || mode == 10)
        {
            EXPECT_LE(cutoff, 0.7f + 1e-5f) << mode;
        }
        const bool phaser = mode == 6 || mode == 7;
        EXPECT_LE(locut, (phaser ? 0.2f : 0.6f) + 1e-5f) << mode;
        EXPECT_GE(hicut, (phaser ? 0.9f : 0.5f) - 1e-5f) << mode;
    }
}

TEST_F(CRandomizerTest, ResetsReturnTheModuleToItsDefaultsButKeepTheDelayMix)
{
    for (int kind = CRandomizer::kFilter; kind <= CRandomizer::kGlitch; ++kind)
    {
        for (int layer = 0; layer < 2; ++layer)
        {
            // Everything of both layers away from its default, mixes included.
            for (int id = 25; id < kNumParameters; ++id)
                m_effect->SetParameterScaled(id, 0.37f);
            const std::vector<float> before = Unscaled();
            m_randomizer->Reset(kind, layer);
            const std::vector<float> after = Unscaled();
            for (int id = 0; id < kNumParameters; ++id)
            {
                // Layer-A ids are odd, so id - layer names a layer-A id only for this layer.
                const bool reset = kResetIds[kind].count(id - layer) > 0;
                const size_t i = static_cast<size_t>(id);
                if (reset)
                {
                    EXPECT_EQ(after[i], m_effect->GetParameterInfo(id)->defaultValue)
                        << "kind " << kind << ", id " << id;
                }
                else
                {
                    EXPECT_EQ(after[i], before[i]) << "kind " << kind << ", id " << id;
                }
            }
        }
    }
    EXPECT_NE(m_effect->GetParameterInfo(kDelayMix)->value,
              m_effect->GetParameterInfo(kDelayMix)->defaultValue);
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
    for (const bool reset : {false, true})
    {
        for (int kind = 0; kind <= CRandomizer::kGlitch; ++kind)
        {
            for (int index = 0; index < 2; ++index)
            {
                const STATE before = State();
                const int undoCount = m_effect->GetUndoCount();
                if (reset)
                    m_randomizer->Reset(kind, index);
                else
                    m_randomizer->Randomize(kind, index);
                EXPECT_EQ(m_effect->GetUndoCount(), std::min(undoCount + 1, 50));
                const STATE after = State();
                m_effect->Undo();
                ExpectState(before, reset ? "undo of a reset" : "undo of a randomization");
                m_effect->Redo();
                ExpectState(after, reset ? "redo of a reset" : "redo of a randomization");
            }
        }
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
