#include "LayerEffect.h"

#include "Common/wrappers/BaseEffect.h"
#include "Processing/ParameterReads.h"

bool CLayerEffect::IsOn(int onId) noexcept
{
    return ParamRead::Switch(*m_owner, onId + m_layer);
}
