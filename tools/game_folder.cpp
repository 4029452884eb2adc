// Writes the generated pictures and the overworld plan into a game folder.
#include "game_folder.h"

#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "art_painters.h"
#include "assets/asset_catalogue.h"
#include "overworld_plan.h"

namespace delver {

namespace {

bool SafeComponent(const std::string& part) {
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part)
        if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
    return true;
}

// Writes bytes to path unless it already holds exactly them.
bool WriteIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == bytes.size() && !ec) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (old == bytes) return true;
    }
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        if (error) *error = "cannot create folder " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error) *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

bool SplitCataloguePath(const std::string& gamePath, std::string* folder, std::string* name) {
    const std::string prefix = ".\\";
    const std::string extension = ".bmp";
    if (gamePath.rfind(prefix, 0) != 0) return false;
    const std::string rest = gamePath.substr(prefix.size());
    const size_t slash = rest.find('\\');
    if (slash == std::string::npos) return false;
    const std::string dir = rest.substr(0, slash);
    const std::string file = rest.substr(slash + 1);
    if (file.size() <= extension.size() ||
        file.compare(file.size() - extension.size(), extension.size(), extension) != 0)
        return false;
    const std::string stem = file.substr(0, file.size() - extension.size());
    if (!SafeComponent(dir) || !SafeComponent(file) || !SafeComponent(stem)) return false;
    if (folder) *folder = dir;
    if (name) *name = stem;
    return true;
}

std::vector<std::string> DistinctCataloguePaths() {
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const CatalogueRow& row : AssetCatalogueRows())
        if (seen.insert(row.path).second) paths.push_back(row.path);
    return paths;
}

bool WriteCatalogueImages(const std::filesystem::path& gameDir, const std::vector<std::string>& gamePaths,
                          std::string* error) {
    for (const std::string& gamePath : gamePaths) {
        std::string folder, name;
        if (!SplitCataloguePath(gamePath, &folder, &name)) {
            if (error) *error = "not a catalogue image path: " + gamePath;
            return false;
        }
        const ArtImage image = PaintCatalogueImage(folder, name);
        if (!WriteIfChanged(gameDir / folder / (name + ".bmp"), EncodeBmp24(image), error)) return false;
    }
    return true;
}

bool WriteDefaultOverworld(const std::filesystem::path& gameDir, std::string* error) {
    return WriteIfChanged(gameDir / "map" / "1.overworld", MakeOverworldPlan(), error);
}

bool WriteGameFolder(const std::filesystem::path& gameDir, std::string* error) {
    return WriteCatalogueImages(gameDir, DistinctCataloguePaths(), error) && WriteDefaultOverworld(gameDir, error);
}

}  // namespace delver
