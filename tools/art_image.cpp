// The art generator's canvas, BMP encoder, hashes, noise and shapes.
#include "art_image.h"

#include <algorithm>

#include "assets/bmp.h"

namespace delver {

namespace {

int Wrap(int v, int n) {
    int m = v % n;
    return m < 0 ? m + n : m;
}

int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Smoothstep on a 0..256 fraction, result 0..256.
int Fade(int t) { return (t * t * (768 - 2 * t)) >> 16; }

int LatticeValue(uint32_t seed, int x, int y) {
    return static_cast<int>(Hash2(seed, x, y) >> 16);  // 0..65535
}

}  // namespace

ArtImage MakeImage(int width, int height, Rgb fill) {
    ArtImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = static_cast<uint8_t>(ClampByte(fill.r));
        image.rgb[i + 1] = static_cast<uint8_t>(ClampByte(fill.g));
        image.rgb[i + 2] = static_cast<uint8_t>(ClampByte(fill.b));
    }
    return image;
}

Rgb GetPixel(const ArtImage& image, int x, int y) {
    x = Wrap(x, image.width);
    y = Wrap(y, image.height);
    const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
    return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

void SetPixel(ArtImage& image, int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
    image.rgb[at] = static_cast<uint8_t>(ClampByte(colour.r));
    image.rgb[at + 1] = static_cast<uint8_t>(ClampByte(colour.g));
    image.rgb[at + 2] = static_cast<uint8_t>(ClampByte(colour.b));
}

void SetPixelWrapped(ArtImage& image, int x, int y, Rgb colour) {
    SetPixel(image, Wrap(x, image.width), Wrap(y, image.height), colour);
}

void BlendPixel(ArtImage& image, int x, int y, Rgb colour, int alpha) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    SetPixel(image, x, y, Mix(GetPixel(image, x, y), colour, alpha));
}

std::vector<uint8_t> EncodeBmp24(const ArtImage& image) {
    return EncodeBmp24(image.rgb, image.width, image.height, RowOrder::TopFirst);
}

Rgb Mix(Rgb a, Rgb b, int t) {
    return {a.r + ((b.r - a.r) * t) / 256, a.g + ((b.g - a.g) * t) / 256, a.b + ((b.b - a.b) * t) / 256};
}

Rgb Scale(Rgb c, int percent) { return Clamp({c.r * percent / 100, c.g * percent / 100, c.b * percent / 100}); }

Rgb Add(Rgb c, int delta) { return Clamp({c.r + delta, c.g + delta, c.b + delta}); }

Rgb Clamp(Rgb c) { return {ClampByte(c.r), ClampByte(c.g), ClampByte(c.b)}; }

Rgb FromHsv(int hue, int saturation, int value) {
    hue = Wrap(hue, 360);
    const int sector = hue / 60;
    const int f = (hue % 60) * 255 / 60;
    const int p = value * (255 - saturation) / 255;
    const int q = value * (255 - saturation * f / 255) / 255;
    const int t = value * (255 - saturation * (255 - f) / 255) / 255;
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

uint32_t HashU32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t Hash2(uint32_t seed, int x, int y) {
    return HashU32(seed ^
                   HashU32(static_cast<uint32_t>(x) * 0x27D4EB2Du ^ HashU32(static_cast<uint32_t>(y) + 0x165667B1u)));
}

uint32_t HashText(const std::string& text) {
    uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

uint32_t ArtRandom::Next() {
    state += 0x6D2B79F5u;
    return HashU32(state);
}

int ArtRandom::Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

int ArtRandom::Range(int lo, int hi) { return lo + Below(hi - lo + 1); }

int ValueNoise(uint32_t seed, int x, int y, int cellSize, int periodCells) {
    const int cx = (x >= 0 ? x : x - cellSize + 1) / cellSize;
    const int cy = (y >= 0 ? y : y - cellSize + 1) / cellSize;
    const int fx = Fade(((x - cx * cellSize) * 256) / cellSize);
    const int fy = Fade(((y - cy * cellSize) * 256) / cellSize);
    auto at = [&](int lx, int ly) {
        if (periodCells > 0) {
            lx = Wrap(lx, periodCells);
            ly = Wrap(ly, periodCells);
        }
        return LatticeValue(seed, lx, ly);
    };
    const int a = at(cx, cy), b = at(cx + 1, cy), c = at(cx, cy + 1), d = at(cx + 1, cy + 1);
    const int top = a + ((b - a) * fx) / 256;
    const int bottom = c + ((d - c) * fx) / 256;
    return top + ((bottom - top) * fy) / 256;
}

int FractalNoise(uint32_t seed, int x, int y, int baseCell, int periodCells, int octaves) {
    int total = 0;
    int weight = 256;
    int weights = 0;
    int cell = baseCell;
    int period = periodCells;
    for (int o = 0; o < octaves && cell >= 1; ++o) {
        total += ValueNoise(seed + static_cast<uint32_t>(o) * 1013u, x, y, cell, period) / 256 * weight;
        weights += weight;
        weight /= 2;
        cell /= 2;
        if (period > 0) period *= 2;
    }
    return weights > 0 ? static_cast<int>((static_cast<int64_t>(total) * 256) / weights) : 0;
}

int ISqrt(int64_t v) {
    if (v <= 0) return 0;
    int64_t r = 0;
    int64_t bit = int64_t{1} << 62;
    while (bit > v) bit >>= 2;
    while (bit != 0) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return static_cast<int>(r);
}

void FillRect(ArtImage& image, int x0, int y0, int x1, int y1, Rgb colour) {
    for (int y = std::max(0, y0); y <= std::min(image.height - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(image.width - 1, x1); ++x) SetPixel(image, x, y, colour);
}

void FillEllipse(ArtImage& image, int cx, int cy, int rx, int ry, Rgb colour) {
    if (rx <= 0 || ry <= 0) return;
    for (int y = cy - ry; y <= cy + ry; ++y) {
        for (int x = cx - rx; x <= cx + rx; ++x) {
            const int64_t dx = x - cx, dy = y - cy;
            if (dx * dx * ry * ry + dy * dy * rx * rx <= int64_t{rx} * rx * ry * ry) SetPixel(image, x, y, colour);
        }
    }
}

void FillTriangle(ArtImage& image, int x0, int y0, int x1, int y1, int x2, int y2, Rgb colour) {
    const int minX = std::min({x0, x1, x2}), maxX = std::max({x0, x1, x2});
    const int minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
    auto edge = [](int ax, int ay, int bx, int by, int px, int py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
            const int e0 = edge(x0, y0, x1, y1, x, y);
            const int e1 = edge(x1, y1, x2, y2, x, y);
            const int e2 = edge(x2, y2, x0, y0, x, y);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) SetPixel(image, x, y, colour);
        }
    }
}

void DrawThickLine(ArtImage& image, int x0, int y0, int x1, int y1, int radius, Rgb colour) {
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t len2 = dx * dx + dy * dy;
    const int r2 = radius * radius;
    for (int y = std::min(y0, y1) - radius; y <= std::max(y0, y1) + radius; ++y) {
        for (int x = std::min(x0, x1) - radius; x <= std::max(x0, x1) + radius; ++x) {
            const int64_t px = x - x0, py = y - y0;
            int64_t t = len2 > 0 ? ((px * dx + py * dy) * 1024) / len2 : 0;
            t = std::clamp<int64_t>(t, 0, 1024);
            const int64_t qx = px * 1024 - t * dx, qy = py * 1024 - t * dy;
            if (qx * qx + qy * qy <= int64_t{r2} * 1024 * 1024 + 512 * 1024) SetPixel(image, x, y, colour);
        }
    }
}

void OutlineShapes(ArtImage& image, Rgb background, Rgb outline) {
    const ArtImage source = image;
    auto isBackground = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= source.width || y >= source.height) return true;
        const Rgb c = GetPixel(source, x, y);
        return c.r == background.r && c.g == background.g && c.b == background.b;
    };
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!isBackground(x, y)) continue;
            if (!isBackground(x - 1, y) || !isBackground(x + 1, y) || !isBackground(x, y - 1) ||
                !isBackground(x, y + 1))
                SetPixel(image, x, y, outline);
        }
    }
}

}  // namespace delver
