// A small auto-/manual-reset event: set wakes a waiter; an auto-reset event is consumed by
// the wait that sees it, a manual-reset one stays set until reset.
#pragma once

#include <pthread.h>

#include <cstdint>

namespace v24 {

class Event {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    // Storage stays valid after destruction of the port table at exit; release() is the
    // explicit end of an event's life.
    ~Event() = default;

    bool create(bool manualReset);
    bool release();
    bool created() const { return m_bCreated; }

    void set();
    void reset();
    // True if the event was (or became) set within ms; kInfinite waits without limit.
    bool wait(uint32_t ms);

private:
    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
    bool m_bCreated = false;
    bool m_bManual = false;
    bool m_bSignalled = false;
};

} // namespace v24
