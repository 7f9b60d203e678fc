#pragma once
// Reading the numbers that quillmark-tool's options take. Each is false for
// text that is not wholly the number asked for.

#include <cstdlib>
#include <cstring>
#include <string>

inline bool parseInt(const char* text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || parsed < -1000000 || parsed > 1000000)
        return false;
    value = static_cast<int>(parsed);
    return *end == '\0';
}

inline bool parseFloat(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

// Two integers with `separator` between them, as in 1024x768 or 7,5.
inline bool parsePair(const char* text, char separator, int& first, int& second) {
    const char* split = std::strchr(text, separator);
    if (split == nullptr)
        return false;
    const std::string head(text, split);
    return parseInt(head.c_str(), first) && parseInt(split + 1, second);
}
