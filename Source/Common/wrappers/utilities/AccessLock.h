// The effect's access lock: a recursive mutex that serialises writers changing
// many values at once (chunk and preset loading, preset reset, raw-block
// writes). Never taken on the audio thread.
#pragma once

#include <mutex>

class CAccessLock
{
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

    // Scope guard: locks in the constructor, unlocks in the destructor.
    class CScoped
    {
    public:
        explicit CScoped(CAccessLock& lock) : m_lock(lock) { m_lock.Lock(); }
        ~CScoped() { m_lock.Unlock(); }
        CScoped(const CScoped&) = delete;
        CScoped& operator=(const CScoped&) = delete;

    private:
        CAccessLock& m_lock;
    };

private:
    std::recursive_mutex m_mutex;
};
