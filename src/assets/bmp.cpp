// The one BMP reader and writer: see bmp.h.
#include "assets/bmp.h"

#include <utility>

namespace delver {

namespace {

int32_t ReadLe32(const uint8_t* p) {
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

}  // namespace

bool ReadBmpHeader(const uint8_t (&header)[BmpHeaderSize], BmpSize& size) {
    if (header[0] != 'B' || header[1] != 'M' || header[28] != 24) return false;
    size.width = ReadLe32(header + 18);
    size.height = ReadLe32(header + 22);
    return true;
}

void SwapRedAndBlue(uint8_t* pixels, size_t bytes) {
    for (size_t i = 0; i + 2 < bytes; i += 3) std::swap(pixels[i], pixels[i + 2]);
}

std::vector<uint8_t> EncodeBmp24(const std::vector<uint8_t>& rgb, int width, int height, RowOrder order) {
    if (width <= 0 || height <= 0) return {};
    const size_t rowIn = static_cast<size_t>(width) * 3;
    if (rgb.size() / rowIn < static_cast<size_t>(height)) return {};
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
    std::vector<uint8_t> out;
    out.reserve(BmpHeaderSize + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, static_cast<uint32_t>(BmpHeaderSize) + pixelBytes);  // file size
    PutLe32(out, 0);                                                  // reserved
    PutLe32(out, static_cast<uint32_t>(BmpHeaderSize));               // pixel data offset
    PutLe32(out, 40);                                                 // info header size
    PutLe32(out, static_cast<uint32_t>(width));
    PutLe32(out, static_cast<uint32_t>(height));
    PutLe16(out, 1);   // planes
    PutLe16(out, 24);  // bits per pixel
    PutLe32(out, 0);   // no compression
    PutLe32(out, pixelBytes);
    PutLe32(out, 2835);  // 72 dpi
    PutLe32(out, 2835);
    PutLe32(out, 0);                    // colours used
    PutLe32(out, 0);                    // colours important
    for (int y = 0; y < height; ++y) {  // bottom row first on disk
        const int row = order == RowOrder::BottomFirst ? y : height - 1 - y;
        const uint8_t* in = rgb.data() + static_cast<size_t>(row) * rowIn;
        for (int x = 0; x < width; ++x) {
            out.push_back(in[x * 3 + 2]);
            out.push_back(in[x * 3 + 1]);
            out.push_back(in[x * 3 + 0]);
        }
        for (size_t pad = rowIn; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

}  // namespace delver
