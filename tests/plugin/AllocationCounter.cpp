#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

// Counting state, written by whichever thread allocates.
namespace
{
int g_counting = 0;
long g_allocations = 0;
long g_releases = 0;
long g_locks = 0;

void* Allocate(std::size_t size) noexcept
{
    // operator new goes through malloc: when the malloc family is replaced it is
    // counted there, once; otherwise it is counted here.
#ifndef MORVEX_COUNT_MALLOC_FAMILY
    MorvexNoteAllocation();
#endif
    return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept
{
#ifndef MORVEX_COUNT_MALLOC_FAMILY
    MorvexNoteAllocation();
#endif
    void* pointer = nullptr;
    std::size_t align = static_cast<std::size_t>(alignment);
    if (align < sizeof(void*))
        align = sizeof(void*);
    if (posix_memalign(&pointer, align, size ? size : 1) != 0)
        return nullptr;
    return pointer;
}

void* OrThrow(void* pointer)
{
    if (!pointer)
        throw std::bad_alloc();
    return pointer;
}

void Release(void* pointer) noexcept
{
#ifndef MORVEX_COUNT_MALLOC_FAMILY
    if (pointer)
        MorvexNoteRelease();
#endif
    std::free(pointer);
}
} // namespace

extern "C" void MorvexNoteAllocation(void)
{
    if (__atomic_load_n(&g_counting, __ATOMIC_RELAXED))
        __atomic_fetch_add(&g_allocations, 1, __ATOMIC_RELAXED);
}

extern "C" void MorvexNoteRelease(void)
{
    if (__atomic_load_n(&g_counting, __ATOMIC_RELAXED))
        __atomic_fetch_add(&g_releases, 1, __ATOMIC_RELAXED);
}

extern "C" void MorvexNoteLock(void)
{
    if (__atomic_load_n(&g_counting, __ATOMIC_RELAXED))
        __atomic_fetch_add(&g_locks, 1, __ATOMIC_RELAXED);
}

void AllocationCounter::Start()
{
    __atomic_store_n(&g_allocations, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&g_releases, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&g_locks, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&g_counting, 1, __ATOMIC_SEQ_CST);
}

AllocationCounter::COUNTS AllocationCounter::Stop()
{
    __atomic_store_n(&g_counting, 0, __ATOMIC_SEQ_CST);
    COUNTS counts;
    counts.allocations = __atomic_load_n(&g_allocations, __ATOMIC_RELAXED);
    counts.releases = __atomic_load_n(&g_releases, __ATOMIC_RELAXED);
    counts.locks = __atomic_load_n(&g_locks, __ATOMIC_RELAXED);
    return counts;
}

bool AllocationCounter::CountsMallocFamily()
{
#ifdef MORVEX_COUNT_MALLOC_FAMILY
    return true;
#else
    return false;
#endif
}

// ---------------------------------------------------------------------------------------------
// Replacements of every form of the global operator new and delete, for objects and arrays.

#define MORVEX_REPLACE_NEW_AND_DELETE(ARRAY)                                                       \
    void* operator new ARRAY(std::size_t size) { return OrThrow(Allocate(size)); }                 \
    void* operator new ARRAY(std::size_t size, const std::nothrow_t&) noexcept                     \
    {                                                                                              \
        return Allocate(size);                                                                     \
    }                                                                                              \
    void* operator new ARRAY(std::size_t size, std::align_val_t alignment)                         \
    {                                                                                              \
        return OrThrow(AllocateAligned(size, alignment));                                          \
    }                                                                                              \
    void* operator new ARRAY(std::size_t size, std::align_val_t alignment,                         \
                             const std::nothrow_t&) noexcept                                       \
    {                                                                                              \
        return AllocateAligned(size, alignment);                                                   \
    }                                                                                              \
    void operator delete ARRAY(void* pointer) noexcept { Release(pointer); }                       \
    void operator delete ARRAY(void* pointer, const std::nothrow_t&) noexcept                      \
    {                                                                                              \
        Release(pointer);                                                                          \
    }                                                                                              \
    void operator delete ARRAY(void* pointer, std::size_t) noexcept { Release(pointer); }          \
    void operator delete ARRAY(void* pointer, std::align_val_t) noexcept { Release(pointer); }     \
    void operator delete ARRAY(void* pointer, std::size_t, std::align_val_t) noexcept              \
    {                                                                                              \
        Release(pointer);                                                                          \
    }                                                                                              \
    void operator delete ARRAY(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept    \
    {                                                                                              \
        Release(pointer);                                                                          \
    }

MORVEX_REPLACE_NEW_AND_DELETE()
MORVEX_REPLACE_NEW_AND_DELETE([])
