#include "event.h"

#include <cerrno>
#include <ctime>

namespace v24 {

bool Event::create(bool manualReset)
{
    pthread_condattr_t attr;
    if (pthread_condattr_init(&attr) != 0)
        return false;
    // Waits are measured on the monotonic clock so that a clock change cannot stretch them.
    bool ok = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC) == 0 &&
              pthread_cond_init(&m_cond, &attr) == 0;
    pthread_condattr_destroy(&attr);
    if (!ok)
        return false;
    if (pthread_mutex_init(&m_mutex, nullptr) != 0) {
        pthread_cond_destroy(&m_cond);
        return false;
    }
    m_bManual = manualReset;
    m_bSignalled = false;
    m_bCreated = true;
    return true;
}

bool Event::release()
{
    if (!m_bCreated)
        return false;
    m_bCreated = false;
    bool ok = pthread_cond_destroy(&m_cond) == 0;
    ok = pthread_mutex_destroy(&m_mutex) == 0 && ok;
    return ok;
}

void Event::set()
{
    pthread_mutex_lock(&m_mutex);
    m_bSignalled = true;
    if (m_bManual)
        pthread_cond_broadcast(&m_cond);
    else
        pthread_cond_signal(&m_cond);
    pthread_mutex_unlock(&m_mutex);
}

void Event::reset()
{
    pthread_mutex_lock(&m_mutex);
    m_bSignalled = false;
    pthread_mutex_unlock(&m_mutex);
}

bool Event::wait(uint32_t ms)
{
    pthread_mutex_lock(&m_mutex);
    if (ms == kInfinite) {
        while (!m_bSignalled)
            pthread_cond_wait(&m_cond, &m_mutex);
    } else if (!m_bSignalled && ms > 0) {
        timespec deadline;
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += ms / 1000;
        deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        while (!m_bSignalled) {
            if (pthread_cond_timedwait(&m_cond, &m_mutex, &deadline) == ETIMEDOUT)
                break;
        }
    }
    bool signalled = m_bSignalled;
    if (signalled && !m_bManual)
        m_bSignalled = false;
    pthread_mutex_unlock(&m_mutex);
    return signalled;
}

} // namespace v24
