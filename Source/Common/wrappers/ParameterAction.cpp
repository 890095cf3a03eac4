#include "ParameterAction.h"

#include "BaseEffect.h"

CParameterAction::CParameterAction(CBaseEffect* effect, int id, float scaledValue)
    : m_effect(effect), m_id(id), m_value(scaledValue)
{
}

void CParameterAction::Exectute()
{
    if (!m_effect || !CBaseEffect::IsValidId(m_id))
        return;
    const float current = m_effect->GetParameterScaled(m_id, false, false, 0);
    m_effect->RefreshParameter(m_id, m_value);
    if (m_effect->GetParameterScaled(m_id, false, false, 0) != current)
        m_effect->HostAnnounceParameter(m_id);
    m_value = current;
}
