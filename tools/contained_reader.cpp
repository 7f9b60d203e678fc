#include "contained_reader.h"

#include "platform/byte_io.h"
#include "platform/regular_file.h"
#include "platform/sandbox.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

ReaderChildHooks readerChildHooks;

namespace {

std::string signalName(int signal) {
    std::string name = ::strsignal(signal);
    if (!name.empty())
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

// The child could not set up its sandbox: it reads nothing.
constexpr int noSandboxStatus = 123;

void noteUnconfinedReads() {
    static bool said = false;
    if (said || sandboxLandlockAbi() > 0)
        return;
    said = true;
    std::fputs("quillmark-tool: note: this kernel has no Landlock, so the readers' reads are not "
               "confined to the model's folder; they still cannot write, connect, start "
               "programs or signal other processes\n",
               stderr);
}

} // namespace

ContainmentLimits defaultReaderLimits() {
    ContainmentLimits limits;
    limits.maxMemoryBytes = uint64_t{defaultReaderMiB} << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        limits.maxMemoryBytes =
            std::min(limits.maxMemoryBytes, uint64_t(pages) * uint64_t(pageSize) / 2);
    limits.maxCpuSeconds = defaultReaderSeconds;
    limits.maxWallSeconds = defaultReaderSeconds;
    return limits;
}

bool checkReaderInput(const std::string& path, std::string& error) {
    std::string kind;
    if (isRegularFile(path.c_str(), kind))
        return true;
    error = "cannot read " + path + ": " +
            (!kind.empty()     ? "it is " + kind + ", not a regular file"
             : errno == ENOENT ? std::string("no such file")
                               : std::string(std::strerror(errno)));
    return false;
}

bool runContainedReader(const char* reader, const ContainmentLimits& limits,
                        const std::string& readableFolder,
                        const std::function<void(std::vector<uint8_t>&)>& read,
                        std::vector<uint8_t>& bytes, std::string& error) {
    noteUnconfinedReads();
    ContainedOutcome outcome = runContained(
        [&](std::vector<uint8_t>& made) {
            // After the limits, before any untrusted byte is touched.
            std::string why;
            if (!enterSandbox({readableFolder, {containedResultFd, STDERR_FILENO}}, why)) {
                if (errno == ENOMEM) // no room left to build the filter under the limit
                    endContainedIfOutOfMemory();
                std::fprintf(stderr, "quillmark-tool: %s\n", why.c_str());
                ::_exit(noSandboxStatus);
            }
            if (readerChildHooks.enterChild != nullptr)
                readerChildHooks.enterChild(reader);
            read(made);
        },
        limits);
    const std::string the = std::string("the ") + reader;
    switch (outcome.end) {
    case ContainedEnd::complete:
        bytes = std::move(outcome.bytes);
        return true;
    case ContainedEnd::crashed:
        error = the + " crashed (" + signalName(outcome.signal) + ")";
        break;
    case ContainedEnd::outOfMemory:
        error = the + " needed more than " + std::to_string(limits.maxMemoryBytes >> 20) +
                " MiB (--max-memory raises it)";
        break;
    case ContainedEnd::outOfTime:
        error =
            the + " took more than " +
            std::to_string(outcome.pastDeadline ? limits.maxWallSeconds : limits.maxCpuSeconds) +
            " s (--max-seconds raises it)";
        break;
    case ContainedEnd::failed:
        if (const char* call = sandboxStoppedCall(outcome.exitStatus))
            error = the + " was stopped: it tried something a " + reader + " never needs (" + call +
                    ")";
        else if (outcome.exitStatus == noSandboxStatus)
            error = "no sandbox for " + the + " on this machine (the reason is above)";
        else
            error = outcome.exitStatus == 0
                        ? the + " ended without its whole result"
                        : the + " failed (exit status " + std::to_string(outcome.exitStatus) + ")";
        break;
    case ContainedEnd::notStarted:
        error = "cannot start " + the + ": " + std::strerror(outcome.error);
        break;
    }
    return false;
}

std::string describeReaderSandbox() {
    const SandboxSupport support = sandboxSupport();
    std::string text = support.landlockAbi > 0
                           ? "Landlock: ABI " + std::to_string(support.landlockAbi) +
                                 " (the model reader reads only under the model's folder, the "
                                 "picture decoder no file at all)\n"
                           : "Landlock: not available (reads are not confined to the model's "
                             "folder)\n";
    text += support.seccomp ? "seccomp: available (each reader runs under a filter that refuses "
                              "writing, connecting, starting programs and signalling)\n"
                            : "seccomp: not available (no reader can run: imports are refused)\n";
    return text;
}

void putBlock(ByteWriter& out, const void* data, size_t size) {
    out.u32(static_cast<uint32_t>(size));
    out.raw(data, size);
}

void putText(ByteWriter& out, const std::string& text) {
    putBlock(out, text.data(), text.size());
}

bool takeBlock(ByteReader& in, std::vector<uint8_t>& block) {
    uint32_t size = 0;
    const uint8_t* start = nullptr;
    if (!in.u32(size) || (start = in.take(size)) == nullptr)
        return false;
    block.assign(start, start + size);
    return true;
}

bool takeText(ByteReader& in, std::string& text) {
    std::vector<uint8_t> block;
    if (!takeBlock(in, block))
        return false;
    text.assign(block.begin(), block.end());
    return true;
}
