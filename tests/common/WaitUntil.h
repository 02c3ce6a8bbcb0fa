#pragma once
// Waits (bounded) until a condition holds: for hand-overs between threads and processes,
// never to measure time.
#include <functional>

bool WaitUntil(const std::function<bool()>& pred, int ms = 3000);
