#include "TickDriver.h"

#include "KorvaDoc.h"

#include <gtest/gtest.h>

namespace {
// Five search cycles: a device that answers is found in the first.
constexpr int kTicksToFindTheDevice = 2000;
}  // namespace

int32_t TickDriver::State() const
{
    return TickedView().GetDocument()->GetTransferState();
}

void TickDriver::Tick(int count)
{
    for (int i = 0; i < count; ++i) {
        TickedView().OnTimer(CKorvaView::kTimerId);
        FinishPortWait();
    }
}

void TickDriver::FinishPortWait()
{
    // Each of these ticks waits a little for the line, so that the bound is never reached
    // before the port's time-out has run out.
    for (int ticks = 0; TickedView().IsWaitingForPort() && ticks < kTickLimit; ++ticks)
        TickedView().OnTimer(CKorvaView::kTimerId);
    ASSERT_FALSE(TickedView().IsWaitingForPort()) << "a read or a line sent never ended";
}

int TickDriver::TickWhileState(int32_t state, int maxTicks)
{
    int ticks = 0;
    while (State() == state && ticks < maxTicks) {
        Tick();
        ++ticks;
    }
    return ticks;
}

void TickDriver::TickToIdle(int maxTicks)
{
    for (int ticks = 0; State() != kStateIdle && ticks < maxTicks; ++ticks)
        Tick();
}

void TickDriver::Identify()
{
    TickWhileState(kStateSearch, kTicksToFindTheDevice);
    ASSERT_EQ(State(), kStateIdentified) << "the device was not found";
    Tick();
    ASSERT_EQ(State(), kStateIdle);
    ASSERT_EQ(TickedView().m_bIdentified, 1);
    // The first idle tick starts the count of ticks afresh.
    Tick();
    ASSERT_EQ(State(), kStateIdle);
    ASSERT_EQ(TickedView().m_nTicks, 0);
}
