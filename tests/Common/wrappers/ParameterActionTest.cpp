#include "Common/wrappers/ParameterAction.h"

#include "Common/wrappers/ActionItem.h"
#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/BaseEffect.h"

#include "support/CountingEditor.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
class CKnobEffect : public CBaseEffect
{
public:
    CKnobEffect() : CBaseEffect(nullptr)
    {
        SetParameterInfo(4, kCurveLinear, "Mix", 0, 100, 100, nullptr);
        SetParameterInfo(5, kCurveStepped, "Mode", 0, 3, 0, nullptr);
        m_notified.clear();
    }
    void OnSetParameter(int id, float value) override { m_notified.push_back({id, value}); }
    std::vector<std::pair<int, float>> m_notified;
};

class CParameterActionTest : public ::testing::Test
{
protected:
    // One knob gesture: begin (records the value before), moves, end.
    void Turn(int id, float scaled)
    {
        m_effect.HostBeginEdit(id);
        m_effect.SetParameterScaled(id, 0.5f * scaled);
        m_effect.SetParameterScaled(id, scaled);
        m_effect.HostEndEdit(id);
    }
    CKnobEffect m_effect;
};
} // namespace

TEST_F(CParameterActionTest, UndoRestoresTheStartAndRedoTheEndOfAGesture)
{
    CCountingEditor editor;
    m_effect.SetEditor(&editor);
    Turn(4, 0.25f); // 100 -> 25
    Turn(4, 0.75f); // 25 -> 75
    EXPECT_EQ(m_effect.GetUndoCount(), 2);
    m_effect.Undo();
    EXPECT_FLOAT_EQ(m_effect.GetParameterInfo(4)->value, 25.0f);
    m_effect.Undo();
    EXPECT_FLOAT_EQ(m_effect.GetParameterInfo(4)->value, 100.0f);
    m_effect.Redo();
    EXPECT_FLOAT_EQ(m_effect.GetParameterInfo(4)->value, 25.0f);
    m_effect.Redo();
    EXPECT_FLOAT_EQ(m_effect.GetParameterInfo(4)->value, 75.0f);
    EXPECT_EQ(m_effect.GetRedoCount(), 0);
    // Every swap moved the control and told the effect, in scaled units.
    ASSERT_EQ(editor.m_shown.size(), 4u);
    EXPECT_FLOAT_EQ(editor.m_shown[1].second, 1.0f);
    ASSERT_EQ(m_effect.m_notified.size(), 4u);
    EXPECT_EQ(m_effect.m_notified[3], std::make_pair(4, 0.75f));
    m_effect.SetEditor(nullptr);
    // Stepped parameters come back as their steps; a gesture on a bad id records nothing.
    Turn(5, 1.0f); // 0 -> 3
    m_effect.Undo();
    EXPECT_EQ(m_effect.GetParameterInfo(5)->value, 0.0f);
    m_effect.Redo();
    EXPECT_EQ(m_effect.GetParameterInfo(5)->value, 3.0f);
    m_effect.HostBeginEdit(312);
    m_effect.HostEndEdit(312);
    EXPECT_EQ(m_effect.GetUndoCount(), 3);
}

TEST_F(CParameterActionTest, OnlyAGestureThatChangesTheValueIsAnUndoStep)
{
    struct CASE
    {
        const char* name;
        std::vector<float> moves; // scaled values set inside the bracket
        bool nested;              // a second bracket on the same id inside the first
        int steps;
    };
    const CASE cases[] = {
        {"press and release", {}, false, 0},
        {"moved back to the start", {0.3f, 1.0f}, false, 0},
        {"moved", {0.3f}, false, 1},
        {"nested brackets", {0.3f}, true, 1},
    };
    for (const CASE& c : cases)
    {
        CKnobEffect effect; // Mix starts at 100 % (scaled 1)
        effect.AddUndoItem(new CParameterAction(&effect, 5, 0.0f));
        effect.Undo(); // one redo item that a non-edit must keep
        effect.HostBeginEdit(4);
        if (c.nested)
            effect.HostBeginEdit(4);
        for (float value : c.moves)
            effect.SetParameterScaled(4, value);
        if (c.nested)
        {
            effect.HostEndEdit(4);
            EXPECT_EQ(effect.GetUndoCount(), 0) << c.name; // the outer gesture is still open
        }
        effect.HostEndEdit(4);
        EXPECT_EQ(effect.GetUndoCount(), c.steps) << c.name;
        EXPECT_EQ(effect.GetRedoCount(), c.steps == 0 ? 1 : 0) << c.name;
        if (c.steps > 0)
        {
            effect.Undo();
            EXPECT_FLOAT_EQ(effect.GetParameterInfo(4)->value, 100.0f) << c.name;
        }
    }
}
