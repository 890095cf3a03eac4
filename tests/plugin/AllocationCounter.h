// Counts heap allocations and releases of the whole process while enabled: the
// test executable replaces the global operator new and delete (every form) and,
// unless built with sanitizers, the C library's malloc family.
#pragma once

extern "C"
{
    // Shared with the malloc-family replacements (AllocationHooks.c).
    void MorvexNoteAllocation(void);
    void MorvexNoteRelease(void);
    // Shared with the lock replacements (LockHooks.cpp).
    void MorvexNoteLock(void);
}

namespace AllocationCounter
{
struct COUNTS
{
    long allocations = 0;
    long releases = 0;
    long locks = 0; // mutex, read-write and spin locks, function-static guards
};

// Clears the counters and starts counting.
void Start();
// Stops counting and answers what was counted since Start.
COUNTS Stop();
// True when malloc, calloc, realloc, free and the aligned forms are counted too;
// false in sanitizer builds, where only operator new and delete are counted.
bool CountsMallocFamily();
} // namespace AllocationCounter
