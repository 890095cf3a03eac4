// Scope guard for the audio path: saves the processor's floating-point control
// state, masks the denormal and precision exceptions, switches on flush-to-zero
// and denormals-are-zero, and restores everything on exit. Audio thread.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define MORVEX_HAS_MXCSR 1
#endif

class CDenormalGuard
{
public:
    CDenormalGuard() noexcept
    {
#ifdef MORVEX_HAS_MXCSR
        m_saved = _mm_getcsr();
        // FTZ (bit 15), DAZ (bit 6), denormal (bit 8) and precision (bit 12) masks.
        _mm_setcsr(m_saved | 0x8000u | 0x0040u | 0x0100u | 0x1000u);
#endif
    }
    ~CDenormalGuard()
    {
#ifdef MORVEX_HAS_MXCSR
        _mm_setcsr(m_saved);
#endif
    }
    CDenormalGuard(const CDenormalGuard&) = delete;
    CDenormalGuard& operator=(const CDenormalGuard&) = delete;

private:
#ifdef MORVEX_HAS_MXCSR
    unsigned int m_saved = 0;
#endif
};
