// Quillmark: the hex map editor. Runs in the game folder (the working
// directory), which holds data/ and ZKP.cfg. The command line is ignored.

#include "platform/app_icon.h"
#include "shell/gl_window.h"
#include "shell/program.h"

int main() {
    glWindow.icon = appIcon();
    return runProgram();
}
