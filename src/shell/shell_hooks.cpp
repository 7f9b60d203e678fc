#include "shell/shell_hooks.h"

#include "shell/asset_loading.h"
#include "shell/gl_window.h"
#include "shell/program_state.h"

ShellHooks shellHooks = {initScene, createGlWindow, probeModelFile};
