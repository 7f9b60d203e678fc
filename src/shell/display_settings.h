#pragma once
// Choosing the editor's display mode at start-up from ZKP.cfg
// (platform/display_settings_file.h), with config.exe run to write the file
// when there is none.

#include "platform/display_settings_file.h"

extern const char* const configToolName; // "config.exe"

// Reads ZKP.cfg from the working directory, launching config.exe and waiting
// for it when the file is missing, then creates the window with the chosen
// mode (shellHooks.createWindow: createGlWindow). Returns whether a window
// exists: false when the wait for the tool failed or the creation failed
// (each reported in a message box). `instance` is handed on unchanged.
bool loadDisplaySettings(const char* title, void* instance);
