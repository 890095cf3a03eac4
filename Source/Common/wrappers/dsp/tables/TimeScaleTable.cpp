#include "../LookupTables.h"

const float TIME_SCALE_TO_RATIO[kTimeScaleCount] = {
    1.0f / 32.0f, 1.0f / 24.0f, 1.0f / 16.0f, 1.0f / 12.0f, 3.0f / 32.0f, 1.0f / 8.0f,
    1.0f / 6.0f,  3.0f / 16.0f, 1.0f / 4.0f,  1.0f / 3.0f,  3.0f / 8.0f,  1.0f / 2.0f,
    2.0f / 3.0f,  3.0f / 4.0f,  1.0f,         4.0f / 3.0f,  3.0f / 2.0f,  2.0f,
    8.0f / 3.0f,  3.0f,         4.0f,
    1.0f, // one second, whatever the tempo
};
