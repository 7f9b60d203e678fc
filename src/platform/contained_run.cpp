#include "platform/contained_run.h"

#include "platform/byte_io.h"
#include "platform/sanitized_build.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Exit statuses of the child that say why it gave up.
constexpr int outOfMemoryStatus = 121;
constexpr int unsentStatus = 122;

// Where the child holds its end of the result pipe, the one descriptor it
// keeps above the standard three.
constexpr int resultFd = containedResultFd;

using Clock = std::chrono::steady_clock;

bool inContainedChild = false;

// The result goes after its length, so that a child that ends part-way
// through sending cannot pass for one that had less to say.
constexpr size_t lengthBytes = 8;

constexpr bool sanitized = sanitizedBuild;

[[noreturn]] void outOfMemory() {
    // Called before std::bad_alloc is thrown, which a library might catch and
    // carry on from, half-built.
    ::_exit(outOfMemoryStatus);
}

// The caller's files, sockets and pipes are none of the work's business, and
// a pipe end held open here could keep another process waiting.
void closeInheritedFds() {
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, resultFd + 1, ~0U, 0) == 0)
        return;
#endif
    std::vector<int> open;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) {
            const int fd = std::atoi(entry->d_name);
            if (fd > resultFd && fd != ::dirfd(dir))
                open.push_back(fd);
        }
        ::closedir(dir);
    } else {
        rlimit files{};
        const int most = ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY
                             ? static_cast<int>(std::min<rlim_t>(files.rlim_cur, INT_MAX))
                             : 65536;
        for (int fd = resultFd + 1; fd < most; ++fd)
            open.push_back(fd);
    }
    for (int fd : open)
        ::close(fd);
}

bool sendAll(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::write(fd, bytes, size);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void setLimit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    ::setrlimit(resource, &limit);
}

[[noreturn]] void runChild(int fd, pid_t parent,
                           const std::function<void(std::vector<uint8_t>&)>& work,
                           const ContainmentLimits& limits) {
    inContainedChild = true;
    // A caller killed while the work blocks takes the child with it. One that
    // died before this took effect is already gone.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(unsentStatus);
    if (fd != resultFd) {
        if (::dup2(fd, resultFd) != resultFd)
            ::_exit(unsentStatus);
        ::close(fd);
    }
    closeInheritedFds();
    setLimit(RLIMIT_CORE, 0, 0); // a crash there is reported, not dumped
    if (limits.maxMemoryBytes > 0 && addressSpaceLimitApplies())
        setLimit(RLIMIT_AS, limits.maxMemoryBytes, limits.maxMemoryBytes);
    // SIGXCPU at the limit; SIGKILL a second later, should it be caught.
    if (limits.maxCpuSeconds > 0)
        setLimit(RLIMIT_CPU, limits.maxCpuSeconds, limits.maxCpuSeconds + 1);
    std::set_new_handler(outOfMemory);

    std::vector<uint8_t> bytes(lengthBytes);
    work(bytes);
    const uint64_t length = bytes.size() - lengthBytes;
    storeU32(bytes.data(), static_cast<uint32_t>(length));
    storeU32(bytes.data() + 4, static_cast<uint32_t>(length >> 32));
    ::_exit(sendAll(resultFd, bytes.data(), bytes.size()) ? 0 : unsentStatus);
}

enum class Received { whole, unreadable, late };

// Reads until the child closes the pipe, or the deadline (none: max()).
Received receiveAll(int fd, Clock::time_point deadline, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    for (;;) {
        int timeout = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return Received::late;
            timeout = static_cast<int>(std::min<decltype(left)>(left, INT_MAX));
        }
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, timeout);
        if (polled == 0 || (polled < 0 && errno == EINTR))
            continue;
        const ssize_t got = polled < 0 ? -1 : ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? Received::whole : Received::unreadable;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

// Whether the child has ended, or ends by the deadline; it is left to be
// waited for. Work that closed the pipe early must not hold the caller
// past it either.
bool endsBy(pid_t pid, Clock::time_point deadline) {
    for (;;) {
        siginfo_t info{};
        const int waited =
            ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((waited == 0 && info.si_pid == pid) || (waited != 0 && errno != EINTR))
            return true;
        if (Clock::now() >= deadline)
            return false;
        const timespec pause{0, 5 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

bool wholeResult(std::vector<uint8_t>& bytes) {
    if (bytes.size() < lengthBytes)
        return false;
    const uint64_t length = loadU32(bytes.data()) | uint64_t{loadU32(bytes.data() + 4)} << 32;
    if (length != bytes.size() - lengthBytes)
        return false;
    bytes.erase(bytes.begin(), bytes.begin() + lengthBytes);
    return true;
}

void classify(int status, const rusage& usage, const ContainmentLimits& limits,
              ContainedOutcome& outcome) {
    // Killed at the deadline, unless it ended otherwise before the kill.
    const bool killedLate = outcome.pastDeadline;
    outcome.pastDeadline = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL && killedLate;
    if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
        const bool cpuSpent =
            limits.maxCpuSeconds > 0 && usage.ru_utime.tv_sec + usage.ru_stime.tv_sec >=
                                            static_cast<time_t>(limits.maxCpuSeconds);
        outcome.end = outcome.signal == SIGXCPU ||
                              (outcome.signal == SIGKILL && (cpuSpent || outcome.pastDeadline))
                          ? ContainedEnd::outOfTime
                          : ContainedEnd::crashed;
        return;
    }
    outcome.exitStatus = WEXITSTATUS(status);
    if (outcome.exitStatus == outOfMemoryStatus)
        outcome.end = ContainedEnd::outOfMemory;
    else if (outcome.exitStatus == 0 && wholeResult(outcome.bytes))
        outcome.end = ContainedEnd::complete;
    else
        outcome.end = ContainedEnd::failed;
}

} // namespace

bool addressSpaceLimitApplies() {
    return !sanitized;
}

void endContainedIfOutOfMemory() {
    if (inContainedChild)
        outOfMemory();
}

ContainedOutcome runContained(const std::function<void(std::vector<uint8_t>&)>& work,
                              const ContainmentLimits& limits) {
    ContainedOutcome outcome;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        outcome.error = errno;
        return outcome;
    }
    // With SIGCHLD ignored the kernel would reap the child by itself and the
    // wait below would find no status.
    struct sigaction previous {};
    const bool sigchldIgnored =
        ::sigaction(SIGCHLD, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN;
    if (sigchldIgnored)
        ::signal(SIGCHLD, SIG_DFL);

    const pid_t parent = ::getpid();
    const Clock::time_point deadline =
        limits.maxWallSeconds > 0 ? Clock::now() + std::chrono::seconds(limits.maxWallSeconds)
                                  : Clock::time_point::max();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        runChild(fds[1], parent, work, limits);
    }
    outcome.error = errno;
    ::close(fds[1]);
    if (pid > 0) {
        // A child that cannot be read from must not sit blocked on a full pipe.
        const Received received = receiveAll(fds[0], deadline, outcome.bytes);
        outcome.pastDeadline = received == Received::late ||
                               (received == Received::whole &&
                                deadline != Clock::time_point::max() && !endsBy(pid, deadline));
        if (received != Received::whole || outcome.pastDeadline)
            ::kill(pid, SIGKILL);
        int status = 0;
        rusage usage{};
        pid_t waited;
        do
            waited = ::wait4(pid, &status, 0, &usage);
        while (waited < 0 && errno == EINTR);
        if (waited == pid)
            classify(status, usage, limits, outcome);
        else
            outcome.error = errno;
    }
    ::close(fds[0]);
    if (sigchldIgnored)
        ::signal(SIGCHLD, SIG_IGN);
    return outcome;
}
