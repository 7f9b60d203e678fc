// quillmark-tool snapshot: a picture of a map without opening a window.

#include "map/hex_map.h"
#include "snapshot.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cstdio>
#include <string>

namespace {

const char* const snapshotUsage =
    "usage: quillmark-tool snapshot [OPTIONS] -o OUT.png\n"
    "\n"
    "Draws the map of a game folder as the editor shows it, with the camera\n"
    "settled on the cursor, and writes the picture as a PNG. Needs no display.\n"
    "\n"
    "  --dir DIR         game folder holding data/ (default: the current folder)\n"
    "  --map FILE        draw this map file instead of DIR/data/quillmark.map\n"
    "  --size WxH        picture size in pixels (default 1024x768, at most 8192)\n"
    "  --cursor ROW,COL  cursor hex, row 0-14 and column 0-10 (default 7,5)\n"
    "  --pitch DEG       camera tilt, 0 (edge-on) to 90 (from above) (default 60)\n"
    "  --distance D      camera distance, 10 to 100 (default 25)\n"
    "  --edit-mode       show the edit-mode cursor arrow\n"
    "  -o OUT.png        where to write the picture (required)\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmark-tool snapshot: %s\n", message.c_str());
    return 2;
}

} // namespace

int runSnapshotCommand(int argc, char** argv) {
    SnapshotOptions options;
    std::string out;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(snapshotUsage, stdout);
            return 0;
        } else if (arg == "--edit-mode") {
            options.editMode = true;
        } else if (!hasValue &&
                   (arg == "--dir" || arg == "--map" || arg == "--size" || arg == "--cursor" ||
                    arg == "--pitch" || arg == "--distance" || arg == "-o")) {
            return fail(arg + " needs a value");
        } else if (arg == "--dir") {
            options.gameDir = argv[++i];
        } else if (arg == "--map") {
            options.mapPath = argv[++i];
        } else if (arg == "-o") {
            out = argv[++i];
        } else if (arg == "--size") {
            if (!parsePictureSize(argv[++i], options.width, options.height))
                return fail("--size wants WIDTHxHEIGHT, each 1 to 8192, not '" +
                            std::string(argv[i]) + "'");
        } else if (arg == "--cursor") {
            if (!parsePairArgument(argv[++i], ',', options.cursorRow, options.cursorColumn) ||
                options.cursorRow < 0 || options.cursorRow >= mapRows || options.cursorColumn < 0 ||
                options.cursorColumn >= mapColumns)
                return fail("--cursor wants ROW,COL with row 0-14 and column 0-10, not '" +
                            std::string(argv[i]) + "'");
        } else if (arg == "--pitch") {
            if (!parseFloatArgument(argv[++i], options.pitch) || !(options.pitch >= 0.0f) ||
                !(options.pitch <= 90.0f))
                return fail("--pitch wants degrees from 0 to 90, not '" + std::string(argv[i]) +
                            "'");
        } else if (arg == "--distance") {
            if (!parseFloatArgument(argv[++i], options.distance) || !(options.distance >= 10.0f) ||
                !(options.distance <= 100.0f))
                return fail("--distance wants 10 to 100, not '" + std::string(argv[i]) + "'");
        } else {
            std::fputs(snapshotUsage, stderr);
            return fail("unknown option '" + arg + "'");
        }
    }
    if (out.empty()) {
        std::fputs(snapshotUsage, stderr);
        return fail("-o OUT.png is required");
    }

    SnapshotImage image;
    std::string error;
    if (!renderSnapshot(options, image, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!writePng(out, image)) {
        std::fprintf(stderr, "quillmark-tool snapshot: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
