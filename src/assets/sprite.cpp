#include "assets/sprite.h"

#include <cstddef>
#include <new>
#include <utility>

#include "platform/files.h"

namespace delver {

namespace {

constexpr size_t kHeaderSize = 54;

int32_t ReadInt32(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}

// The pixel byte count a header claims, or -1 when the game will not take
// it: a side of zero or below, more than MaxSpritePixels, or more bytes than
// the file holds behind its header.
int64_t ClaimedPixelBytes(int32_t width, int32_t height, int64_t fileSize) {
    if (width <= 0 || height <= 0) return -1;
    const int64_t pixelCount = static_cast<int64_t>(width) * height;  // below 2^62, no overflow
    if (pixelCount > MaxSpritePixels) return -1;
    const int64_t size = pixelCount * 3;
    if (fileSize < 0 || size > fileSize - static_cast<int64_t>(kHeaderSize)) return -1;
    return size;
}

}  // namespace

bool LoadSprite(SpriteTable& table, const std::string& gamePath, int slot) {
    if (!table.Slots || slot < 0 || slot >= SpriteSlotCount) return false;

    GameFile file = GameFile::OpenAlways(gamePath);
    if (!file.IsOpen()) return false;

    uint8_t header[kHeaderSize];
    if (file.Read(header, kHeaderSize) < kHeaderSize) return false;
    if (header[0] != 0x42 || header[1] != 0x4D || header[28] != 24) return false;

    Sprite& sprite = table.Slots[slot];
    sprite.width = ReadInt32(header + 18);
    sprite.height = ReadInt32(header + 22);
    sprite.bytesPerPixel = 3;
    sprite.pixels.reset();  // a buffer is never reused, even for equal sizes

    const int64_t size = ClaimedPixelBytes(sprite.width, sprite.height, file.Size());
    if (size < 0) return false;

    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!pixels) return false;
    if (file.Read(pixels.get(), static_cast<size_t>(size)) < static_cast<size_t>(size)) return false;

    // Blue-green-red on disk, red-green-blue in the slot; row order kept.
    for (int64_t i = 0; i < size; i += 3) std::swap(pixels[i], pixels[i + 2]);
    sprite.pixels = std::move(pixels);
    return true;
}

int LoadedSpriteCount(const SpriteTable& table) {
    if (!table.Slots) return 0;
    int count = 0;
    for (int i = 0; i < SpriteSlotCount; ++i) count += table.Slots[i].pixels ? 1 : 0;
    return count;
}

}  // namespace delver
