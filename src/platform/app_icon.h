#pragma once
// The program's icon, the one installed for the desktop entry, as PNG bytes.
// Defined by the build, in the programs that open windows only (the editor
// and config.exe): the icon is drawn by the command-line tool, which must
// not need it.

#include "platform/window.h"

WindowIcon appIcon();
