#include "scratch_dir.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Gives the owner back every folder below `folder`, so it can be emptied.
void makeRemovable(const fs::path& folder) {
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::directory_iterator entry(folder, ignored), end; entry != end; entry.increment(ignored))
        if (fs::is_directory(entry->symlink_status(ignored)))
            makeRemovable(entry->path());
}

} // namespace

ScratchDir::ScratchDir(const std::string& tag, const fs::path& parent) {
    std::string pattern =
        ((parent.empty() ? fs::temp_directory_path() : parent) / ("quillmark-" + tag + "-XXXXXX"))
            .string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    dir = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    makeRemovable(dir);
    fs::remove_all(dir, ignored);
}

std::string ScratchDir::file(const std::string& name, const Bytes& bytes) const {
    const fs::path path = dir / name;
    writeFileBytes(path, bytes);
    return path.string();
}

ScratchWorkDir::ScratchWorkDir(const std::string& tag)
    : ScratchDir(tag), previous(fs::current_path()) {
    fs::create_directory(path() / "data");
    fs::current_path(path());
}

ScratchWorkDir::~ScratchWorkDir() {
    std::error_code ignored;
    fs::current_path(previous, ignored);
}

Bytes readFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readFileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFileBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
