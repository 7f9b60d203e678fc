#pragma once
// Running work that may crash, allocate without bound or never end (a
// library reading a hostile file) in a forked child under limits, so that
// whatever goes wrong there ends the child and not the caller.

#include <cstdint>
#include <functional>
#include <vector>

struct ContainmentLimits {
    uint64_t maxMemoryBytes = 0; // the child's address space; 0: no limit
    unsigned maxCpuSeconds = 0;  // 0: no limit
    // From the fork: a child blocked in a read spends no CPU time. 0: no limit
    unsigned maxWallSeconds = 0;
};

enum class ContainedEnd {
    complete,    // the work returned and its bytes arrived whole
    crashed,     // a signal ended the child
    outOfMemory, // an allocation failed at the memory limit
    outOfTime,   // the CPU-time limit or the wall-clock deadline ended the child
    failed,      // the child exited otherwise (a sanitizer's report, ...) or sent less
    notStarted,  // no pipe or no child
};

struct ContainedOutcome {
    ContainedEnd end = ContainedEnd::notStarted;
    int signal = 0;            // crashed: which
    int exitStatus = 0;        // failed: the child's exit status
    int error = 0;             // notStarted: errno
    bool pastDeadline = false; // outOfTime: the wall-clock deadline, not the CPU time
    std::vector<uint8_t> bytes;
};

// False in sanitizer builds: they reserve terabytes of address space for
// their shadow memory, so no address-space limit is set there.
bool addressSpaceLimitApplies();

// In a contained child: ends it as out of memory, for an allocation that
// failed where no new handler sees it (malloc, mmap, a library's own
// allocator). Elsewhere it returns.
void endContainedIfOutOfMemory();

// The descriptor a contained child's result goes out on, for a sandbox that
// lets it write there and nowhere else.
constexpr int containedResultFd = 3;

// Runs `work` in a forked child under `limits` and hands back the bytes it
// made. The child holds no file descriptor of the caller's but the standard
// three and containedResultFd, and dies with the caller. It ends with _exit: it runs no atexit
// handler and flushes no stdio buffer it inherited. Call it while the process
// has no other thread: a lock another thread held at the fork stays locked in
// the child.
ContainedOutcome runContained(const std::function<void(std::vector<uint8_t>&)>& work,
                              const ContainmentLimits& limits);
