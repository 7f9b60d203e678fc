#include "platform/sandbox.h"
#include "platform/sanitized_build.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr bool sanitized = sanitizedBuild;

// The access rights of later Landlock ABIs, which an older kernel header
// does not name; the values are the kernel's, fixed for good.
constexpr uint64_t fsRefer = 1ull << 13;    // ABI 2
constexpr uint64_t fsTruncate = 1ull << 14; // ABI 3
constexpr uint64_t fsIoctlDev = 1ull << 15; // ABI 5
constexpr uint64_t netBindTcp = 1ull << 0;  // ABI 4
constexpr uint64_t netConnectTcp = 1ull << 1;
constexpr uint64_t scopeAbstractUnixSocket = 1ull << 0; // ABI 6
constexpr uint64_t scopeSignal = 1ull << 1;

// The ruleset's attributes as the newest ABI has them; an older kernel is
// handed only the fields it knows.
struct RulesetAttributes {
    uint64_t handledAccessFs;
    uint64_t handledAccessNet;
    uint64_t scoped;
};

constexpr uint64_t fsRightsOfAbi1 =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
    LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
    LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
    LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK |
    LANDLOCK_ACCESS_FS_MAKE_SYM;

int kernelLandlockAbi() {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? static_cast<int>(abi) : 0;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

// Every right the ABI knows is handled, so it is refused unless a rule
// grants it; the one rule grants reading under the folder.
bool restrictWithLandlock(int abi, std::vector<std::string> folders, std::string& error) {
    RulesetAttributes attributes{fsRightsOfAbi1, 0, 0};
    if (abi >= 2)
        attributes.handledAccessFs |= fsRefer;
    if (abi >= 3)
        attributes.handledAccessFs |= fsTruncate;
    if (abi >= 5)
        attributes.handledAccessFs |= fsIoctlDev;
    if (abi >= 4)
        attributes.handledAccessNet = netBindTcp | netConnectTcp;
    if (abi >= 6)
        attributes.scoped = scopeAbstractUnixSocket | scopeSignal;
    const size_t size = abi >= 6 ? 24 : abi >= 4 ? 16 : 8;
    const Fd ruleset(
        static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attributes, size, 0)));
    if (ruleset.get() < 0) {
        error = std::string("no Landlock ruleset: ") + std::strerror(errno);
        return false;
    }
    for (const std::string& folder : folders) {
        const Fd parent(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (parent.get() < 0) {
            error = "cannot open " + folder + ": " + std::strerror(errno);
            return false;
        }
        landlock_path_beneath_attr beneath{};
        beneath.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
        beneath.parent_fd = parent.get();
        if (::syscall(SYS_landlock_add_rule, ruleset.get(), LANDLOCK_RULE_PATH_BENEATH, &beneath,
                      0) != 0) {
            error = std::string("no Landlock rule for the folder: ") + std::strerror(errno);
            return false;
        }
    }
    if (::syscall(SYS_landlock_restrict_self, ruleset.get(), 0) != 0) {
        error = std::string("Landlock refused: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// The calls no reader ever needs. Each ends the child with its own exit
// status, so the tool can say what was tried. The others outside the
// allow-list fail softly with EPERM.
constexpr int firstStoppedStatus = 70;
struct StoppedCall {
    const char* call;
    const char* said;
};
constexpr StoppedCall stoppedCalls[] = {
    {"execve", "execve"},
    {"execveat", "execveat"},
    {"socket", "socket"},
    {"socketpair", "socketpair"},
    {"connect", "connect"},
    {"fork", "fork"},
    {"vfork", "vfork"},
    {"clone", "clone (a new process)"},
    {"openat", "openat for writing"},
    {"open", "open for writing"},
    {"creat", "creat"},
    {"kill", "kill (another process)"},
    {"tgkill", "tgkill (another process)"},
    {"tkill", "tkill"},
    {"ptrace", "ptrace"},
    {"process_vm_readv", "process_vm_readv"},
    {"process_vm_writev", "process_vm_writev"},
    {"unlink", "unlink"},
    {"unlinkat", "unlinkat"},
    {"rename", "rename"},
    {"renameat", "renameat"},
    {"renameat2", "renameat2"},
    {"link", "link"},
    {"linkat", "linkat"},
    {"symlink", "symlink"},
    {"symlinkat", "symlinkat"},
    {"mkdir", "mkdir"},
    {"mkdirat", "mkdirat"},
    {"mknod", "mknod"},
    {"mknodat", "mknodat"},
    {"chmod", "chmod"},
    {"fchmodat", "fchmodat"},
    {"truncate", "truncate"},
    {"mount", "mount"},
    {"unshare", "unshare"},
    {"setns", "setns"},
    {"bpf", "bpf"},
    {"keyctl", "keyctl"},
    {"io_uring_setup", "io_uring_setup"},
    {"memfd_create", "memfd_create"},
};
constexpr int stoppedCallCount = static_cast<int>(sizeof stoppedCalls / sizeof stoppedCalls[0]);
static_assert(firstStoppedStatus + stoppedCallCount < 121, "clear of the contained run's own");

int stoppedNumbers[stoppedCallCount];

void onStoppedCall(int, siginfo_t* info, void*) {
    for (int i = 0; i < stoppedCallCount; ++i)
        if (stoppedNumbers[i] == info->si_syscall)
            ::_exit(firstStoppedStatus + i);
    ::_exit(firstStoppedStatus + stoppedCallCount - 1);
}

// What reading and decoding need, and nothing more.
constexpr const char* allowedCalls[] = {
    "brk",        "munmap",         "mremap",        "madvise",         "futex",
    "read",       "pread64",        "readv",         "lseek",           "fstat",
    "newfstatat", "statx",          "close",         "getdents64",      "exit",
    "exit_group", "rt_sigreturn",   "clock_gettime", "getrandom",       "gettid",
    "getpid",     "rt_sigprocmask", "sched_yield",   "set_robust_list", "rseq",
};

bool addRule(scmp_filter_ctx filter, uint32_t action, const char* call,
             std::initializer_list<scmp_arg_cmp> conditions, std::string& error) {
    const int number = ::seccomp_syscall_resolve_name(call);
    if (number == __NR_SCMP_ERROR)
        return true; // not a call on this architecture
    const int result = ::seccomp_rule_add_array(
        filter, action, number, static_cast<unsigned>(conditions.size()), conditions.begin());
    if (result == 0)
        return true;
    error = std::string("no seccomp rule for ") + call + ": " + std::strerror(-result);
    errno = -result;
    return false;
}

// A sanitizer's runtime tests whether memory is readable by writing it into
// a pipe, and reads its own executable's name for its reports: in sanitizer
// builds those go too, so that the sandbox is tried there as it ships.
constexpr const char* sanitizerCalls[] = {"pipe",     "pipe2", "write",       "writev",
                                          "readlink", "ioctl", "sigaltstack", "sched_getaffinity",
                                          "prlimit64"};

bool buildFilter(scmp_filter_ctx filter, const SandboxRules& rules, std::string& error) {
    bool ok = true;
    if (sanitized)
        for (const char* call : sanitizerCalls)
            ok = ok && addRule(filter, SCMP_ACT_ALLOW, call, {}, error);
    for (const char* call : allowedCalls)
        ok = ok && addRule(filter, SCMP_ACT_ALLOW, call, {}, error);
    // Memory, but never executable: no code of the file's own can be run.
    for (const char* call : {"mmap", "mprotect"})
        ok = ok && addRule(filter, SCMP_ACT_ALLOW, call,
                           {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)}, error);
    for (int fd : sanitized ? std::vector<int>() : rules.writableFds)
        for (const char* call : {"write", "writev"})
            ok = ok && addRule(filter, SCMP_ACT_ALLOW, call,
                               {SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(fd))}, error);
    // A thread of its own, but no new process: glibc falls back from clone3,
    // whose flags a filter cannot see, to clone.
    ok = ok && addRule(filter, SCMP_ACT_ERRNO(ENOSYS), "clone3", {}, error) &&
         addRule(filter, SCMP_ACT_ALLOW, "clone",
                 {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)}, error);
    // Signals to itself only (abort() raises SIGABRT).
    const auto self = static_cast<scmp_datum_t>(::getpid());
    ok = ok && addRule(filter, SCMP_ACT_ALLOW, "kill", {SCMP_A0(SCMP_CMP_EQ, self)}, error) &&
         addRule(filter, SCMP_ACT_ALLOW, "tgkill", {SCMP_A0(SCMP_CMP_EQ, self)}, error);
    // A descriptor's own flags (blocking or not), nothing that makes another.
    for (int command : {F_GETFL, F_SETFL, F_GETFD, F_SETFD})
        ok = ok && addRule(filter, SCMP_ACT_ALLOW, "fcntl",
                           {SCMP_A1(SCMP_CMP_EQ, static_cast<scmp_datum_t>(command))}, error);
    // Opening for reading only.
    constexpr scmp_datum_t writing = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC;
    ok = ok &&
         addRule(filter, SCMP_ACT_ALLOW, "openat", {SCMP_A2(SCMP_CMP_MASKED_EQ, writing, 0)},
                 error) &&
         addRule(filter, SCMP_ACT_ALLOW, "open", {SCMP_A1(SCMP_CMP_MASKED_EQ, writing, 0)}, error);

    for (int i = 0; ok && i < stoppedCallCount; ++i) {
        const char* call = stoppedCalls[i].call;
        stoppedNumbers[i] = ::seccomp_syscall_resolve_name(call);
        const uint32_t trap = SCMP_ACT_TRAP;
        if (std::strcmp(call, "openat") == 0 || std::strcmp(call, "open") == 0) {
            const bool at = call[4] == 'a';
            for (scmp_datum_t flag : {scmp_datum_t(O_WRONLY), scmp_datum_t(O_RDWR),
                                      scmp_datum_t(O_CREAT), scmp_datum_t(O_TRUNC)})
                ok = ok && addRule(filter, trap, call,
                                   {at ? SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag)
                                       : SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag)},
                                   error);
        } else if (std::strcmp(call, "clone") == 0) {
            ok = addRule(filter, trap, call, {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)}, error);
        } else if (std::strcmp(call, "kill") == 0 || std::strcmp(call, "tgkill") == 0) {
            ok = addRule(filter, trap, call, {SCMP_A0(SCMP_CMP_NE, self)}, error);
        } else {
            ok = addRule(filter, trap, call, {}, error);
        }
    }
    return ok;
}

bool loadSeccomp(const SandboxRules& rules, std::string& error) {
    struct sigaction action {};
    action.sa_sigaction = onStoppedCall;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGSYS, &action, nullptr) != 0) {
        error = std::string("no handler for SIGSYS: ") + std::strerror(errno);
        return false;
    }
    const scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (filter == nullptr) {
        error = "no seccomp filter";
        errno = ENOMEM;
        return false;
    }
    // Every thread of the process, should a library have started one.
    ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1);
    bool ok = buildFilter(filter, rules, error);
    if (ok) {
        const int result = ::seccomp_load(filter);
        if (result != 0) {
            error = std::string("the seccomp filter was refused: ") + std::strerror(-result);
            errno = -result;
            ok = false;
        }
    }
    const int failure = errno;
    ::seccomp_release(filter);
    errno = failure;
    return ok;
}

} // namespace

int (*sandboxLandlockAbi)() = kernelLandlockAbi;

SandboxSupport sandboxSupport() {
    SandboxSupport support;
    support.landlockAbi = sandboxLandlockAbi();
    support.seccomp = ::seccomp_api_get() > 0;
    return support;
}

bool enterSandbox(const SandboxRules& rules, std::string& error) {
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = std::string("no_new_privs refused: ") + std::strerror(errno);
        return false;
    }
    const int abi = sandboxLandlockAbi();
    std::vector<std::string> readable;
    if (!rules.readableFolder.empty())
        readable.push_back(rules.readableFolder);
    if (sanitized) // where the runtime reads the process's own maps for its reports
        readable.push_back("/proc/self");
    // A kernel that has Landlock but refuses the ruleset is not a kernel
    // without it: the reads would go unconfined without a word.
    if (abi > 0 && !restrictWithLandlock(abi, readable, error))
        return false;
    return loadSeccomp(rules, error);
}

const char* sandboxStoppedCall(int exitStatus) {
    const int index = exitStatus - firstStoppedStatus;
    return index >= 0 && index < stoppedCallCount ? stoppedCalls[index].said : nullptr;
}
