// quillmark-tool model import: a model from a modelling tool made into MS3D.

#include "model_import.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char* const modelImportUsage =
    "usage: quillmark-tool model import IN OUT.ms3d [--height H] [--up y|z]\n"
    "\n"
    "Reads the model IN in any format Assimp reads (OBJ, glTF 2.0 / GLB, FBX,\n"
    "Collada, ...) and writes it as the MS3D file OUT.ms3d that the editor draws.\n"
    "Each mesh becomes a group, each material a material (ambient, diffuse,\n"
    "specular, emissive, shininess). Each texture a material uses, a file or one\n"
    "embedded in GLB/FBX, is written beside OUT as the 24-bit BMP\n"
    "<OUT name>-<n>.bmp, n from 0, resized to the nearest power of two a side (at\n"
    "most 1024), top row still at the top; the material names that file. The\n"
    "editor reads textures from its data folder: keep OUT and its BMPs together\n"
    "there.\n"
    "\n"
    "  --height H  scale the model to stand H world units tall (a hex is about 2\n"
    "              across; default: keep the size)\n"
    "  --up y|z    the model's up axis as read (default y); z is turned onto +y.\n"
    "              A Collada file's own up axis is applied on reading; the box\n"
    "              before fitting, in the summary, shows the axes as read.\n"
    "\n"
    "The model is moved so that its base sits at y = 0, centred on the hex\n"
    "(x = z = 0). A model over 65,535 vertices or triangles, 127 materials or\n"
    "255 groups is refused with its counts, and nothing is written. Group and\n"
    "material names over 31 bytes are cut, with a warning; a texture that cannot\n"
    "be read leaves its materials untextured, with a warning. Prints a summary:\n"
    "groups, triangles, materials, textures written and the bounding box before\n"
    "and after fitting. Exit status: 0 written, 1 refused, 2 bad arguments.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "quillmark-tool model import: %s\n\n%s", message.c_str(),
                 modelImportUsage);
    return 2;
}

} // namespace

int runModelImport(int argc, char** argv) {
    ModelImportOptions options;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(modelImportUsage, stdout);
            return 0;
        } else if ((arg == "--height" || arg == "--up") && i + 1 == argc) {
            return usageError(arg + " needs a value");
        } else if (arg == "--height") {
            if (!parseFloatArgument(argv[++i], options.height) || !std::isfinite(options.height) ||
                !(options.height > 0))
                return usageError("--height wants a number above 0, not '" + std::string(argv[i]) +
                                  "'");
        } else if (arg == "--up") {
            const std::string axis = argv[++i];
            if (axis != "y" && axis != "z")
                return usageError("--up wants y or z, not '" + axis + "'");
            options.up = axis == "z" ? UpAxis::z : UpAxis::y;
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
