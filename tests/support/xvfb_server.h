#pragma once
// A private X server for tests that need a real display: Xvfb picks a free
// display number itself (-displayfd), so tests never race other servers.
//
// The server never outlives the test process, however it ends: stop() and
// the destructor end it by its pid, and should the process die without
// either (a crash, an abort, _exit), the kernel kills the server with it.
// So a crashed test fails at once instead of leaving a server that keeps
// CTest waiting for its timeout.

#include <string>
#include <sys/types.h>

class XvfbServer {
  public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { stop(); }

    // Starts the server (screen 1024x768x24) and waits until it accepts
    // clients. On success `display()` is ":N". The server dies with the
    // calling thread, so call this from the thread that outlives it (the
    // main thread, as GoogleTest's environments and tests run).
    bool start(std::string* error = nullptr);
    // Ends the server: SIGTERM, SIGKILL when it has not gone within 5 s.
    void stop();
    const std::string& display() const { return name; }
    pid_t serverPid() const { return pid; }

  private:
    pid_t pid = -1;
    std::string name;
};

// Runs a shell command with DISPLAY set to the server; returns its exit
// status (or -1), and its standard output in `out` when given.
int runWithDisplay(const XvfbServer& server, const std::string& command,
                   std::string* out = nullptr);
