// Undo item of one edit gesture on one parameter: holds the parameter's scaled
// value (0..1) from before the gesture. Executing it swaps that value with the
// current one through CBaseEffect::RefreshParameter, which moves the editor's
// control and informs the effect but not the host. User-interface thread only.
#pragma once

#include "ActionItem.h"

class CBaseEffect;

class CParameterAction : public IActionItem
{
public:
    // `id`: parameter 0..311 (others make an item that changes nothing);
    // `scaledValue`: the value to restore, 0..1.
    CParameterAction(CBaseEffect* effect, int id, float scaledValue);

    void Exectute() override;

private:
    CBaseEffect* m_effect;
    int m_id;
    float m_value;
};
