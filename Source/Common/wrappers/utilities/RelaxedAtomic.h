// A value shared between the user-interface thread and the audio thread without
// a lock. Loads and stores are atomic with relaxed ordering: each read sees a
// whole value, never a torn one, and on x86 the code is that of a plain access.
#pragma once

#include <atomic>

template <typename T>
class RelaxedAtomic
{
public:
    RelaxedAtomic(T value = T()) noexcept : m_value(value) {}
    RelaxedAtomic(const RelaxedAtomic& other) noexcept : m_value(other.Load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) noexcept
    {
        Store(other.Load());
        return *this;
    }
    RelaxedAtomic& operator=(T value) noexcept
    {
        Store(value);
        return *this;
    }

    operator T() const noexcept { return Load(); }
    T Load() const noexcept { return m_value.load(std::memory_order_relaxed); }
    void Store(T value) noexcept { m_value.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> m_value;
};
