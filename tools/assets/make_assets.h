#pragma once
// Writing the default data folder: every model, texture and the sample map.

#include <string>
#include <vector>

struct MadeFile {
    std::string path;  // as written, below the target folder
    std::string about; // what it holds
};

struct MakeAssetsResult {
    std::vector<MadeFile> written;
    bool mapWritten = false; // false when a map was already there
    std::string error;       // why it failed
};

// Writes DIR/data/ with the models, textures and, only when no map file is
// there yet, the sample map. The same bytes on every run. False on the first
// file that can't be written.
bool makeAssets(const std::string& dir, MakeAssetsResult& result);
