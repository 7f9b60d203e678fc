#pragma once
// Shared by the asset tests: a scratch game folder that the test works in
// (the asset set and textures are found relative to the current directory),
// and message boxes caught rather than shown.

#include "message_recorder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class ScratchGameFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device seed;
        root = std::filesystem::temp_directory_path() /
               ("quillmark-assets-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        std::filesystem::create_directories(root / "data");
        previous = std::filesystem::current_path();
        std::filesystem::current_path(root);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    static std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
    }
    static void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path root;
    std::filesystem::path previous;
    MessageRecorder recorder;
};
