#pragma once
// The model and picture readers (Assimp, stb_image) run in a child process
// under limits: a crash, a runaway allocation or an endless loop in a file
// they are handed ends the child, and the tool says so in its own words.

#include "platform/contained_run.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr unsigned defaultReaderMiB = 2048;
constexpr unsigned defaultReaderSeconds = 60;

// defaultReaderMiB, or half of the physical memory where that is less, and
// defaultReaderSeconds, of CPU time and of wall-clock time.
ContainmentLimits defaultReaderLimits();

// What a reader's child runs before the read, inside its sandbox, told which
// reader it is ("picture reader"). The tool leaves them empty; only test
// programs set them, to make the reader misbehave as a hostile file would.
struct ReaderChildHooks {
    void (*enterChild)(const char* reader) = nullptr;
};
extern ReaderChildHooks readerChildHooks;

// True when `path` names a regular file (or a link to one); false with
// "cannot read PATH: it is a FIFO, not a regular file" or the like in
// `error`, so that no reader is handed what it would wait on for ever.
bool checkReaderInput(const std::string& path, std::string& error);

// Runs `read` contained under `limits`, in the sandbox (platform/sandbox.h):
// it may read files under `readableFolder` only (none at all when empty),
// and write nothing but its result. True with what it made in `bytes`;
// false with why not in `error`, naming the `reader` ("the model reader
// crashed (segmentation fault)", "the model reader was stopped: it tried
// something a model reader never needs (execve)"). Where the kernel has no
// Landlock, reads are not confined to the folder: said once on stderr.
bool runContainedReader(const char* reader, const ContainmentLimits& limits,
                        const std::string& readableFolder,
                        const std::function<void(std::vector<uint8_t>&)>& read,
                        std::vector<uint8_t>& bytes, std::string& error);

// What the sandbox has to work with on this machine, as
// `model import --sandbox-info` prints it.
std::string describeReaderSandbox();

// Length-prefixed strings and byte blocks in what a reader sends back. The
// takes refuse to read past the end.
struct ByteWriter;
struct ByteReader;
void putBlock(ByteWriter& out, const void* data, size_t size);
void putText(ByteWriter& out, const std::string& text);
bool takeBlock(ByteReader& in, std::vector<uint8_t>& block);
bool takeText(ByteReader& in, std::string& text);
