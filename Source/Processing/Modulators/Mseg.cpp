#include "Mseg.h"

#include "StepClock.h"

#include <algorithm>
#include <cmath>

CMseg::CMseg()
{
    for (float& position : m_positions)
        position = -1.0f;
}

void CMseg::Reset()
{
    m_position = 0.0;
    m_currentPoint = 0;
    m_output = 0.0f;
    m_cursorPosition = 0.0f;
}

void CMseg::SetPoints(const MSEG_POINT points[kMsegMaxPoints])
{
    m_numPoints = kMsegMaxPoints;
    for (int i = 0; i < kMsegMaxPoints; ++i)
    {
        const float position = points[i].position;
        const float level = points[i].level;
        const float tension = points[i].tension;
        m_positions[i] = std::isfinite(position) ? position : -1.0f;
        m_levels[i] = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
        m_tensions[i] = std::isfinite(tension) ? tension : 0.0f;
        if (m_positions[i] < 0.0f && m_numPoints == kMsegMaxPoints)
            m_numPoints = i;
    }
    m_loopLength = GetLoopLength();
}

int CMseg::GetNumPoints() const noexcept
{
    for (int i = 0; i < kMsegMaxPoints; ++i)
    {
        if (m_positions[i] < 0.0f)
            return i;
    }
    return kMsegMaxPoints;
}

float CMseg::GetLoopLength() const noexcept
{
    const int count = GetNumPoints();
    if (count == 0)
        return 1.0f;
    if (count == kMsegMaxPoints)
        return 32.0f;
    return m_positions[count - 1];
}

int CMseg::GetNextPoint(int index) const noexcept
{
    // The first unused entry ends the list, whatever follows it.
    const int next = index + 1;
    return (index >= 0 && next < m_numPoints) ? next : 0;
}

float CMseg::GetPosAt(int index) const noexcept
{
    if (index < 0 || index >= kMsegMaxPoints)
        return -1.0f;
    // With all 64 entries in use the list has no end marker: no shuffle.
    const int count = m_numPoints == kMsegMaxPoints ? 1 : m_numPoints;
    const float p = m_positions[index];
    // The loop start, the loop end, points on even units and a shuffle of 0 stay put.
    if (index >= count - 1 || index < 1 || !StepClock::IsOddWhole(p) || !(m_shuffle > 0.0f))
        return p;
    float bound = m_loopLength;
    for (int j = index + 1; j < count; ++j)
    {
        if (m_positions[j] > p)
        {
            bound = m_positions[j];
            break;
        }
    }
    float result = p + m_shuffle;
    if (result > bound)
        result = bound;
    if (result > m_loopLength)
        result = m_loopLength;
    if (result < -1000.0f)
        result = -1000.0f;
    return result;
}

int CMseg::FindSegment(double position) const noexcept
{
    int current = 0;
    for (int j = 0; j < m_numPoints; ++j)
    {
        if (static_cast<double>(m_positions[j]) > position)
            break;
        current = j;
    }
    if (m_numPoints >= 2 && current > m_numPoints - 2)
        current = m_numPoints - 2;
    return current;
}

void CMseg::LoadSegment(int next) noexcept
{
    // Both indices are list entries (0..63) by construction; the mask keeps that visible.
    const int current = m_currentPoint & (kMsegMaxPoints - 1);
    next &= kMsegMaxPoints - 1;
    m_segment.start = GetPosAt(current);
    m_segment.startLevel = m_levels[current];
    m_segment.end = GetPosAt(next);
    m_segment.endLevel = m_levels[next];
    float tau = m_tensionOffset + m_tensions[next];
    if (!(tau >= -1.0f))
        tau = -1.0f;
    if (tau > 1.0f)
        tau = 1.0f;
    const float k = (1.0f - 0.85f * tau) * -0.5f; // -0.925 .. -0.075, never 0
    m_segment.curveG = 1.0f / k + 1.0f;
}

void CMseg::Generate(float* buffer, int count) noexcept
{
    if (!buffer || count <= 0)
        return;
    const float increment =
        StepClock::IncrementPerSample(m_sync, m_speed, m_hostTempo, m_sampleRate);
    const float loopLength = m_loopLength;
    const double loop = static_cast<double>(loopLength);
    const double step = static_cast<double>(increment);
    const int usedPoints = m_numPoints > 0 ? m_numPoints : 1;

    if (!std::isfinite(m_position))
    {
        m_position = 0.0;
        m_currentPoint = 0;
    }

    if (m_resyncPending && m_sync)
    {
        // Loops since the song start; the fraction is where the loop stands. Double
        // precision: host positions reach many millions of samples.
        m_resyncPending = false;
        double fraction = 0.0;
        if (loopLength > 0.0f)
            fraction = StepClock::Fraction(static_cast<double>(m_hostSamplePos) * step / loop);
        m_position = loop * fraction;
        m_currentPoint = FindSegment(m_position);
    }
    else if (m_currentPoint < 0 || m_currentPoint >= usedPoints ||
             (loopLength > 0.0f && !(m_position >= 0.0 && m_position <= loop + 1.0)))
    {
        // The points were edited: the current one is no longer in the list, or the play
        // position lies well outside the loop (normally it passes the loop end by less than
        // one sample's increment). Carry on from the same place in the loop instead of
        // walking through stale segments one sample at a time.
        double fraction = 0.0;
        if (loopLength > 0.0f)
            fraction = StepClock::Fraction(m_position / loop);
        m_position = loop * fraction;
        m_currentPoint = FindSegment(m_position);
    }

    if (m_smooth != m_glideSmooth || m_sampleRate != m_glideRate)
    {
        m_glide = StepClock::GlideCoefficient(m_smooth, m_sampleRate);
        m_glideSmooth = m_smooth;
        m_glideRate = m_sampleRate;
    }
    const float follow = 1.0f - m_glide;
    const float holdLength = 0.001f * m_startHoldMs * m_sampleRate * increment;
    LoadSegment(GetNextPoint(m_currentPoint));

    // State in locals for the sample loop; the segment changes only on the rare path.
    double position = m_position;
    float output = m_output;
    SEGMENT segment = m_segment;
    for (int i = 0; i < count; ++i)
    {
        if (position >= static_cast<double>(segment.end))
        {
            const double overshoot = position - static_cast<double>(segment.end);
            int current = m_currentPoint + 1;
            if (current >= usedPoints)
                current = 0;
            int next = GetNextPoint(current);
            if (next < current)
            {
                // The loop-end point starts no segment: go on from the loop start.
                current = current + 1 >= usedPoints ? 0 : current + 1;
                next = GetNextPoint(current);
            }
            m_currentPoint = current;
            LoadSegment(next);
            segment = m_segment;
            position = static_cast<double>(segment.start) + overshoot;
        }

        float value;
        if (segment.end == segment.start)
        {
            value = segment.endLevel; // vertical jump
        }
        else
        {
            const float d = static_cast<float>(position - static_cast<double>(segment.start));
            if (d < holdLength)
            {
                value = segment.startLevel; // start hold
            }
            else
            {
                // Rational warp of the line: x / ((x - 1) g + x) runs from 0 to 1.
                const float x = d / (segment.end - segment.start);
                value = segment.startLevel + (segment.endLevel - segment.startLevel) * x /
                                                 ((x - 1.0f) * segment.curveG + x);
            }
        }
        output += (value - output) * follow;
        if (!std::isfinite(output))
            output = 0.0f;
        buffer[i] = output;
        position += step;
    }
    m_position = position;
    m_output = output;
    m_cursorPosition = static_cast<float>(m_position);
}
