// The pattern editors edit what plays: a step pattern and an envelope drawn with the mouse on
// the offscreen editor, rendered with the host playing from the song start at 120 BPM, 48 kHz.
// Modulator 1 drives the master as a full-depth tremolo on a constant input, so the output
// over the input is the modulator's value times the tremolo's makeup gain. A played level is
// within 0.01 of the stored one in the middle of a step or at a quarter, half and three
// quarters of a segment (the 0.3 ms smoothing has settled there); a step boundary (the output
// halfway between two levels) falls 0..24 samples after its sample.
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/dsp/TimeScaling.h"
#include "Gui/GuiTestSupport.h"
#include "Gui/MsegControl.h"
#include "Gui/StepperControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace MorvexParam;
using namespace VSTGUI;

namespace
{
constexpr float kRate = 48000.0f;
constexpr float kTempo = 120.0f;
constexpr int kBlock = 256;
constexpr float kInput = 0.5f;
constexpr float kLevelTolerance = 0.01f;
constexpr float kPixelTolerance = 0.011f; // one pixel of the 182-pixel square-root scale
constexpr int kBoundaryLate = 24;

class CModEditorRenderProofTest : public GuiTest::CEditorFixture<>
{
protected:
    void SetUp() override
    {
        CEditorFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(Open());
        // A bare master chain, so that only the tremolo shapes the constant input.
        for (int id : {kEqOn, kReverbOn, kLimiter})
            m_plugin.Wrapper()->setParameter(id, 0.0f);
        for (int id : {kFilterOn, kDelayOn, kDistOn, kLoFiOn, kGlitchOn, kFlangerOn})
        {
            for (int layer : {0, 1})
                m_plugin.Wrapper()->setParameter(id + layer, 0.0f);
        }
        // Modulator 1 as a full-depth tremolo on the master.
        SetUnscaled(kModTremolo, 100.0f);
        SetUnscaled(kModTremoloDst, 0.0f);
    }
    void SetUnscaled(int id, float value)
    {
        m_plugin.Wrapper()->setParameter(id, m_effect->UnscaledValueToScaled(id, value));
    }
    // Every press at the same time: quick clicks on different places are no double-clicks.
    void Drag(const CPoint& from, const CPoint& to, long buttons = kLButton)
    {
        m_frame->platformOnMouseMoved(from, 0);
        m_frame->platformOnMouseDown(from, buttons, 1000);
        m_frame->platformOnMouseMoved(to, buttons);
        m_frame->platformOnMouseUp(to, buttons);
    }
    void Click(const CPoint& where, long buttons = kLButton) { Drag(where, where, buttons); }

    // Output over input of the left channel: the parameters settle with the transport
    // stopped, then the host plays from sample 0 in blocks of kBlock, as processReplacing
    // drives the effect.
    std::vector<float> RenderGain(int samples)
    {
        m_effect->SetSampleRate(kRate);
        m_effect->SetBlockSize(kBlock);
        m_effect->SetHostTempo(kTempo);
        std::vector<float> left(kBlock), right(kBlock);
        auto block = [&](int count) {
            std::fill(left.begin(), left.end(), kInput);
            std::fill(right.begin(), right.end(), kInput);
            m_effect->PreProcess(count);
            for (int start = 0; start < count; start += 16)
                m_effect->Process(left.data() + start, right.data() + start,
                                  std::min(16, count - start));
        };
        for (int settle = 0; settle < static_cast<int>(kRate) / kBlock; ++settle)
            block(kBlock);
        m_effect->OnTransportStart();
        std::vector<float> gain;
        for (int position = 0; position < samples; position += kBlock)
        {
            m_effect->SetHostSamplePos(static_cast<float>(position));
            block(kBlock);
            for (int i = 0; i < kBlock; ++i)
                gain.push_back(left[static_cast<size_t>(i)] / kInput);
        }
        m_effect->OnTransportStop();
        return gain;
    }
    static double SamplesPerUnit()
    {
        // "Mod1 Speed" at its default, a sixteenth note.
        return static_cast<double>(TimeScaling::ToRatio(2, kTempo)) * kRate;
    }
};

// The envelope's segment shape: the bilinear warp the modulator plays.
float SegmentValue(float l0, float l1, float tension, float x)
{
    const float tau = std::max(-1.0f, std::min(1.0f, tension));
    const float k = -0.5f * (1.0f - 0.85f * tau);
    const float g = 1.0f / k + 1.0f;
    return l0 + (l1 - l0) * x / ((x - 1.0f) * g + x);
}
} // namespace

TEST_F(CModEditorRenderProofTest, TheTremoloFollowsTheDrawnSteps)
{
    CStepperControl* steps = m_editor->GetStepEditor();
    ASSERT_TRUE(steps->isAttached());
    const CRect view = steps->getViewSize();
    const CCoord cell = view.getWidth() / 32, areaBottom = view.bottom - 1;
    const CCoord areaHeight = areaBottom - (view.top + 17);
    auto cellX = [&](int unit) { return view.left + cell * unit + cell / 2; };
    auto levelY = [&](float shown) { return std::round(areaBottom - shown * areaHeight); };

    // Eight steps: the length strip dragged to 8, then each cell clicked at its level.
    Drag(CPoint(cellX(15), view.top + 5), CPoint(view.left + 8.5 * cell, view.top + 5));
    const float shown[8] = {1.0f, 0.5f, 0.8f, 0.3f, 0.0f, 0.9f, 0.6f, 0.7f};
    for (int k = 0; k < 8; ++k)
        Click(CPoint(cellX(k), levelY(shown[k])));
    EXPECT_EQ(8.0f, GuiTest::Unscaled(m_effect, kModNumSteps));
    std::vector<uint8_t> block(kRawBlockStepsSize);
    steps->StoreBlock(block.data());
    EXPECT_EQ(block, GuiTest::Block(m_effect, kRawBlockSteps));
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(shown[k] * shown[k], steps->GetLevel(k), kPixelTolerance) << k;

    const double unit = SamplesPerUnit();
    ASSERT_DOUBLE_EQ(6000.0, unit); // a sixteenth at 120 BPM, 48 kHz
    const std::vector<float> gain = RenderGain(static_cast<int>(17 * unit));
    const float makeup = gain[static_cast<size_t>(unit / 2)] / steps->GetLevel(0);
    for (int j = 0; j < 16; ++j) // two cycles: the pattern wraps at its length
    {
        const float level = steps->GetLevel(j % 8);
        const size_t mid = static_cast<size_t>((j + 0.5) * unit);
        EXPECT_NEAR(level, gain[mid] / makeup, kLevelTolerance) << "step " << j;
        const float before = steps->GetLevel((j + 7) % 8);
        if (j == 0 || std::fabs(level - before) < 0.1f)
            continue;
        const int boundary = static_cast<int>(j * unit);
        const float half = 0.5f * (level + before) * makeup;
        int crossing = boundary - 200;
        while (crossing < boundary + 200 &&
               (gain[static_cast<size_t>(crossing)] - half) * (level - before) < 0.0f)
            ++crossing;
        EXPECT_GE(crossing, boundary) << "step " << j;
        EXPECT_LE(crossing, boundary + kBoundaryLate) << "step " << j;
    }
}

TEST_F(CModEditorRenderProofTest, TheTremoloFollowsTheDrawnEnvelope)
{
    m_plugin.Wrapper()->setParameter(kModMode, 1.0f);
    CMsegControl* envelope = m_editor->GetMsegEditor();
    ASSERT_TRUE(envelope->isAttached());
    // The reset envelope: a jump to full level at 0, down to 0 at one step.
    ASSERT_EQ(3, envelope->GetNumPoints());
    const CRect area = envelope->GetCurveArea();
    const double px = static_cast<double>(envelope->GetPixelsPerStep());
    auto at = [&](double units, float shown) {
        return CPoint(area.left + units * px, std::round(area.bottom - shown * area.getHeight()));
    };

    // The end point dragged seven steps right and up; three points added with the right
    // button (on the half-step grid, rounded down); one segment bent with a drag.
    const CPoint end = envelope->GetPointDisplay(2);
    const CPoint endTo = at(8.0, 0.45f);
    Drag(end, CPoint(endTo.x, end.y + (endTo.y - area.bottom)));
    struct ADDED
    {
        double mouseUnits;
        float shown;
        float position;
    };
    const ADDED added[] = {{2.2, 0.8f, 2.0f}, {4.4, 0.3f, 4.0f}, {6.1, 0.9f, 6.0f}};
    for (const ADDED& a : added)
        Click(at(a.mouseUnits, a.shown), kRButton);
    Drag(at(3.0, 0.5f), at(3.0, 0.5f) + CPoint(0, 40));
    ASSERT_EQ(6, envelope->GetNumPoints());
    EXPECT_NE(0.0f, envelope->GetTension(3));
    std::vector<uint8_t> block(kRawBlockMsegPointsSize);
    envelope->StoreBlock(block.data());
    EXPECT_EQ(block, GuiTest::Block(m_effect, kRawBlockMsegPoints));
    EXPECT_FLOAT_EQ(8.0f, envelope->GetPosition(5));
    EXPECT_NEAR(0.45f * 0.45f, envelope->GetLevel(5), kPixelTolerance);
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_FLOAT_EQ(added[k].position, envelope->GetPosition(k + 2)) << k;
        EXPECT_NEAR(added[k].shown * added[k].shown, envelope->GetLevel(k + 2), kPixelTolerance);
    }

    // Two loops of eight steps. The 9 ms start hold keeps the jump's full level at the
    // start of each loop, which gives the makeup gain.
    const double unit = SamplesPerUnit();
    const std::vector<float> gain = RenderGain(static_cast<int>(17 * unit));
    const float makeup = gain[200] / envelope->GetLevel(1);
    const float offset = envelope->GetGlobalTension();
    for (int loop = 0; loop < 2; ++loop)
    {
        EXPECT_NEAR(1.0f, gain[static_cast<size_t>(loop * 8 * unit + 200)] / makeup,
                    kLevelTolerance);
        for (int i = 1; i + 1 < envelope->GetNumPoints(); ++i)
        {
            const float start = envelope->GetPosAt(i), stop = envelope->GetPosAt(i + 1);
            for (float x : {0.25f, 0.5f, 0.75f})
            {
                const float expected =
                    SegmentValue(envelope->GetLevel(i), envelope->GetLevel(i + 1),
                                 offset + envelope->GetTension(i + 1), x);
                const size_t n =
                    static_cast<size_t>((loop * 8 + start + x * (stop - start)) * unit);
                EXPECT_NEAR(expected, gain[n] / makeup, kLevelTolerance)
                    << "loop " << loop << " segment " << i << " at " << x;
            }
        }
    }
}
