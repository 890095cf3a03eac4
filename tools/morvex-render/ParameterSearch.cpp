#include "ParameterSearch.h"

#include <algorithm>
#include <cmath>

namespace morvex::render
{

CParameterSearch::CParameterSearch(std::string parameterName, DisplayFunction display)
    : m_name(std::move(parameterName)), m_display(std::move(display))
{
}

float CParameterSearch::GridValue(int index)
{
    return static_cast<float>(index) / static_cast<float>(kGridSteps);
}

CParameterSearch::BRACKET CParameterSearch::Bisect(float lo, float hi,
                                                   const std::function<bool(float)>& predicate)
{
    // 64 halvings are more than a float in 0..1 can take; the loop ends when the midpoint can no
    // longer be told apart from an end.
    for (int iteration = 0; iteration < 64; ++iteration)
    {
        const float mid = lo + (hi - lo) * 0.5f;
        if (mid <= lo || mid >= hi)
        {
            break;
        }
        if (predicate(mid))
        {
            hi = mid;
        }
        else
        {
            lo = mid;
        }
    }
    return BRACKET{lo, hi};
}

void CParameterSearch::ReadGrid()
{
    if (!m_gridTexts.empty())
    {
        return;
    }
    m_gridTexts.reserve(kGridSteps + 1);
    for (int i = 0; i <= kGridSteps; ++i)
    {
        m_gridTexts.push_back(m_display(GridValue(i)));
    }
}

bool CParameterSearch::Find(std::string_view requested, float& normalised, std::string& error)
{
    ReadGrid();
    const std::string word = NormaliseText(requested);
    if (word.empty())
    {
        error = "no value given for '" + m_name + "'";
        return false;
    }
    if (FindWord(word, normalised))
    {
        return true;
    }
    return FindNumber(requested, normalised, error);
}

bool CParameterSearch::FindWord(const std::string& word, float& normalised)
{
    int first = -1;
    for (int i = 0; i <= kGridSteps; ++i)
    {
        if (NormaliseText(m_gridTexts[static_cast<std::size_t>(i)]) == word)
        {
            first = i;
            break;
        }
    }
    if (first < 0)
    {
        return false;
    }
    int last = first;
    while (last < kGridSteps &&
           NormaliseText(m_gridTexts[static_cast<std::size_t>(last + 1)]) == word)
    {
        ++last;
    }

    const auto shows = [this, &word](float x) { return NormaliseText(m_display(x)) == word; };
    const float low =
        first == 0 ? 0.0f : Bisect(GridValue(first - 1), GridValue(first), shows).firstTrue;
    if (low == 0.0f)
    {
        // Ends of the range are exact settings ("-inf" is true silence, not just a very low gain).
        normalised = 0.0f;
        return true;
    }
    if (last == kGridSteps)
    {
        normalised = 1.0f;
        return true;
    }
    const auto showsOther = [&shows](float x) { return !shows(x); };
    const float high = Bisect(GridValue(last), GridValue(last + 1), showsOther).lastFalse;
    const float middle = low + (high - low) * 0.5f;
    normalised = shows(middle) ? middle : low;
    return true;
}

std::string CParameterSearch::WordList() const
{
    std::vector<std::string> words;
    std::vector<std::string> seen;
    for (const std::string& text : m_gridTexts)
    {
        DISPLAY_NUMBER number;
        const std::string key = NormaliseText(text);
        if (key.empty() || ParseDisplayNumber(text, number) ||
            std::find(seen.begin(), seen.end(), key) != seen.end())
        {
            continue;
        }
        seen.push_back(key);
        words.push_back(text);
    }
    constexpr std::size_t kMaxWordsShown = 24;
    std::string list;
    for (std::size_t i = 0; i < words.size() && i < kMaxWordsShown; ++i)
    {
        list += (i == 0 ? "" : ", ") + words[i];
    }
    if (words.size() > kMaxWordsShown)
    {
        list += ", ...";
    }
    return list;
}

bool CParameterSearch::FindNumber(std::string_view requested, float& normalised, std::string& error)
{
    const std::string quoted = "'" + std::string(requested) + "'";
    const auto numberAt = [this](float x, DISPLAY_NUMBER& number)
    { return ParseDisplayNumber(m_display(x), number); };

    // The numeric part of the range, e.g. after an "Off" at 0: first and last numeric grid
    // points, refined to the exact values where the display turns numeric.
    int firstNumeric = -1;
    int lastNumeric = -1;
    for (int i = 0; i <= kGridSteps; ++i)
    {
        DISPLAY_NUMBER number;
        if (ParseDisplayNumber(m_gridTexts[static_cast<std::size_t>(i)], number))
        {
            firstNumeric = firstNumeric < 0 ? i : firstNumeric;
            lastNumeric = i;
        }
    }

    DISPLAY_NUMBER wanted;
    const bool wantedIsNumber = ParseDisplayNumber(requested, wanted);
    if (!wantedIsNumber || firstNumeric < 0)
    {
        const std::string words = WordList();
        error = "unknown value " + quoted + " for '" + m_name + "'";
        if (firstNumeric < 0 && !words.empty())
        {
            error += "; it shows one of: " + words;
        }
        else if (firstNumeric >= 0)
        {
            error += "; give a number such as '" +
                     m_gridTexts[static_cast<std::size_t>(firstNumeric)] + "'";
            if (!words.empty())
            {
                error += " or one of: " + words;
            }
        }
        return false;
    }

    const auto isNumeric = [&numberAt](float x)
    {
        DISPLAY_NUMBER number;
        return numberAt(x, number);
    };
    const auto isWord = [&isNumeric](float x) { return !isNumeric(x); };
    const float rangeLow =
        firstNumeric == 0
            ? 0.0f
            : Bisect(GridValue(firstNumeric - 1), GridValue(firstNumeric), isNumeric).firstTrue;
    const float rangeHigh =
        lastNumeric == kGridSteps
            ? 1.0f
            : Bisect(GridValue(lastNumeric), GridValue(lastNumeric + 1), isWord).lastFalse;
    const std::string lowText = m_display(rangeLow);
    const std::string highText = m_display(rangeHigh);
    DISPLAY_NUMBER low;
    DISPLAY_NUMBER high;
    if (!ParseDisplayNumber(lowText, low) || !ParseDisplayNumber(highText, high))
    {
        error = "cannot read the range of '" + m_name + "' from its display";
        return false;
    }

    const std::string& unit = low.baseUnit.empty() ? high.baseUnit : low.baseUnit;
    if (!wanted.baseUnit.empty() && !unit.empty() && wanted.baseUnit != unit)
    {
        error = "value " + quoted + " for '" + m_name + "' has the wrong unit; it shows " + unit +
                " (" + lowText + " .. " + highText + ")";
        return false;
    }
    double target = wanted.value;
    if (wanted.shownUnit.empty() && low.shownUnit == high.shownUnit)
    {
        target *= low.shownScale;
    }

    const double lowest = std::min(low.value, high.value);
    const double highest = std::max(low.value, high.value);
    if (std::isnan(target) || (target < lowest && !SameDisplayValue(target, lowest)) ||
        (target > highest && !SameDisplayValue(target, highest)))
    {
        error = "value " + quoted + " is out of range for '" + m_name + "' (" + lowText + " .. " +
                highText + ")";
        return false;
    }

    // Work on an increasing scale: a display falling from 0 to 1 is mirrored.
    const double direction = high.value >= low.value ? 1.0 : -1.0;
    const double scaledTarget = direction * target;
    const auto scaledAt = [&numberAt, direction](float x, double& value)
    {
        DISPLAY_NUMBER number;
        if (!numberAt(x, number))
        {
            return false;
        }
        value = direction * number.value;
        return true;
    };
    const auto reaches = [&scaledAt, scaledTarget](float x)
    {
        double value = 0.0;
        return scaledAt(x, value) &&
               (value > scaledTarget || SameDisplayValue(value, scaledTarget));
    };
    const auto passes = [&scaledAt, scaledTarget](float x)
    {
        double value = 0.0;
        return scaledAt(x, value) && value > scaledTarget && !SameDisplayValue(value, scaledTarget);
    };
    const auto showsTarget = [&scaledAt, scaledTarget](float x)
    {
        double value = 0.0;
        return scaledAt(x, value) && SameDisplayValue(value, scaledTarget);
    };

    BRACKET first{rangeLow, rangeLow};
    if (!reaches(rangeLow))
    {
        first = Bisect(rangeLow, rangeHigh, reaches);
    }
    if (!showsTarget(first.firstTrue))
    {
        // No display step shows the number itself: take the closer of the two neighbours.
        double below = 0.0;
        double above = 0.0;
        const bool haveBelow = scaledAt(first.lastFalse, below);
        scaledAt(first.firstTrue, above);
        normalised = haveBelow && scaledTarget - below < above - scaledTarget ? first.lastFalse
                                                                              : first.firstTrue;
        return true;
    }
    if (first.firstTrue == 0.0f)
    {
        normalised = 0.0f;
        return true;
    }
    if (!passes(rangeHigh))
    {
        normalised = rangeHigh;
        return true;
    }
    const float lastShowing = Bisect(first.firstTrue, rangeHigh, passes).lastFalse;
    const float middle = first.firstTrue + (lastShowing - first.firstTrue) * 0.5f;
    normalised = showsTarget(middle) ? middle : first.firstTrue;
    return true;
}

} // namespace morvex::render
