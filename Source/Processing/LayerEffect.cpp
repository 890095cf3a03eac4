#include "LayerEffect.h"

#include "Common/wrappers/BaseEffect.h"

bool CLayerEffect::IsOn(int onId) noexcept
{
    return m_owner->GetParameterScaled(onId + m_layer, false, true, 0) > 0.5f;
}
