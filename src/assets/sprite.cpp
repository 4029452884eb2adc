#include "assets/sprite.h"

#include <cstddef>
#include <new>

#include "assets/bmp.h"
#include "platform/files.h"

namespace delver {

namespace {

// The pixel byte count a header claims, or -1 when the game will not take
// it: a side of zero or below, more than MaxSpritePixels, or more bytes than
// the file holds behind its header.
int64_t ClaimedPixelBytes(int32_t width, int32_t height, int64_t fileSize) {
    if (width <= 0 || height <= 0) return -1;
    const int64_t pixelCount = static_cast<int64_t>(width) * height;  // below 2^62, no overflow
    if (pixelCount > MaxSpritePixels) return -1;
    const int64_t size = pixelCount * 3;
    if (fileSize < 0 || size > fileSize - static_cast<int64_t>(BmpHeaderSize)) return -1;
    return size;
}

}  // namespace

bool LoadSprite(SpriteTable& table, const std::string& gamePath, int slot) {
    if (!table.Slots || slot < 0 || slot >= SpriteSlotCount) return false;

    GameFile file = GameFile::OpenAlways(gamePath);
    if (!file.IsOpen()) return false;

    uint8_t header[BmpHeaderSize];
    if (file.Read(header, BmpHeaderSize) < BmpHeaderSize) return false;
    BmpSize claimed;
    if (!ReadBmpHeader(header, claimed)) return false;

    Sprite& sprite = table.Slots[slot];
    sprite.width = claimed.width;
    sprite.height = claimed.height;
    sprite.bytesPerPixel = 3;
    sprite.pixels.reset();  // a buffer is never reused, even for equal sizes

    const int64_t size = ClaimedPixelBytes(sprite.width, sprite.height, file.Size());
    if (size < 0) return false;

    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!pixels) return false;
    if (file.Read(pixels.get(), static_cast<size_t>(size)) < static_cast<size_t>(size)) return false;

    // Blue-green-red on disk, red-green-blue in the slot; row order kept.
    SwapRedAndBlue(pixels.get(), static_cast<size_t>(size));
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
