#include "Randomizer.h"

#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/DspMath.h"
#include "Common/wrappers/dsp/LookupTables.h"
#include "Morvex.h"
#include "Preferences.h"
#include "Processing/ParameterReads.h"
#include "UndoItems.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace MorvexParam;

namespace
{
constexpr double kRandScale = 4.656613e-10; // 2^-31: rand() -> [0, 1)
using Dsp::kCurveTableScale;

// Randomize modes of the preferences.
constexpr int kModeAll = 0;
constexpr int kModeOnlyPositions = 1;
constexpr int kModeOnlyLevels = 2;
constexpr int kModeOnlyTensions = 3;

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

static_assert(sizeof(STEP) * CRandomizer::kNumSteps == kRawBlockStepsSize, "step block layout");
static_assert(sizeof(POINT) * CRandomizer::kNumPoints == kRawBlockMsegPointsSize,
              "point block layout");

// The shared curves of the lookup tables, read at trunc(x * 100002).
float LogCurve(float x)
{
    return LOG_TABLE.At(static_cast<int>(x * kCurveTableScale));
}

float ExpCurve(float x)
{
    return EXP_TABLE.At(static_cast<int>(x * kCurveTableScale));
}

// rand() * 2^-31, in double: RAND_MAX * 2^-31 stays below 1, where a float
// product could round up to 1.
float DrawUniform()
{
    return static_cast<float>(static_cast<double>(std::rand()) * kRandScale);
}

// u^2 of one draw: leans towards 0.
float DrawSquared()
{
    const float u = DrawUniform();
    return u * u;
}

bool IsLayer(int layer)
{
    return layer == 0 || layer == 1;
}

bool IsModulator(int modulator)
{
    return modulator >= 0 && modulator < kNumModulators;
}

// Parameters a module reset returns to their defaults (layer-A ids; the module's
// run of ids 2 apart plus its extra parameter, as its undo item covers them).
struct RESET_SET
{
    int firstId;
    int count;
    int extraId; // -1: none
};

const RESET_SET kResetSets[] = {
    {0, 0, -1},                       // 0: modulator (blocks, not parameters)
    {kFilterMode, 6, -1},             // Filter Mode .. Filter Hicut
    {kDistDrive, 6, -1},              // Dist Drive .. Dist Mono
    {kDelaySync, 9, kDelayInput},     // Delay Sync .. Delay PingPong, Delay Input
    {kLoFiBitDepth, 4, -1},           // LoFi BitDepth .. LoFi Tone
    {kFlangerDelay, 7, kFlangerMode}, // Flanger Delay .. Flanger Tone, Flanger Mode
    {kGlitchBuffer, 6, -1},           // Glitch Buffer .. Glitch Mode
};
} // namespace

CRandomizer::CRandomizer(CBaseEffect* effect) : m_effect(effect) {}

float CRandomizer::Draw()
{
    return DrawUniform();
}

void CRandomizer::Write(int id, float scaled)
{
    m_effect->SetParameterScaled(id, scaled);
    m_effect->OnSetParameter(id, ParamRead::Stored(*m_effect, id));
}

bool CRandomizer::IsModulatorCurve(int modulator)
{
    return ParamRead::Stored(*m_effect, kModMode + modulator) > 0.5f;
}

void CRandomizer::UpdateEditor()
{
    if (IEffectEditor* editor = m_effect->GetEditor())
        editor->UpdateAllControls();
}

CPreferences* CRandomizer::GetPreferences()
{
    auto* morvex = dynamic_cast<CMorvex*>(m_effect);
    return morvex ? morvex->GetPreferences() : nullptr;
}

// ---------------------------------------------------------------------------------------------

void CRandomizer::Randomize(int kind, int index)
{
    if (!m_effect)
        return;
    switch (kind)
    {
    case kModulator:
        if (IsModulator(index))
        {
            if (IsModulatorCurve(index))
                RndCurve(index);
            else
                RndSteps(index);
        }
        break;
    case kFilter:
        RndFilter(index);
        break;
    case kDistortion:
        RndDistortion(index);
        break;
    case kDelay:
        RndDelay(index);
        break;
    case kLoFi:
        RndLoFi(index);
        break;
    case kFlanger:
        RndFlanger(index);
        break;
    case kGlitch:
        RndGlitch(index);
        break;
    default:
        break;
    }
    UpdateEditor();
}

void CRandomizer::Reset(int kind, int index)
{
    if (!m_effect)
        return;
    if (kind == kModulator && IsModulator(index))
    {
        m_effect->AddUndoItem(new CMsegUndoItem(m_effect, index));
        m_effect->ResetRawParameterBlock(IsModulatorCurve(index) ? kRawBlockMsegPoints + index
                                                                 : kRawBlockSteps + index);
        m_effect->ResetRawParameterBlock(kRawBlockModPresetPath + index);
    }
    else if (kind >= kFilter && kind <= kGlitch && IsLayer(index))
    {
        m_effect->AddUndoItem(new CFxUndoItem(m_effect, kind, index));
        const RESET_SET& set = kResetSets[kind];
        for (int k = 0; k < set.count; ++k)
        {
            const int id = set.firstId + 2 * k;
            if (id != kDelayMix) // the mix of the delay is kept
                m_effect->ResetParameter(id + index);
        }
        if (set.extraId >= 0)
            m_effect->ResetParameter(set.extraId + index);
    }
    UpdateEditor();
}

// ---------------------------------------------------------------------------------------------
// Effect modules

void CRandomizer::RndFilter(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kFilter, layer));
    Write(kFilterMode + layer, Draw());
    const int mode =
        static_cast<int>(ParamRead::StoredUnits(*m_effect, kFilterMode + layer));
    Write(kFilterSlope + layer, Draw());
    // Highpass and bandpass modes and "OctaveBand" keep the cutoff in the lower 70 %.
    const bool lowCutoff = mode == 1 || mode == 2 || mode == 4 || mode == 5 || mode == 10;
    Write(kFilterCutoff + layer, lowCutoff ? 0.7f * Draw() : Draw());
    Write(kFilterRes + layer, Draw());
    // The two phaser modes keep a wide band open.
    const bool phaser = mode == 6 || mode == 7;
    Write(kFilterLocut + layer, Draw() * (phaser ? 0.2f : 0.6f));
    Write(kFilterHicut + layer, 1.0f - Draw() * (phaser ? 0.1f : 0.5f));
}

void CRandomizer::RndDistortion(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kDistortion, layer));
    for (const int id : {kDistDrive, kDistFuzz, kDistColor, kDistMode, kDistMono})
        Write(id + layer, Draw());
}

void CRandomizer::RndDelay(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kDelay, layer));
    Write(kDelaySpeedL + layer, Draw());
    Write(kDelaySpeedR + layer, Draw());
    Write(kDelayFeedback + layer, Draw());
    // The logarithmic curve leans the lowpass towards the top of its range.
    Write(kDelayLowpass + layer, LogCurve(Draw()));
    Write(kDelayBandpass + layer, Draw());
    Write(kDelayPingPong + layer, Draw());
}

void CRandomizer::RndLoFi(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kLoFi, layer));
    Write(kLoFiBitDepth + layer, Draw());
    Write(kLoFiSampleRate + layer, std::sqrt(Draw()));
    Write(kLoFiNoise + layer, Draw());
    Write(kLoFiTone + layer, Draw());
}

void CRandomizer::RndFlanger(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kFlanger, layer));
    // "Flanger Sync" and "Flanger Mix" stay.
    for (const int id : {kFlangerDelay, kFlangerFeedback, kFlangerSpeed, kFlangerDepth,
                         kFlangerWidth, kFlangerTone, kFlangerMode})
        Write(id + layer, Draw());
}

void CRandomizer::RndGlitch(int layer)
{
    if (!m_effect || !IsLayer(layer))
        return;
    m_effect->AddUndoItem(new CFxUndoItem(m_effect, kGlitch, layer));
    // The buffer first: its new length reshapes the scale before the scale is drawn.
    for (const int id : {kGlitchBuffer, kGlitchScale, kGlitchReverse, kGlitchSmooth, kGlitchMode})
        Write(id + layer, Draw());
}

// ---------------------------------------------------------------------------------------------
// Modulators

void CRandomizer::RndSteps(int modulator)
{
    if (!m_effect || !IsModulator(modulator))
        return;
    const int blockId = kRawBlockSteps + modulator;
    if (m_effect->GetRawParameterBlockSize(blockId) != kRawBlockStepsSize)
        return;
    const CPreferences* preferences = GetPreferences();
    const int mode = preferences ? preferences->GetStepRandomizeMode() : kModeAll;
    const bool dense = preferences ? preferences->GetPreferDense() : true;

    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, modulator));
    STEP steps[kNumSteps];
    if (mode == kModeOnlyLevels)
    {
        std::memcpy(steps, m_effect->GetRawParameterBlock(blockId), sizeof(steps));
        for (STEP& step : steps)
        {
            if (step.level > 0.0f)
                step.level = Draw();
        }
        m_effect->SetRawParameterBlock(blockId, steps);
        return;
    }

    // 32 silent one-unit steps, then steps placed at even indices; a placed step
    // shadows the silent entries it covers.
    for (int k = 0; k < kNumSteps; ++k)
        steps[k] = STEP{static_cast<float>(k + 1), 0.0f};
    float busy = -1.0f;         // units still covered by the last placed step
    float lastLongEnd = -1.0f;  // end of the last long step
    for (int k = 0; k < kNumSteps; ++k)
    {
        bool isLong = false;
        bool isNormal = false;
        if (k % 2 == 0)
        {
            isLong = k == 0 || Draw() > (dense ? 0.8f : 0.98f);
            isNormal = !isLong && Draw() > (dense ? 0.2f : 0.6f);
        }
        const float position = static_cast<float>(k);
        if (busy > 0.0f || position == lastLongEnd || !(isLong || isNormal))
        {
            busy -= 1.0f;
            continue;
        }
        float length;
        if (isLong)
            length = k == 0 ? 1.0f + 3.0f * ExpCurve(Draw()) : 2.0f + 3.0f * Draw();
        else
            length = LogCurve(Draw()) + 0.25f;
        length = std::trunc(length * 4.0f) * 0.25f; // quarter-unit grid
        float end = position + length;
        end = end < 0.25f ? 0.25f : (end > 32.0f ? 32.0f : end);
        bool last = false;
        if (isLong && end >= 32.0f)
        {
            end = 31.0f;
            last = true;
        }
        float level;
        if (mode == kModeOnlyPositions)
            level = 1.0f;
        else
            level = isLong ? 0.75f + 0.25f * Draw() : Draw();
        steps[k] = STEP{end, level};
        busy = length;
        if (isLong)
            lastLongEnd = end;
        if (last)
            break;
        busy -= 1.0f;
    }
    m_effect->SetRawParameterBlock(blockId, steps);
}

void CRandomizer::RndCurve(int modulator)
{
    if (!m_effect || !IsModulator(modulator))
        return;
    const int blockId = kRawBlockMsegPoints + modulator;
    if (m_effect->GetRawParameterBlockSize(blockId) != kRawBlockMsegPointsSize)
        return;
    const CPreferences* preferences = GetPreferences();
    const int mode = preferences ? preferences->GetCurveRandomizeMode() : kModeAll;
    const bool dense = preferences ? preferences->GetPreferDense() : true;
    const float length = (preferences && preferences->GetCurveLength32()) ? 32.0f : 16.0f;

    m_effect->AddUndoItem(new CMsegUndoItem(m_effect, modulator));
    POINT points[kNumPoints];
    if (mode == kModeOnlyLevels || mode == kModeOnlyTensions)
    {
        // Every used point, up to the first negative position that ends the list.
        std::memcpy(points, m_effect->GetRawParameterBlock(blockId), sizeof(points));
        for (POINT& point : points)
        {
            if (point.position < 0.0f)
                break;
            if (mode == kModeOnlyLevels && point.level > 0.0f)
                point.level = Draw();
            else if (mode == kModeOnlyTensions)
                point.tension = -Draw();
        }
        m_effect->SetRawParameterBlock(blockId, points);
        return;
    }

    // A train of jumps up to a peak, each followed by a fall to 0 over one unit (two
    // for a double); skipped peaks leave a flat stretch at 0. Doubles start only at
    // even positions, so the last fall lands on the loop length. Should the points run
    // short (32 units of dense peaks need 65), the rest up to the loop length stays
    // flat at 0 and one entry is left as the end marker.
    m_effect->ResetRawParameterBlock(blockId);
    std::memcpy(points, m_effect->GetRawParameterBlock(blockId), sizeof(points));
    points[0] = POINT{0.0f, 0.0f, 0.0f};
    int used = 1;
    float x = 0.0f;
    const bool positionsOnly = mode == kModeOnlyPositions;
    for (;;)
    {
        // One turn writes at most a peak and a fall; one more point may close the list.
        if (used + 2 > kMaxGeneratedPoints - 1)
        {
            points[used++] = POINT{length, 0.0f, 0.0f};
            break;
        }
        const bool evenUnit = static_cast<int>(x) % 2 == 0;
        const bool isDouble = evenUnit && Draw() > (dense ? 0.9f : 0.8f);
        const bool skippable = dense ? !evenUnit : x > 0.0f;
        float peak = dense ? Draw() : DrawSquared();
        if (isDouble)
            peak = 0.75f + 0.25f * Draw();
        if (x == 0.0f || positionsOnly)
            peak = 1.0f;
        float tension = isDouble ? -0.2f * Draw() : -DrawSquared();
        if (positionsOnly)
            tension = 0.0f;
        const bool skip = skippable && !isDouble && Draw() > (dense ? 0.8f : 0.5f);
        if (!skip)
            points[used++] = POINT{x, peak, 0.0f};
        x += isDouble ? 2.0f : 1.0f;
        points[used++] = POINT{x, 0.0f, tension};
        if (x >= length)
            break;
    }
    m_effect->SetRawParameterBlock(blockId, points);
}
