// The game's icon for desktop menus: an arched doorway in an old brick wall
// with a glowing objective inside, on a rounded square; and the PNG file it
// is stored in (desktop menus take PNG, not BMP).
#include <algorithm>
#include <array>
#include <cmath>

#include "art_painters.h"

namespace delver {

namespace {

// Is the point (u, v), in fractions of the icon's side, inside the doorway:
// a round arch over straight jambs.
bool InDoorway(double u, double v) {
    const double halfWidth = 0.26, springLine = 0.46, sill = 0.90;
    const double du = u - 0.5, dv = v - springLine;
    if (v >= springLine && v <= sill && du >= -halfWidth && du <= halfWidth) return true;
    return v < springLine && du * du + dv * dv <= halfWidth * halfWidth;
}

// Coverage, 0..255, of the pixel (x, y) by the rounded square, from 4 x 4
// samples, so the corners are smooth.
int RoundedSquareCoverage(int x, int y, int side) {
    const double radius = side * 0.16;
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4.0, py = y + (sy + 0.5) / 4.0;
            const double cx = px < radius ? radius : (px > side - radius ? side - radius : px);
            const double cy = py < radius ? radius : (py > side - radius ? side - radius : py);
            const double dx = px - cx, dy = py - cy;
            if (dx * dx + dy * dy <= radius * radius) ++inside;
        }
    return inside * 255 / 16;
}

// Samples a 64 x 64 texture for the icon pixel (x, y): the texture covers
// `span` of the icon's side, starting at `origin` (both in fractions).
Rgb Sample(const ArtImage& texture, int x, int y, int side, double originU, double originV, double span) {
    const double u = (x + 0.5) / side, v = (y + 0.5) / side;
    const int tx = static_cast<int>(std::floor((u - originU) / span * texture.width));
    const int ty = static_cast<int>(std::floor((v - originV) / span * texture.height));
    return GetPixel(texture, tx, ty);
}

}  // namespace

ArtImage PaintIcon(int side, std::vector<uint8_t>* alpha) {
    const ArtImage brick = PaintOldBrick();
    const ArtImage orb = PaintGlowOrb();
    ArtImage image = MakeImage(side, side, {0, 0, 0});
    if (alpha) alpha->assign(static_cast<size_t>(side) * side, 0);
    const double frame = 0.055;  // the doorway's stone frame, in fractions
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double u = (x + 0.5) / side, v = (y + 0.5) / side;
            Rgb c;
            if (InDoorway(u, v)) {
                // The orb's own dark ground fills the doorway; deeper at the top.
                c = Sample(orb, x, y, side, 0.5 - 0.30, 0.63 - 0.30, 0.60);
                if (v < 0.36) c = Scale(c, 70 + static_cast<int>(v * 80));
            } else if (InDoorway(0.5 + (u - 0.5) * (0.26 / (0.26 + frame)), v + frame * 0.5) ||
                       InDoorway(u, v - frame)) {
                // Dressed pale stone around the opening, lit from above.
                c = Add({178, 166, 142}, (v < 0.5 ? 14 : -6) + static_cast<int>(Hash2(7u, x, y) >> 28) - 8);
            } else {
                // Two courses of brick to every 0.36 of the side.
                c = Sample(brick, x, y, side, 0.0, 0.0, 0.72);
                c = Scale(c, 100 - static_cast<int>(v * 24));  // a little darker below
            }
            const int cover = RoundedSquareCoverage(x, y, side);
            // A dark rim just inside the edge gives the square its outline.
            const int edge = std::min(std::min(x, y), std::min(side - 1 - x, side - 1 - y));
            if (edge < std::max(1, side / 48) || cover < 255) c = Mix(c, {24, 16, 12}, 200);
            SetPixel(image, x, y, c);
            if (alpha) (*alpha)[static_cast<size_t>(y) * side + x] = static_cast<uint8_t>(cover);
        }
    return image;
}

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePngRgba(const ArtImage& image, const std::vector<uint8_t>& alpha) {
    // The filtered rows: filter type 0, then red, green, blue, alpha.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + image.width * 4));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const size_t i = (static_cast<size_t>(y) * image.width + x);
            raw.insert(raw.end(), {image.rgb[i * 3], image.rgb[i * 3 + 1], image.rgb[i * 3 + 2],
                                   i < alpha.size() ? alpha[i] : uint8_t{255}});
        }
    }
    // A zlib stream of stored (uncompressed) blocks: the icons are small,
    // and this needs no compressor.
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.insert(z.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n),
                           static_cast<uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    PutU32(z, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(image.width));
    PutU32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, not interlaced
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace delver
