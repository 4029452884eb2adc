// delver_artgen GAME_DIR: paints the game's pictures and the default
// overworld plan into GAME_DIR, leaving every other file there untouched.
// delver_artgen --icon SIDE FILE: paints the game's icon, SIDE x SIDE
// pixels, into the PNG file FILE (its folder is made when missing).
// delver_artgen --ico FILE: the same icon at the sizes Windows shows (16 to
// 256 pixels), one PNG each, in one Windows icon file for the program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "art_painters.h"
#include "game_folder.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: delver_artgen GAME_DIR\n       delver_artgen --icon SIDE FILE.png\n"
                 "       delver_artgen --ico FILE.ico\n");
    return 2;
}

bool WriteFile(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    const std::filesystem::path path(file);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "delver_artgen: cannot write %s\n", file.c_str());
    return static_cast<bool>(out);
}

// An .ico file: a six-byte header, one sixteen-byte entry per picture
// (width and height 0 stand for 256), then the pictures, each a whole PNG
// file, which Windows reads in icons since Vista.
int WriteIco(const std::string& file) {
    const int sides[] = {16, 24, 32, 48, 64, 256};
    const size_t count = sizeof(sides) / sizeof(sides[0]);
    std::vector<std::vector<uint8_t>> pngs;
    for (int side : sides) {
        std::vector<uint8_t> alpha;
        pngs.push_back(delver::EncodePngRgba(delver::PaintIcon(side, &alpha), alpha));
    }
    std::vector<uint8_t> ico;
    auto put16 = [&ico](uint32_t v) {
        ico.push_back(static_cast<uint8_t>(v));
        ico.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xffff);
        put16(v >> 16);
    };
    put16(0);  // reserved
    put16(1);  // an icon, not a cursor
    put16(static_cast<uint32_t>(count));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t side = sides[i] >= 256 ? 0 : static_cast<uint8_t>(sides[i]);
        ico.push_back(side);
        ico.push_back(side);
        ico.push_back(0);  // no palette
        ico.push_back(0);
        put16(1);   // colour planes
        put16(32);  // bits per pixel
        put32(static_cast<uint32_t>(pngs[i].size()));
        put32(offset);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) ico.insert(ico.end(), png.begin(), png.end());
    return WriteFile(file, ico) ? 0 : 1;
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
    return WriteFile(file, delver::EncodePngRgba(icon, alpha)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--ico") return WriteIco(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--icon") return WriteIcon(argv[2], argv[3]);
    if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') return Usage();
    std::string error;
    if (!delver::WriteGameFolder(argv[1], &error)) {
        std::fprintf(stderr, "delver_artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
