// The readers' sandbox, judged by what a stand-in for an exploit that took
// over a reader manages to do: each attempt by its effect, not by what the
// reader says.

#include "encoded_bytes.h"
#include "platform/sandbox.h"
#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A listening socket whose accept, after the run, tells whether anyone came.
struct Listener {
    int fd = -1;
    ~Listener() {
        if (fd >= 0)
            ::close(fd);
    }
    bool listenAt(const sockaddr* address, socklen_t size) {
        fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK, 0);
        return fd >= 0 && ::bind(fd, address, size) == 0 && ::listen(fd, 4) == 0;
    }
    bool reached() const {
        const int accepted = ::accept(fd, nullptr, nullptr);
        if (accepted >= 0)
            ::close(accepted);
        return accepted >= 0;
    }
};

bool alive(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

} // namespace

TEST(ReaderSandbox, AnExploitInEitherReaderCanWriteReadConnectStartAndSignalNothing) {
    const ScratchDir scratch("sandbox");
    const fs::path home = scratch.path() / "home", models = home / "models";
    fs::create_directories(models);
    writeFileBytes(models / "box.obj", bytesOf("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                                               "f 1 2 3\nf 1 2 4\nf 1 3 4\n"));
    writeFileBytes(models / "tri.png", pngBytesOf(2, 2, Bytes(12, 200)));
    const std::string bashrc = (home / ".bashrc").string(), secret = "the words nobody may read";
    writeFileBytes(bashrc, bytesOf("echo hello\n"));
    writeFileBytes(home / "secret.txt", bytesOf(secret));

    Listener tcp, local;
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof loopback;
    ASSERT_TRUE(tcp.listenAt(reinterpret_cast<sockaddr*>(&loopback), size));
    ASSERT_EQ(::getsockname(tcp.fd, reinterpret_cast<sockaddr*>(&loopback), &size), 0);
    sockaddr_un bus{};
    bus.sun_family = AF_UNIX;
    const std::string busPath = (scratch.path() / "bus").string();
    std::snprintf(bus.sun_path, sizeof bus.sun_path, "%s", busPath.c_str());
    ASSERT_TRUE(local.listenAt(reinterpret_cast<sockaddr*>(&bus), sizeof bus));
    const pid_t victim = ::fork();
    if (victim == 0)
        for (;;)
            ::pause();

    struct Attempt {
        std::string fault;
        const char* stoppedFor; // null: refused softly, the read goes on
        std::function<bool()> harmless;
    };
    const std::string created = (home / "new-file").string(), marker = (home / "marker").string();
    const std::vector<Attempt> attempts = {
        {"create:" + created, "openat for writing", [&] { return !fs::exists(created); }},
        {"append:" + bashrc, "openat for writing",
         [&] { return readFileText(bashrc) == "echo hello\n"; }},
        {"tcp:" + std::to_string(ntohs(loopback.sin_port)), "socket",
         [&] { return !tcp.reached(); }},
        {"unix:" + busPath, "socket", [&] { return !local.reached(); }},
        {"exec:" + marker, "execve", [&] { return !fs::exists(marker); }},
        {"signal:" + std::to_string(victim), "kill (another process)",
         [&] { return alive(victim); }},
        {"read:" + (home / "secret.txt").string(), nullptr, nullptr},
    };
    const bool landlock = sandboxSupport().landlockAbi > 0;
    if (!landlock)
        std::printf("no Landlock on this kernel: only the fallback is tried\n");
    for (const bool withoutLandlock : {false, true}) {
        if (!withoutLandlock && !landlock)
            continue;
        for (const auto& [reader, command] :
             {std::pair("model reader", "model import box.obj ../../out.ms3d"),
              std::pair("picture reader", "bmp import tri.png ../../out.bmp")})
            for (const Attempt& attempt : attempts) {
                const CommandResult run = runCapturing(
                    "cd " + shellQuote(models.string()) +
                    " && QUILLMARK_TEST_READER_FAULT=" + shellQuote(attempt.fault) +
                    (withoutLandlock ? " QUILLMARK_TEST_NO_LANDLOCK=1" : "") + " timeout 60 " +
                    shellQuote(QUILLMARK_FAULTS_TOOL_PATH) + " " + command);
                const std::string what = std::string(reader) + ", " + attempt.fault +
                                         (withoutLandlock ? ", no Landlock" : "");
                if (attempt.stoppedFor != nullptr) {
                    EXPECT_TRUE(attempt.harmless()) << what;
                    EXPECT_EQ(run.status, 1) << what;
                    EXPECT_NE(run.err.find(std::string("the ") + reader +
                                           " was stopped: it tried "
                                           "something a " +
                                           reader + " never needs (" + attempt.stoppedFor + ")"),
                              std::string::npos)
                        << what << ": " << run.err;
                } else if (!withoutLandlock) {
                    EXPECT_EQ(run.status, 0) << what << ": " << run.err;
                    EXPECT_EQ(run.err.find(secret), std::string::npos) << what;
                }
                EXPECT_EQ(run.err.find("no Landlock") != std::string::npos, withoutLandlock)
                    << what << ": " << run.err;
            }
    }
    EXPECT_TRUE(alive(victim));
    ::kill(victim, SIGKILL);
    ::waitpid(victim, nullptr, 0);
}
