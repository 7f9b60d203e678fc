#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool runnableFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The working directory first: the game folder's own tool wins over any of
// the same name on the PATH.
std::string findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return runnableFile(name) ? name : std::string();
    if (runnableFile("./" + name))
        return "./" + name;
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return std::string();
    std::string folders(path);
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        if (runnableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return std::string();
}

void restoreSigchld(ProcessHandle& process) {
    if (process.sigchldWasIgnored)
        ::signal(SIGCHLD, SIG_IGN);
    process.sigchldWasIgnored = false;
}

} // namespace

void ignoreBrokenPipe() {
    ::signal(SIGPIPE, SIG_IGN);
}

bool launchProgram(const std::string& name, ProcessHandle& process) {
    const std::string path = findProgram(name);
    if (path.empty())
        return false;

    // Started with SIGCHLD ignored, the kernel would reap the tool by itself
    // and the wait would fail although the tool ran: take it back to the
    // default for the wait (waitForProgram restores it).
    struct sigaction previous {};
    process.sigchldWasIgnored =
        ::sigaction(SIGCHLD, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN;
    if (process.sigchldWasIgnored)
        ::signal(SIGCHLD, SIG_DFL);

    // The tool starts with SIGCHLD and SIGPIPE at their defaults and nothing
    // blocked, whatever this process inherited or ignores itself.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t defaults, none;
    ::sigemptyset(&defaults);
    ::sigaddset(&defaults, SIGCHLD);
    ::sigaddset(&defaults, SIGPIPE);
    ::sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::string argument0 = name;
    char* argv[] = {argument0.data(), nullptr};
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        restoreSigchld(process);
        return false;
    }
    process.pid = pid;
    return true;
}

bool waitForProgram(ProcessHandle& process) {
    if (process.pid <= 0)
        return false;
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(process.pid, &status, 0);
    while (result < 0 && errno == EINTR);
    process.pid = -1;
    restoreSigchld(process);
    return result > 0;
}
