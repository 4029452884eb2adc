// The cube textures and the title picture. Each texture is 64 x 64 and
// tiles without seams, since the same picture repeats on every face of the
// walls, floors and the surface. The game magnifies them with nearest
// filtering, so the painters work in clear pixel clusters rather than
// fine gradients.
#include <algorithm>
#include <cmath>
#include <vector>

#include "art_painters.h"

namespace delver {

namespace {

constexpr int TextureSide = 64;

int Noise64(uint32_t seed, int x, int y, int cell, int octaves) {
    return FractalNoise(seed, x, y, cell, TextureSide / cell, octaves);
}

int Fleck(uint32_t seed, int x, int y) { return static_cast<int>(Hash2(seed, x, y) >> 24); }  // 0..255

// Where a pixel lies in a course of stones: which stone, and how far it is
// from each edge of that stone. Courses are `courseHeight` tall; each course
// lists its stone widths (summing to the texture side) and a shift.
struct StoneSpot {
    bool mortar = false;
    int course = 0;
    int stone = 0;
    int fromTop = 0, fromBottom = 0, fromLeft = 0, fromRight = 0;
};

StoneSpot LocateStone(int x, int y, int courseHeight, int mortarWidth, const std::vector<int>& widths, int shift) {
    StoneSpot spot;
    spot.course = y / courseHeight;
    const int yin = y % courseHeight;
    int xs = (x + shift) % TextureSide;
    int start = 0;
    int stone = 0;
    while (stone + 1 < static_cast<int>(widths.size()) && xs >= start + widths[stone]) {
        start += widths[stone];
        ++stone;
    }
    const int xin = xs - start;
    const int w = widths[stone];
    spot.stone = stone;
    spot.mortar = yin >= courseHeight - mortarWidth || xin >= w - mortarWidth;
    spot.fromTop = yin;
    spot.fromBottom = courseHeight - mortarWidth - 1 - yin;
    spot.fromLeft = xin;
    spot.fromRight = w - mortarWidth - 1 - xin;
    return spot;
}

}  // namespace

ArtImage PaintOldBrick() {
    const uint32_t seed = 0xB0C0A002u;
    const int courseHeight = 16, brickWidth = 32, mortarWidth = 2;
    const std::vector<int> widths = {brickWidth, brickWidth};
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y) {
        for (int x = 0; x < TextureSide; ++x) {
            const int course = y / courseHeight;
            const StoneSpot spot =
                LocateStone(x, y, courseHeight, mortarWidth, widths, (course % 2) ? brickWidth / 2 : 0);
            const int grain = Noise64(seed, x, y, 16, 4) - 32768;
            const int fine = Fleck(seed + 7, x, y) - 128;
            Rgb c;
            if (spot.mortar) {
                c = Add({150, 140, 124}, grain / 2400 + fine / 14);
                // The mortar right under a brick lies in its shadow.
                if (spot.fromBottom == -1) c = Add(c, -22);
            } else {
                const uint32_t h = Hash2(seed + 1, spot.course, spot.stone);
                int value = 120 + static_cast<int>((h >> 16) % 46);
                if ((h >> 24) % 5 == 0) value -= 34;  // an over-burnt brick
                c = FromHsv(6 + static_cast<int>(h % 14), 135 + static_cast<int>((h >> 8) % 60), value);
                const int stain = Noise64(seed + 2, x, y, 32, 3);
                c = Scale(c, 80 + stain * 36 / 65536);
                c = Add(c, fine / 11 + grain / 3000);
                if (spot.fromTop == 0)
                    c = Add(c, 24);
                else if (spot.fromTop == 1)
                    c = Add(c, 9);
                if (spot.fromBottom == 0) c = Add(c, -28);
                if (spot.fromLeft == 0) c = Add(c, 12);
                if (spot.fromRight == 0) c = Add(c, -18);
                // Worn, chipped edges show the mortar bed behind them.
                const int edge = std::min({spot.fromTop, spot.fromBottom, spot.fromLeft, spot.fromRight});
                const int wear = Noise64(seed + 3, x, y, 8, 2);
                if (edge <= 1 && wear > 46000) c = Add({118, 108, 96}, fine / 16);
                if (Fleck(seed + 4, x, y) < 7) c = Scale(c, 68);  // pits
            }
            SetPixel(image, x, y, c);
        }
    }
    return image;
}

ArtImage PaintMossyBrick() {
    const uint32_t seed = 0xB0C0A003u;
    const int courseHeight = 16, mortarWidth = 2;
    const std::vector<std::vector<int>> layouts = {{24, 16, 24}, {16, 32, 16}, {32, 32}, {20, 24, 20}};
    const int shifts[4] = {0, 8, 16, 4};
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y) {
        for (int x = 0; x < TextureSide; ++x) {
            const int course = y / courseHeight;
            const StoneSpot spot = LocateStone(x, y, courseHeight, mortarWidth, layouts[course], shifts[course]);
            const int grain = Noise64(seed, x, y, 8, 3) - 32768;
            const int fine = Fleck(seed + 7, x, y) - 128;
            Rgb c;
            int mossBias;
            if (spot.mortar) {
                c = Add({58, 55, 48}, fine / 18);
                mossBias = 6000;
            } else {
                const uint32_t h = Hash2(seed + 1, spot.course, spot.stone);
                c = FromHsv(24 + static_cast<int>(h % 16), 40 + static_cast<int>((h >> 8) % 45),
                            98 + static_cast<int>((h >> 16) % 36));
                c = Add(c, grain / 1900 + fine / 9);
                if (spot.fromTop == 0) c = Add(c, 14);
                if (spot.fromBottom == 0) c = Add(c, -20);
                if (spot.fromRight == 0) c = Add(c, -10);
                if (Fleck(seed + 4, x, y) < 18) c = Scale(c, 72);  // weathered pits
                // Moss gathers along the joints and on the lower half of a stone.
                const int edge = std::min({spot.fromTop, spot.fromBottom, spot.fromLeft, spot.fromRight});
                mossBias = (edge <= 1 ? 4000 : 0) + spot.fromTop * 250 - 2500;
            }
            const int moss = Noise64(seed + 5, x, y, 16, 3) + mossBias;
            if (moss > 45000) {
                const int strength = std::min(256, (moss - 45000) / 30 + 150);
                const Rgb green = FromHsv(78 + (Fleck(seed + 8, x, y) % 30), 150, 80 + Fleck(seed + 9, x, y) % 55);
                c = Mix(c, green, strength);
            }
            SetPixel(image, x, y, c);
        }
    }
    // Cracks: short wandering dark lines across a few stones.
    ArtRandom random(seed + 11);
    for (int crack = 0; crack < 7; ++crack) {
        int x = random.Below(TextureSide), y = random.Below(TextureSide);
        const int steps = random.Range(5, 12);
        const int dx = random.Below(2) ? 1 : -1;
        for (int s = 0; s < steps; ++s) {
            const Rgb old = GetPixel(image, x, y);
            SetPixelWrapped(image, x, y, Scale(old, 45));
            SetPixelWrapped(image, x + 1, y, Scale(GetPixel(image, x + 1, y), 85));
            if (random.Below(3) == 0)
                x += dx;
            else
                ++y;
        }
    }
    return image;
}

ArtImage PaintGrass() {
    const uint32_t seed = 0x62A55003u;
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            const int n = Noise64(seed, x, y, 16, 3);
            SetPixel(image, x, y, FromHsv(88 + n / 4000, 190, 58 + n / 1600 + Fleck(seed + 1, x, y) / 24));
        }
    ArtRandom random(seed + 2);
    for (int blade = 0; blade < 1100; ++blade) {
        const int x = random.Below(TextureSide), y = random.Below(TextureSide);
        const int length = random.Range(3, 7);
        const int lean = random.Range(-2, 2);
        const int hue = random.Range(74, 112);
        const int light = random.Range(0, 30);
        for (int k = 0; k < length; ++k) {
            const Rgb c = FromHsv(hue, 200 - k * 10, 72 + light + k * 96 / length);
            SetPixelWrapped(image, x + (lean * k) / 4, y - k, c);
        }
    }
    // A few pale flower heads.
    for (int flower = 0; flower < 5; ++flower) {
        const int x = random.Below(TextureSide), y = random.Below(TextureSide);
        const Rgb c = flower % 2 ? Rgb{235, 225, 120} : Rgb{230, 230, 215};
        SetPixelWrapped(image, x, y, c);
        SetPixelWrapped(image, x + 1, y, Scale(c, 85));
    }
    return image;
}

ArtImage PaintDirt() {
    const uint32_t seed = 0xD127D001u;
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            const int patches = Noise64(seed, x, y, 32, 3);
            const int clumps = Noise64(seed + 1, x, y, 8, 2);
            Rgb c = FromHsv(24 + patches / 8000, 130 + clumps / 1000, 80 + patches / 900);
            c = Add(c, (Fleck(seed + 2, x, y) - 128) / 8 + (clumps - 32768) / 1800);
            if (Fleck(seed + 3, x, y) < 14) c = Scale(c, 62);  // dark grains
            SetPixel(image, x, y, c);
        }
    ArtRandom random(seed + 4);
    // Darker clods of moist earth.
    for (int clod = 0; clod < 22; ++clod) {
        const int cx = random.Below(TextureSide), cy = random.Below(TextureSide);
        const int size = random.Range(1, 2);
        for (int y = 0; y <= size; ++y)
            for (int x = 0; x <= size + 1; ++x)
                if (random.Below(4) != 0)
                    SetPixelWrapped(image, cx + x, cy + y, Scale(GetPixel(image, cx + x, cy + y), 78));
    }
    // Pebbles, each with a shadow below right and lit from the upper left.
    auto inside = [](int x, int y, int rx, int ry) {
        const int w = 2 * rx + 1, h = 2 * ry + 1;
        return 4 * x * x * h * h + 4 * y * y * w * w <= w * w * h * h;
    };
    for (int pebble = 0; pebble < 15; ++pebble) {
        const int cx = random.Below(TextureSide), cy = random.Below(TextureSide);
        const int rx = random.Range(1, 3), ry = random.Range(1, 2);
        // One draw per statement: the order of function arguments is not fixed.
        const int hue = random.Range(20, 40);
        const int saturation = random.Range(25, 70);
        const Rgb stone = FromHsv(hue, saturation, random.Range(130, 175));
        for (int y = -ry; y <= ry + 1; ++y)
            for (int x = -rx; x <= rx + 1; ++x)
                if (inside(x - 1, y - 1, rx, ry))
                    SetPixelWrapped(image, cx + x, cy + y, Scale(GetPixel(image, cx + x, cy + y), 66));
        for (int y = -ry; y <= ry; ++y)
            for (int x = -rx; x <= rx; ++x) {
                if (!inside(x, y, rx, ry)) continue;
                Rgb c = stone;
                if (x + y < -1 || (x + y < 0 && rx + ry <= 2)) c = Add(c, 24);
                if (x + y > 1) c = Add(c, -24);
                SetPixelWrapped(image, cx + x, cy + y, c);
            }
    }
    return image;
}

ArtImage PaintStone() {
    const uint32_t seed = 0xD5C30003u;
    // One cobble per 16-pixel cell, its centre jittered, distances measured
    // across the wrapped edges so the texture tiles.
    struct Centre {
        int x, y;
        Rgb colour;
    };
    std::vector<Centre> centres;
    for (int cy = 0; cy < 4; ++cy)
        for (int cx = 0; cx < 4; ++cx) {
            const uint32_t h = Hash2(seed, cx, cy);
            const int shade = 118 + static_cast<int>((h >> 16) % 50);
            const Rgb colour = FromHsv(static_cast<int>(h % 2) ? 30 : 210, 14 + static_cast<int>((h >> 8) % 22), shade);
            centres.push_back(
                {cx * 16 + 3 + static_cast<int>(h % 10), cy * 16 + 3 + static_cast<int>((h >> 4) % 10), colour});
        }
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            double d1 = 1e9, d2 = 1e9;
            int nearest = 0, ndx = 0, ndy = 0;
            for (int i = 0; i < static_cast<int>(centres.size()); ++i) {
                int dx = x - centres[i].x, dy = y - centres[i].y;
                if (dx > 32) dx -= 64;
                if (dx < -32) dx += 64;
                if (dy > 32) dy -= 64;
                if (dy < -32) dy += 64;
                const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
                if (d < d1) {
                    d2 = d1;
                    d1 = d;
                    nearest = i;
                    ndx = dx;
                    ndy = dy;
                } else if (d < d2) {
                    d2 = d;
                }
            }
            const double gap = d2 - d1;
            const int grain = (Fleck(seed + 1, x, y) - 128) / 9 + (Noise64(seed + 2, x, y, 8, 3) - 32768) / 2500;
            Rgb c;
            if (gap < 1.6) {
                c = Add({52, 50, 47}, grain / 2);
            } else {
                c = centres[nearest].colour;
                // Rounded top: lit from the upper left, darker towards the joints.
                c = Add(c, -(ndx + ndy) * 2);
                if (gap < 4.0) c = Add(c, -static_cast<int>((4.0 - gap) * 9.0));
                c = Add(c, grain);
                if (Fleck(seed + 3, x, y) < 10) c = Add(c, 30);  // bright flecks
            }
            SetPixel(image, x, y, c);
        }
    return image;
}

ArtImage PaintGlowOrb() {
    const uint32_t seed = 0x0A8B0001u;
    const double radius = 17.0, glowReach = 14.0;
    const Rgb glow = {255, 176, 48};
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            const double dx = x + 0.5 - 32.0, dy = y + 0.5 - 32.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            Rgb c = Add({20, 10, 38}, (Noise64(seed, x, y, 16, 2) - 32768) / 4000);
            if (Fleck(seed + 1, x, y) < 3) c = {150, 140, 190};  // faint sparks
            if (r > radius) {
                double g = 1.0 - (r - radius) / glowReach;
                if (g > 0) {
                    g = g * g;
                    c = Mix(c, glow, static_cast<int>(g * 230.0));
                }
            } else {
                // Lit from a spot up and to the left of the centre.
                const double hx = dx + 6.0, hy = dy + 6.0;
                const double t = std::min(1.0, std::sqrt(hx * hx + hy * hy) / (radius + 6.0));
                const Rgb core = {255, 250, 222}, middle = {255, 198, 70}, rim = {214, 96, 18};
                c = t < 0.5 ? Mix(core, middle, static_cast<int>(t * 512.0))
                            : Mix(middle, rim, static_cast<int>((t - 0.5) * 512.0));
                c = Add(c, (Noise64(seed + 2, x, y, 8, 3) - 32768) / 3000);
                if (r > radius - 1.2) c = Mix(c, glow, 160);  // bright edge
            }
            SetPixel(image, x, y, c);
        }
    // A small bright glint.
    FillEllipse(image, 25, 25, 2, 2, {255, 255, 245});
    return image;
}

ArtImage PaintBladeTexture() {
    const uint32_t seed = 0x3B1ADE05u;
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    // Dark blue woven cloth.
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            Rgb c = FromHsv(224, 130, 56 + (Noise64(seed, x, y, 16, 2) - 32768) / 3000);
            c = Add(c, ((x + y) % 2 ? 5 : -5) + (Fleck(seed + 1, x, y) - 128) / 40);
            SetPixel(image, x, y, c);
        }
    // The weapon lies along the diagonal, hilt at the lower left.
    const double ax = 7.0, ay = 57.0, bx = 58.0, by = 6.0;
    const double length = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
    const double ux = (bx - ax) / length, uy = (by - ay) / length;
    std::vector<int> part(TextureSide * TextureSide, 0);  // 0 cloth, 1 blade, 2 gold, 3 grip
    std::vector<Rgb> colour(TextureSide * TextureSide);
    const double guardAt = 16.0, bladeStart = 19.5, tipAt = length - 1.0;
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            const double px = x + 0.5 - ax, py = y + 0.5 - ay;
            const double u = px * ux + py * uy;  // along the weapon
            const double v = px * uy - py * ux;  // across it; positive is the cutting edge
            const int at = y * TextureSide + x;
            const double pu = u - 3.0;
            if (pu * pu + v * v <= 3.4 * 3.4) {  // pommel
                part[at] = 2;
                colour[at] = Add({222, 178, 60}, static_cast<int>((-pu - v) * 9.0));
            } else if (u >= 5.0 && u < guardAt && v >= -2.2 && v <= 2.2) {  // leather grip
                part[at] = 3;
                const int wrap = static_cast<int>(u * 1.4) % 3;
                colour[at] = Add({112, 62, 30}, (wrap == 0 ? -30 : 0) + static_cast<int>(-v * 8.0));
            } else if (u >= guardAt && u < bladeStart && v >= -8.0 && v <= 8.0) {  // cross guard
                part[at] = 2;
                colour[at] = Add({205, 160, 52}, u < guardAt + 1.0 ? 34 : (u > bladeStart - 1.0 ? -36 : 0));
            } else if (u >= bladeStart && u <= tipAt) {
                const double t = (u - bladeStart) / (tipAt - bladeStart);
                const double t3 = t * t * t;
                const double back = -2.8 * (1.0 - t3);
                const double edge = (2.8 + 9.0 * t * (1.0 - t)) * (1.0 - t3 * t3);
                if (v >= back && v <= edge) {
                    part[at] = 1;
                    Rgb c = Mix({150, 158, 172}, {204, 210, 222},
                                static_cast<int>(std::min(1.0, (v - back) / 6.0) * 256.0));
                    if (edge - v < 1.5)
                        c = {238, 242, 250};  // honed edge
                    else if (v - back < 1.0)
                        c = {128, 134, 148};  // thick back
                    else if (t < 0.72 && v > -0.9 && v < 0.5)
                        c = {98, 106, 122};  // fuller groove
                    colour[at] = Add(c, (Fleck(seed + 2, x, y) - 128) / 40);
                }
            }
        }
    // A soft shadow on the cloth, a dark outline, then the weapon itself.
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            if (part[y * TextureSide + x] != 0) continue;
            bool near = false, shadow = false;
            for (int oy = -1; oy <= 1; ++oy)
                for (int ox = -1; ox <= 1; ++ox) {
                    const int nx = x + ox, ny = y + oy;
                    if (nx >= 0 && ny >= 0 && nx < TextureSide && ny < TextureSide && part[ny * TextureSide + nx] != 0)
                        near = true;
                }
            if (x >= 2 && y >= 2 && part[(y - 2) * TextureSide + (x - 2)] != 0) shadow = true;
            if (near)
                SetPixel(image, x, y, {14, 14, 22});
            else if (shadow)
                SetPixel(image, x, y, Scale(GetPixel(image, x, y), 55));
        }
    for (int i = 0; i < TextureSide * TextureSide; ++i)
        if (part[i] != 0) SetPixel(image, i % TextureSide, i / TextureSide, colour[i]);
    return image;
}

ArtImage PaintGoldCoins() {
    const uint32_t seed = 0x601DC014u;
    ArtImage image = MakeImage(TextureSide, TextureSide, {0, 0, 0});
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x)
            SetPixel(image, x, y, Add({48, 32, 22}, (Noise64(seed, x, y, 16, 3) - 32768) / 2500));
    // Coins from the back of the heap to the front, the heap highest in the middle.
    ArtRandom random(seed + 1);
    struct Coin {
        int x, y;
    };
    std::vector<Coin> coins;
    for (int i = 0; i < 26; ++i) {
        const int x = random.Range(10, 54);
        const int rise = 22 - std::abs(x - 32) * 2 / 3;
        coins.push_back({x, 54 - random.Below(std::max(4, rise))});
    }
    std::stable_sort(coins.begin(), coins.end(), [](const Coin& a, const Coin& b) { return a.y < b.y; });
    for (const Coin& coin : coins) {
        FillEllipse(image, coin.x, coin.y + 1, 7, 4, {120, 80, 20});
        FillEllipse(image, coin.x, coin.y, 7, 4, {178, 126, 34});
        FillEllipse(image, coin.x, coin.y - 1, 6, 3, {236, 190, 64});
        FillEllipse(image, coin.x - 2, coin.y - 2, 2, 1, {255, 238, 150});
    }
    return image;
}

namespace {

// The title's letters, 5 x 7 each, '#' for ink.
const char* TitleGlyph(char letter) {
    switch (letter) {
    case 'D': return "####.#...##...##...##...##...#####.";
    case 'E': return "######....#....####.#....#....#####";
    case 'L': return "#....#....#....#....#....#....#####";
    case 'V': return "#...##...##...##...##...#.#.#...#..";
    case 'R': return "####.#...##...#####.#.#..#..#.#...#";
    default: return "...................................";
    }
}

void DrawTitleText(ArtImage& image, const char* text, int left, int top, int scale) {
    for (int pass = 0; pass < 2; ++pass) {  // shadow, then letters
        int x0 = left + (pass == 0 ? 3 : 0);
        const int y0 = top + (pass == 0 ? 3 : 0);
        for (const char* p = text; *p; ++p, x0 += 6 * scale) {
            const char* glyph = TitleGlyph(*p);
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx) {
                    if (glyph[gy * 5 + gx] != '#') continue;
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx) {
                            const int y = gy * scale + sy;
                            Rgb c = pass == 0 ? Rgb{10, 6, 16}
                                              : Mix({255, 236, 130}, {200, 110, 20}, y * 256 / (7 * scale));
                            if (pass == 1 && (sx == 0 || sy == 0)) c = Add(c, 25);
                            SetPixel(image, x0 + gx * scale + sx, y0 + y, c);
                        }
                }
        }
    }
}

}  // namespace

ArtImage PaintTitleScreen() {
    const uint32_t seed = 0x1A7E0001u;
    const int width = 320, height = 240, horizon = 150;
    ArtImage image = MakeImage(width, height, {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgb c = Mix({8, 8, 30}, {70, 44, 86}, std::min(256, y * 256 / horizon));
            if (y < horizon && Fleck(seed, x, y) < 2) c = {220, 220, 240};  // stars
            SetPixel(image, x, y, c);
        }
    FillEllipse(image, 292, 96, 12, 12, {232, 228, 200});
    FillEllipse(image, 297, 92, 10, 10, Mix({8, 8, 30}, {70, 44, 86}, 92 * 256 / horizon));
    // Two mountain ridges and the meadow in front of them.
    for (int x = 0; x < width; ++x) {
        const int far = horizon - 40 - ValueNoise(seed + 1, x, 0, 40, 0) / 900;
        const int near = horizon + 10 - ValueNoise(seed + 2, x, 0, 28, 0) / 1100;
        for (int y = std::max(0, far); y < height; ++y) SetPixel(image, x, y, Add({62, 60, 90}, -(y - far) / 3));
        for (int y = std::max(0, near); y < height; ++y)
            SetPixel(image, x, y, Add({44, 40, 48}, (Fleck(seed + 3, x, y) - 128) / 14 - (y - near) / 6));
        for (int y = 196; y < height; ++y)
            SetPixel(image, x, y, FromHsv(100, 170, 52 + (Fleck(seed + 4, x, y) % 30) - (y - 196) / 3));
    }
    // The dungeon gate: a stone arch with a black mouth and two torches.
    const int gx = 160, gateTop = 140, gateBottom = 205;
    for (int y = gateTop - 22; y <= gateBottom; ++y)
        for (int x = gx - 42; x <= gx + 42; ++x) {
            const int dx = x - gx, dy = y - (gateTop + 10);
            const bool outer = y >= gateTop + 10 ? std::abs(dx) <= 42 : dx * dx + dy * dy <= 42 * 42;
            const bool inner = y >= gateTop + 10 ? std::abs(dx) <= 26 : dx * dx + dy * dy <= 26 * 26;
            if (!outer) continue;
            if (inner) {
                SetPixel(image, x, y, Mix({4, 2, 6}, {24, 14, 10}, std::max(0, y - gateTop) * 2));
            } else {
                const bool joint = (y % 8 == 0) || ((x + (y / 8 % 2) * 6) % 12 == 0);
                SetPixel(image, x, y,
                         joint ? Rgb{40, 36, 40} : Add({104, 98, 104}, (Fleck(seed + 5, x, y) - 128) / 12));
            }
        }
    for (int side = -1; side <= 1; side += 2) {
        const int tx = gx + side * 54, ty = 160;
        for (int y = ty - 30; y <= ty + 30; ++y)
            for (int x = tx - 30; x <= tx + 30; ++x) {
                const int d2 = (x - tx) * (x - tx) + (y - ty) * (y - ty);
                if (d2 < 900) BlendPixel(image, x, y, {255, 150, 40}, (900 - d2) * 120 / 900);
            }
        FillRect(image, tx - 1, ty, tx + 1, ty + 14, {90, 60, 30});
        FillEllipse(image, tx, ty - 3, 3, 5, {255, 190, 60});
        FillEllipse(image, tx, ty - 2, 1, 3, {255, 250, 200});
    }
    DrawTitleText(image, "DELVER", (width - (6 * 6 * 7 - 7)) / 2, 22, 7);
    return image;
}

}  // namespace delver
