// A one-line progress bar redrawn in place ("\r") on a terminal, e.g.
//   rendering [##########----------]  50%
// Draws only when enabled (the caller decides: stderr is a terminal and the render is long
// enough to be worth watching) and only when the shown percentage changes.
#pragma once

#include <cstdint>
#include <cstdio>

namespace morvex::render
{

class CProgressBar
{
public:
    CProgressBar(std::FILE* stream, bool enabled);

    // done and total in samples; total > 0.
    void Update(std::int64_t done, std::int64_t total);

    // Clears the line so that later messages start on a clean one.
    void Finish();

private:
    static constexpr int kWidth = 40; // characters between the brackets

    std::FILE* m_stream;
    bool m_enabled;
    int m_shownPercent = -1;
};

} // namespace morvex::render
