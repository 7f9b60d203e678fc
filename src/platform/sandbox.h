#pragma once
// A sandbox for a contained child that reads untrusted bytes (a model or a
// picture from the web): once in it, the child can read and decode, and
// nothing else. A file that takes over the reader through a library bug can
// then write, make or remove no file, read none outside the folder it was
// given, connect nowhere, start no program and signal no other process.
// It needs no privileges: no_new_privs, a seccomp-bpf allow-list and, where
// the kernel has it, Landlock.

#include <string>
#include <vector>

struct SandboxRules {
    // The folder whose files (and those below it) may be read; empty: none.
    std::string readableFolder;
    // The only descriptors that may be written: the result pipe and stderr.
    std::vector<int> writableFds;
};

// What this machine's kernel offers.
struct SandboxSupport {
    int landlockAbi = 0; // 0: no Landlock (an old kernel, or not enabled)
    bool seccomp = false;
};
SandboxSupport sandboxSupport();

// Enters the sandbox for good: nothing the process does afterwards leaves
// it. Everything that needs other files must be open or loaded before.
// Refused calls fail with EPERM, so that a library that probes for one
// goes on; the calls a reader never makes (starting a program, a socket,
// opening a file for writing, ...) end the process at once with an exit
// status that sandboxStoppedCall names. False, with `error` and errno, when
// the filter could not be set up (ENOMEM: no memory to build it); the
// caller must not go on then.
// Where Landlock is missing (sandboxLandlockAbi() is 0), reads are not
// confined to the folder; everything else is still refused.
bool enterSandbox(const SandboxRules& rules, std::string& error);

// The call a child was stopped for, from its exit status ("execve",
// "socket", "openat for writing"); null for any other status.
const char* sandboxStoppedCall(int exitStatus);

// The Landlock ABI the sandbox asks the kernel for; tests replace it to
// see the fallback of a kernel without Landlock.
extern int (*sandboxLandlockAbi)();
