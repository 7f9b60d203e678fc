#include "tool_arguments.h"

#include <cstdlib>
#include <cstring>
#include <string>

bool wantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

bool parseIntArgument(const char* text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || parsed < -1000000 || parsed > 1000000)
        return false;
    value = static_cast<int>(parsed);
    return *end == '\0';
}

bool parseFloatArgument(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

bool parsePairArgument(const char* text, char separator, int& first, int& second) {
    const char* split = std::strchr(text, separator);
    if (split == nullptr)
        return false;
    const std::string head(text, split);
    return parseIntArgument(head.c_str(), first) && parseIntArgument(split + 1, second);
}

bool parsePictureSize(const char* text, int& width, int& height) {
    return parsePairArgument(text, 'x', width, height) && width >= 1 && height >= 1 &&
           width <= maxPictureSide && height <= maxPictureSide;
}
