// quillmark-tool model preview: a picture of one model without opening a
// window.

#include "model_preview.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const previewUsage =
    "usage: quillmark-tool model preview FILE.ms3d [OPTIONS] -o OUT.png\n"
    "\n"
    "Draws one MS3D model as the editor draws it, with the editor's light and\n"
    "its textures, and writes the picture as a PNG. Needs no display. The\n"
    "camera stands as close as it can with the whole model (with --on-hex, and\n"
    "the hex's top) in view.\n"
    "\n"
    "  --data DIR   the data folder the model's texture names are in, of any\n"
    "               name (default: the folder holding FILE)\n"
    "  --size WxH   picture size in pixels (default 800x600, at most 8192)\n"
    "  --yaw DEG    turn the model about its upright axis, counter-clockwise\n"
    "               seen from above, -360 to 360; 0 shows the side the editor's\n"
    "               camera sees (default 30)\n"
    "  --pitch DEG  how far the camera looks down, -90 (from below) to 90 (from\n"
    "               above) (default 25)\n"
    "  --on-hex     stand the model on the land hex, DIR/Hexagon.ms3d with\n"
    "               land0.bmp, as on a hex of height 0, for scale\n"
    "  --transparent  no background: the picture gets an alpha channel, and\n"
    "               the hex of --on-hex is cut to a slab half a unit deep\n"
    "  --smooth N   draw N times larger (2 to 8) and average down, for smooth\n"
    "               edges; the larger picture must stay within 8192\n"
    "  -o OUT.png   where to write the picture (required)\n"
    "\n"
    "A model the editor would refuse is reported with the reason, and the exit\n"
    "status is 1. A texture that does not load is named, and the model is drawn\n"
    "without it.\n";

int fail(const std::string& message) {
    std::fputs(previewUsage, stderr);
    std::fprintf(stderr, "quillmark-tool model preview: %s\n", message.c_str());
    return 2;
}

bool parseAngle(const char* text, float limit, float& degrees) {
    return parseFloatArgument(text, degrees) && degrees >= -limit && degrees <= limit;
}

} // namespace

int runModelPreview(int argc, char** argv) {
    ModelPreviewOptions options;
    std::string out;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(previewUsage, stdout);
            return 0;
        } else if (arg == "--on-hex") {
            options.onHex = true;
        } else if (arg == "--transparent") {
            options.transparent = true;
        } else if (!hasValue && (arg == "--data" || arg == "--size" || arg == "--yaw" ||
                                 arg == "--pitch" || arg == "--smooth" || arg == "-o")) {
            return fail(arg + " needs a value");
        } else if (arg == "--data") {
            options.dataDir = argv[++i];
        } else if (arg == "-o") {
            out = argv[++i];
        } else if (arg == "--size") {
            if (!parsePictureSize(argv[++i], options.width, options.height))
                return fail("--size wants WIDTHxHEIGHT, each 1 to 8192, not '" +
                            std::string(argv[i]) + "'");
        } else if (arg == "--smooth") {
            if (!parseIntArgument(argv[++i], options.supersample) || options.supersample < 2 ||
                options.supersample > 8)
                return fail("--smooth wants 2 to 8, not '" + std::string(argv[i]) + "'");
        } else if (arg == "--yaw") {
            if (!parseAngle(argv[++i], 360.0f, options.yaw))
                return fail("--yaw wants degrees from -360 to 360, not '" + std::string(argv[i]) +
                            "'");
        } else if (arg == "--pitch") {
            if (!parseAngle(argv[++i], 90.0f, options.pitch))
                return fail("--pitch wants degrees from -90 to 90, not '" + std::string(argv[i]) +
                            "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option '" + arg + "'");
        } else if (!options.modelPath.empty()) {
            return fail("one model at a time, not '" + arg + "' as well");
        } else {
            options.modelPath = arg;
        }
    }
    if (options.modelPath.empty())
        return fail("which model? FILE.ms3d is required");
    if (out.empty())
        return fail("-o OUT.png is required");
    if (std::max(options.width, options.height) * options.supersample > maxPictureSide)
        return fail("--smooth " + std::to_string(options.supersample) + " makes the picture " +
                    "larger than " + std::to_string(maxPictureSide) + " pixels a side");

    SnapshotImage image;
    std::string error;
    std::vector<std::string> warnings;
    const bool drawn = renderModelPreview(options, image, error, warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "quillmark-tool model preview: warning: %s\n", warning.c_str());
    if (!drawn) {
        std::fprintf(stderr, "quillmark-tool model preview: %s\n", error.c_str());
        return 1;
    }
    if (!writePng(out, image)) {
        std::fprintf(stderr, "quillmark-tool model preview: cannot write %s: %s\n", out.c_str(),
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
