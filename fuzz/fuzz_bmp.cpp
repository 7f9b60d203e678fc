// Fuzz target: the BMP decoder over any bytes. A decoded picture must be
// exactly as large as its sizes say and within the decoder's limit; a refused
// one must leave the image untouched and name its failure. One input in eight
// also goes through a real file (decodeDibFile and loadBmpImage), whose result
// and message must agree with the in-memory decode.

#include "image/bmp_image.h"
#include "platform/platform_hooks.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace {

struct LastMessage {
    int count = 0;
    std::string caption;
    std::string text;
};

LastMessage lastMessage;

// Messages are caught here: nothing may print for every input or wait on a box.
bool silenceMessages() {
    platformHooks.showMessage = [](const std::string& caption, const std::string& text,
                                   MessageIcon) {
        ++lastMessage.count;
        lastMessage.caption = caption;
        lastMessage.text = text;
    };
    return true;
}

// A scratch file name of this process's own; the file is removed after each
// use, as libFuzzer ends without running destructors.
std::string scratchPath() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return (folder / ("quillmark-fuzz-bmp-" + std::to_string(std::random_device()()) + ".bmp"))
        .string();
}

bool writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

bool sameImage(const RgbImage& a, const RgbImage& b) {
    return a.width == b.width && a.height == b.height && a.data == b.data;
}

void checkFileDecode(const uint8_t* data, size_t size, DibStatus status, const RgbImage& image) {
    static const std::string path = scratchPath();
    if (!writeScratch(path, data, size)) {
        std::remove(path.c_str());
        return; // no scratch space: nothing to compare
    }
    for (int loader = 0; loader < 2; ++loader) {
        lastMessage = LastMessage();
        const std::unique_ptr<RgbImage> fromFile =
            loader == 0 ? decodeDibFile(path.c_str()) : loadBmpImage(path.c_str());
        if (status == DibStatus::ok) {
            if (fromFile == nullptr || !sameImage(*fromFile, image) || lastMessage.count != 0)
                __builtin_trap();
            continue;
        }
        // An empty file cannot be mapped, so it fails as an open.
        const std::string expected = size == 0 ? "Failed to open DIB file " + path + ".\n"
                                               : std::string(dibStatusMessage(status));
        if (fromFile != nullptr || lastMessage.count != 1 || lastMessage.caption != "Error" ||
            lastMessage.text != expected)
            __builtin_trap();
    }
    std::remove(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool silenced = silenceMessages();
    (void)silenced;

    dibColorCount(data, size);

    RgbImage image;
    image.width = -1; // marks an image the decoder has not touched
    const DibStatus status = decodeDibBytes(data, size, image);
    if (status == DibStatus::ok) {
        const uint64_t expected =
            uint64_t{static_cast<uint32_t>(image.width)} * static_cast<uint32_t>(image.height) * 3;
        if (image.width <= 0 || image.height <= 0 || image.data.size() != expected ||
            expected > maxDibPixelBytes)
            __builtin_trap();
    } else {
        if (image.width != -1 || image.height != 0 || !image.data.empty() ||
            dibStatusMessage(status)[0] == '\0')
            __builtin_trap();
    }
    if (size % 8 == 0)
        checkFileDecode(data, size, status, image);
    return 0;
}
