#include "TimeScaling.h"

#include "LookupTables.h"

float TimeScaling::ToRatio(int index, float tempoBpm)
{
    if (index < 0 || index >= kTimeScaleCount - 1 || !(tempoBpm > 0.0f))
        return 1.0f;
    return TIME_SCALE_TO_RATIO[index] * 240.0f / tempoBpm;
}
