#include "WarmDrive.h"

#include <cmath>

#include "Common/wrappers/dsp/Simd.h"

namespace
{
// Memories are cleared when they become negligible or stop being finite.
double Settle(double v) noexcept
{
    return std::isfinite(v) && std::fabs(v) > 1e-9 ? v : 0.0;
}
} // namespace

double CWarmDrive::SqrtMagnitude(double v) noexcept
{
    const double a = std::fabs(v);
    return a > 1e-9 ? std::sqrt(a) : 0.0;
}

CWarmDrive::CWarmDrive()
{
    SetSampleRate(44100.0f);
}

void CWarmDrive::SetSampleRate(float sampleRate)
{
    const double tenthRate = 0.1 * static_cast<double>(sampleRate);
    m_beta = tenthRate / (1.0 + tenthRate);
}

void CWarmDrive::Reset() noexcept
{
    for (int channel = 0; channel < 2; ++channel)
    {
        m_shapedPrevious[channel] = 0.0;
        m_outputPrevious[channel] = 0.0;
    }
}

void CWarmDrive::UpdateCoefficients(float g, float b) noexcept
{
    const double a = 12.0 / static_cast<double>(g);
    const double c = a / (10.5 - static_cast<double>(b));
    const double t = 2.0 * a * a - 1.0;
    m_r = SqrtMagnitude(t) + 1.0;
    m_hp = (2.0 - m_r) * 0.5;
    m_m = (a * a - m_r + 1.0) * 0.5;
    const double q = m_r / SqrtMagnitude(2.0 * SqrtMagnitude(t) - 2.0 * a * a);
    const double w = SqrtMagnitude(q * q + 1.0);
    const double k = 780.0 * c / 33.0;
    m_nOff = -k / w;
    m_p = 2.0 * q * k / w;
    m_nSq = k * k / (q * q + 1.0);
    m_norm = 2.0 / (2.0 * m_nOff + SqrtMagnitude(4.0 * m_nSq + 2.0 * m_p - 1.0) + 1.0);
    m_g = g;
    m_b = b;
}

float CWarmDrive::GetSample(int channel, float input) noexcept
{
    const double x = static_cast<double>(input);
    double y = 0.0;
    if (x >= 0.0)
        y = (SqrtMagnitude((m_r - x) * x + m_m) + m_hp) * m_norm;
    else
        y = -(SqrtMagnitude(m_nSq - (m_p + x) * x) + m_nOff) * m_norm;
    const double out = (y - m_shapedPrevious[channel] + m_outputPrevious[channel]) * m_beta;
    m_shapedPrevious[channel] = Settle(y);
    m_outputPrevious[channel] = Settle(out);
    return static_cast<float>(out);
}

void CWarmDrive::Process(float& left, float& right, float drive, float crispness) noexcept
{
    const float g = 9.9f * drive + 0.1f;
    const float b = 20.0f * crispness - 10.0f;
    if (std::fabs(g - m_g) > 1e-9f || std::fabs(b - m_b) > 1e-9f)
        UpdateCoefficients(g, b);
    left = GetSample(0, left);
    right = GetSample(1, right);
}

#if MORVEX_SIMD_SSE2
namespace
{
// One drive's coefficients and memories in SSE2 registers: lane 0 the left channel, lane 1
// the right. The arithmetic is GetSample's, operation for operation.
struct WARM_LANES
{
    __m128d r, m, hp, p, nSq, nOff, norm, beta;
    __m128d shapedPrevious, outputPrevious;

    void LoadCoefficients(double cr, double cm, double chp, double cp, double cnSq, double cnOff,
                          double cnorm) noexcept
    {
        r = _mm_set1_pd(cr);
        m = _mm_set1_pd(cm);
        hp = _mm_set1_pd(chp);
        p = _mm_set1_pd(cp);
        nSq = _mm_set1_pd(cnSq);
        nOff = _mm_set1_pd(cnOff);
        norm = _mm_set1_pd(cnorm);
    }

    __m128d Process(__m128d x) noexcept
    {
        const __m128d signBit = _mm_set1_pd(-0.0);
        const __m128d floor = _mm_set1_pd(1e-9);
        const __m128d infinity = _mm_set1_pd(HUGE_VAL);
        // SqrtMagnitude: the root of |v|, 0 at or below 1e-9 (and for NaN).
        auto sqrtMagnitude = [&](__m128d v) noexcept {
            const __m128d a = _mm_andnot_pd(signBit, v);
            return _mm_and_pd(_mm_cmpgt_pd(a, floor), _mm_sqrt_pd(a));
        };
        // Settle: v when finite and above 1e-9 in magnitude, else 0.
        auto settle = [&](__m128d v) noexcept {
            const __m128d a = _mm_andnot_pd(signBit, v);
            return _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(a, floor), _mm_cmplt_pd(a, infinity)), v);
        };
        const __m128d positive = _mm_mul_pd(
            _mm_add_pd(sqrtMagnitude(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(r, x), x), m)), hp), norm);
        const __m128d negative = _mm_mul_pd(
            _mm_xor_pd(
                _mm_add_pd(sqrtMagnitude(_mm_sub_pd(nSq, _mm_mul_pd(_mm_add_pd(p, x), x))), nOff),
                signBit),
            norm);
        const __m128d isPositive = _mm_cmpge_pd(x, _mm_setzero_pd());
        const __m128d y =
            _mm_or_pd(_mm_and_pd(isPositive, positive), _mm_andnot_pd(isPositive, negative));
        const __m128d out =
            _mm_mul_pd(_mm_add_pd(_mm_sub_pd(y, shapedPrevious), outputPrevious), beta);
        shapedPrevious = settle(y);
        outputPrevious = settle(out);
        return out;
    }
};
} // namespace
#endif

void CWarmDrive::ProcessSeries(CWarmDrive& first, CWarmDrive& second, float* left, float* right,
                               const float* drive, float crispness, int count) noexcept
{
#if MORVEX_SIMD_SSE2
    CWarmDrive* const drives[2] = {&first, &second};
    WARM_LANES lanes[2];
    for (int k = 0; k < 2; ++k)
    {
        const CWarmDrive& d = *drives[k];
        lanes[k].LoadCoefficients(d.m_r, d.m_m, d.m_hp, d.m_p, d.m_nSq, d.m_nOff, d.m_norm);
        lanes[k].beta = _mm_set1_pd(d.m_beta);
        lanes[k].shapedPrevious = _mm_setr_pd(d.m_shapedPrevious[0], d.m_shapedPrevious[1]);
        lanes[k].outputPrevious = _mm_setr_pd(d.m_outputPrevious[0], d.m_outputPrevious[1]);
    }
    const float b = 20.0f * crispness - 10.0f;
    for (int i = 0; i < count; ++i)
    {
        const float g = 9.9f * drive[i] + 0.1f;
        __m128 samples = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
        for (int k = 0; k < 2; ++k)
        {
            CWarmDrive& d = *drives[k];
            if (std::fabs(g - d.m_g) > 1e-9f || std::fabs(b - d.m_b) > 1e-9f)
            {
                d.UpdateCoefficients(g, b);
                lanes[k].LoadCoefficients(d.m_r, d.m_m, d.m_hp, d.m_p, d.m_nSq, d.m_nOff,
                                          d.m_norm);
            }
            // Each drive hands the next its output as float, as Process does.
            samples = _mm_cvtpd_ps(lanes[k].Process(_mm_cvtps_pd(samples)));
        }
        _mm_store_ss(left + i, samples);
        _mm_store_ss(right + i, _mm_shuffle_ps(samples, samples, _MM_SHUFFLE(1, 1, 1, 1)));
    }
    for (int k = 0; k < 2; ++k)
    {
        CWarmDrive& d = *drives[k];
        _mm_storel_pd(&d.m_shapedPrevious[0], lanes[k].shapedPrevious);
        _mm_storeh_pd(&d.m_shapedPrevious[1], lanes[k].shapedPrevious);
        _mm_storel_pd(&d.m_outputPrevious[0], lanes[k].outputPrevious);
        _mm_storeh_pd(&d.m_outputPrevious[1], lanes[k].outputPrevious);
    }
#else
    for (int i = 0; i < count; ++i)
    {
        first.Process(left[i], right[i], drive[i], crispness);
        second.Process(left[i], right[i], drive[i], crispness);
    }
#endif
}
