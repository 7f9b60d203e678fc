// quillmark-tool make-assets DIR

#include "assets/make_assets.h"
#include "tool_commands.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const makeAssetsUsage =
    "usage: quillmark-tool make-assets [--quiet] DIR\n"
    "\n"
    "Writes the editor's default data folder DIR/data/: the hex tile, highlight\n"
    "and cursor arrows, the numbered object and unit models, the land and water\n"
    "textures, and the sample map data/quillmark.map. The map is written only\n"
    "when DIR has none yet, so an edited map is never replaced; everything else\n"
    "is written anew. Every run writes the same bytes.\n"
    "\n"
    "A game folder that the quillmark launcher keeps (its data/ holds\n"
    ".quillmark-defaults) is refused: the launcher updates its defaults itself.\n"
    "\n"
    "  --quiet  print nothing but errors\n";

} // namespace

int runMakeAssetsCommand(int argc, char** argv) {
    const char* dir = nullptr;
    bool quiet = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(makeAssetsUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
        } else if (argv[i][0] == '-' || dir != nullptr) {
            std::fprintf(stderr, "quillmark-tool make-assets: unexpected argument '%s'\n\n%s",
                         argv[i], makeAssetsUsage);
            return 2;
        } else {
            dir = argv[i];
        }
    }
    if (dir == nullptr) {
        std::fputs(makeAssetsUsage, stderr);
        return 2;
    }
    MakeAssetsResult result;
    if (!makeAssets(dir, result)) {
        std::fprintf(stderr, "quillmark-tool make-assets: %s\n", result.error.c_str());
        return 1;
    }
    if (!quiet) {
        for (const MadeFile& file : result.written)
            std::printf("%-24s %s\n", file.path.c_str(), file.about.c_str());
        if (!result.mapWritten)
            std::printf("data/quillmark.map       kept as it was\n");
    }
    return 0;
}
