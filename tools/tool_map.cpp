// quillmark-tool map export|import|check|diff|set

#include "map/map_file.h"
#include "map_review.h"
#include "map_text.h"
#include "model/asset_set.h"
#include "platform/file_lock.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const mapUsage =
    "usage: quillmark-tool map export FILE\n"
    "       quillmark-tool map import TEXT FILE\n"
    "       quillmark-tool map check FILE [--data DIR]\n"
    "       quillmark-tool map diff A B\n"
    "       quillmark-tool map set FILE ROW COLUMN LAYER VALUE [ROW COLUMN LAYER VALUE...]\n"
    "\n"
    "export  prints the four layers of the map file FILE as text: a line naming\n"
    "        the layer (height, water, object, unit), then 15 lines (rows 0 to 14)\n"
    "        of 11 values (columns 0 to 10). Values print as the shortest decimal\n"
    "        that reads back to the same float; a NaN other than the usual one\n"
    "        prints with its bits, as nan(0x7fc00001).\n"
    "import  reads such text from TEXT ('-' for standard input) and writes the\n"
    "        2,640-byte map file FILE. The file is replaced atomically, and left\n"
    "        untouched when the text has an error or is over 1 MiB. FILE may be\n"
    "        /dev/stdout (into a pipe).\n"
    "check   lists each value the editor would draw or edit otherwise than its\n"
    "        plain meaning, one line each (row R column C LAYER VALUE: reason):\n"
    "        values not finite, heights not one of 0, 0.5, ..., 3, water not a\n"
    "        whole number from 0 to 7, object and unit numbers not a whole number\n"
    "        from 0 to the count of such models in the data folder DIR (the one\n"
    "        holding object0000.ms3d; default: the folder holding FILE). A file\n"
    "        that is not 2,640 bytes is a finding too. The last line is the\n"
    "        count. Exit status 0: clean; 1: findings; 2: FILE cannot be read.\n"
    "diff    prints one line per value that differs between the maps A and B\n"
    "        (row R column C LAYER: OLD -> NEW), bit for bit, so -0 and 0 differ.\n"
    "        The last line is the count. Exit status 0: the same; 1: they differ;\n"
    "        2: a file cannot be read.\n"
    "set     changes values of the map file FILE in place: row 0-14, column\n"
    "        0-10, layer name, and the value as export writes it. Every argument\n"
    "        is checked first; the file is replaced atomically, and left\n"
    "        untouched when any argument is bad (exit status 2) or the file\n"
    "        cannot be read or written, or is not 2,640 bytes (exit status 1).\n"
    "\n"
    "import and set write nothing (exit status 1) while a Quillmark editor has\n"
    "FILE open: the editor would save over it at its end.\n";

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

// What the editor does with a map file of `size` bytes that is not 2,640.
std::string sizeMeaning(size_t size) {
    if (size > static_cast<size_t>(mapFileSize))
        return "longer than " + std::to_string(mapFileSize) + " bytes; the bytes after " +
               std::to_string(mapFileSize) + " are ignored";
    return std::to_string(size) + " bytes, not " + std::to_string(mapFileSize) +
           "; values beyond its end read as 0";
}

// Reads a map file as the editor does, into a zeroed map. `size` is the
// file's length, or 2,641 for any longer file: one byte more than a map holds
// tells a long file from an exact one. False, having said why, when the file
// cannot be opened or read.
bool readMapFile(const char* command, const char* path, HexMap& map, size_t& size) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "quillmark-tool map %s: cannot open %s: %s\n", command, path,
                     std::strerror(errno));
        return false;
    }
    std::string bytes;
    const bool read = readAtMost(file, mapFileSize + 1, bytes);
    const int readError = errno;
    std::fclose(file);
    if (!read) {
        std::fprintf(stderr, "quillmark-tool map %s: cannot read %s: %s\n", command, path,
                     std::strerror(readError));
        return false;
    }
    clearHexMap(map);
    decodeMapBytes(map, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    size = bytes.size();
    return true;
}

// As readMapFile, with a note on stderr when the file is not 2,640 bytes.
bool readMapFileNoting(const char* command, const char* path, HexMap& map) {
    size_t size = 0;
    if (!readMapFile(command, path, map, size))
        return false;
    if (size != static_cast<size_t>(mapFileSize))
        std::fprintf(stderr, "quillmark-tool map %s: note: %s is %s\n", command, path,
                     sizeMeaning(size).c_str());
    return true;
}

// An editor that has the map open saves it at its exit, over whatever was
// written meanwhile: while one holds the map's lock, nothing is written. The
// lock is held until the tool ends. Only the editor makes lock files.
bool lockAgainstEditor(const char* command, const char* path) {
    static FileLock lock;
    const FileLockResult result = takeFileLock(path, false, lock);
    if (result == FileLockResult::refused) {
        const std::string why = describeLockRefusal(errno);
        std::fprintf(stderr,
                     "quillmark-tool map %s: cannot use the lock file %s (%s), so an editor "
                     "could have %s open; %s left unchanged\n",
                     command, lockFilePathFor(path).c_str(), why.c_str(), path, path);
        return false;
    }
    if (result != FileLockResult::held)
        return true;
    std::fprintf(stderr,
                 "quillmark-tool map %s: %s is open in a Quillmark editor, which would save over "
                 "it at its end; close the editor first. %s left unchanged\n",
                 command, path, path);
    return false;
}

int exportMap(const char* path) {
    HexMap map;
    if (!readMapFileNoting("export", path, map))
        return 1;
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
    if (!lockAgainstEditor("import", mapPath))
        return 1;
    // Unlike the editor's save, the new map may go to a pipe (/dev/stdout).
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    if (!writeFileAtomically(mapPath, bytes, sizeof bytes)) {
        std::fprintf(stderr, "quillmark-tool map import: cannot write %s: %s\n", mapPath,
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

// Prints the lines, then their count as the last line; exit status 0 for
// none, 1 for some.
int printCounted(const std::vector<std::string>& lines, const char* singular, const char* plural) {
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
    std::printf("%zu %s\n", lines.size(), lines.size() == 1 ? singular : plural);
    return std::fflush(stdout) != 0 ? 2 : lines.empty() ? 0 : 1;
}

int checkMap(const char* path, const char* dataDir) {
    HexMap map;
    size_t size = 0;
    if (!readMapFile("check", path, map, size))
        return 2;
    std::string folder = dataDir != nullptr ? std::string(dataDir)
                                            : std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        folder = ".";
    std::vector<std::string> findings;
    if (size != static_cast<size_t>(mapFileSize))
        findings.push_back(std::string(path) + ": " + sizeMeaning(size) +
                           "; the editor saves it back as 2640 bytes");
    const int objects = countNumberedModels(folder, objectModelPattern);
    const int units = countNumberedModels(folder, unitModelPattern);
    for (std::string& line : checkMapValues(map, objects, units))
        findings.push_back(std::move(line));
    if (objects == 0 && units == 0)
        std::fprintf(stderr,
                     "quillmark-tool map check: note: %s holds no object or unit models "
                     "(object0000.ms3d, guy0000.ms3d); --data names the data folder\n",
                     folder.c_str());
    return printCounted(findings, "finding", "findings");
}

int diffMaps(const char* before, const char* after) {
    HexMap a, b;
    if (!readMapFileNoting("diff", before, a) || !readMapFileNoting("diff", after, b))
        return 2;
    return printCounted(diffMapValues(a, b), "difference", "differences");
}

bool parseIndex(const char* text, int limit, int& value) {
    return parseIntArgument(text, value) && value >= 0 && value < limit;
}

struct MapChange {
    int row = 0;
    int column = 0;
    int layer = 0;
    float value = 0.0f;
};

// Checks ROW COLUMN LAYER VALUE groups; on a bad one names it, and returns
// false.
bool parseChanges(int argc, char** argv, std::vector<MapChange>& changes) {
    for (int i = 0; i + 3 < argc; i += 4) {
        MapChange change;
        const char* problem = nullptr;
        int bad = i;
        change.layer = -1;
        for (int layer = 0; layer < mapLayerCount; ++layer)
            if (std::strcmp(argv[i + 2], mapLayerName(layer)) == 0)
                change.layer = layer;
        if (!parseIndex(argv[i], mapRows, change.row))
            problem = "is not a row (0 to 14)";
        else if (!parseIndex(argv[i + 1], mapColumns, change.column))
            bad = i + 1, problem = "is not a column (0 to 10)";
        else if (change.layer < 0)
            bad = i + 2, problem = "is not a layer (height, water, object or unit)";
        else if (!parseMapValue(argv[i + 3], change.value))
            bad = i + 3, problem = "is not a value (a float as map export writes it)";
        if (problem != nullptr) {
            // Argument numbers count from FILE, the first after "set".
            std::fprintf(stderr, "quillmark-tool map set: argument %d, \"%s\", %s\n", bad + 2,
                         argv[bad], problem);
            return false;
        }
        changes.push_back(change);
    }
    return true;
}

int setValues(int argc, char** argv) {
    const char* path = argv[0];
    std::vector<MapChange> changes;
    if (!parseChanges(argc - 1, argv + 1, changes)) {
        std::fprintf(stderr, "quillmark-tool map set: %s left unchanged\n", path);
        return 2;
    }
    if (!lockAgainstEditor("set", path))
        return 1;
    HexMap map;
    size_t size = 0;
    if (!readMapFile("set", path, map, size))
        return 1;
    // Rewriting a short or long file would change more than was asked.
    if (size != static_cast<size_t>(mapFileSize)) {
        std::fprintf(stderr,
                     "quillmark-tool map set: %s is %s; left unchanged ('map check' tells "
                     "more)\n",
                     path, sizeMeaning(size).c_str());
        return 1;
    }
    for (const MapChange& change : changes)
        mapLayer(map, change.layer).cell[change.row][change.column] = change.value;
    map.loadState = MapLoadState::loaded;
    if (!saveMapTo(map, path)) {
        std::fprintf(stderr, "quillmark-tool map set: cannot write %s: %s; left unchanged\n", path,
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
    if (argc >= 2 && std::strcmp(argv[0], "check") == 0) {
        if (argc == 2)
            return checkMap(argv[1], nullptr);
        if (argc == 4 && std::strcmp(argv[2], "--data") == 0)
            return checkMap(argv[1], argv[3]);
    }
    if (argc == 3 && std::strcmp(argv[0], "diff") == 0)
        return diffMaps(argv[1], argv[2]);
    if (argc >= 6 && (argc - 2) % 4 == 0 && std::strcmp(argv[0], "set") == 0)
        return setValues(argc - 1, argv + 1);
    std::fputs(mapUsage, stderr);
    return 2;
}
