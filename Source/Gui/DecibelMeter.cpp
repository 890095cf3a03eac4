#include "DecibelMeter.h"

#include <cmath>

using namespace VSTGUI;

CDecibelMeter::CDecibelMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap,
                             int segments, float maximumDb, float minimumDb, bool inverse,
                             long style)
    : CVuMeter(size, onBitmap, offBitmap, segments, style), m_maximumDb(maximumDb),
      m_minimumDb(minimumDb), m_inverse(inverse)
{
    // The fall is ours (per level given, see setValue): the toolkit meter's own fall works
    // per paint, which would need a paint at every idle. A step of the whole scale makes it
    // paint exactly the value given.
    setDecreaseStepValue(1.0f);
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

int CDecibelMeter::SegmentsFor(float position) const
{
    const int segments = getNbLed();
    const int lit = static_cast<int>(std::lround(position * static_cast<float>(segments)));
    return lit < 0 ? 0 : (lit > segments ? segments : lit);
}

void CDecibelMeter::setValue(float level)
{
    const float target = LevelToPosition(level);
    m_shown -= m_fallStep;
    if (m_shown < target)
        m_shown = target;
    // The control's value (what a paint shows) follows only when another segment lights or
    // goes out; setting it marks the meter for the next paint.
    if (SegmentsFor(m_shown) != SegmentsFor(getValue()))
        CVuMeter::setValue(m_shown);
}

bool CDecibelMeter::isTypeOf(const char* type) const
{
    return IsSameTypeName(type, "CDecibelMeter") || CVuMeter::isTypeOf(type);
}
