// quillmark-tool bmp import: a PNG or JPEG picture made into a texture BMP.

#include "image_import.h"
#include "platform/atomic_file.h"
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
    "usage: quillmark-tool bmp import IN OUT.bmp [--size N]\n"
    "\n"
    "Reads the picture IN (PNG or JPEG, or another format stb_image reads) and\n"
    "writes it as the 24-bit BMP OUT.bmp, its top row still at the top, for the\n"
    "editor to use as a texture. OpenGL 1.1 wants power-of-two sides: each side\n"
    "is resized to its nearest power of two, at most 1024.\n"
    "\n"
    "  --size N  make the BMP N x N pixels instead; N a power of two from 1 to\n"
    "            4096 (a texture's shape does not matter to the model it covers;\n"
    "            above 1024 some OpenGL drivers refuse it)\n"
    "\n"
    "OUT.bmp is replaced whole, or left as it was when IN cannot be read. It may\n"
    "be /dev/stdout (into a pipe): the report then goes to standard error.\n"
    "Exit status: 0 written, 1 refused, 2 bad arguments.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "quillmark-tool bmp import: %s\n\n%s", message.c_str(), bmpImportUsage);
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
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(bmpImportUsage, stdout);
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

    Picture picture;
    std::string error;
    if (!readPictureFile(paths[0], picture, error)) {
        std::fprintf(stderr, "quillmark-tool bmp import: %s; nothing written\n", error.c_str());
        return 1;
    }
    const Picture sized = size > 0 ? resizePicture(picture, size, size) : resizeToTexture(picture);
    std::vector<uint8_t> bytes;
    if (!encodePictureBmp(sized, bytes) ||
        !writeFileAtomically(paths[1], bytes.data(), bytes.size())) {
        std::fprintf(stderr, "quillmark-tool bmp import: cannot write %s: %s\n", paths[1].c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::FILE* report = isStandardOutput(paths[1]) ? stderr : stdout;
    std::fprintf(report, "wrote %s: %d x %d (from %d x %d)\n", paths[1].c_str(), sized.width,
                 sized.height, picture.width, picture.height);
    return std::fflush(report) == 0 ? 0 : 1;
}
