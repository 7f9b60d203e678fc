#pragma once
// What config.exe knows about ZKP.cfg beyond its bytes: the command line that
// sets it, reading the current file, and the words that describe its values.

#include "platform/display_modes.h"
#include "platform/display_settings_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ConfigOptions {
    bool help = false;
    bool version = false;
    bool show = false;
    bool force = false; // write a fullscreen mode the display does not offer
    std::optional<bool> fullscreen;
    std::optional<int32_t> resolutionIndex;
    std::optional<int32_t> colorDepthIndex;
    std::optional<int32_t> refreshIndex;
    std::optional<int32_t> displayIndex;
    // --message TEXT: only show TEXT in a box (for the launcher, which has
    // no window of its own to say why it cannot start).
    std::optional<std::string> message;
};

// Table indices for the values a user types: "1024x768", "32", "75" or "keep".
// False for anything that is not in its table.
bool parseResolution(const std::string& text, int32_t& index);
bool parseColorDepth(const std::string& text, int32_t& index);
bool parseRefresh(const std::string& text, int32_t& index);

// Reads the arguments after the program name. False, with a message naming
// the offending argument, for anything unknown or out of range.
bool parseConfigArguments(int argc, const char* const* argv, ConfigOptions& options,
                          std::string& error);
// Whether the options change the file (as opposed to only --show or --help).
bool changesSettings(const ConfigOptions& options);
// Sets the fields the options name; the others keep their values exactly.
void applyConfigOptions(const ConfigOptions& options, DisplaySettings& settings);

struct SettingsFileInfo {
    bool exists = false;
    size_t size = 0; // bytes read, at most displaySettingsMaxSize
};

// Reads the settings file at `path` over `settings` (which should hold the
// defaults). A missing file is no error and leaves `settings` alone; a short
// file sets only the fields it holds. False when the file exists but cannot
// be read.
bool readSettingsForTool(const char* path, DisplaySettings& settings, SettingsFileInfo& info,
                         std::string& error);
// Replaces the file atomically with the bytes of `settings`: 13, and the
// display field after them when it is not the first display.
bool writeSettingsFile(const char* path, const DisplaySettings& settings, std::string& error);

// The settings the program would act on, as table indices that exist: an
// index outside its table becomes its default's, a flag other than 1 becomes 0.
DisplaySettings normalizedSettings(const DisplaySettings& settings);

// Whether the program could start in the mode the settings ask for: always
// when windowed; fullscreen needs the size offered, and the rate unless it
// is "keep". When not, `reason` names the mode and what the display offers.
bool fullscreenOffered(const DisplaySettings& settings, const DisplayModes& modes,
                       std::string& reason);

// For a new file: fullscreen at the desktop's own size, keeping the current
// rate, when the table has that size and the display offers it; otherwise
// windowed at the largest table size that fits on the desktop.
DisplaySettings settingsNearestDesktop(const DisplayModes& modes);

// The table indices worth offering on this display, in table order:
// resolutions offered fullscreen (windowed: those that fit on the desktop),
// and the refresh rates offered at the settings' resolution, with "keep".
std::vector<int32_t> offeredResolutions(const DisplayModes& modes, bool fullscreen);
std::vector<int32_t> offeredRefreshRates(const DisplayModes& modes, int32_t resolutionIndex);

// Captions for the table entries, e.g. "1024 × 768", "32 bits", "75 Hz",
// "Keep the current rate". The index must be inside its table.
std::string resolutionCaption(int32_t index);
std::string colorDepthCaption(int32_t index);
std::string refreshCaption(int32_t index);

// The text of --show: each value by its meaning and its raw index.
std::string describeSettings(const DisplaySettings& settings, const SettingsFileInfo& info);

// The text of --help.
std::string configUsage();
