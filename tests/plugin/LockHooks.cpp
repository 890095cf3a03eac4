// Replacements of the locking functions that count every call while counting is enabled
// (AllocationCounter) and forward to the implementation they replace, found with
// dlsym(RTLD_NEXT). The executable's own definitions come first in symbol lookup, so every lock
// the plug-in's code or the C++ library takes through these entry points passes here: mutexes
// (std::mutex and std::recursive_mutex lock through pthread_mutex_lock), read-write locks, spin
// locks, and __cxa_guard_acquire, the Itanium C++ ABI's guard of a function-local static's first
// initialisation.
#include "AllocationCounter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdint>

namespace
{
template <typename FUNCTION> FUNCTION Next(FUNCTION& cache, const char* name)
{
    if (!cache)
        cache = reinterpret_cast<FUNCTION>(dlsym(RTLD_NEXT, name));
    return cache;
}
} // namespace

// The replaced function is looked up before main, so that no lookup happens while counting,
// and again on a call made before that (static initialisers run in no fixed order).
#define MORVEX_COUNTED_LOCK(NAME, TYPE)                                                            \
    namespace                                                                                      \
    {                                                                                              \
    int (*g_##NAME)(TYPE*) = nullptr;                                                              \
    [[maybe_unused]] const bool g_##NAME##Resolved = Next(g_##NAME, #NAME) != nullptr;             \
    }                                                                                              \
    extern "C" int NAME(TYPE* lock)                                                                \
    {                                                                                              \
        MorvexNoteLock();                                                                          \
        return Next(g_##NAME, #NAME)(lock);                                                        \
    }

MORVEX_COUNTED_LOCK(pthread_mutex_lock, pthread_mutex_t)
MORVEX_COUNTED_LOCK(pthread_mutex_trylock, pthread_mutex_t)
MORVEX_COUNTED_LOCK(pthread_rwlock_rdlock, pthread_rwlock_t)
MORVEX_COUNTED_LOCK(pthread_rwlock_wrlock, pthread_rwlock_t)
MORVEX_COUNTED_LOCK(pthread_rwlock_tryrdlock, pthread_rwlock_t)
MORVEX_COUNTED_LOCK(pthread_rwlock_trywrlock, pthread_rwlock_t)
MORVEX_COUNTED_LOCK(pthread_spin_lock, pthread_spinlock_t)
MORVEX_COUNTED_LOCK(pthread_spin_trylock, pthread_spinlock_t)
MORVEX_COUNTED_LOCK(__cxa_guard_acquire, int64_t)
