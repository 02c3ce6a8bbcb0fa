#include "WaitUntil.h"

#include <chrono>
#include <thread>

namespace {

std::function<void(int)>& Pause()
{
    static std::function<void(int)> pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return pause;
}

}  // namespace

void SetWaitPause(std::function<void(int ms)> pause)
{
    Pause() = std::move(pause);
}

bool WaitUntil(const std::function<bool()>& pred, int ms, int pollMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Pause()(pollMs);
    }
    return true;
}
