// Reading plug-in parameter display texts ("+3.00dB", "1.65kHz", "L25%", "x8", "Serial") as
// numbers with units, so the host can compare what a parameter shows with what the user asked.
#pragma once

#include <string>
#include <string_view>

namespace morvex::render
{

// A number read from a display text. Units that come in two sizes are brought to the smaller
// one (kHz -> Hz, s -> ms) so that a parameter switching from "948Hz" to "1.65kHz" still reads
// as one monotonic scale.
struct DISPLAY_NUMBER
{
    double value = 0.0;      // in baseUnit
    std::string baseUnit;    // "Hz", "ms", "dB", "%", "x", another unit in lower case, or ""
    std::string shownUnit;   // the unit as written, in lower case ("khz", "s"), or ""
    double shownScale = 1.0; // factor from shownUnit to baseUnit (1000 for "khz" and "s")
};

// Lower-cases ASCII letters and trims white space at both ends: the form in which names, words
// and units are compared (case-insensitive).
std::string NormaliseText(std::string_view text);

// Reads `text` as a number with an optional unit. Accepted forms:
//   "-3.50dB", "+3", "0.0 dB", "1.65kHz", "948Hz", "14.1ms", "1.00s", "25%", "x8", "8x",
//   "L25%" / "R40%" (pan: left is negative), "C" / "Center" / "Centre" (pan centre, 0),
//   "-inf" / "-inf dB" (minus infinity).
// Returns false for words: "Serial", "off", "1/8", "1/16D", "Lowpass 24dB". Any thread.
bool ParseDisplayNumber(std::string_view text, DISPLAY_NUMBER& number);

// True when two parsed values are the same number, allowing for the rounding of decimal
// scaling ("1.65kHz" read as 1649.9999999999998 Hz equals 1650 Hz).
bool SameDisplayValue(double a, double b);

} // namespace morvex::render
