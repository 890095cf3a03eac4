// Tempo sync: note-length indices ("1/32" .. "4/1") to durations.
#pragma once

namespace TimeScaling
{
// Duration in seconds of note-length index `index` at `tempoBpm` beats per minute:
// TIME_SCALE_TO_RATIO[index] * 240 / tempo for 0..20 (a whole note is four beats);
// index 21, 22 or more, a negative index or a tempo that is not positive give one second.
// Any thread.
float ToRatio(int index, float tempoBpm);
} // namespace TimeScaling
