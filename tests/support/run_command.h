#pragma once
// Running programs as a user or a script would: through the shell, with the
// exit status and what they printed.

#include <string>

// `text` as one shell word.
std::string shellQuote(const std::string& text);

// Runs `script` with sh in the working directory; the result is its exit
// status, or -1 when it did not exit normally.
int runShell(const std::string& script);

struct CommandResult {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// runShell, catching what the script writes to standard output and standard
// error (where it does not send them elsewhere itself).
CommandResult runCapturing(const std::string& script);

// Where the built quillmark-tool is.
const char* quillmarkToolPath();

// quillmark-tool with `arguments` (shell words: quoting and redirections as
// written), under a time limit of a minute so that a tool that never ends
// fails the test (status 124) instead of hanging it.
CommandResult runTool(const std::string& arguments);
