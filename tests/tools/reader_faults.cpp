// quillmark-tool-faults: quillmark-tool whose reader misbehaves on request
// (QUILLMARK_TEST_READER_FAULT), as a hostile file would make it, for the
// tests of its containment. Built with the tests only; never installed.

#include "contained_reader.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

void misbehave(const char*) {
    const char* fault = std::getenv("QUILLMARK_TEST_READER_FAULT");
    if (fault == nullptr)
        return;
    if (std::strcmp(fault, "crash") == 0)
        std::raise(SIGSEGV);
    if (std::strcmp(fault, "memory") == 0)
        for (std::vector<char*> kept;;)
            kept.push_back(new char[64 << 20]);
    if (std::strcmp(fault, "spin") == 0)
        for (volatile unsigned long n = 0;; n = n + 1) {
        }
    int fds[2];
    if (std::strcmp(fault, "block") == 0 && ::pipe(fds) == 0) // a read nobody answers
        for (char byte;;)
            (void)!::read(fds[0], &byte, 1);
}

struct InstallFaults {
    InstallFaults() { readerChildHooks.enterChild = misbehave; }
} installFaults;

} // namespace
