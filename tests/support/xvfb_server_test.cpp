// The tests' private X server never outlives the process that started it:
// a test program that crashes must fail at once, not leave a server behind
// that holds CTest's output open until the timeout.

#include "xvfb_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

TEST(XvfbServer, DiesWithATestProcessThatEndsWithoutStoppingIt) {
    // Orphans come to this process, so the server's end can be waited for.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    for (const bool crash : {true, false}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t test = ::fork();
        ASSERT_GE(test, 0);
        if (test == 0) {
            ::close(fds[0]);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            XvfbServer server;
            const pid_t xvfb = server.start() ? server.serverPid() : -1;
            (void)!::write(fds[1], &xvfb, sizeof xvfb);
            if (crash)
                std::abort();
            std::_Exit(0); // no destructor runs
        }
        ::close(fds[1]);
        pid_t xvfb = -1;
        (void)!::read(fds[0], &xvfb, sizeof xvfb);
        ::close(fds[0]);
        int status;
        ASSERT_EQ(::waitpid(test, &status, 0), test);
        ASSERT_GT(xvfb, 0) << "Xvfb did not start";

        const auto start = std::chrono::steady_clock::now();
        pid_t ended = 0;
        while ((ended = ::waitpid(xvfb, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended == 0) {
            ::kill(xvfb, SIGKILL);
            ::waitpid(xvfb, &status, 0);
        }
        EXPECT_EQ(ended, xvfb) << (crash ? "after a crash" : "after _Exit");
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
}
