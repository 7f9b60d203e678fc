#include "assets/make_assets.h"

#include "assets/asset_models.h"
#include "assets/asset_textures.h"
#include "assets/sample_map.h"
#include "map/map_file.h"
#include "ms3d_writer.h"
#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    if (!writeFileAtomically(path, bytes.data(), bytes.size())) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string describeModel(const ModelAsset& model) {
    char text[160];
    std::snprintf(text, sizeof text, "%s, %zu triangles", model.title.c_str(),
                  model.file.triangles.size());
    return text;
}

// Creates the map file only if nothing of that name exists, so a user's map
// is never replaced, even by a second run racing this one.
bool writeMapIfMissing(const std::string& path, bool& written, std::string& error) {
    written = false;
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found)
        return true;
    HexMap map;
    makeSampleMap(map);
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (file == nullptr) {
        if (errno == EEXIST)
            return true;
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
    if (std::fclose(file) != 0 || !ok) {
        error = "cannot write " + path;
        std::remove(path.c_str());
        return false;
    }
    written = true;
    return true;
}

} // namespace

bool makeAssets(const std::string& dir, MakeAssetsResult& result) {
    result = MakeAssetsResult{};
    const std::string data = dir + "/data";
    std::error_code ec;
    const std::string record = data + "/" + defaultsRecordName;
    if (std::filesystem::exists(std::filesystem::symlink_status(record, ec))) {
        result.error = data + " holds " + defaultsRecordName +
                       ": the quillmark launcher keeps that folder's defaults; nothing was written";
        return false;
    }
    std::filesystem::create_directories(data, ec);
    if (ec || !std::filesystem::is_directory(data)) {
        result.error = "cannot create " + data + (ec ? ": " + ec.message() : "");
        return false;
    }

    std::vector<ModelAsset> models = makeFixedModels();
    for (auto list : {makeObjectModels(), makeUnitModels()})
        for (ModelAsset& model : list)
            models.push_back(std::move(model));
    for (const ModelAsset& model : models) {
        std::vector<uint8_t> bytes;
        const std::string path = data + "/" + model.fileName;
        if (!encodeMs3d(model.file, bytes)) {
            result.error = "cannot encode " + path;
            return false;
        }
        if (!writeFile(path, bytes, result.error))
            return false;
        result.written.push_back({"data/" + model.fileName, describeModel(model)});
    }

    for (const TextureAsset& texture : makeTextureAssets()) {
        const std::string path = data + "/" + texture.fileName;
        if (texture.bytes.empty()) {
            result.error = "cannot encode " + path;
            return false;
        }
        if (!writeFile(path, texture.bytes, result.error))
            return false;
        char about[160];
        std::snprintf(about, sizeof about, "%s, %dx%d, %s", texture.title.c_str(), texture.size,
                      texture.size, bmpFormName(texture.form));
        result.written.push_back({"data/" + texture.fileName, about});
    }

    const std::string mapPath = dir + "/" + mapFilePath;
    if (!writeMapIfMissing(mapPath, result.mapWritten, result.error))
        return false;
    if (result.mapWritten)
        result.written.push_back({mapFilePath, "sample map"});
    return true;
}
