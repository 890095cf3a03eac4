// Finds the normalised value (0..1) of a VST 2 parameter that makes it show a value the user
// typed in display units. VST 2 gives a host no text-to-value conversion that plug-ins reliably
// answer, so the search only reads display texts, the way a user turning the knob would:
//   - words ("Serial", "off", "1/16D", "-inf") are matched exactly, ignoring case, against the
//     texts shown over a grid of 1025 values, and the match is refined by bisection;
//   - numbers with or without their unit ("-3", "-3dB", "1650", "1.65kHz", "L25%") are found by
//     bisection, relying on displays being monotonic in the normalised value.
#pragma once

#include "DisplayText.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::render
{

class CParameterSearch
{
public:
    // Sets the parameter to a normalised value and returns the text it then shows (display text
    // with its unit label, if the plug-in reports the unit separately).
    using DisplayFunction = std::function<std::string(float normalised)>;

    // Grid on which words are looked up; 1024 steps keep 0.5, 0.25, ... exact in float.
    static constexpr int kGridSteps = 1024;

    CParameterSearch(std::string parameterName, DisplayFunction display);

    // Finds the normalised value showing `requested`. A word matches the first run of values
    // showing it: its lower end if that is 0, its upper end if that is 1, else its middle. A
    // number lands in the middle of the values showing it exactly ("-3.00dB"), or on the first
    // value showing at least it when the display has no exact step for it. A number without a
    // unit is read in the unit the parameter shows at both ends of its numeric range, or in the
    // smaller unit (Hz, ms) when it switches units on the way ("948Hz" .. "1.65kHz").
    // Returns false with a message naming the parameter for unknown words, mismatched units
    // and numbers outside the displayed range. Calls the display function many times.
    bool Find(std::string_view requested, float& normalised, std::string& error);

private:
    struct BRACKET
    {
        float lastFalse; // largest value tried for which the predicate was false
        float firstTrue; // smallest value tried for which it was true
    };

    // Bisection between lo (predicate false) and hi (predicate true) down to float resolution.
    static BRACKET Bisect(float lo, float hi, const std::function<bool(float)>& predicate);

    static float GridValue(int index);
    void ReadGrid();
    bool FindWord(const std::string& word, float& normalised);
    bool FindNumber(std::string_view requested, float& normalised, std::string& error);
    std::string WordList() const;

    std::string m_name;
    DisplayFunction m_display;
    std::vector<std::string> m_gridTexts; // text shown at GridValue(i), i = 0..kGridSteps
};

} // namespace morvex::render
