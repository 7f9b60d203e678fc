#pragma once
// Changing the working directory for a while: models and textures are named
// relative to it, as in the program.

#include <filesystem>
#include <system_error>

// Enters `dir`; the previous working directory comes back when the object
// goes, whatever happens in between. `error` is set when either step fails
// (and the directory is then unchanged).
class WorkingDirectory {
  public:
    WorkingDirectory(const std::filesystem::path& dir, std::error_code& error)
        : previous(std::filesystem::current_path(error)) {
        if (!error)
            std::filesystem::current_path(dir, error);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::filesystem::path previous;
};
