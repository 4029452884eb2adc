// delver_artgen GAME_DIR: paints the game's pictures and the default
// overworld plan into GAME_DIR, leaving every other file there untouched.
// delver_artgen --icon SIDE FILE: paints the game's icon, SIDE x SIDE
// pixels, into the PNG file FILE (its folder is made when missing).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "art_painters.h"
#include "game_folder.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: delver_artgen GAME_DIR\n       delver_artgen --icon SIDE FILE.png\n");
    return 2;
}

int WriteIcon(const std::string& sideText, const std::string& file) {
    int side = 0;
    for (char c : sideText) {
        if (c < '0' || c > '9' || side > 1024) return Usage();
        side = side * 10 + (c - '0');
    }
    if (side < 16 || side > 1024 || file.empty()) return Usage();
    std::vector<uint8_t> alpha;
    const delver::ArtImage icon = delver::PaintIcon(side, &alpha);
    const std::vector<uint8_t> png = delver::EncodePngRgba(icon, alpha);
    std::error_code ec;
    const std::filesystem::path path(file);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "delver_artgen: cannot write %s\n", file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--icon") return WriteIcon(argv[2], argv[3]);
    if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') return Usage();
    std::string error;
    if (!delver::WriteGameFolder(argv[1], &error)) {
        std::fprintf(stderr, "delver_artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
