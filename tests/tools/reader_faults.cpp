// quillmark-tool-faults: quillmark-tool whose reader misbehaves as a hostile
// file would make it (QUILLMARK_TEST_READER_FAULT); never installed.

#include "contained_reader.h"

#include <csignal>
#include <cstdlib>
#include <linux/futex.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

static void misbehave(const char* reader) {
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
}

// Set before main runs the tool's own code.
static const bool installed = (readerChildHooks.enterChild = misbehave, true);
