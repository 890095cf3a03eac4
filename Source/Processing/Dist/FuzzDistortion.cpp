#include "FuzzDistortion.h"

#include "Common/wrappers/dsp/Simd.h"

void CFuzzDistortion::Reset() noexcept
{
    for (CHANNEL& channel : m_channels)
        channel = CHANNEL();
}

void CFuzzDistortion::ProcessBlock(float* left, float* right, const float* gain, const float* mix,
                                   int count) noexcept
{
#if MORVEX_SIMD_SSE2
    // Lane 0 the left channel, lane 1 the right; lanes 2 and 3 idle.
    __m128 lowpass = _mm_setr_ps(m_channels[0].lowpass, m_channels[1].lowpass, 0.0f, 0.0f);
    __m128 lowpassPrev =
        _mm_setr_ps(m_channels[0].lowpassPrev, m_channels[1].lowpassPrev, 0.0f, 0.0f);
    __m128 blocker = _mm_setr_ps(m_channels[0].blocker, m_channels[1].blocker, 0.0f, 0.0f);
    __m128 treble = _mm_setr_ps(m_channels[0].treble, m_channels[1].treble, 0.0f, 0.0f);
    const __m128 kLowpassV = _mm_set1_ps(kLowpass);
    const __m128 kBlockerV = _mm_set1_ps(kBlocker);
    const __m128 kBlockerGainV = _mm_set1_ps((1.0f + kBlocker) * 0.5f);
    const __m128 kTrebleV = _mm_set1_ps(kTreble);
    const __m128 three = _mm_set1_ps(3.0f);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 clipHigh = _mm_set1_ps(kClip);
    const __m128 clipLow = _mm_set1_ps(-kClip);
    for (int i = 0; i < count; ++i)
    {
        const __m128 x = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
        const __m128 g = _mm_set1_ps(gain[i]);
        const __m128 m = _mm_set1_ps(mix[i]);
        lowpass = _mm_add_ps(lowpass, _mm_mul_ps(_mm_sub_ps(x, lowpass), kLowpassV));
        __m128 y = _mm_add_ps(_mm_mul_ps(kBlockerV, blocker),
                              _mm_mul_ps(kBlockerGainV, _mm_sub_ps(lowpass, lowpassPrev)));
        lowpassPrev = lowpass;
        blocker = y;
        y = _mm_mul_ps(y, g);
        treble = _mm_add_ps(treble, _mm_mul_ps(_mm_sub_ps(y, treble), kTrebleV));
        y = _mm_add_ps(y, _mm_mul_ps(three, _mm_sub_ps(y, treble)));
        // y < -clip ? -clip : (y > clip ? clip : y), operands ordered as that reads.
        y = _mm_max_ps(clipLow, _mm_min_ps(clipHigh, y));
        const __m128 out = _mm_add_ps(_mm_mul_ps(y, m), _mm_mul_ps(x, _mm_sub_ps(one, m)));
        _mm_store_ss(left + i, out);
        _mm_store_ss(right + i, _mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
    }
    alignas(16) float lanes[4][4];
    _mm_store_ps(lanes[0], lowpass);
    _mm_store_ps(lanes[1], lowpassPrev);
    _mm_store_ps(lanes[2], blocker);
    _mm_store_ps(lanes[3], treble);
    for (int channel = 0; channel < 2; ++channel)
    {
        m_channels[channel].lowpass = lanes[0][channel];
        m_channels[channel].lowpassPrev = lanes[1][channel];
        m_channels[channel].blocker = lanes[2][channel];
        m_channels[channel].treble = lanes[3][channel];
    }
#else
    for (int i = 0; i < count; ++i)
        Process(left[i], right[i], gain[i], mix[i]);
#endif
}
