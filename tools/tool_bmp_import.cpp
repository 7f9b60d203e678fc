// quillmark-tool bmp import: a PNG or JPEG picture made into a texture BMP.

#include "contained_reader.h"
#include "image/bmp_image.h"
#include "image_import.h"
#include "platform/atomic_file.h"
#include "platform/mapped_file.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int maxChosenSide = 4096;

const char* const bmpImportUsage =
    "usage: quillmark-tool bmp import IN OUT.bmp [--size N] [--max-memory MIB]\n"
    "                                 [--max-seconds S]\n"
    "\n"
    "Reads the picture IN (PNG or JPEG, or another format stb_image reads) and\n"
    "writes it as the 24-bit BMP OUT.bmp, its top row still at the top, for the\n"
    "editor to use as a texture. OpenGL 1.1 wants power-of-two sides: each side\n"
    "is resized to its nearest power of two, at most 1024.\n"
    "\n"
    "  --size N  make the BMP N x N pixels instead; N a power of two from 1 to\n"
    "            4096 (a texture's shape does not matter to the model it covers;\n"
    "            above 1024 some OpenGL drivers refuse it)\n"
    "%s"
    "\n"
    "The picture is decoded in a process of its own: a crash, or a file that\n"
    "wants more memory or time than the limits above, ends that reader and is\n"
    "reported. The tool reads the file; the reader, in a sandbox, may open no\n"
    "file, write nothing but its result, connect nowhere, start no program and\n"
    "signal no other process (see model import --help).\n"
    "IN must be a regular file: a FIFO, a device or a folder is refused.\n"
    "OUT.bmp is replaced whole, or left as it was when IN cannot be read. It may\n"
    "be /dev/stdout (into a pipe): the report then goes to standard error.\n"
    "Exit status: 0 written, 1 refused, 2 bad arguments.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "quillmark-tool bmp import: %s\n\n", message.c_str());
    std::fprintf(stderr, bmpImportUsage, readerLimitsHelp);
    return 2;
}

// Whether `path` is this process's standard output (/dev/stdout into a pipe):
// the report then goes to standard error, not after the picture.
bool isStandardOutput(const std::string& path) {
    struct stat out {
    }, target{};
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat(path.c_str(), &target) == 0 &&
           out.st_dev == target.st_dev && out.st_ino == target.st_ino;
}

} // namespace

int runBmpImport(int argc, char** argv) {
    int size = 0; // 0: the nearest power of two a side
    std::vector<std::string> paths;
    ContainmentLimits limits = defaultReaderLimits();
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string error;
        const int limit = readReaderLimit(argc, argv, i, limits, error);
        if (limit < 0)
            return usageError(error);
        if (limit > 0)
            continue;
        if (arg == "--help" || arg == "-h") {
            std::printf(bmpImportUsage, readerLimitsHelp);
            return 0;
        } else if (arg == "--size") {
            if (i + 1 == argc || !parseIntArgument(argv[++i], size) || !isPowerOfTwo(size) ||
                size > maxChosenSide)
                return usageError("--size wants a power of two from 1 to " +
                                  std::to_string(maxChosenSide));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2)
        return usageError("wants IN and OUT.bmp");

    std::string error;
    if (!checkReaderInput(paths[0], error)) {
        std::fprintf(stderr, "quillmark-tool bmp import: %s; nothing written\n", error.c_str());
        return 1;
    }
    // Read here, on the trusted side; decoded in a reader that opens no file.
    MappedFile file;
    if (!openMappedRegularFile(paths[0].c_str(), true, file)) {
        std::fprintf(stderr, "quillmark-tool bmp import: cannot read %s: %s; nothing written\n",
                     paths[0].c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<DecodedPicture> decoded;
    const bool ran =
        decodePicturesContained({{file.data, file.size, nullptr}}, size, limits, decoded, error);
    closeMappedFile(file);
    if (ran && !decoded[0].error.empty())
        error = decoded[0].error;
    if (!ran || !decoded[0].error.empty()) {
        std::fprintf(stderr, "quillmark-tool bmp import: cannot read %s: %s; nothing written\n",
                     paths[0].c_str(), error.c_str());
        return 1;
    }
    const std::vector<uint8_t>& bmp = decoded[0].bmp;
    RgbImage image;
    decodeDibBytes(bmp.data(), bmp.size(), image);
    const int sourceWidth = decoded[0].sourceWidth, sourceHeight = decoded[0].sourceHeight;
    if (!writeFileAtomically(paths[1], bmp.data(), bmp.size())) {
        std::fprintf(stderr, "quillmark-tool bmp import: cannot write %s: %s\n", paths[1].c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::FILE* report = isStandardOutput(paths[1]) ? stderr : stdout;
    std::fprintf(report, "wrote %s: %d x %d (from %d x %d)\n", paths[1].c_str(), image.width,
                 image.height, sourceWidth, sourceHeight);
    return std::fflush(report) == 0 ? 0 : 1;
}
