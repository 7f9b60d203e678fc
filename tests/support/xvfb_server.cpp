#include "xvfb_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

bool XvfbServer::start(std::string* error) {
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        std::freopen("/dev/null", "w", stderr);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    pid = child;
    // Xvfb writes its display number once it is ready for clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
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
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
}

int runWithDisplay(const XvfbServer& server, const std::string& command, std::string* out) {
    const std::string full = "DISPLAY=" + server.display() + " " + command;
    FILE* pipe = ::popen(full.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (out != nullptr)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
