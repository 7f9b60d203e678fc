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

// The list the launcher keeps of the defaults it copied into a game folder's
// data/, with their hashes.
constexpr const char* defaultsRecordName = ".quillmark-defaults";

// Writes DIR/data/ with the models, textures and, only when no map file is
// there yet, the sample map. The same bytes on every run. False on the first
// file that can't be written, and, writing nothing, for a data/ that holds
// the launcher's record: there the launcher keeps the defaults up to date
// and tells the user's changed files from its own by their hashes.
bool makeAssets(const std::string& dir, MakeAssetsResult& result);
