// quillmark-tool-faults: quillmark-tool whose reader misbehaves as a hostile
// file would make it (QUILLMARK_TEST_READER_FAULT); never installed.

#include "contained_reader.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

static void misbehave(const char*) {
    const char* set = std::getenv("QUILLMARK_TEST_READER_FAULT");
    const std::string fault = set != nullptr ? set : "";
    int fds[2];
    if (fault == "crash")
        std::raise(SIGSEGV);
    else if (fault == "memory")
        for (std::vector<char*> kept;;)
            kept.push_back(new char[64 << 20]);
    else if (fault == "spin")
        for (volatile unsigned long n = 0;; n = n + 1) {
        }
    else if (fault == "block" && ::pipe(fds) == 0) // a read nobody answers
        for (char byte;;)
            (void)!::read(fds[0], &byte, 1);
}

// Set before main runs the tool's own code.
static const bool installed = (readerChildHooks.enterChild = misbehave, true);
