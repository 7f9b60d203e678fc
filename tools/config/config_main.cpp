// config.exe: chooses the display mode Quillmark starts in and writes it to
// ZKP.cfg in the working directory, through a small window or, for scripts,
// from the command line.

#include "config_dialog.h"
#include "config_settings.h"
#include "version_text.h"

#include "platform/app_icon.h"
#include "platform/dialog/dialog_window.h"
#include "platform/display_modes.h"
#include "platform/message_box.h"

#include <cstdio>
#include <string>

namespace {

constexpr int dialogWidth = 440;
constexpr int dialogHeight = 236;

void fail(const std::string& message) {
    std::fprintf(stderr, "config.exe: %s\n", message.c_str());
}

// Refuses a fullscreen mode the display does not offer. With no display to
// ask there is nothing to check against: say so, and let it pass.
bool checkAgainstDisplay(const DisplaySettings& settings, std::string& error) {
    if (!chooseDisplay(settings).fullscreen)
        return true;
    DisplayModes modes;
    std::string reason;
    if (!queryDisplayModes(modes, &reason, settings.displayIndex)) {
        std::fprintf(stderr,
                     "config.exe: warning: cannot ask the display which modes it offers (%s); "
                     "writing the settings as given\n",
                     reason.c_str());
        return true;
    }
    return fullscreenOffered(settings, modes, error);
}

} // namespace

int main(int argc, char** argv) {
    ConfigOptions options;
    std::string error;
    if (!parseConfigArguments(argc - 1, argv + 1, options, error)) {
        fail(error + "\nNothing was written. See 'config.exe --help'.");
        return 2;
    }
    if (options.help) {
        std::fputs(configUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText("config.exe").c_str(), stdout);
        return 0;
    }
    if (options.message)
        return showMessageWindow("Quillmark", *options.message, MessageIcon::error) ? 0 : 1;

    DisplaySettings settings;
    SettingsFileInfo info;
    if (!readSettingsForTool(displaySettingsPath, settings, info, error)) {
        fail(error + "\nNothing was written.");
        return 1;
    }

    if (changesSettings(options)) {
        applyConfigOptions(options, settings);
        if (!options.force && !checkAgainstDisplay(settings, error)) {
            fail(error + "\nNothing was written. Give --force to write it anyway.");
            return 2;
        }
        if (!writeSettingsFile(displaySettingsPath, settings, error)) {
            fail(error + "\nThe file was left as it was.");
            return 1;
        }
        info.exists = true;
        info.size = settings.displayIndex != 0 ? displaySettingsMaxSize : displaySettingsSize;
    }
    if (options.show)
        std::fputs(describeSettings(settings, info).c_str(), stdout);
    if (changesSettings(options) || options.show)
        return 0;

    // The window shows what the display it is on has, and the program opens
    // on that display; a new file starts from its mode.
    ConfigDialog dialog = makeConfigDialog(settings, info.exists);
    dialog.save = [](const DisplaySettings& chosen, std::string& saveError) {
        return writeSettingsFile(displaySettingsPath, chosen, saveError);
    };
    const auto onDisplay = [&dialog, &info](int32_t display) {
        DisplayModes modes;
        if (!queryDisplayModes(modes, nullptr, display))
            return;
        showDisplayInDialog(dialog, display, modes, !info.exists);
    };
    if (!runDialogWindow(
            configDialogTitle, dialogWidth, dialogHeight,
            [&dialog] { return drawConfigDialog(dialog); }, &error, appIcon(), onDisplay)) {
        fail("cannot show the settings window: " + error +
             ".\nNothing was written. To write ZKP.cfg without a window, give the settings "
             "as options (see 'config.exe --help').");
        return 1;
    }
    return 0;
}
