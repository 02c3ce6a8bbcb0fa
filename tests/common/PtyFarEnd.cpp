#include "PtyFarEnd.h"

#include <chrono>
#include <poll.h>

PtyFarEnd::~PtyFarEnd()
{
    m_stop = true;
    finish();
}

void PtyFarEnd::play(std::vector<Step> steps)
{
    finish();
    m_player = std::thread([this, steps = std::move(steps)] {
        for (const Step& step : steps) {
            if (!WriteAll(master(), step.bytes, &m_stop))
                return;
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.pauseMs);
            while (!m_stop && std::chrono::steady_clock::now() < end)
                ::poll(nullptr, 0, 5);
        }
    });
}

void PtyFarEnd::finish()
{
    if (m_player.joinable())
        m_player.join();
}
