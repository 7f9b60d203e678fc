#pragma once
// Helpers for running config.exe as a user or a script would: where its
// window's controls are, and a scratch folder to run it in.

#include "run_command.h"
#include "scratch_dir.h"
#include "settings_bytes.h"

#include <filesystem>
#include <string>
#include <vector>

// Where the dialog's controls are, in window coordinates (440 x 236 window,
// ImGui's built-in font). Clicks in the tests aim here.
struct DialogPoint {
    float x;
    float y;
};
constexpr DialogPoint windowedRadio{222, 73};
constexpr DialogPoint resolutionCombo{260, 100};
constexpr DialogPoint saveButton{281, 212};
constexpr DialogPoint cancelButton{379, 212};

// A scratch folder with a `work` folder for config.exe to run in; the
// command's output goes beside it so the work folder holds only what the
// tool wrote.
class ConfigFolder : public ScratchDir {
  public:
    ConfigFolder() : ScratchDir("config") { std::filesystem::create_directory(work()); }

    std::filesystem::path work() const { return path() / "work"; }
    std::filesystem::path settingsFile() const { return work() / "ZKP.cfg"; }
    // Names of everything in the work folder.
    std::vector<std::string> workEntries() const { return folderEntries(work()); }
};
