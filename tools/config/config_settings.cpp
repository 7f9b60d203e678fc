#include "config_settings.h"

#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t keepRateIndex = 7;

std::string resolutionText(int32_t index) {
    int32_t width = 0;
    int32_t height = 0;
    resolutionForIndex(index, width, height);
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string lowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// "--name value" or "--name=value". `i` moves past what was taken.
bool takeValue(int argc, const char* const* argv, int& i, const std::string& name,
               std::string& value, bool& matched, std::string& error) {
    const std::string argument = argv[i];
    matched = false;
    if (argument == name) {
        matched = true;
        if (i + 1 >= argc || std::string(argv[i + 1]).compare(0, 2, "--") == 0) {
            error = name + " needs a value";
            return false;
        }
        value = argv[++i];
        return true;
    }
    if (argument.compare(0, name.size() + 1, name + "=") == 0) {
        matched = true;
        value = argument.substr(name.size() + 1);
        return true;
    }
    return true;
}

std::string resolutionChoices() {
    std::string text;
    for (int32_t i = 0; i < resolutionCount; ++i)
        text += (i == 0 ? "" : ", ") + resolutionText(i);
    return text;
}

std::string refreshChoices() {
    std::string text;
    for (int32_t i = 0; i < keepRateIndex; ++i)
        text += std::to_string(refreshForIndex(i)) + ", ";
    return text + "keep";
}

} // namespace

bool parseResolution(const std::string& text, int32_t& index) {
    const std::string wanted = lowerCase(text);
    for (int32_t i = 0; i < resolutionCount; ++i) {
        if (wanted == resolutionText(i)) {
            index = i;
            return true;
        }
    }
    return false;
}

bool parseColorDepth(const std::string& text, int32_t& index) {
    for (int32_t i = 0; i < colorDepthCount; ++i) {
        if (text == std::to_string(colorDepthForIndex(i))) {
            index = i;
            return true;
        }
    }
    return false;
}

bool parseRefresh(const std::string& text, int32_t& index) {
    if (lowerCase(text) == "keep") {
        index = keepRateIndex;
        return true;
    }
    for (int32_t i = 0; i < keepRateIndex; ++i) {
        if (text == std::to_string(refreshForIndex(i))) {
            index = i;
            return true;
        }
    }
    return false;
}

bool parseConfigArguments(int argc, const char* const* argv, ConfigOptions& options,
                          std::string& error) {
    options = ConfigOptions{};
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        if (argument == "--force") {
            options.force = true;
            continue;
        }
        if (argument == "--show") {
            options.show = true;
            continue;
        }
        if (argument == "--fullscreen" || argument == "--windowed") {
            const bool fullscreen = argument == "--fullscreen";
            if (options.fullscreen && *options.fullscreen != fullscreen) {
                error = "--fullscreen and --windowed cannot both be given";
                return false;
            }
            options.fullscreen = fullscreen;
            continue;
        }

        std::string value;
        bool matched = false;
        if (!takeValue(argc, argv, i, "--message", value, matched, error))
            return false;
        if (matched) {
            options.message = value;
            continue;
        }
        if (!takeValue(argc, argv, i, "--resolution", value, matched, error))
            return false;
        if (matched) {
            int32_t index = 0;
            if (!parseResolution(value, index)) {
                error =
                    "unsupported resolution '" + value + "' (choose " + resolutionChoices() + ")";
                return false;
            }
            options.resolutionIndex = index;
            continue;
        }
        if (!takeValue(argc, argv, i, "--depth", value, matched, error))
            return false;
        if (matched) {
            int32_t index = 0;
            if (!parseColorDepth(value, index)) {
                error = "unsupported colour depth '" + value + "' (choose 16 or 32)";
                return false;
            }
            options.colorDepthIndex = index;
            continue;
        }
        if (!takeValue(argc, argv, i, "--refresh", value, matched, error))
            return false;
        if (matched) {
            int32_t index = 0;
            if (!parseRefresh(value, index)) {
                error =
                    "unsupported refresh rate '" + value + "' (choose " + refreshChoices() + ")";
                return false;
            }
            options.refreshIndex = index;
            continue;
        }
        if (!takeValue(argc, argv, i, "--display", value, matched, error))
            return false;
        if (matched) {
            // Displays come and go: any index is kept, the program falls back
            // to the first when it is not connected.
            char* end = nullptr;
            errno = 0;
            const long index = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || index < 0 || index > 63) {
                error = "unsupported display '" + value + "' (choose 0 for the first, up to 63)";
                return false;
            }
            options.displayIndex = static_cast<int32_t>(index);
            continue;
        }
        error = "unknown argument '" + argument + "'";
        return false;
    }
    return true;
}

bool changesSettings(const ConfigOptions& options) {
    return options.fullscreen || options.resolutionIndex || options.colorDepthIndex ||
           options.refreshIndex || options.displayIndex;
}

void applyConfigOptions(const ConfigOptions& options, DisplaySettings& settings) {
    if (options.fullscreen)
        settings.fullscreenFlag = *options.fullscreen ? 1 : 0;
    if (options.resolutionIndex)
        settings.resolutionIndex = *options.resolutionIndex;
    if (options.colorDepthIndex)
        settings.colorDepthIndex = *options.colorDepthIndex;
    if (options.refreshIndex)
        settings.refreshIndex = *options.refreshIndex;
    if (options.displayIndex)
        settings.displayIndex = *options.displayIndex;
}

bool readSettingsForTool(const char* path, DisplaySettings& settings, SettingsFileInfo& info,
                         std::string& error) {
    info = SettingsFileInfo{};
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        if (errno == ENOENT)
            return true;
        error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t bytes[displaySettingsMaxSize];
    const size_t size = std::fread(bytes, 1, sizeof bytes, file);
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        error = std::string("cannot read ") + path + ": " + std::strerror(readErrno);
        return false;
    }
    info.exists = true;
    info.size = size;
    decodeDisplaySettings(bytes, size, settings);
    return true;
}

bool writeSettingsFile(const char* path, const DisplaySettings& settings, std::string& error) {
    uint8_t bytes[displaySettingsMaxSize];
    const size_t size = encodeDisplaySettings(settings, bytes);
    if (!writeFileAtomically(path, bytes, size)) {
        error = std::string("cannot write ") + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

DisplaySettings normalizedSettings(const DisplaySettings& settings) {
    const DisplaySettings defaults;
    DisplaySettings result;
    result.fullscreenFlag = settings.fullscreenFlag == 1 ? 1 : 0;
    const auto inside = [](int32_t index, int32_t count) { return index >= 0 && index < count; };
    result.resolutionIndex = inside(settings.resolutionIndex, resolutionCount)
                                 ? settings.resolutionIndex
                                 : defaults.resolutionIndex;
    result.colorDepthIndex = inside(settings.colorDepthIndex, colorDepthCount)
                                 ? settings.colorDepthIndex
                                 : defaults.colorDepthIndex;
    result.refreshIndex =
        inside(settings.refreshIndex, refreshCount) ? settings.refreshIndex : defaults.refreshIndex;
    result.displayIndex = settings.displayIndex; // whether it is connected is the window's question
    return result;
}

bool fullscreenOffered(const DisplaySettings& settings, const DisplayModes& modes,
                       std::string& reason) {
    const DisplayChoice choice = chooseDisplay(settings);
    if (!choice.fullscreen || modeOffered(modes, choice.width, choice.height, choice.frequency))
        return true;
    reason = notOfferedReason(modes, choice.width, choice.height, choice.frequency);
    return false;
}

std::vector<int32_t> offeredResolutions(const DisplayModes& modes, bool fullscreen) {
    std::vector<int32_t> indices;
    for (int32_t i = 0; i < resolutionCount; ++i) {
        int32_t width = 0;
        int32_t height = 0;
        resolutionForIndex(i, width, height);
        const bool fits = width <= modes.desktop.width && height <= modes.desktop.height;
        if (fullscreen ? modeOffered(modes, width, height, 0) : fits)
            indices.push_back(i);
    }
    return indices;
}

std::vector<int32_t> offeredRefreshRates(const DisplayModes& modes, int32_t resolutionIndex) {
    int32_t width = 0;
    int32_t height = 0;
    resolutionForIndex(resolutionIndex, width, height);
    std::vector<int32_t> indices;
    for (int32_t i = 0; i < keepRateIndex; ++i)
        if (modeOffered(modes, width, height, refreshForIndex(i)))
            indices.push_back(i);
    indices.push_back(keepRateIndex);
    return indices;
}

DisplaySettings settingsNearestDesktop(const DisplayModes& modes) {
    // Only the desktop's own mode is sure to be had fullscreen: a compositor
    // may list others that it then scales, or refuses.
    DisplaySettings settings;
    settings.colorDepthIndex = 1;
    settings.refreshIndex = keepRateIndex;
    for (int32_t i : offeredResolutions(modes, true)) {
        int32_t width = 0;
        int32_t height = 0;
        resolutionForIndex(i, width, height);
        if (width == modes.desktop.width && height == modes.desktop.height) {
            settings.fullscreenFlag = 1;
            settings.resolutionIndex = i;
            return settings;
        }
    }
    settings.fullscreenFlag = 0;
    const std::vector<int32_t> fitting = offeredResolutions(modes, false); // smallest first
    settings.resolutionIndex = fitting.empty() ? 0 : fitting.back();
    return settings;
}

std::string resolutionCaption(int32_t index) {
    int32_t width = 0;
    int32_t height = 0;
    resolutionForIndex(index, width, height);
    return std::to_string(width) + " \xC3\x97 " + std::to_string(height); // U+00D7
}

std::string colorDepthCaption(int32_t index) {
    return std::to_string(colorDepthForIndex(index)) + " bits";
}

std::string refreshCaption(int32_t index) {
    if (index == keepRateIndex)
        return "Keep the current rate";
    return std::to_string(refreshForIndex(index)) + " Hz";
}

std::string describeSettings(const DisplaySettings& settings, const SettingsFileInfo& info) {
    std::string text = displaySettingsPath;
    if (!info.exists)
        text += ": no file; the program uses the defaults\n";
    else if (info.size < displaySettingsSize)
        text += ": " + std::to_string(info.size) +
                " bytes, short; the fields it lacks take their defaults\n";
    else if (settings.displayIndex != 0)
        text += ": " + std::to_string(displaySettingsMaxSize) + " bytes, with the display\n";
    else
        text += ": 13 bytes\n";

    const DisplayChoice choice = chooseDisplay(settings);
    const auto index = [](int32_t value, bool inside) {
        return std::string(" (index ") + std::to_string(value) +
               (inside ? ")" : ", outside the table: the default applies)");
    };
    text += std::string("display:      ") + (choice.fullscreen ? "fullscreen" : "windowed") +
            " (flag byte " + std::to_string(settings.fullscreenFlag) + ")\n";
    text += "resolution:   " + std::to_string(choice.width) + "x" + std::to_string(choice.height) +
            index(settings.resolutionIndex,
                  settings.resolutionIndex >= 0 && settings.resolutionIndex < resolutionCount) +
            "\n";
    text += "colour depth: " + std::to_string(choice.bits) + " bits" +
            index(settings.colorDepthIndex,
                  settings.colorDepthIndex >= 0 && settings.colorDepthIndex < colorDepthCount) +
            "\n";
    text += "refresh rate: " +
            (choice.frequency == 0 ? std::string("keep the current rate")
                                   : std::to_string(choice.frequency) + " Hz") +
            index(settings.refreshIndex,
                  settings.refreshIndex >= 0 && settings.refreshIndex < refreshCount) +
            "\n";
    text +=
        "on display:   " + std::to_string(settings.displayIndex) +
        (settings.displayIndex == 0 ? " (the first)\n" : " (the first when it is not connected)\n");
    return text;
}

std::string configUsage() {
    return "Usage: config.exe [options]\n"
           "Chooses the display mode Quillmark starts in and keeps it in ZKP.cfg in the\n"
           "working directory.\n"
           "\n"
           "Without options it opens a window showing the current settings, offering\n"
           "only the modes of the display it is on (with no ZKP.cfg, the desktop's own\n"
           "mode, fullscreen, when the table has it, else a window); Save writes the\n"
           "file, for that display, Cancel or Escape leaves it.\n"
           "\n"
           "With options it writes the file without a window. Settings not given keep\n"
           "their current values. A fullscreen mode the display does not offer (its\n"
           "size, or its rate unless 'keep') is refused unless --force is given; with\n"
           "no display to ask, the settings are written as given.\n"
           "  --fullscreen | --windowed\n"
           "  --resolution WxH   " +
           resolutionChoices() +
           "\n"
           "  --depth BITS       16 or 32\n"
           "  --refresh HZ       " +
           refreshChoices() +
           " (keep the display's current rate)\n"
           "  --display N        the display to open on, 0 for the first (fullscreen\n"
           "                     modes are checked against it)\n"
           "  --force            write a fullscreen mode this display does not offer\n"
           "  --show             print the current settings (after any change)\n"
           "  --message TEXT     only show TEXT in a box titled Quillmark and end (exit\n"
           "                     status 1 when no box can be shown); nothing is written\n"
           "  --help             print this text\n"
           "  --version          print the version\n"
           "\n"
           "Without ZKP.cfg, Quillmark itself uses fullscreen, 1024x768, 32 bits, 75 Hz.\n"
           "Exit status 0 on success, 1 when the file cannot be read or written or no\n"
           "window can be shown, 2 for bad arguments or a mode the display does not\n"
           "offer; nothing is written on failure.\n";
}
