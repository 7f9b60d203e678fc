// The 1 ms timer where the machine refuses it a thread.

#include "platform/periodic_timer.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

TEST(PeriodicTimer, AThreadThatCannotStartIsAFailureNotAnAbort) {
    // No process or thread more for this user: the start fails with EAGAIN.
    const int result = runUnprivileged([] {
        const rlimit none{0, 0};
        if (::setrlimit(RLIMIT_NPROC, &none) != 0)
            return 3;
        PeriodicTimer* timer = startPeriodicTimer(1000, [] {});
        if (timer != nullptr) {
            stopPeriodicTimer(timer);
            return 2;
        }
        return errno == EAGAIN ? 0 : 1;
    });
    if (result == cannotDropPrivileges)
        GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(result, 0) << "-1: the program was aborted; 2: the limit did not hold";
}
