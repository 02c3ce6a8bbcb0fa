#pragma once
// The view's state machine driven as its timer drives it, one OnTimer(101) a tick, so that a
// test steps through the search and the transfers without waiting for the clock. The view,
// fault and application fixtures drive their view through this.
#include "KorvaView.h"
#include "TransferState.h"

#include <cstdint>

class TickDriver {
public:
    // Ticks of a search cycle up to and including the read that identifies the device, and
    // the tick of state 0 that follows.
    static constexpr int kTicksToIdentify = 401;
    // What a run of ticks may take at the most, so that a state machine that never gets
    // there fails the test instead of hanging it.
    static constexpr int kTickLimit = 30000;

protected:
    TickDriver() = default;
    ~TickDriver() = default;
    TickDriver(const TickDriver&) = delete;
    TickDriver& operator=(const TickDriver&) = delete;

    // The view the ticks go to; its document holds the state.
    virtual CKorvaView& TickedView() const = 0;

    int32_t State() const;
    // A tick whose read or line sent has not ended when it returns goes on with the ticks that
    // take, as if it had waited in the port: a test counts the ticks that run a step.
    void Tick(int count = 1);
    // The ticks a read or line that has not ended takes; they run no step of their own.
    void FinishPortWait();
    // Ticks until the state differs from state; the number of ticks taken (limit: maxTicks).
    int TickWhileState(int32_t state, int maxTicks = kTickLimit);
    // Ticks until the state machine rests in the idle state (limit: maxTicks).
    void TickToIdle(int maxTicks = kTickLimit);
    // Runs the search until it ends (within a few search cycles), which must be by finding the
    // device, then the tick of state 0 and one idle tick: the view rests with the device
    // identified and its tick count at 0.
    void Identify();
};
