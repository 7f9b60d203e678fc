#include "shell/display_settings.h"

#include "platform/message_box.h"
#include "platform/process.h"
#include "shell/gl_window.h"
#include "shell/shell_hooks.h"

#include <cstdio>

const char* const configToolName = "config.exe";

namespace {

bool readSettingsFile(DisplaySettings& settings) {
    std::FILE* file = std::fopen(displaySettingsPath, "rb");
    if (file == nullptr)
        return false;
    uint8_t bytes[displaySettingsMaxSize];
    const size_t size = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    // A short file leaves the fields it does not hold at their defaults.
    decodeDisplaySettings(bytes, size, settings);
    return true;
}

void reportConfigError(const char* text) {
    showMessageBox("WAIT FOR CONFIG ERROR", text, MessageIcon::information);
}

} // namespace

bool loadDisplaySettings(const char* title, void* instance) {
    DisplaySettings settings;
    if (!readSettingsFile(settings)) {
        ProcessHandle tool;
        if (!launchProgram(configToolName, tool)) {
            reportConfigError("Error executing config program");
        } else if (!waitForProgram(tool)) {
            reportConfigError("Error waiting for program to start");
            return false;
        }
        readSettingsFile(settings); // still missing: the defaults stand
    }

    const DisplayChoice choice = chooseDisplay(settings);
    glWindow.display = choice.display;
    if (!shellHooks.createWindow(title, instance, choice.width, choice.height, choice.bits,
                                 choice.frequency, choice.fullscreen ? 1 : 0)) {
        showMessageBox("SHUTDOWN ERROR", "AHH... It blew up creating the window!",
                       MessageIcon::information);
        return false;
    }
    return true;
}
