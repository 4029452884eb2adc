// The 24-bit BMP format as the game reads and writes it: a 54-byte header
// ("BM", a 40-byte info header, one plane, 24 bits, no compression, 72 dpi)
// and blue-green-red pixels, bottom row first. The game's images are read
// without row padding (every width it paints is a multiple of 4); the
// writer pads rows to 4 bytes as the format requires, which for those
// widths adds nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace delver {

inline constexpr size_t BmpHeaderSize = 54;

// The size a header claims. Taken only from a header that starts with "BM"
// and says 24 bits per pixel; other fields are not checked.
struct BmpSize {
    int32_t width = 0;
    int32_t height = 0;
};
bool ReadBmpHeader(const uint8_t (&header)[BmpHeaderSize], BmpSize& size);

// Swaps the first and third byte of every pixel: blue-green-red on disk,
// red-green-blue in memory, and back. `bytes` is a multiple of 3.
void SwapRedAndBlue(uint8_t* pixels, size_t bytes);

// Which row of the picture in memory comes first.
enum class RowOrder { BottomFirst, TopFirst };

// The whole file for width x height red-green-blue pixels (rgb holds
// width x height x 3 bytes in the given row order). Empty when a side is not
// positive or rgb is too short.
std::vector<uint8_t> EncodeBmp24(const std::vector<uint8_t>& rgb, int width, int height, RowOrder order);

}  // namespace delver
