// quillmark-tool: command-line helpers that share the editor's own code.

#include "platform/message_box.h"
#include "platform/platform_hooks.h"
#include "tool_commands.h"
#include "version_text.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command commands[] = {
    {"bmp", runBmpCommand, "describe a BMP file, decode it to PNG, or make one from PNG/JPEG"},
    {"make-assets", runMakeAssetsCommand, "write the default data set: models, textures, map"},
    {"map", runMapCommand, "map files as text (export, import), check, diff and set"},
    {"model", runModelCommand,
     "describe an MS3D model file, make one from OBJ, glTF, ..., or draw it"},
    {"snapshot", runSnapshotCommand, "draw a map to a PNG picture without a display"},
};

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: quillmark-tool COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& command : commands)
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fprintf(out, "\n'quillmark-tool COMMAND --help' describes a command;\n"
                      "'quillmark-tool --version' prints the version.\n");
}

} // namespace

int main(int argc, char** argv) {
    // A command-line tool reports on stderr; it never waits on a box.
    platformHooks.showMessage = [](const std::string& caption, const std::string& text,
                                   MessageIcon) {
        std::fprintf(stderr, "%s\n", formatMessageLine(caption, text).c_str());
    };
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs(versionText("quillmark-tool").c_str(), stdout);
        return 0;
    }
    for (const Command& command : commands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    std::fprintf(stderr, "quillmark-tool: unknown command '%s'\n\n", argv[1]);
    printUsage(stderr);
    return 2;
}
