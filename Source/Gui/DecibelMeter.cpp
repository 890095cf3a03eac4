#include "DecibelMeter.h"

#include <cmath>

using namespace VSTGUI;

CDecibelMeter::CDecibelMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap,
                             int segments, float maximumDb, float minimumDb, bool inverse,
                             long style)
    : CVuMeter(size, onBitmap, offBitmap, segments, style), m_maximumDb(maximumDb),
      m_minimumDb(minimumDb), m_inverse(inverse)
{
}

float CDecibelMeter::LevelToPosition(float level) const
{
    const float range = m_maximumDb - m_minimumDb;
    if (!(range > 0.0f))
        return 0.0f;
    // 20 log10(x) = 8.685889 ln(x)
    float db = level > 0.0f ? 8.685889f * std::log(level) : m_minimumDb;
    if (!(db >= m_minimumDb))
        db = m_minimumDb;
    if (db > m_maximumDb)
        db = m_maximumDb;
    const float position = (db - m_minimumDb) / range;
    return m_inverse ? 1.0f - position : position;
}

void CDecibelMeter::setValue(float level)
{
    CVuMeter::setValue(LevelToPosition(level));
    setDirty(true);
}

bool CDecibelMeter::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CDecibelMeter") || CVuMeter::isTypeOf(type);
}
