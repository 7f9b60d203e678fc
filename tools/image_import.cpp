#include "image_import.h"

#include "bmp_writer.h"
#include "contained_reader.h"
#include "image/bmp_image.h"
#include "platform/byte_io.h"
#include "platform/contained_run.h"
#include "platform/mapped_file.h"

#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

namespace {

// Why stb_image last failed; some of its failures set no reason.
std::string stbFailure() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr ? reason : "no reason given";
}

// stb_image's malloc failing at the reader's memory limit ends the reader as
// out of memory. Its failure reason does not always say so (its inflater
// sets none), but malloc's errno does.
void endIfStbOutOfMemory() {
    if (errno == ENOMEM || stbFailure() == "outofmem")
        endContainedIfOutOfMemory();
}

} // namespace

bool decodePicture(const uint8_t* bytes, size_t size, Picture& out, std::string& error) {
    if (size > static_cast<size_t>(INT_MAX)) {
        error = "too large to be a picture";
        return false;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    errno = 0;
    if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
        endIfStbOutOfMemory();
        error = "not a picture stb_image reads (" + stbFailure() + ")";
        return false;
    }
    if (width > maxSourcePictureSide || height > maxSourcePictureSide) {
        error = "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; at most " + std::to_string(maxSourcePictureSide) + " a side is read";
        return false;
    }
    errno = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes, length, &width, &height, &channels, 3), stbi_image_free);
    if (pixels == nullptr) {
        endIfStbOutOfMemory();
        error = "cannot decode the picture (" + stbFailure() + ")";
        return false;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(pixels.get(), pixels.get() + static_cast<size_t>(width) * height * 3);
    return true;
}

bool readPictureFile(const std::string& path, Picture& out, std::string& error) {
    MappedFile file;
    errno = 0;
    // A FIFO or a device would be waited on, or read without end.
    if (!openMappedRegularFile(path.c_str(), true, file)) {
        if (errno == ENOMEM) // the mapping, at the reader's memory limit
            endContainedIfOutOfMemory();
        error = std::string("cannot read ") + path + ": " +
                (errno == EINVAL ? "not a regular file"
                 : errno != 0    ? std::strerror(errno)
                                 : "not a readable file");
        return false;
    }
    const bool decoded = decodePicture(file.data, file.size, out, error);
    closeMappedFile(file);
    if (!decoded)
        error = path + ": " + error;
    return decoded;
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

int nearestPowerOfTwo(int side) {
    int below = 1;
    while (below * 2 <= side && below < maxTextureSide)
        below *= 2;
    if (below == maxTextureSide)
        return below;
    return side - below < below * 2 - side ? below : below * 2;
}

Picture resizePicture(const Picture& picture, int width, int height) {
    Picture resized;
    resized.width = width;
    resized.height = height;
    resized.rgb.resize(static_cast<size_t>(width) * height * 3);
    // Colour pictures are sRGB: filtering in linear light keeps the mix of
    // two colours as bright as it looks.
    if (!stbir_resize_uint8_srgb(picture.rgb.data(), picture.width, picture.height,
                                 picture.width * 3, resized.rgb.data(), width, height, width * 3, 3,
                                 STBIR_ALPHA_CHANNEL_NONE, 0)) {
        // Only its scratch buffer's malloc fails; the black picture left would
        // pass for the resized one. An empty one encodes to no BMP.
        endContainedIfOutOfMemory();
        return Picture();
    }
    return resized;
}

Picture resizeToTexture(const Picture& picture) {
    const int width = nearestPowerOfTwo(picture.width);
    const int height = nearestPowerOfTwo(picture.height);
    if (width == picture.width && height == picture.height)
        return picture;
    return resizePicture(picture, width, height);
}

bool encodePictureBmp(const Picture& picture, std::vector<uint8_t>& out) {
    // BMP rows run from the bottom: store the picture's rows in reverse.
    const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != rowBytes * static_cast<size_t>(picture.height)) {
        out.clear();
        return false;
    }
    std::vector<uint8_t> bottomFirst(picture.rgb.size());
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&bottomFirst[static_cast<size_t>(y) * rowBytes],
                    &picture.rgb[static_cast<size_t>(picture.height - 1 - y) * rowBytes], rowBytes);
    return encodeBmp24(picture.width, picture.height, bottomFirst, out);
}

bool decodePicturesContained(const std::vector<PictureInput>& inputs, int side,
                             const ContainmentLimits& limits, std::vector<DecodedPicture>& out,
                             std::string& error) {
    std::vector<uint8_t> bytes;
    const auto decodeAll = [&](std::vector<uint8_t>& made) {
        ByteWriter result{made};
        for (const PictureInput& input : inputs) {
            Picture picture;
            std::string why;
            std::vector<uint8_t> bmp;
            const bool decoded = input.pixels != nullptr
                                     ? (picture = *input.pixels, true)
                                     : decodePicture(input.bytes, input.size, picture, why);
            if (decoded && !encodePictureBmp(side > 0 ? resizePicture(picture, side, side)
                                                      : resizeToTexture(picture),
                                             bmp))
                why = "too large for a BMP";
            putText(result, why);
            result.i32(picture.width);
            result.i32(picture.height);
            putBlock(result, bmp.data(), bmp.size());
        }
    };
    // The pictures are in memory already: the reader opens no file.
    if (!runContainedReader("picture reader", limits, std::string(), decodeAll, bytes, error))
        return false;
    ByteReader in{bytes.data(), bytes.size()};
    out.assign(inputs.size(), DecodedPicture());
    for (DecodedPicture& picture : out) {
        int32_t width = 0, height = 0;
        RgbImage image;
        // Only a BMP that the editor's own decoder reads is taken.
        if (!takeText(in, picture.error) || !in.i32(width) || !in.i32(height) ||
            !takeBlock(in, picture.bmp) ||
            (picture.error.empty() &&
             decodeDibBytes(picture.bmp.data(), picture.bmp.size(), image) != DibStatus::ok)) {
            error = "the picture reader sent what no picture gives";
            return false;
        }
        picture.sourceWidth = width;
        picture.sourceHeight = height;
    }
    if (in.left() == 0)
        return true;
    error = "the picture reader sent what no picture gives";
    return false;
}
