// quillmark-tool model import: a model from a modelling tool made into MS3D.

#include "contained_reader.h"
#include "model_import.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char* const modelImportUsage =
    "usage: quillmark-tool model import IN OUT.ms3d [--height H] [--up AXIS]\n"
    "                                   [--turn DEG] [--max-memory MIB]\n"
    "                                   [--max-seconds S]\n"
    "       quillmark-tool model import --sandbox-info\n"
    "\n"
    "Reads the model IN in any format Assimp reads (OBJ, glTF 2.0 / GLB, FBX,\n"
    "Collada, ...) and writes it as the MS3D file OUT.ms3d that the editor draws.\n"
    "Each mesh becomes a group, each material a material (ambient, diffuse,\n"
    "specular, emissive, shininess). Each texture a material uses, a file or one\n"
    "embedded in GLB/FBX, is written beside OUT as the 24-bit BMP\n"
    "<OUT name>-<n>.bmp, resized to the nearest power of two a side (at most\n"
    "1024), top row still at the top; the material names that file. The editor\n"
    "reads textures from its data folder: keep OUT and its BMPs together there.\n"
    "A texture file is looked for where the model names it, then beside the\n"
    "model, then both again without regard to letter case; a texture projected\n"
    "by the modeller (planar, cylindrical, spherical) gets coordinates made for\n"
    "it.\n"
    "\n"
    "  --height H  scale the model to stand H world units tall (a hex is about 2\n"
    "              across; default: keep the size)\n"
    "  --up AXIS   the model's axis, as read, that becomes up: +y (default), -y,\n"
    "              +z, -z, +x or -x (y and z mean +y and +z). A Collada file's\n"
    "              own up axis is applied on reading; the box before fitting,\n"
    "              in the summary, shows the axes as read.\n"
    "  --turn DEG  then turn the model about the up axis, counter-clockwise seen\n"
    "              from above (as model preview's --yaw), -360 to 360\n"
    "%s"
    "\n"
    "The model is read in a process of its own, and its pictures are decoded in\n"
    "another, each texture file read by the tool itself: a crash, or a file that\n"
    "wants more memory or time than the limits above, ends that reader and is\n"
    "reported; nothing is written. IN must be a regular file: a FIFO, a device or a\n"
    "folder is refused. The model is moved so that its base sits at y = 0,\n"
    "centred on the hex (x = z = 0). Refused, with nothing written: a model over\n"
    "65,535 vertices or triangles, 127 materials or 255 groups (with its counts);\n"
    "one without triangles; one with no extent along two axes; one whose numbers\n"
    "are not finite; and one over 1,000,000 units across unless --height is\n"
    "given. Group and material names over 31 bytes are cut, with a warning; a\n"
    "texture that cannot be read leaves its materials untextured, with a warning.\n"
    "\n"
    "Over an earlier import, the new textures take numbers the old OUT does not\n"
    "use; OUT is then replaced, and only after that go the old textures. A\n"
    "failure before that leaves the earlier import as it was. Prints a summary:\n"
    "groups, triangles, materials, textures written and the bounding box before\n"
    "and after fitting. Exit status: 0 written, 1 refused, 2 bad arguments.\n"
    "\n"
    "Models and pictures from the web may be made to exploit a bug in the\n"
    "libraries that read them, so each reader runs in a sandbox (seccomp and,\n"
    "where the kernel has it, Landlock): the model reader may read files only\n"
    "under the model's folder, the picture reader no file at all, and neither\n"
    "may write, make or remove a file, connect anywhere, start a program or\n"
    "signal another process. The textures are found and read by the tool itself.\n"
    "A reader that tries one of these ends at once: nothing is written, and the\n"
    "tool says what it tried. --sandbox-info prints what this machine's kernel\n"
    "offers the sandbox.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "quillmark-tool model import: %s\n\n", message.c_str());
    std::fprintf(stderr, modelImportUsage, readerLimitsHelp);
    return 2;
}

// The axes --up takes, and the words of the earlier --up y|z.
bool parseUpAxis(const std::string& text, UpAxis& up) {
    static const std::pair<const char*, UpAxis> axes[] = {
        {"+y", UpAxis::plusY}, {"y", UpAxis::plusY},  {"-y", UpAxis::minusY},
        {"+z", UpAxis::plusZ}, {"z", UpAxis::plusZ},  {"-z", UpAxis::minusZ},
        {"+x", UpAxis::plusX}, {"-x", UpAxis::minusX}};
    for (const auto& [name, axis] : axes)
        if (text == name) {
            up = axis;
            return true;
        }
    return false;
}

} // namespace

int runModelImport(int argc, char** argv) {
    ModelImportOptions options;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string error;
        const int limit = readReaderLimit(argc, argv, i, options.limits, error);
        if (limit < 0)
            return usageError(error);
        if (limit > 0)
            continue;
        if (arg == "--help" || arg == "-h") {
            std::printf(modelImportUsage, readerLimitsHelp);
            return 0;
        } else if (arg == "--sandbox-info") {
            std::fputs(describeReaderSandbox().c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if ((arg == "--height" || arg == "--up" || arg == "--turn") && i + 1 == argc) {
            return usageError(arg + " needs a value");
        } else if (arg == "--height") {
            if (!parseFloatArgument(argv[++i], options.height) || !std::isfinite(options.height) ||
                !(options.height > 0))
                return usageError("--height wants a number above 0, not '" + std::string(argv[i]) +
                                  "'");
        } else if (arg == "--up") {
            if (!parseUpAxis(argv[++i], options.up))
                return usageError("--up wants +y, -y, +z, -z, +x or -x, not '" +
                                  std::string(argv[i]) + "'");
        } else if (arg == "--turn") {
            if (!parseFloatArgument(argv[++i], options.turn) || !(options.turn >= -360) ||
                !(options.turn <= 360))
                return usageError("--turn wants degrees from -360 to 360, not '" +
                                  std::string(argv[i]) + "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2)
        return usageError("wants IN and OUT.ms3d");

    ModelImportSummary summary;
    std::string error;
    const bool written = importModel(paths[0], paths[1], options, summary, error);
    for (const std::string& warning : summary.warnings)
        std::fprintf(stderr, "quillmark-tool model import: warning: %s\n", warning.c_str());
    if (!written) {
        std::fprintf(stderr, "quillmark-tool model import: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s\n%s", paths[1].c_str(), formatImportSummary(summary).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
