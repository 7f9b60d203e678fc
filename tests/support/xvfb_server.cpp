#include "xvfb_server.h"

#include "run_command.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// In the forked child, before exec: only async-signal-safe calls.
[[noreturn]] void execServer(int displayFd, pid_t parent, const char* fdText) {
    // Die with the parent. Should it have died already, before the request
    // was made, nobody would send the signal: check.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(126);
    // No inherited stdin/stdout/stderr: a server holding CTest's output pipe
    // would keep it waiting.
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
    }
    ::fcntl(displayFd, F_SETFD, 0); // the one descriptor the server keeps
    ::execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
}

} // namespace

bool XvfbServer::start(std::string* error) {
    stop();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        if (error != nullptr)
            *error = "no pipe for Xvfb";
        return false;
    }
    // Everything the child needs is made before fork: the test process may
    // have other threads, so the child must not allocate.
    const std::string fdText = std::to_string(fds[1]);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        if (error != nullptr)
            *error = "cannot fork for Xvfb";
        return false;
    }
    if (child == 0)
        execServer(fds[1], parent, fdText.c_str());
    ::close(fds[1]);
    pid = child;
    // Xvfb writes its display number once it is ready for clients; the pipe
    // closes early if it exits.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        if (error != nullptr)
            *error = "Xvfb did not start (is it installed?)";
        stop();
        return false;
    }
    name = ":" + number;
    return true;
}

void XvfbServer::stop() {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid = -1;
    name.clear();
}

int runWithDisplay(const XvfbServer& server, const std::string& command, std::string* out) {
    const CommandResult result = runCapturing("DISPLAY=" + server.display() + " " + command);
    std::fputs(result.err.c_str(), stderr); // as the command would have shown it
    if (out != nullptr)
        *out = result.out;
    return result.status;
}
