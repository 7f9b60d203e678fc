// Quillmark: the hex map editor. Runs in the game folder (the working
// directory), which holds data/ and ZKP.cfg. The command line is ignored.

#include "shell/program.h"

int main() {
    return runProgram();
}
