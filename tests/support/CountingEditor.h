// Test support: an editor that only counts what the effect tells it, for the
// tests of whole-state changes, undo and parameter display.
#pragma once

#include "Common/wrappers/EffectEditor.h"

#include <utility>
#include <vector>

class CCountingEditor : public IEffectEditor
{
public:
    void UpdateAllControls() override { ++m_updates; }
    void OnSetParameter(int id, float value) override { m_shown.push_back({id, value}); }

    int m_updates = 0;
    std::vector<std::pair<int, float>> m_shown; // id, value in the parameter's units
};
