#pragma once
// The shell functions that tests replace, in one record, as platformHooks
// (platform/platform_hooks.h) is for the platform layer: each field starts as
// the real function, and whoever puts another in puts the old one back.

#include <cstdint>

struct ShellHooks {
    // The scene initialisation createGlWindow runs last (initScene): a test
    // makes it fail to exercise the teardown.
    int (*initScene)();
    // The window creation loadDisplaySettings hands the chosen mode to
    // (createGlWindow): a test records the mode instead.
    bool (*createWindow)(const char* title, void* instance, int32_t width, int32_t height,
                         int32_t bits, int32_t frequency, uint8_t fullscreen);
    // Whether a numbered model file exists (probeModelFile): a test records
    // which files the asset loading looks for.
    bool (*probeModelFile)(const char* path);
};

extern ShellHooks shellHooks;
