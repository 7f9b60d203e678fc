#include "platform/contained_run.h"

#include "platform/byte_io.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Exit statuses of the child that say why it gave up.
constexpr int outOfMemoryStatus = 121;
constexpr int unsentStatus = 122;

// The result goes after its length, so that a child that ends part-way
// through sending cannot pass for one that had less to say.
constexpr size_t lengthBytes = 8;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

void outOfMemory() {
    // Called before std::bad_alloc is thrown, which a library might catch and
    // carry on from, half-built.
    ::_exit(outOfMemoryStatus);
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

[[noreturn]] void runChild(int fd, const std::function<void(std::vector<uint8_t>&)>& work,
                           const ContainmentLimits& limits) {
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
    ::_exit(sendAll(fd, bytes.data(), bytes.size()) ? 0 : unsentStatus);
}

bool receiveAll(int fd, std::vector<uint8_t>& bytes) {
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        bytes.insert(bytes.end(), chunk, chunk + got);
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
    if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
        const bool cpuSpent =
            limits.maxCpuSeconds > 0 && usage.ru_utime.tv_sec + usage.ru_stime.tv_sec >=
                                            static_cast<time_t>(limits.maxCpuSeconds);
        outcome.end = outcome.signal == SIGXCPU || (outcome.signal == SIGKILL && cpuSpent)
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

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        runChild(fds[1], work, limits);
    }
    outcome.error = errno;
    ::close(fds[1]);
    if (pid > 0) {
        // A child that cannot be read from must not sit blocked on a full pipe.
        if (!receiveAll(fds[0], outcome.bytes))
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
