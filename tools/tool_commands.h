#pragma once
// The subcommands of quillmark-tool. Each takes the arguments after its own
// name and returns the process exit code.

int runMapCommand(int argc, char** argv);
