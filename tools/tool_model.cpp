// quillmark-tool model info

#include "model/mesh_model.h"
#include "model_info.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char* const modelUsage =
    "usage: quillmark-tool model info FILE\n"
    "       quillmark-tool model import IN OUT.ms3d [OPTIONS]\n"
    "       quillmark-tool model preview FILE.ms3d [OPTIONS] -o OUT.png\n"
    "\n"
    "info  describes the MS3D model file FILE as the editor reads it: version;\n"
    "      vertex, triangle, group and material counts; each group's triangle\n"
    "      count and material index (-1: none); each material's ambient,\n"
    "      diffuse, specular and emissive colours (RGBA), shininess and texture\n"
    "      name; the bounding box of the vertices; and how many indices point\n"
    "      past the end of their arrays (drawing skips those). A file the editor\n"
    "      would refuse is reported with the reason, and the exit status is 1.\n"
    "import  makes a model from OBJ, glTF, FBX, Collada, ... into an MS3D file\n"
    "        with BMP textures; 'model import --help' tells more.\n"
    "preview draws a model as the editor does, to a PNG picture, without a\n"
    "        display; 'model preview --help' tells more.\n";

int describeModel(const char* path) {
    std::vector<uint8_t> bytes;
    std::string text, error;
    if (!readModelFileBytes(path, bytes, error)) {
        std::fprintf(stderr, "quillmark-tool model info: %s\n", error.c_str());
        return 1;
    }
    if (!describeModelBytes(bytes.data(), bytes.size(), text, error)) {
        std::fprintf(stderr, "quillmark-tool model info: %s: refused: %s\n", path, error.c_str());
        return 1;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int runModelCommand(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "import") == 0)
        return runModelImport(argc - 1, argv + 1);
    if (argc >= 1 && std::strcmp(argv[0], "preview") == 0)
        return runModelPreview(argc - 1, argv + 1);
    if (wantsHelp(argc, argv)) {
        std::fputs(modelUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[0], "info") == 0)
        return describeModel(argv[1]);
    std::fputs(modelUsage, stderr);
    return 2;
}
