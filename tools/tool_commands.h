#pragma once
// The subcommands of quillmark-tool. Each takes the arguments after its own
// name and returns the process exit code.

int runMapCommand(int argc, char** argv);
int runModelCommand(int argc, char** argv);
int runModelPreview(int argc, char** argv); // model preview, reached through runModelCommand
int runBmpCommand(int argc, char** argv);
int runSnapshotCommand(int argc, char** argv);
int runMakeAssetsCommand(int argc, char** argv);

// Commands under another's name, given the arguments after both names.
int runModelImport(int argc, char** argv); // model import
int runBmpImport(int argc, char** argv);   // bmp import
