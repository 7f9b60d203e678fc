#pragma once
// Scratch folders for tests, and the bytes of the files in them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A new, empty folder named quillmark-TAG-XXXXXX in `parent` (by default the
// system's temporary folder). It goes with everything in it when the object
// goes, even where a test took the permissions away.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& tag = "test",
                        const std::filesystem::path& parent = std::filesystem::path());
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir; }
    // Writes `bytes` to the file `name` in the folder, replacing it; returns
    // its path.
    std::string file(const std::string& name, const Bytes& bytes) const;

  private:
    std::filesystem::path dir;
};

// A scratch folder holding an empty data/, as a game folder does, that is the
// working directory while the object lives: the program finds its files
// relative to it.
class ScratchWorkDir : public ScratchDir {
  public:
    explicit ScratchWorkDir(const std::string& tag = "test");
    ~ScratchWorkDir();

  private:
    std::filesystem::path previous;
};

// The whole file; empty when it cannot be read.
Bytes readFileBytes(const std::filesystem::path& path);
std::string readFileText(const std::filesystem::path& path);
// Replaces the file's contents; false when that fails.
bool writeFileBytes(const std::filesystem::path& path, const Bytes& bytes);

// The names of everything in `folder`, sorted.
std::vector<std::string> folderEntries(const std::filesystem::path& folder);
