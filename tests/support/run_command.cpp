#include "run_command.h"

#include "scratch_dir.h"

#include <cstdlib>
#include <sys/wait.h>

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

int runShell(const std::string& script) {
    const std::string command = "sh -c " + shellQuote(script);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CommandResult runCapturing(const std::string& script) {
    const ScratchDir output("output");
    const std::filesystem::path out = output.path() / "out", err = output.path() / "err";
    CommandResult result;
    result.status = runShell("{\n" + script + "\n} >" + shellQuote(out.string()) + " 2>" +
                             shellQuote(err.string()));
    result.out = readFileText(out);
    result.err = readFileText(err);
    return result;
}

const char* quillmarkToolPath() {
    return QUILLMARK_TOOL_PATH;
}

CommandResult runTool(const std::string& arguments) {
    return runCapturing("timeout 60 " + shellQuote(QUILLMARK_TOOL_PATH) + " " + arguments);
}
