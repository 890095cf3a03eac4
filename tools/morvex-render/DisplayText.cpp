#include "DisplayText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace morvex::render
{

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct UNIT_SCALE
{
    const char* shown;
    const char* base;
    double scale;
};

// Units shown in two sizes are measured in the smaller one.
constexpr UNIT_SCALE kUnitScales[] = {
    {"hz", "Hz", 1.0},     {"khz", "Hz", 1000.0}, {"ms", "ms", 1.0}, {"s", "ms", 1000.0},
    {"sec", "ms", 1000.0}, {"db", "dB", 1.0},     {"%", "%", 1.0},   {"x", "x", 1.0},
};

// A unit is one token of letters, '%' or non-ASCII bytes (e.g. a degree sign): no digits, no
// spaces, no '/' (so "1/8" and "24dB Lowpass" stay words).
bool IsUnitToken(std::string_view token)
{
    return std::all_of(token.begin(), token.end(),
                       [](char c) {
                           return IsAsciiLetter(c) || c == '%' ||
                                  static_cast<unsigned char>(c) >= 0x80;
                       });
}

void SetUnit(std::string_view shown, DISPLAY_NUMBER& number)
{
    number.shownUnit = std::string(shown);
    number.baseUnit = std::string(shown);
    number.shownScale = 1.0;
    for (const UNIT_SCALE& unit : kUnitScales)
    {
        if (shown == unit.shown)
        {
            number.baseUnit = unit.base;
            number.shownScale = unit.scale;
            return;
        }
    }
}

} // namespace

std::string NormaliseText(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
    {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1]))
    {
        --end;
    }
    std::string result(text.substr(begin, end - begin));
    for (char& c : result)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

bool ParseDisplayNumber(std::string_view text, DISPLAY_NUMBER& number)
{
    const std::string lower = NormaliseText(text);
    if (lower.empty())
    {
        return false;
    }
    if (lower == "c" || lower == "center" || lower == "centre")
    {
        number = DISPLAY_NUMBER{};
        return true;
    }

    std::size_t pos = 0;
    double sign = 1.0;
    bool panPrefix = false;
    bool timesPrefix = false;
    const bool digitFollows =
        lower.size() > 1 && (IsDigit(lower[1]) || (lower[1] == '.' && lower.size() > 2));
    if ((lower[0] == 'l' || lower[0] == 'r') && digitFollows)
    {
        // Pan: "L25%" is 25 % to the left, read as -25.
        sign = lower[0] == 'l' ? -1.0 : 1.0;
        panPrefix = true;
        pos = 1;
    }
    else if (lower[0] == 'x' && digitFollows)
    {
        timesPrefix = true;
        pos = 1;
    }
    else if (lower[0] == '+' || lower[0] == '-')
    {
        sign = lower[0] == '-' ? -1.0 : 1.0;
        pos = 1;
    }

    double magnitude = 0.0;
    if (!panPrefix && !timesPrefix && lower.compare(pos, 3, "inf") == 0)
    {
        magnitude = std::numeric_limits<double>::infinity();
        pos += 3;
    }
    else
    {
        // Plain decimal: digits with an optional fraction; no exponent, no thousands separator.
        std::size_t end = pos;
        std::size_t digits = 0;
        while (end < lower.size() && IsDigit(lower[end]))
        {
            ++end;
            ++digits;
        }
        if (end < lower.size() && lower[end] == '.')
        {
            ++end;
            while (end < lower.size() && IsDigit(lower[end]))
            {
                ++end;
                ++digits;
            }
        }
        if (digits == 0)
        {
            return false;
        }
        const auto result = std::from_chars(lower.data() + pos, lower.data() + end, magnitude,
                                            std::chars_format::fixed);
        if (result.ec != std::errc())
        {
            return false;
        }
        pos = end;
    }

    std::size_t unitBegin = pos;
    while (unitBegin < lower.size() && IsSpace(lower[unitBegin]))
    {
        ++unitBegin;
    }
    const std::string_view unit = std::string_view(lower).substr(unitBegin);
    if (!IsUnitToken(unit))
    {
        return false;
    }
    if (timesPrefix && !unit.empty())
    {
        return false;
    }

    number.value = sign * magnitude;
    SetUnit(timesPrefix ? std::string_view("x") : unit, number);
    number.value *= number.shownScale;
    return true;
}

bool SameDisplayValue(double a, double b)
{
    if (a == b)
    {
        return true;
    }
    if (!std::isfinite(a) || !std::isfinite(b))
    {
        return false;
    }
    const double largest = std::max({1.0, std::fabs(a), std::fabs(b)});
    return std::fabs(a - b) <= 1e-9 * largest;
}

} // namespace morvex::render
