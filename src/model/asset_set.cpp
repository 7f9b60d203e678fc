#include "model/asset_set.h"

#include <cstdio>

bool probeModelFile(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

std::string numberedModelName(const char* pattern, int number) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, number);
    return name;
}

int countNumberedModels(const std::string& dataDir, const char* pattern) {
    int count = 0;
    while (count < maxNumberedModels) {
        if (!probeModelFile((dataDir + "/" + numberedModelName(pattern, count)).c_str()))
            break;
        ++count;
    }
    return count;
}
