#pragma once
// Helpers for running config.exe as a user or a script would: a scratch
// working directory, file bytes, and shell commands with their results.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

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

// A fresh directory with a `work` folder for config.exe to run in; the
// command's output goes beside it so the work folder holds only what the
// tool wrote.
class ScratchDir {
  public:
    ScratchDir() {
        std::random_device random;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("quillmark-config-" + std::string(info ? info->name() : "test") + "-" +
                 std::to_string(random()));
        std::filesystem::create_directories(root_ / "work");
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path work() const { return root_ / "work"; }
    std::filesystem::path settingsFile() const { return work() / "ZKP.cfg"; }

    // Names of everything in the work folder.
    std::vector<std::string> workEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work()))
            names.push_back(entry.path().filename().string());
        return names;
    }

  private:
    std::filesystem::path root_;
};

inline std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell script; the result is its exit status, or -1 when it did
// not exit normally.
inline int runShell(const std::string& script) {
    const std::string command = "sh -c " + shellQuote(script);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The 13 bytes of a settings file.
inline Bytes settingsBytes(uint8_t flag, int32_t resolution, int32_t depth, int32_t refresh) {
    Bytes bytes{flag};
    for (int32_t value : {resolution, depth, refresh})
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
    return bytes;
}
