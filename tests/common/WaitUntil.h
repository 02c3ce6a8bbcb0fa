#pragma once
// Waits (bounded) until a condition holds: for hand-overs between threads and processes and
// for what the event loop brings about, never to measure time. Between two looks the thread
// pauses for pollMs: it sleeps, unless the test program has set a pause of its own (the Qt
// test main runs the application's events in it: timers, repaints and the idle update).
#include <functional>

bool WaitUntil(const std::function<bool()>& pred, int ms = 5000, int pollMs = 1);
void SetWaitPause(std::function<void(int ms)> pause);
