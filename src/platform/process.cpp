#include "platform/process.h"

#include <cerrno>
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

// The working directory first, as the Windows search for a program does.
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

} // namespace

bool launchProgram(const std::string& name, ProcessHandle& process) {
    const std::string path = findProgram(name);
    if (path.empty())
        return false;
    std::string argument0 = name;
    char* argv[] = {argument0.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    process.pid = pid;
    return true;
}

bool waitForProgram(ProcessHandle& process) {
    if (process.pid <= 0)
        return false;
    int status = 0;
    for (;;) {
        const pid_t result = ::waitpid(process.pid, &status, 0);
        if (result == process.pid) {
            process.pid = -1;
            return true;
        }
        if (result < 0 && errno == EINTR)
            continue;
        return false;
    }
}
