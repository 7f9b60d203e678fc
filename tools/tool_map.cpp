// quillmark-tool map export|import

#include "map/map_file.h"
#include "map_text.h"
#include "tool_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

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
    "        untouched when the text has an error.\n";

bool wantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

int exportMap(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quillmark-tool map export: cannot open %s: %s\n", path,
                     std::strerror(errno));
        return 1;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    const std::string bytes = contents.str();
    if (bytes.size() != static_cast<size_t>(mapFileSize))
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
    std::ostringstream contents;
    if (std::strcmp(textPath, "-") == 0) {
        contents << std::cin.rdbuf();
    } else {
        std::ifstream in(textPath, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "quillmark-tool map import: cannot open %s: %s\n", textPath,
                         std::strerror(errno));
            return 1;
        }
        contents << in.rdbuf();
    }
    HexMap map;
    std::string error;
    if (!parseMapText(contents.str(), map, error)) {
        std::fprintf(stderr, "quillmark-tool map import: %s:%s; %s left unchanged\n", textPath,
                     error.c_str(), mapPath);
        return 1;
    }
    map.loadStepRan = true;
    if (!saveMapFile(map, mapPath)) {
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
