#include "Stepper.h"

#include "StepClock.h"

#include <algorithm>
#include <cmath>

CStepper::CStepper()
{
    for (float& position : m_endPositions)
        position = -1.0f;
}

void CStepper::Reset()
{
    m_output = 0.0f;
    m_position = 0.0;
    m_target = 0.0f;
    m_nextTrigger = -1.0f;
    m_previousTrigger = -1.0f;
    m_cursorPosition = 0.0f;
}

void CStepper::SetNumSteps(int numSteps)
{
    m_numSteps = numSteps < 1 ? 1 : (numSteps > kStepperMaxSteps ? kStepperMaxSteps : numSteps);
}

void CStepper::SetSteps(const STEP_RECORD steps[kStepperMaxSteps])
{
    for (int k = 0; k < kStepperMaxSteps; ++k)
    {
        const float end = steps[k].endPosition;
        const float level = steps[k].level;
        m_endPositions[k] = std::isfinite(end) ? end : -1.0f;
        m_levels[k] = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
    }
}

float CStepper::GetPosAt(int k) const noexcept
{
    if (k < 0 || k >= kStepperMaxSteps)
        return -1.0f;
    const float p = m_endPositions[k];
    // The first and last steps, steps ending on an odd unit and a shuffle of 0 stay put.
    if (k == 0 || k == kStepperMaxSteps - 1 || StepClock::IsOddWhole(p) || !(m_shuffle > 0.0f))
        return p;
    const float shifted = p + 0.99f * m_shuffle;
    // The end of the first later step that ends beyond the shifted boundary.
    float bound = static_cast<float>(kStepperMaxSteps);
    for (int j = k + 1; j < kStepperMaxSteps; ++j)
    {
        if (m_endPositions[j] > shifted)
        {
            bound = m_endPositions[j];
            break;
        }
    }
    // A following step longer than one unit keeps the boundary where it is.
    float result = (bound - p > 1.0f) ? p : shifted;
    if (result > bound)
        result = bound;
    if (result < -1000.0f)
        result = -1000.0f;
    return result;
}

double CStepper::GatePoint(float closedPart) const noexcept
{
    // The gate acts on the fractional tail of the step, or on its last whole unit.
    const float length = m_nextTrigger - m_previousTrigger;
    float unit = length - std::floor(length);
    if (!(unit > 0.0f))
        unit = 1.0f;
    return static_cast<double>(m_nextTrigger - unit * closedPart);
}

void CStepper::CalcTriggerPos() noexcept
{
    const float oldNext = m_nextTrigger;
    for (int k = 0; k < kStepperMaxSteps; ++k)
    {
        const float end = GetPosAt(k);
        if (static_cast<double>(end) > m_position)
        {
            m_nextTrigger = end;
            m_target = m_levels[k];
            break;
        }
    }
    if (m_nextTrigger != oldNext)
        m_previousTrigger = oldNext;
    if (m_previousTrigger < 0.0f && m_nextTrigger >= 0.0f)
        m_previousTrigger = 0.0f;
    if (m_previousTrigger > m_nextTrigger) // the cycle wrapped
        m_previousTrigger = 0.0f;
}

double CStepper::BeginBlock() noexcept
{
    const float increment =
        StepClock::IncrementPerSample(m_sync, m_speed, m_hostTempo, m_sampleRate);
    const double numSteps = static_cast<double>(m_numSteps);
    const double step = static_cast<double>(increment);

    // A position that is not finite (it cannot arise from the clock, which is bounded)
    // restarts the cycle rather than staying stuck.
    if (!std::isfinite(m_position))
    {
        m_position = 0.0;
        m_nextTrigger = -1.0f;
        m_previousTrigger = -1.0f;
    }

    if (m_resyncPending && m_sync)
    {
        // Whole pattern cycles since the song start; the fraction is where the cycle
        // stands. Double precision: host positions reach many millions of samples.
        const double cycles = static_cast<double>(m_hostSamplePos) * step / numSteps;
        m_resyncPending = false;
        m_position = StepClock::Fraction(cycles) * numSteps;
        if (m_position >= numSteps) // rounding of the product
            m_position = 0.0;
        CalcTriggerPos();
    }

    if (m_smooth != m_glideSmooth || m_sampleRate != m_glideRate)
    {
        m_glide = StepClock::GlideCoefficient(m_smooth, m_sampleRate);
        m_glideSmooth = m_smooth;
        m_glideRate = m_sampleRate;
        double power = 1.0;
        for (float& p : m_glidePowers)
        {
            p = static_cast<float>(power);
            power *= static_cast<double>(m_glide);
        }
    }
    if (m_gate != m_gateInput)
    {
        m_gateFraction = 0.125f + 0.875f * std::pow(m_gate > 0.0f ? m_gate : 0.0f, 1.3f);
        m_gateInput = m_gate;
    }
    return step;
}

void CStepper::Generate(float* buffer, int count) noexcept
{
    if (buffer)
        Run<true>(buffer, count);
}

void CStepper::Advance(int count) noexcept
{
    Run<false>(nullptr, count);
}

template <bool kWrite> void CStepper::Run(float* buffer, int count) noexcept
{
    if (count <= 0)
        return;
    const double step = BeginBlock();
    const double numSteps = static_cast<double>(m_numSteps);
    const float follow = 1.0f - m_glide;
    const float closedPart = 1.0f - m_gateFraction;

    // State in locals for the sample loop; the triggers only change on the rare path.
    double position = m_position;
    float output = m_output;
    float target = m_target;
    double nextTrigger = static_cast<double>(m_nextTrigger);
    double gatePoint = GatePoint(closedPart);
    for (int i = 0; i < count;)
    {
        if (position >= gatePoint)
            target = 0.0f; // the gate has closed
        if (!kWrite)
        {
            // Nobody reads the values: the samples before the next event (gate, step end,
            // cycle end), less one, glide towards the fixed target in closed form. The
            // sample of an event itself is taken one by one below.
            double event = nextTrigger < numSteps ? nextTrigger : numSteps;
            if (position < gatePoint && gatePoint < event)
                event = gatePoint;
            const double room = step > 0.0 ? (event - position) / step : 0.0;
            int run = 0;
            if (room > static_cast<double>(kMaxRun + 1))
                run = kMaxRun;
            else if (room >= 3.0)
                run = static_cast<int>(room) - 1;
            run = run > count - i ? count - i : run;
            if (run >= 2)
            {
                output = target + (output - target) * m_glidePowers[run];
                if (!std::isfinite(output))
                    output = 0.0f;
                position += step * static_cast<double>(run);
                i += run;
                continue;
            }
        }
        if (position >= nextTrigger || position >= numSteps)
        {
            m_position = position;
            m_target = target;
            if (position >= nextTrigger)
                CalcTriggerPos(); // a new step begins
            if (m_position >= numSteps)
            {
                // The cycle restarts; only the fractional part remains, which is exact
                // while the increment stays below one unit per sample.
                m_position -= std::floor(m_position);
                CalcTriggerPos();
            }
            position = m_position;
            target = m_target;
            nextTrigger = static_cast<double>(m_nextTrigger);
            gatePoint = GatePoint(closedPart);
        }
        output += (target - output) * follow;
        if (!std::isfinite(output))
            output = 0.0f;
        if (kWrite)
            buffer[i] = output;
        position += step;
        ++i;
    }
    m_position = position;
    m_output = output;
    m_target = target;
    m_cursorPosition = static_cast<float>(m_position);
}
