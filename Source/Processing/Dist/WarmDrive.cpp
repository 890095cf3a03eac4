#include "WarmDrive.h"

#include <cmath>

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
