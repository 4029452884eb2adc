#include "app/map_images.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/options.h"
#include "app/world_build.h"
#include "world/world_finishing.h"

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <png.h>
#endif

namespace delver {

namespace {

// The overworld plan's pause is no use here.
class QuickClock : public Clock {
public:
    void Sleep(unsigned) override {}
    int64_t CalendarSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
};

void Put(std::vector<uint8_t>& rgb, int c, int r, const uint8_t (&colour)[3]) {
    for (int i = 0; i < 3; ++i) rgb[(static_cast<size_t>(r) * GridWidth + c) * 3 + i] = colour[i];
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb) {
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = GridWidth;
    image.height = GridWidth;
    image.format = PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
#else
    (void)path;
    (void)rgb;
    return false;
#endif
}

}  // namespace

bool CheckMapImagesFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        error = "--map-images: " + Quoted(folder) + " is not a folder";
        return false;
    }
    const std::filesystem::path probe = std::filesystem::path(folder) / ".delver-map-check";
    std::FILE* f = std::fopen(probe.string().c_str(), "wb");
    if (!f) {
        error = "--map-images: cannot write files in " + Quoted(folder);
        return false;
    }
    std::fclose(f);
    std::filesystem::remove(probe, ec);
    return true;
}

int WriteMapImages(const std::string& folder, std::optional<uint32_t> seed) {
    WorldGrids grids;
    grids.Allocate();
    GeneratorWorkspace generator;
    AllocateGeneratorWorkspace(generator, true);
    RandomSource random;
    ShellState shell;
    QuickClock clock;
    const uint32_t used = BuildWorld(grids, generator, random, shell, clock, seed);
    ReleaseGeneratorWorkspace(generator);

    const uint8_t* world = grids.WorldGrid.get();
    const uint8_t* markers = grids.MarkerGrid.get();
    std::vector<uint8_t> rgb(static_cast<size_t>(GridWidth) * GridWidth * 3);
    int written = 0;
    for (int l = 1; l <= LayerCount - 2; ++l) {
        bool open = false;
        for (int r = 0; r < GridWidth; ++r)
            for (int c = 0; c < GridWidth; ++c) {
                const bool inside = r > 0 && r < GridWidth - 1 && c > 0 && c < GridWidth - 1;
                if (!inside || world[CellIndex(c, r, l)] != Empty) {
                    Put(rgb, c, r, MapWall);
                    continue;
                }
                open = true;
                if (IsShaftCell(world, c, r, l + 1))
                    Put(rgb, c, r, MapShaftDown);
                else if (IsShaftCell(world, c, r, l - 1))
                    Put(rgb, c, r, MapShaftUp);
                else
                    Put(rgb, c, r, MapOpen);
            }
        if (!open) continue;
        for (int r = 0; r < GridWidth; ++r)
            for (int c = 0; c < GridWidth; ++c)
                if (markers[CellIndex(c, r, l)] == ObjectiveMarker) Put(rgb, c, r, MapObjective);
        if (l == shell.PlayerCell[2] && CellInGrid(shell.PlayerCell[0], shell.PlayerCell[1], l))
            Put(rgb, shell.PlayerCell[0], shell.PlayerCell[1], MapStart);
        char name[32];
        std::snprintf(name, sizeof name, "layer_%03d.png", l);
        const std::string path = (std::filesystem::path(folder) / name).string();
        if (!WritePng(path, rgb)) {
            std::fprintf(stderr, "delver: cannot write map image %s\n", Quoted(path, 200).c_str());
            return 1;
        }
        ++written;
    }
    std::printf("delver: wrote %d map images of seed %u to %s\n", written, used, Quoted(folder, 200).c_str());
    return 0;
}

}  // namespace delver
