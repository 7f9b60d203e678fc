#pragma once
// The subcommands of quillmark-tool. Each takes the arguments after its own
// name and returns the process exit code.

int runMapCommand(int argc, char** argv);
int runModelCommand(int argc, char** argv);
int runModelPreview(int argc, char** argv); // model preview, reached through runModelCommand
int runBmpCommand(int argc, char** argv);
int runSnapshotCommand(int argc, char** argv);
int runMakeAssetsCommand(int argc, char** argv);
