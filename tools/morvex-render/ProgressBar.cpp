#include "ProgressBar.h"

namespace morvex::render
{

CProgressBar::CProgressBar(std::FILE* stream, bool enabled) : m_stream(stream), m_enabled(enabled)
{
}

void CProgressBar::Update(std::int64_t done, std::int64_t total)
{
    if (!m_enabled || total <= 0)
    {
        return;
    }
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == m_shownPercent)
    {
        return;
    }
    m_shownPercent = percent;
    const int filled = percent * kWidth / 100;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
    {
        bar[i] = i < filled ? '#' : '-';
    }
    bar[kWidth] = '\0';
    std::fprintf(m_stream, "\rrendering [%s] %3d%%", bar, percent);
    std::fflush(m_stream);
}

void CProgressBar::Finish()
{
    if (m_enabled && m_shownPercent >= 0)
    {
        // Blank the line: the summary follows on stdout.
        std::fprintf(m_stream, "\r%*s\r", kWidth + 20, "");
        std::fflush(m_stream);
    }
    m_shownPercent = -1;
}

} // namespace morvex::render
