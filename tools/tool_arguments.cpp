#include "tool_arguments.h"

#include "contained_reader.h"

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

int readReaderLimit(int argc, char** argv, int& i, ContainmentLimits& limits, std::string& error) {
    const std::string option = argv[i];
    if (option != "--max-memory" && option != "--max-seconds")
        return 0;
    int value = 0;
    if (i + 1 == argc || !parseIntArgument(argv[++i], value) || value < 1) {
        error = option + " wants a whole number from 1 to 1000000";
        return -1;
    }
    if (option == "--max-memory")
        limits.maxMemoryBytes = uint64_t(value) << 20;
    else // both: a reader blocked in a read spends no CPU time
        limits.maxCpuSeconds = limits.maxWallSeconds = static_cast<unsigned>(value);
    return 1;
}

const char* const readerLimitsHelp =
    "  --max-memory MIB  memory the reader may take (default 2048, or half of\n"
    "                    the physical memory where that is less)\n"
    "  --max-seconds S   processor time, and time on the clock, the reader may\n"
    "                    take (default 60)\n";
