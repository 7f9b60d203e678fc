// quillmark-tool-faults: quillmark-tool whose reader misbehaves as a hostile
// file would make it (QUILLMARK_TEST_READER_FAULT); never installed.
//
// Faults: crash, picture-crash (the picture reader only), memory, spin,
// block; and a stand-in for an exploit that has
// taken over the reader, "ATTEMPT:TARGET": create:FILE, append:FILE,
// read:FILE (its bytes go to stderr), tcp:PORT, unix:SOCKET, exec:MARKER
// (a shell that would make MARKER), signal:PID. QUILLMARK_TEST_NO_LANDLOCK=1
// runs the readers as on a kernel without Landlock.

#include "contained_reader.h"
#include "platform/sandbox.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/futex.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

void connectTo(const sockaddr* address, socklen_t size) {
    const int fd = ::socket(address->sa_family, SOCK_STREAM, 0);
    if (fd >= 0)
        ::connect(fd, address, size);
}

void attempt(const std::string& what, const std::string& target) {
    if (what == "create" || what == "append") {
        const int fd =
            ::open(target.c_str(),
                   what == "create" ? O_CREAT | O_EXCL | O_WRONLY : O_WRONLY | O_APPEND, 0644);
        if (fd >= 0)
            (void)!::write(fd, "pwned\n", 6);
    } else if (what == "read") {
        char bytes[4096];
        const int fd = ::open(target.c_str(), O_RDONLY);
        const ssize_t got = fd >= 0 ? ::read(fd, bytes, sizeof bytes) : -1;
        if (got > 0)
            (void)!::write(STDERR_FILENO, bytes, static_cast<size_t>(got));
    } else if (what == "tcp") {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(std::atoi(target.c_str())));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connectTo(reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } else if (what == "unix") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, target.c_str(), sizeof address.sun_path - 1);
        connectTo(reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } else if (what == "exec") {
        const std::string script = "echo pwned > '" + target + "'";
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    } else if (what == "signal") {
        ::kill(std::atoi(target.c_str()), SIGKILL);
    }
}

void misbehave(const char* reader) {
    const char* set = std::getenv("QUILLMARK_TEST_READER_FAULT");
    const std::string fault = set != nullptr ? set : "";
    if (fault == "crash" || (fault == "picture-crash" && std::string(reader) == "picture reader"))
        std::raise(SIGSEGV);
    else if (fault == "memory")
        for (std::vector<char*> kept;;)
            kept.push_back(new char[64 << 20]);
    else if (fault == "spin")
        for (volatile unsigned long n = 0;; n = n + 1) {
        }
    else if (fault == "block") // a wait nobody answers, using no processor time
        for (int word = 0;;)
            ::syscall(SYS_futex, &word, FUTEX_WAIT, 0, nullptr, nullptr, 0);
    else if (const size_t colon = fault.find(':'); colon != std::string::npos)
        attempt(fault.substr(0, colon), fault.substr(colon + 1));
}

int noLandlock() {
    return 0;
}

bool install() {
    readerChildHooks.enterChild = misbehave;
    const char* without = std::getenv("QUILLMARK_TEST_NO_LANDLOCK");
    if (without != nullptr && std::strcmp(without, "1") == 0)
        sandboxLandlockAbi = noLandlock;
    return true;
}

// Set before main runs the tool's own code.
const bool installed = install();

} // namespace
