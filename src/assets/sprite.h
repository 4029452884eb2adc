// The sprite table: numbered image slots holding RGB pixels, bottom row
// first, as loaded from 24-bit BMP files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace delver {

inline constexpr int SpriteSlotCount = 3100;

// The largest picture taken, in pixels (3 MiB of pixels): the largest of the
// game's own is 320 x 240. A header that claims more is a bad image, so that
// a doctored file cannot make start-up take gigabytes.
inline constexpr int64_t MaxSpritePixels = 1024 * 1024;

struct Sprite {
    std::unique_ptr<uint8_t[]> pixels;  // width x height x bytesPerPixel bytes, or null
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;  // 3 once a header has passed, 0 in a slot never loaded
};

struct SpriteTable {
    std::unique_ptr<Sprite[]> Slots;  // SpriteSlotCount entries

    void Allocate() { Slots = std::make_unique<Sprite[]>(SpriteSlotCount); }
    void Release() { Slots.reset(); }
};

// Loads the BMP at gamePath (".\folder\file.bmp") into slot. Returns true
// when the slot now holds the file's image. A missing file is created empty
// (when its folder exists). A file that is short, not "BM" or not 24-bit
// leaves the slot alone; once the header passes, the slot takes its width and
// height and bytesPerPixel 3, and its old pixels are released. It gets new
// pixels only when width and height are both positive, the picture has at
// most MaxSpritePixels, and the file holds all
// width x height x 3 bytes after byte 54; otherwise pixels stays null. A
// slot outside the table (or a table not allocated) gives false, no file.
bool LoadSprite(SpriteTable& table, const std::string& gamePath, int slot);

// How many slots hold pixels.
int LoadedSpriteCount(const SpriteTable& table);

// Runs the eight folder loaders of the image catalogue in start-up order.
void LoadAssetCatalogue(SpriteTable& table);

}  // namespace delver
