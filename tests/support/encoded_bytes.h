#pragma once
// Bytes as a model file embeds them: base64 text for a data: URI, and RGB
// pixels as a PNG file (stb_image_write; link stb). Header-only, so that the
// import benchmark, built without the tests, makes its model the same way.

#include <stb/stb_image_write.h>

#include <cstdint>
#include <string>
#include <vector>

// A text file's bytes.
inline std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::string base64Of(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        for (size_t k = 0; k < 4; ++k)
            text += i + k <= bytes.size() ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// `rgb` holds width * height pixels, top row first.
inline std::vector<uint8_t> pngBytesOf(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> png;
    stbi_write_png_to_func(
        [](void* out, void* data, int size) {
            auto* bytes = static_cast<const uint8_t*>(data);
            auto* into = static_cast<std::vector<uint8_t>*>(out);
            into->insert(into->end(), bytes, bytes + size);
        },
        &png, width, height, 3, rgb.data(), width * 3);
    return png;
}
