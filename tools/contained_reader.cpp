#include "contained_reader.h"

#include "platform/byte_io.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

#ifdef QUILLMARK_TEST_FAULTS
// Test builds only: the containment tests make the reader misbehave on
// purpose, as a broken file would.
void injectTestFault() {
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
}
#else
void injectTestFault() {}
#endif

std::string signalName(int signal) {
    std::string name = ::strsignal(signal);
    if (!name.empty())
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
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
    return limits;
}

bool runContainedReader(const char* reader, const ContainmentLimits& limits,
                        const std::function<void(std::vector<uint8_t>&)>& read,
                        std::vector<uint8_t>& bytes, std::string& error) {
    ContainedOutcome outcome = runContained(
        [&](std::vector<uint8_t>& made) {
            injectTestFault();
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
        error = the + " took more than " + std::to_string(limits.maxCpuSeconds) +
                " s (--max-seconds raises it)";
        break;
    case ContainedEnd::failed:
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
