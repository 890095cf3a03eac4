// Fuzz stage, stereo, run at twice the sample rate: a one-pole low-pass, a DC
// blocker, gain, a treble lift (the signal plus three times its own high-passed
// part) and a hard clip at +-0.25, mixed with the stage's input. The coefficients
// are fixed and do not follow the sample rate.
#pragma once

class CFuzzDistortion
{
public:
    void Reset() noexcept;
    // One stereo sample in place: gain linear (> 0), mix 0..1 (0 passes the input
    // unchanged). Audio thread.
    void Process(float& left, float& right, float gain, float mix) noexcept
    {
        left = ProcessChannel(m_channels[0], left, gain, mix);
        right = ProcessChannel(m_channels[1], right, gain, mix);
    }
    // count stereo samples in place, sample i with gain[i] and mix[i]: the same as count
    // calls of Process, both channels computed side by side. Audio thread.
    void ProcessBlock(float* left, float* right, const float* gain, const float* mix,
                      int count) noexcept;

private:
    static constexpr float kLowpass = 0.4988662f;
    static constexpr float kBlocker = 0.9943172f;
    static constexpr float kTreble = 0.2028858f;
    static constexpr float kClip = 0.25f;

    struct CHANNEL
    {
        float lowpass = 0.0f;     // one-pole low-pass state
        float lowpassPrev = 0.0f; // its previous output, for the blocker
        float blocker = 0.0f;     // blocker output
        float treble = 0.0f;      // one-pole state of the treble lift
    };

    static float ProcessChannel(CHANNEL& state, float x, float gain, float mix) noexcept
    {
        state.lowpass += (x - state.lowpass) * kLowpass;
        float y = kBlocker * state.blocker +
                  (1.0f + kBlocker) * 0.5f * (state.lowpass - state.lowpassPrev);
        state.lowpassPrev = state.lowpass;
        state.blocker = y;
        y *= gain;
        state.treble += (y - state.treble) * kTreble;
        y += 3.0f * (y - state.treble);
        y = y < -kClip ? -kClip : (y > kClip ? kClip : y);
        return y * mix + x * (1.0f - mix);
    }

    CHANNEL m_channels[2];
};
