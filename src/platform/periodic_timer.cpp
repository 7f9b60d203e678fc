#include "platform/periodic_timer.h"

#include <atomic>
#include <cerrno>
#include <sys/timerfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

struct PeriodicTimer {
    int fd = -1;
    void (*callback)() = nullptr;
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> ticks{0};
    std::thread thread;
};

namespace {

// More than this many missed periods in one wake-up are dropped: after a
// long stall the editor should not race through seconds of movement.
constexpr uint64_t maxCatchUp = 50;

void run(PeriodicTimer* timer) {
    while (!timer->stopping.load()) {
        uint64_t expirations = 0;
        const ssize_t got = ::read(timer->fd, &expirations, sizeof expirations);
        if (got != static_cast<ssize_t>(sizeof expirations)) {
            if (got < 0 && errno == EINTR)
                continue;
            break;
        }
        if (expirations > maxCatchUp)
            expirations = maxCatchUp;
        for (uint64_t i = 0; i < expirations && !timer->stopping.load(); ++i) {
            timer->callback();
            timer->ticks.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

} // namespace

PeriodicTimer* startPeriodicTimer(int64_t periodMicroseconds, void (*callback)()) {
    if (periodMicroseconds <= 0 || callback == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    itimerspec interval{};
    interval.it_interval.tv_sec = periodMicroseconds / 1000000;
    interval.it_interval.tv_nsec = (periodMicroseconds % 1000000) * 1000;
    interval.it_value = interval.it_interval;
    if (::timerfd_settime(fd, 0, &interval, nullptr) != 0) {
        const int failure = errno;
        ::close(fd);
        errno = failure;
        return nullptr;
    }
    auto* timer = new PeriodicTimer;
    timer->fd = fd;
    timer->callback = callback;
    // A thread that cannot start (a process limit reached) is a failure to
    // report, not a reason to end the program without saving.
    try {
        timer->thread = std::thread(run, timer);
    } catch (const std::system_error& failure) {
        ::close(fd);
        delete timer;
        errno = failure.code().value();
        return nullptr;
    }
    return timer;
}

void stopPeriodicTimer(PeriodicTimer* timer) {
    if (timer == nullptr)
        return;
    // The thread sees the flag at its next expiration, one period from now.
    timer->stopping.store(true);
    timer->thread.join();
    ::close(timer->fd);
    delete timer;
}

uint64_t periodicTimerTicks(const PeriodicTimer* timer) {
    return timer != nullptr ? timer->ticks.load(std::memory_order_relaxed) : 0;
}
