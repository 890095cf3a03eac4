// Where the signal-processing code uses SSE2 vectors. MORVEX_SIMD_SSE2 is 1 on x86-64
// (which always has SSE2) and 0 elsewhere or when the build defines MORVEX_SCALAR_DSP
// (CMake option of the same name), which compiles every file's plain scalar form instead, so
// that the form a port would run is built and tested here too. Both forms compute each
// lane's IEEE single operations; the ones that differ (reciprocal estimates, fused orders)
// are bounded by the parity check (scripts/scalar-parity.sh).
#pragma once

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(MORVEX_SCALAR_DSP)
#include <emmintrin.h>
#define MORVEX_SIMD_SSE2 1
#else
#define MORVEX_SIMD_SSE2 0
#endif
