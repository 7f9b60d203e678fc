// Runs a fuzz target over files instead of under libFuzzer: every regular file
// of each folder given (or each file given) goes through the target once, in
// name order. Used by CTest so that the corpus is replayed on every build.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool collect(const fs::path& path, std::vector<fs::path>& files) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
            if (entry.is_regular_file(error))
                files.push_back(entry.path());
        return !error;
    }
    if (fs::is_regular_file(path, error)) {
        files.push_back(path);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!collect(argv[i], files)) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
            return 1;
        }
    }
    // An empty corpus would make the replay pass without testing anything.
    if (files.empty()) {
        std::fprintf(stderr, "%s: no corpus files found\n", argv[0]);
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> read((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.string().c_str());
            return 1;
        }
        // An exactly sized heap copy, as libFuzzer passes it, so that a sanitizer
        // build sees any read past the end; never a null pointer, even when empty.
        std::vector<uint8_t> bytes(read.begin(), read.end());
        uint8_t none = 0;
        // Named first, so that a crash shows which file caused it.
        std::printf("%s\n", file.string().c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
    }
    std::printf("replayed %zu files\n", files.size());
    return 0;
}
