// quillmark-tool bmp info|png

#include "image/bmp_image.h"
#include "platform/message_box.h"
#include "platform/platform_hooks.h"
#include "snapshot.h"
#include "tool_arguments.h"
#include "tool_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const bmpUsage =
    "usage: quillmark-tool bmp info FILE\n"
    "       quillmark-tool bmp png FILE OUT.png\n"
    "       quillmark-tool bmp import IN OUT.bmp [--size N]\n"
    "\n"
    "info  describes the BMP file FILE as the editor's decoder reads it: file\n"
    "      header, DIB header kind and size, width, height, bits per pixel,\n"
    "      compression, colour-table entries, where the pixel data starts, and\n"
    "      whether the picture decodes (with the decoder's message if not).\n"
    "png   decodes FILE with the editor's decoder and writes it as the PNG file\n"
    "      OUT.png, top row first, so that it can be looked at.\n"
    "import  makes a PNG or JPEG picture into a BMP texture with power-of-two\n"
    "        sides; 'bmp import --help' tells more.\n";

const char* compressionName(uint32_t compression) {
    switch (compression) {
    case 0:
        return "BI_RGB";
    case 1:
        return "BI_RLE8";
    case 2:
        return "BI_RLE4";
    case 3:
        return "BI_BITFIELDS";
    case 4:
        return "BI_JPEG";
    case 5:
        return "BI_PNG";
    case 6:
        return "BI_ALPHABITFIELDS";
    default:
        return "unknown";
    }
}

const char* headerName(uint32_t size) {
    switch (size) {
    case 12:
        return "BITMAPCOREHEADER";
    case 40:
        return "BITMAPINFOHEADER";
    case 108:
        return "BITMAPV4HEADER";
    case 124:
        return "BITMAPV5HEADER";
    default:
        return "unknown header";
    }
}

std::string withoutTrailingNewline(std::string text) {
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::vector<std::string> caughtMessages;

void catchMessage(const std::string&, const std::string& text, MessageIcon) {
    caughtMessages.push_back(text);
}

// Decodes through the program's own path, catching the message it would show.
std::unique_ptr<RgbImage> decodeQuietly(const char* path, std::string& message) {
    caughtMessages.clear();
    const auto previous = platformHooks.showMessage;
    platformHooks.showMessage = catchMessage;
    std::unique_ptr<RgbImage> image = decodeDibFile(path);
    platformHooks.showMessage = previous;
    message =
        caughtMessages.empty() ? std::string() : withoutTrailingNewline(caughtMessages.front());
    return image;
}

int describeBmp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quillmark-tool bmp info: cannot open %s: %s\n", path,
                     std::strerror(errno));
        return 1;
    }
    const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    DibDescription dib;
    const DibStatus headerStatus = readDibDescription(bytes.data(), bytes.size(), dib);
    std::printf("file: %s (%zu bytes)\n", path, bytes.size());
    std::printf("file header: %s\n", dib.hasFileHeader ? "yes" : "no");
    if (dib.headerSize != 0)
        std::printf("dib header: %s (%u bytes)\n", headerName(dib.headerSize), dib.headerSize);
    if (headerStatus == DibStatus::ok) {
        std::printf("width: %d\n", dib.width);
        std::printf("height: %d%s\n", dib.height, dib.height < 0 ? " (rows stored top-down)" : "");
        std::printf("planes: %u\n", dib.planes);
        std::printf("bits per pixel: %u\n", dib.bitCount);
        std::printf("compression: %u (%s)\n", dib.compression, compressionName(dib.compression));
        if (dib.hasMasks)
            std::printf("masks: red 0x%08X, green 0x%08X, blue 0x%08X\n", dib.redMask,
                        dib.greenMask, dib.blueMask);
        std::printf("colour table: %u entries\n", dib.colorCount);
        std::printf("image size: %u bytes\n", dib.imageSize);
        std::printf("pixel data offset: %llu\n", static_cast<unsigned long long>(dib.pixelOffset));
    }
    std::string message;
    const std::unique_ptr<RgbImage> image = decodeQuietly(path, message);
    if (image != nullptr)
        std::printf("decodes: yes (%d x %d)\n", image->width, image->height);
    else
        std::printf("decodes: no: %s\n", message.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int convertToPng(const char* path, const char* outPath) {
    std::string message;
    const std::unique_ptr<RgbImage> image = decodeQuietly(path, message);
    if (image == nullptr) {
        std::fprintf(stderr, "quillmark-tool bmp png: %s: %s\n", path, message.c_str());
        return 1;
    }
    // PNG rows run from the top; ours start at the bottom.
    const size_t rowBytes = static_cast<size_t>(image->width) * 3;
    SnapshotImage picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.rgb.resize(image->data.size());
    for (int32_t y = 0; y < image->height; ++y)
        std::memcpy(picture.rgb.data() + static_cast<size_t>(y) * rowBytes,
                    image->data.data() + static_cast<size_t>(image->height - 1 - y) * rowBytes,
                    rowBytes);
    if (!writePng(outPath, picture)) {
        std::fprintf(stderr, "quillmark-tool bmp png: cannot write %s: %s\n", outPath,
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace

int runBmpCommand(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "import") == 0)
        return runBmpImport(argc - 1, argv + 1);
    if (wantsHelp(argc, argv)) {
        std::fputs(bmpUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[0], "info") == 0)
        return describeBmp(argv[1]);
    if (argc == 3 && std::strcmp(argv[0], "png") == 0)
        return convertToPng(argv[1], argv[2]);
    std::fputs(bmpUsage, stderr);
    return 2;
}
