// Resting of a processor at a mix of 0. Once its mix has settled at exactly 0 the output
// is the input, bit for bit, so the processor may skip its blocks altogether. The first
// block after a rest must start from silence (cleared lines and states), or audio heard
// before the rest would replay. Audio thread.
#pragma once

class CMixRest
{
public:
    enum STATE
    {
        kRun,  // process the block
        kRest, // skip the block: the input is the output
        kWake, // clear the audio history, then process the block
    };

    // mixTarget: the block's mix as the processor reads it; mixNow: where its mix ramp
    // stands before the block.
    STATE Update(float mixTarget, float mixNow) noexcept
    {
        if (mixTarget == 0.0f && mixNow == 0.0f)
        {
            m_resting = true;
            return kRest;
        }
        if (!m_resting)
            return kRun;
        m_resting = false;
        return kWake;
    }

    // True while resting (the last block was skipped).
    bool IsResting() const noexcept { return m_resting; }

private:
    bool m_resting = false;
};
