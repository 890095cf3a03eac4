// Replacements of the locking functions that count every call while counting is
// enabled (AllocationCounter) and forward to the implementation they replace,
// found with dlsym(RTLD_NEXT). The executable's own definitions come first in
// symbol lookup, so every lock the plug-in's code or the C++ library takes
// through these entry points passes here: mutexes (std::mutex and
// std::recursive_mutex lock through pthread_mutex_lock), read-write locks, spin
// locks, and __cxa_guard_acquire, which guards the first initialisation of a
// function-local static.
#include "AllocationCounter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdint>

namespace
{
template <typename FUNCTION>
FUNCTION Next(FUNCTION& cache, const char* name)
{
    if (!cache)
        cache = reinterpret_cast<FUNCTION>(dlsym(RTLD_NEXT, name));
    return cache;
}

using MUTEX_FN = int (*)(pthread_mutex_t*);
using RWLOCK_FN = int (*)(pthread_rwlock_t*);
using SPIN_FN = int (*)(pthread_spinlock_t*);
using GUARD_FN = int (*)(int64_t*);

MUTEX_FN g_mutexLock = nullptr;
MUTEX_FN g_mutexTryLock = nullptr;
RWLOCK_FN g_readLock = nullptr;
RWLOCK_FN g_writeLock = nullptr;
RWLOCK_FN g_tryReadLock = nullptr;
RWLOCK_FN g_tryWriteLock = nullptr;
SPIN_FN g_spinLock = nullptr;
SPIN_FN g_spinTryLock = nullptr;
GUARD_FN g_guardAcquire = nullptr;

// Resolved before main, so that no lookup happens while counting.
[[maybe_unused]] const bool g_resolved = [] {
    Next(g_mutexLock, "pthread_mutex_lock");
    Next(g_mutexTryLock, "pthread_mutex_trylock");
    Next(g_readLock, "pthread_rwlock_rdlock");
    Next(g_writeLock, "pthread_rwlock_wrlock");
    Next(g_tryReadLock, "pthread_rwlock_tryrdlock");
    Next(g_tryWriteLock, "pthread_rwlock_trywrlock");
    Next(g_spinLock, "pthread_spin_lock");
    Next(g_spinTryLock, "pthread_spin_trylock");
    Next(g_guardAcquire, "__cxa_guard_acquire");
    return true;
}();
} // namespace

extern "C"
{
int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    MorvexNoteLock();
    return Next(g_mutexLock, "pthread_mutex_lock")(mutex);
}

int pthread_mutex_trylock(pthread_mutex_t* mutex)
{
    MorvexNoteLock();
    return Next(g_mutexTryLock, "pthread_mutex_trylock")(mutex);
}

int pthread_rwlock_rdlock(pthread_rwlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_readLock, "pthread_rwlock_rdlock")(lock);
}

int pthread_rwlock_wrlock(pthread_rwlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_writeLock, "pthread_rwlock_wrlock")(lock);
}

int pthread_rwlock_tryrdlock(pthread_rwlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_tryReadLock, "pthread_rwlock_tryrdlock")(lock);
}

int pthread_rwlock_trywrlock(pthread_rwlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_tryWriteLock, "pthread_rwlock_trywrlock")(lock);
}

int pthread_spin_lock(pthread_spinlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_spinLock, "pthread_spin_lock")(lock);
}

int pthread_spin_trylock(pthread_spinlock_t* lock)
{
    MorvexNoteLock();
    return Next(g_spinTryLock, "pthread_spin_trylock")(lock);
}

// The Itanium C++ ABI's guard of a function-local static: called only while the
// static has not been initialised yet, and it takes a lock.
int __cxa_guard_acquire(int64_t* guard)
{
    MorvexNoteLock();
    return Next(g_guardAcquire, "__cxa_guard_acquire")(guard);
}
}
