#pragma once
// The settings window's contents, drawn with Dear ImGui each frame.

#include "platform/display_modes.h"
#include "platform/display_settings_file.h"

#include <functional>
#include <string>

extern const char* const configDialogTitle; // "Quillmark display settings"

struct ConfigDialog {
    DisplaySettings settings; // what the controls show: indices inside their tables
    bool fileExists = false;
    DisplayModes modes;      // what the display offers, when known
    bool modesKnown = false; // otherwise every table entry is offered
    bool saved = false;
    std::string error;        // the last failed save, shown until the next attempt
    bool listWasOpen = false; // a combo list was open at the end of the last frame
    // Writes the chosen settings; false with a reason when that fails.
    std::function<bool(const DisplaySettings&, std::string&)> save;
};

// Sets the dialog up for the settings in the file (or the defaults), offering
// what `modes` offers (everything when null).
ConfigDialog makeConfigDialog(const DisplaySettings& current, bool fileExists,
                              const DisplayModes* modes = nullptr);

// The dialog is now on display `display`, which offers `modes`: its tables
// offer those, the settings are for that display, and `suggest` (for a new
// file) starts them again from its desktop mode.
void showDisplayInDialog(ConfigDialog& dialog, int32_t display, const DisplayModes& modes,
                         bool suggest);

// Draws one frame between ImGui's NewFrame and Render. False once the dialog
// is finished: saved, cancelled or dismissed with Escape. Enter saves.
bool drawConfigDialog(ConfigDialog& dialog);
