#pragma once
// A private X server for tests that need a real display: Xvfb picks a free
// display number itself (-displayfd), so tests never race other servers.

#include <string>

class XvfbServer {
  public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { stop(); }

    // Starts the server (screen 1024x768x24) and waits until it accepts
    // clients. On success `display()` is ":N".
    bool start(std::string* error = nullptr);
    void stop();
    const std::string& display() const { return name; }

  private:
    int pid = -1;
    std::string name;
};

// Runs a shell command with DISPLAY set to the server; returns its exit
// status (or -1), and its standard output in `out` when given.
int runWithDisplay(const XvfbServer& server, const std::string& command,
                   std::string* out = nullptr);
