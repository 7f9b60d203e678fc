#pragma once
// Runs part of a test in a forked child as an ordinary user. CI runs as
// root, which reads and writes any file and is exempt from process limits;
// users are not. As root the child drops to `nobody`; as anyone else it stays
// who it is, already unprivileged.

#include <cerrno>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

struct UnprivilegedUser {
    uid_t uid;
    gid_t gid;
};

// Who the child runs as.
inline UnprivilegedUser unprivilegedUser() {
    if (::geteuid() != 0)
        return {::geteuid(), ::getegid()};
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? UnprivilegedUser{nobody->pw_uid, nobody->pw_gid}
                             : UnprivilegedUser{65534, 65534};
}

// The child could not give up root: the caller skips its case.
constexpr int cannotDropPrivileges = 254;

// Runs `body` in the child and returns its result (keep it below 254), or
// cannotDropPrivileges, or -1 when the child ended by a signal. The body
// must not use gtest assertions: they would report in the child only.
inline int runUnprivileged(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::geteuid() == 0) {
            const UnprivilegedUser user = unprivilegedUser();
            if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 ||
                ::setuid(user.uid) != 0 || ::geteuid() == 0)
                ::_exit(cannotDropPrivileges);
        }
        ::_exit(body() & 0xff);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
