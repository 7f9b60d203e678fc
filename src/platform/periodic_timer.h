#pragma once
// A periodic timer that runs a callback on its own thread, at a fixed rate
// that does not drift: ticks missed while the thread was not scheduled are
// caught up (a bounded number at a time), so per-tick speeds hold.

#include <cstdint>

struct PeriodicTimer;

// Starts calling `callback` every `periodMicroseconds` on a new thread.
// Null, with errno set, when the timer cannot be started.
PeriodicTimer* startPeriodicTimer(int64_t periodMicroseconds, void (*callback)());

// Stops the timer; when this returns, the thread has ended and the callback
// runs no more.
void stopPeriodicTimer(PeriodicTimer* timer);

// Number of callbacks run so far.
uint64_t periodicTimerTicks(const PeriodicTimer* timer);
