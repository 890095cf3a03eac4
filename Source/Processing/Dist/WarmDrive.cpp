#include "WarmDrive.h"

#include <cmath>

#include "Common/wrappers/dsp/Float4.h"

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

namespace
{
// One drive's coefficients and memories in double lanes: lane 0 the left channel, lane 1
// the right. The arithmetic is GetSample's, operation for operation.
struct WARM_LANES
{
    DOUBLE2 r, m, hp, p, nSq, nOff, norm, beta;
    DOUBLE2 shapedPrevious, outputPrevious;

    void LoadCoefficients(double cr, double cm, double chp, double cp, double cnSq, double cnOff,
                          double cnorm) noexcept
    {
        using Float4::BroadcastDouble;
        r = BroadcastDouble(cr);
        m = BroadcastDouble(cm);
        hp = BroadcastDouble(chp);
        p = BroadcastDouble(cp);
        nSq = BroadcastDouble(cnSq);
        nOff = BroadcastDouble(cnOff);
        norm = BroadcastDouble(cnorm);
    }

    DOUBLE2 Process(DOUBLE2 x) noexcept
    {
        using namespace Float4;
        const DOUBLE2 signBit = BroadcastDouble(-0.0);
        const DOUBLE2 floor = BroadcastDouble(1e-9);
        const DOUBLE2 infinity = BroadcastDouble(HUGE_VAL);
        // SqrtMagnitude: the root of |v|, 0 at or below 1e-9 (and for NaN).
        auto sqrtMagnitude = [&](DOUBLE2 v) noexcept {
            const DOUBLE2 a = Abs(v);
            return And(Greater(a, floor), Sqrt(a));
        };
        // Settle: v when finite and above 1e-9 in magnitude, else 0.
        auto settle = [&](DOUBLE2 v) noexcept {
            const DOUBLE2 a = Abs(v);
            return And(And(Greater(a, floor), Less(a, infinity)), v);
        };
        const DOUBLE2 positive = (sqrtMagnitude((r - x) * x + m) + hp) * norm;
        const DOUBLE2 negative = Xor(sqrtMagnitude(nSq - (p + x) * x) + nOff, signBit) * norm;
        const DOUBLE2 y = Select(GreaterOrEqual(x, ZeroDouble()), positive, negative);
        const DOUBLE2 out = (y - shapedPrevious + outputPrevious) * beta;
        shapedPrevious = settle(y);
        outputPrevious = settle(out);
        return out;
    }
};
} // namespace

void CWarmDrive::ProcessSeries(CWarmDrive& first, CWarmDrive& second, float* left, float* right,
                               const float* drive, float crispness, int count) noexcept
{
    using namespace Float4;
    CWarmDrive* const drives[2] = {&first, &second};
    WARM_LANES lanes[2];
    for (int k = 0; k < 2; ++k)
    {
        const CWarmDrive& d = *drives[k];
        lanes[k].LoadCoefficients(d.m_r, d.m_m, d.m_hp, d.m_p, d.m_nSq, d.m_nOff, d.m_norm);
        lanes[k].beta = BroadcastDouble(d.m_beta);
        lanes[k].shapedPrevious = Load(d.m_shapedPrevious);
        lanes[k].outputPrevious = Load(d.m_outputPrevious);
    }
    const float b = 20.0f * crispness - 10.0f;
    for (int i = 0; i < count; ++i)
    {
        const float g = 9.9f * drive[i] + 0.1f;
        FLOAT4 samples = LoadPair(left + i, right + i);
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
            samples = ToFloat(lanes[k].Process(ToDouble(samples)));
        }
        StorePair(left + i, right + i, samples);
    }
    for (int k = 0; k < 2; ++k)
    {
        CWarmDrive& d = *drives[k];
        Store(d.m_shapedPrevious, lanes[k].shapedPrevious);
        Store(d.m_outputPrevious, lanes[k].outputPrevious);
    }
}
