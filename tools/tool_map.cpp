// quillmark-tool map export|import

#include "map/map_file.h"
#include "map_text.h"
#include "tool_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const mapUsage =
    "usage: quillmark-tool map export FILE\n"
    "       quillmark-tool map import TEXT FILE\n"
    "\n"
    "export  prints the four layers of the map file FILE as text: a line naming\n"
    "        the layer (height, water, object, unit), then 15 lines (rows 0 to 14)\n"
    "        of 11 values (columns 0 to 10). Values print as the shortest decimal\n"
    "        that reads back to the same float.\n"
    "import  reads such text from TEXT ('-' for standard input) and writes the\n"
    "        2,640-byte map file FILE. The file is replaced atomically, and left\n"
    "        untouched when the text has an error or is over 1 MiB.\n";

bool wantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

// A map's text is about 10 KiB; anything near this is no map.
constexpr size_t maxTextSize = 1048576;

// Reads up to `limit` bytes, so that neither an endless device nor a huge
// file makes the tool read without bound. False with errno on a read error
// (a directory opens but fails here with EISDIR).
bool readAtMost(std::FILE* file, size_t limit, std::string& out) {
    out.resize(limit);
    errno = 0;
    out.resize(std::fread(&out[0], 1, limit, file));
    if (std::ferror(file) == 0)
        return true;
    if (errno == 0)
        errno = EIO;
    return false;
}

int exportMap(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "quillmark-tool map export: cannot open %s: %s\n", path,
                     std::strerror(errno));
        return 1;
    }
    // One byte more than a map holds tells a long file from an exact one.
    std::string bytes;
    const bool read = readAtMost(file, mapFileSize + 1, bytes);
    const int readError = errno;
    std::fclose(file);
    if (!read) {
        std::fprintf(stderr, "quillmark-tool map export: cannot read %s: %s\n", path,
                     std::strerror(readError));
        return 1;
    }
    if (bytes.size() > static_cast<size_t>(mapFileSize))
        std::fprintf(stderr,
                     "quillmark-tool map export: note: %s is longer than %d bytes; the bytes "
                     "after %d are ignored\n",
                     path, mapFileSize, mapFileSize);
    else if (bytes.size() < static_cast<size_t>(mapFileSize))
        std::fprintf(stderr,
                     "quillmark-tool map export: note: %s is %zu bytes, not %d; values "
                     "beyond its end read as 0\n",
                     path, bytes.size(), mapFileSize);
    HexMap map;
    decodeMapBytes(map, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const std::string text = formatMapText(map);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int importMap(const char* textPath, const char* mapPath) {
    const bool fromStdin = std::strcmp(textPath, "-") == 0;
    const char* textName = fromStdin ? "standard input" : textPath;
    std::FILE* file = fromStdin ? stdin : std::fopen(textPath, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "quillmark-tool map import: cannot open %s: %s\n", textPath,
                     std::strerror(errno));
        return 1;
    }
    std::string text;
    const bool read = readAtMost(file, maxTextSize + 1, text);
    const int readError = errno;
    if (!fromStdin)
        std::fclose(file);
    if (!read) {
        std::fprintf(stderr, "quillmark-tool map import: cannot read %s: %s; %s left unchanged\n",
                     textName, std::strerror(readError), mapPath);
        return 1;
    }
    if (text.size() > maxTextSize) {
        std::fprintf(stderr,
                     "quillmark-tool map import: %s is longer than %zu bytes, too long for a "
                     "map's text; %s left unchanged\n",
                     textName, maxTextSize, mapPath);
        return 1;
    }
    HexMap map;
    std::string error;
    if (!parseMapText(text, map, error)) {
        std::fprintf(stderr, "quillmark-tool map import: %s:%s; %s left unchanged\n", textPath,
                     error.c_str(), mapPath);
        return 1;
    }
    map.loadState = MapLoadState::loaded;
    if (!saveMapTo(map, mapPath)) {
        std::fprintf(stderr, "quillmark-tool map import: cannot write %s: %s\n", mapPath,
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace

int runMapCommand(int argc, char** argv) {
    if (wantsHelp(argc, argv)) {
        std::fputs(mapUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[0], "export") == 0)
        return exportMap(argv[1]);
    if (argc == 3 && std::strcmp(argv[0], "import") == 0)
        return importMap(argv[1], argv[2]);
    std::fputs(mapUsage, stderr);
    return 2;
}
