// Map tiles, dungeon furnishings, buildings, the crosshair and the fallback
// emblem, and PaintCatalogueImage, which picks the painter for a file.
// Land tiles fill their whole square with terrain; dungeon pieces stand on
// a flagstone floor; buildings stand on a meadow.
#include <algorithm>
#include <cstdlib>

#include "art_painters.h"

namespace delver {

namespace {

constexpr int TileSide = 32;

bool Has(const std::string& name, const char* word) { return name.find(word) != std::string::npos; }

int Fleck(uint32_t seed, int x, int y) { return static_cast<int>(Hash2(seed, x, y) >> 24); }

// A ground of one hue whose brightness wanders with noise.
ArtImage NoisyGround(uint32_t seed, int hue, int saturation, int value, int spread) {
    ArtImage image = MakeImage(TileSide, TileSide, {0, 0, 0});
    for (int y = 0; y < TileSide; ++y)
        for (int x = 0; x < TileSide; ++x) {
            const int n = FractalNoise(seed, x, y, 16, 2, 3) - 32768;
            SetPixel(image, x, y,
                     Add(FromHsv(hue, saturation, value), n * spread / 32768 + (Fleck(seed + 1, x, y) - 128) / 24));
        }
    return image;
}

void Tree(ArtImage& image, int x, int y, Rgb leaves, bool pine) {
    FillRect(image, x - 1, y + 2, x, y + 5, {90, 60, 30});
    if (pine) {
        FillTriangle(image, x, y - 7, x - 4, y + 3, x + 4, y + 3, leaves);
        for (int i = -2; i <= 0; ++i) SetPixel(image, x + i, y - 3 - i, Add(leaves, 30));
    } else {
        FillEllipse(image, x, y - 1, 4, 4, leaves);
        FillEllipse(image, x - 1, y - 2, 2, 2, Add(leaves, 28));
    }
}

void House(ArtImage& image, int x, int y, Rgb roof) {
    FillRect(image, x - 4, y - 3, x + 4, y + 3, {196, 176, 140});
    FillTriangle(image, x - 6, y - 3, x, y - 9, x + 6, y - 3, roof);
    FillRect(image, x - 1, y, x + 1, y + 3, {90, 60, 30});
}

void Mountain(ArtImage& image, int x, int base, int height, bool snow) {
    FillTriangle(image, x - height, base, x, base - height, x + height, base, {122, 114, 106});
    FillTriangle(image, x, base - height, x + height, base, x + 2, base, {92, 86, 80});
    if (snow)
        FillTriangle(image, x - height / 3, base - height * 2 / 3, x, base - height, x + height / 3,
                     base - height * 2 / 3, {240, 242, 250});
}

void Flagstones(ArtImage& image, uint32_t seed, int value) {
    for (int y = 0; y < TileSide; ++y)
        for (int x = 0; x < TileSide; ++x) {
            const int sx = (x + ((y / 8) % 2) * 6) % 12, sy = y % 8;
            Rgb c =
                Add(FromHsv(30, 20, value + static_cast<int>(Hash2(seed, (x + ((y / 8) % 2) * 6) / 12, y / 8) % 18)),
                    (Fleck(seed + 2, x, y) - 128) / 18);
            if (sx == 0 || sy == 0) c = Scale(c, 55);
            SetPixel(image, x, y, c);
        }
}

Rgb SourceColour(const std::string& name) {
    if (Has(name, "red")) return {210, 40, 50};
    if (Has(name, "green")) return {50, 190, 80};
    if (Has(name, "blue")) return {50, 80, 230};
    if (Has(name, "yellow")) return {240, 210, 40};
    if (Has(name, "brown")) return {130, 82, 40};
    return {70, 200, 220};
}

void Flame(ArtImage& image, int x, int y, int size) {
    FillEllipse(image, x, y, size, size + 1, {250, 120, 20});
    FillTriangle(image, x - size, y, x, y - size * 3, x + size, y, {250, 120, 20});
    FillEllipse(image, x, y + 1, std::max(1, size / 2), size / 2 + 1, {255, 236, 140});
}

}  // namespace

ArtImage PaintLandTile(const std::string& name) {
    const uint32_t seed = HashText(name);
    ArtRandom random(seed);
    if (Has(name, "water")) {
        const bool deep = Has(name, "deep");
        ArtImage image = NoisyGround(seed, deep ? 222 : 205, 200, deep ? 110 : 170, 18);
        for (int wave = 0; wave < 7; ++wave) {
            const int x = random.Below(TileSide - 6), y = random.Below(TileSide);
            for (int i = 0; i < 6; ++i)
                SetPixel(image, x + i, y - (i == 2 || i == 3), deep ? Rgb{80, 110, 190} : Rgb{200, 230, 255});
        }
        return image;
    }
    if (Has(name, "desert")) {
        ArtImage image = NoisyGround(seed, 44, 120, 215, 14);
        for (int dune = 0; dune < 5; ++dune) {
            const int y = 4 + dune * 6 + random.Below(3);
            for (int x = 0; x < TileSide; ++x) SetPixel(image, x, y + ((x / 5) % 2), {176, 142, 84});
        }
        return image;
    }
    if (Has(name, "swamp")) {
        ArtImage image = NoisyGround(seed, 70, 120, 100, 22);
        for (int pool = 0; pool < 4; ++pool) {
            const int x = random.Range(5, 26), y = random.Range(5, 26);
            const int rx = random.Range(2, 4), ry = random.Range(1, 2);
            FillEllipse(image, x, y, rx, ry, {52, 70, 60});
        }
        for (int reed = 0; reed < 8; ++reed) {
            const int x = random.Below(TileSide), y = random.Range(4, 30);
            FillRect(image, x, y - 3, x, y, {120, 140, 60});
        }
        return image;
    }
    if (Has(name, "grottus") || Has(name, "mine")) {
        ArtImage image = NoisyGround(seed, 30, 50, Has(name, "mine") ? 120 : 100, 24);
        FillEllipse(image, 16, 20, 9, 8, {60, 52, 44});
        FillEllipse(image, 16, 22, 6, 6, {8, 6, 6});
        FillRect(image, 9, 28, 23, 31, GetPixel(image, 0, 31));
        if (Has(name, "mine")) {
            FillRect(image, 9, 15, 10, 28, {120, 80, 36});
            FillRect(image, 22, 15, 23, 28, {120, 80, 36});
            FillRect(image, 9, 14, 23, 15, {120, 80, 36});
        }
        if (Has(name, "iron"))
            for (int ore = 0; ore < 9; ++ore) {
                const int x = random.Below(TileSide), y = random.Below(12);
                SetPixel(image, x, y, {170, 186, 210});
            }
        return image;
    }
    if (Has(name, "mountain")) {
        const bool high = Has(name, "high");
        ArtImage image = NoisyGround(seed, 60, 80, 110, 18);
        Mountain(image, 10, 28, high ? 12 : 9, high);
        Mountain(image, 21, 30, high ? 15 : 11, high);
        return image;
    }
    // Everything else stands on a meadow.
    ArtImage image =
        NoisyGround(seed, Has(name, "forest_gray") ? 80 : 96, Has(name, "forest_gray") ? 60 : 170, 140, 20);
    if (Has(name, "forest")) {
        Rgb leaves = {40, 120, 40};
        if (Has(name, "gray")) leaves = {96, 116, 96};
        if (Has(name, "leaf")) leaves = {120, 170, 50};
        if (Has(name, "_c")) leaves = {30, 96, 60};
        const bool pines = Has(name, "_b");
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                const int x = 5 + col * 11 + random.Below(3), y = 7 + row * 10 + random.Below(3);
                Tree(image, x, y, Add(leaves, random.Range(-12, 12)),
                     pines || (Has(name, "_c") && (row + col) % 2 == 0));
                if (Has(name, "fruit")) SetPixel(image, x + 1, y - 1, {220, 30, 30});
            }
    } else if (Has(name, "hills")) {
        for (int hill = 0; hill < 3; ++hill) {
            const int x = 7 + hill * 9, y = 12 + (hill % 2) * 10;
            FillEllipse(image, x, y, 7, 5, {90, 140, 60});
            FillEllipse(image, x - 1, y - 2, 5, 2, {130, 180, 80});
        }
    } else if (Has(name, "road")) {
        FillRect(image, 0, 12, 31, 19, {150, 116, 76});
        for (int x = 0; x < TileSide; x += 3) SetPixel(image, x, 15 + (x % 2), {120, 90, 56});
    } else if (Has(name, "village")) {
        Rgb roof = {150, 70, 40};
        if (Has(name, "yellow")) roof = {220, 190, 40};
        if (Has(name, "blue")) roof = {50, 80, 200};
        if (Has(name, "green")) roof = {40, 150, 60};
        if (Has(name, "red")) roof = {200, 30, 30};
        House(image, 9, 12, roof);
        House(image, 22, 14, roof);
        House(image, 15, 25, roof);
    } else if (Has(name, "ruin")) {
        FillRect(image, 5, 10, 8, 24, {130, 126, 120});
        FillRect(image, 5, 21, 24, 24, {130, 126, 120});
        FillRect(image, 20, 14, 23, 21, {130, 126, 120});
        FillRect(image, 12, 6, 14, 9, {110, 106, 100});
    } else if (Has(name, "castle")) {
        FillRect(image, 6, 12, 25, 27, {150, 146, 140});
        for (int x = 6; x <= 24; x += 4) FillRect(image, x, 10, x + 1, 11, {150, 146, 140});
        FillRect(image, 4, 6, 9, 27, {130, 126, 122});
        FillRect(image, 22, 6, 27, 27, {130, 126, 122});
        FillRect(image, 14, 20, 17, 27, {50, 36, 24});
        FillRect(image, 6, 2, 6, 5, {60, 40, 30});
        FillRect(image, 7, 2, 9, 3, {200, 30, 30});
    } else if (Has(name, "well")) {
        FillEllipse(image, 16, 18, 9, 7, {140, 136, 130});
        FillEllipse(image, 16, 18, 6, 4, {40, 80, 160});
        FillRect(image, 6, 6, 7, 18, {110, 74, 40});
        FillRect(image, 25, 6, 26, 18, {110, 74, 40});
        FillTriangle(image, 4, 7, 16, 1, 28, 7, {150, 60, 40});
    } else if (!Has(name, "plain")) {
        return PaintEmblem(name, TileSide);
    } else {
        for (int flower = 0; flower < 6; ++flower) {
            const int x = random.Below(TileSide), y = random.Below(TileSide);
            SetPixel(image, x, y, flower % 2 ? Rgb{240, 230, 90} : Rgb{240, 240, 240});
        }
    }
    return image;
}

ArtImage PaintDungeonPiece(const std::string& name) {
    const uint32_t seed = HashText(name);
    ArtImage image = MakeImage(TileSide, TileSide, {0, 0, 0});
    if (name == "wall") {
        for (int y = 0; y < TileSide; ++y)
            for (int x = 0; x < TileSide; ++x) {
                const int bx = (x + ((y / 6) % 2) * 6) % 12;
                Rgb c =
                    Add(FromHsv(20, 70, 110 + static_cast<int>(Hash2(seed, (x + ((y / 6) % 2) * 6) / 12, y / 6) % 30)),
                        (Fleck(seed + 1, x, y) - 128) / 16);
                if (bx == 0 || y % 6 == 0) c = {60, 54, 50};
                SetPixel(image, x, y, c);
            }
        return image;
    }
    if (Has(name, "marble")) {
        for (int y = 0; y < TileSide; ++y)
            for (int x = 0; x < TileSide; ++x) {
                const bool dark = ((x / 8) + (y / 8)) % 2 == 1;
                Rgb c = dark ? Rgb{70, 74, 86} : Rgb{226, 224, 218};
                const int vein = FractalNoise(seed, x, y, 8, 4, 2);
                if (vein > 30000 && vein < 31800) c = Scale(c, dark ? 140 : 80);
                SetPixel(image, x, y, c);
            }
        return image;
    }
    Flagstones(image, seed, 96);
    if (name == "floor") return image;
    if (Has(name, "bones")) {
        const Rgb bone = Has(name, "cleaned") ? Rgb{120, 116, 106} : Rgb{232, 226, 206};
        DrawThickLine(image, 6, 8, 15, 12, 0, bone);
        DrawThickLine(image, 18, 22, 26, 16, 0, bone);
        if (!Has(name, "cleaned")) {
            FillEllipse(image, 20, 9, 3, 3, bone);
            SetPixel(image, 19, 9, {20, 20, 20});
            SetPixel(image, 21, 9, {20, 20, 20});
            DrawThickLine(image, 8, 24, 12, 20, 0, bone);
        }
        return image;
    }
    if (Has(name, "chest")) {
        const bool open = Has(name, "open");
        FillRect(image, 6, 14, 25, 26, {130, 80, 34});
        FillRect(image, 6, 18, 25, 19, {210, 170, 50});
        if (open) {
            FillRect(image, 6, 6, 25, 12, {100, 60, 26});
            FillRect(image, 7, 13, 24, 16, {250, 210, 60});
            SetPixel(image, 12, 14, {255, 255, 220});
        } else {
            FillRect(image, 6, 10, 25, 14, {150, 96, 42});
            FillRect(image, 15, 16, 16, 20, {230, 200, 80});
        }
        return image;
    }
    if (Has(name, "candelabrum")) {
        FillRect(image, 15, 12, 16, 27, {210, 170, 50});
        FillRect(image, 10, 27, 21, 28, {210, 170, 50});
        FillRect(image, 8, 13, 23, 14, {210, 170, 50});
        for (int c = 0; c < 3; ++c) {
            const int x = 8 + c * 7 + (c == 2 ? 1 : 0);
            FillRect(image, x, 8, x + 1, 12, {240, 236, 220});
            if (!Has(name, "extinct"))
                Flame(image, x, 5, 1);
            else
                SetPixel(image, x, 5, {150, 150, 150});
        }
        return image;
    }
    if (Has(name, "coffin")) {
        FillTriangle(image, 16, 3, 8, 10, 24, 10, {110, 70, 36});
        FillTriangle(image, 8, 10, 24, 10, 16, 30, {110, 70, 36});
        FillRect(image, 11, 10, 21, 22, {110, 70, 36});
        if (Has(name, "open")) {
            FillRect(image, 12, 9, 20, 21, {20, 16, 14});
            FillEllipse(image, 16, 11, 2, 2, {220, 214, 196});
        } else {
            FillRect(image, 15, 8, 16, 18, {200, 180, 120});
            FillRect(image, 12, 11, 19, 12, {200, 180, 120});
        }
        return image;
    }
    if (Has(name, "door")) {
        FillRect(image, 4, 2, 27, 31, {70, 66, 64});
        if (Has(name, "opened")) {
            FillRect(image, 7, 5, 24, 31, {10, 8, 8});
            FillRect(image, 7, 5, 9, 31, {140, 92, 44});
        } else {
            FillRect(image, 7, 5, 24, 31, {140, 92, 44});
            for (int x = 11; x < 24; x += 4) FillRect(image, x, 5, x, 31, {96, 62, 30});
            FillRect(image, 21, 18, 22, 19, {220, 190, 60});
        }
        return image;
    }
    if (Has(name, "source") || Has(name, "fountain")) {
        const bool dry = Has(name, "drank");
        FillEllipse(image, 16, 19, 11, 8, {150, 146, 140});
        FillEllipse(image, 16, 19, 8, 5, dry ? Rgb{60, 56, 52} : SourceColour(name));
        if (Has(name, "fountain")) {
            FillRect(image, 15, 8, 16, 18, {150, 146, 140});
            if (!dry) DrawThickLine(image, 16, 6, 16, 16, 0, {190, 230, 255});
        }
        if (Has(name, "complete")) {
            for (int a = -9; a <= 9; a += 3) {
                SetPixel(image, 16 + a, 9, {255, 250, 160});
                SetPixel(image, 16 + a, 29, {255, 250, 160});
            }
        }
        if (Has(name, "source") && !Has(name, "complete")) SetPixel(image, 13, 18, {255, 255, 255});
        return image;
    }
    if (Has(name, "spawn") || Has(name, "circle")) {
        Rgb ring = {230, 230, 230};
        if (Has(name, "golden")) ring = {240, 200, 60};
        if (Has(name, "spawn")) ring = Has(name, "complete") ? Rgb{110, 106, 100} : Rgb{200, 30, 40};
        FillEllipse(image, 16, 16, 12, 12, ring);
        FillEllipse(image, 16, 16, 10, 10, GetPixel(image, 2, 2));
        if (Has(name, "spawn")) {
            DrawThickLine(image, 16, 6, 10, 24, 0, ring);
            DrawThickLine(image, 16, 6, 22, 24, 0, ring);
            DrawThickLine(image, 7, 12, 25, 12, 0, ring);
        }
        if (Has(name, "aflamed"))
            for (int f = 0; f < 4; ++f) {
                const int fx[] = {16, 28, 16, 4}, fy[] = {6, 18, 30, 18};
                Flame(image, fx[f], fy[f], 1);
            }
        return image;
    }
    if (Has(name, "altar")) {
        const bool dark = Has(name, "dark");
        FillRect(image, 6, 14, 25, 27, dark ? Rgb{40, 30, 40} : Rgb{180, 176, 168});
        FillRect(image, 4, 11, 27, 14, dark ? Rgb{60, 40, 56} : Rgb{210, 206, 198});
        if (dark) FillRect(image, 8, 12, 23, 12, {190, 20, 30});
        if (Has(name, "jeweled")) {
            FillEllipse(image, 10, 19, 1, 1, {40, 200, 80});
            FillEllipse(image, 16, 19, 2, 2, {220, 30, 60});
            FillEllipse(image, 22, 19, 1, 1, {60, 100, 240});
        }
        return image;
    }
    if (Has(name, "trap")) {
        const bool off = Has(name, "disabled");
        FillRect(image, 6, 6, 25, 25, off ? Rgb{90, 88, 84} : Rgb{120, 100, 80});
        for (int y = 9; y < 24; y += 5)
            for (int x = 9; x < 24; x += 5) {
                if (off)
                    SetPixel(image, x, y, {60, 58, 54});
                else
                    FillTriangle(image, x - 1, y + 1, x, y - 2, x + 1, y + 1, {220, 220, 230});
            }
        return image;
    }
    if (Has(name, "torch")) {
        DrawThickLine(image, 14, 28, 17, 12, 1, {110, 70, 34});
        FillRect(image, 14, 10, 19, 12, {70, 66, 64});
        if (!Has(name, "extinct"))
            Flame(image, 17, 7, 2);
        else
            SetPixel(image, 17, 8, {40, 40, 40});
        return image;
    }
    if (Has(name, "geer")) {
        FillEllipse(image, 16, 16, 10, 10, {170, 150, 90});
        for (int t = 0; t < 8; ++t) {
            const int dx[] = {0, 8, 12, 8, 0, -8, -12, -8}, dy[] = {-12, -8, 0, 8, 12, 8, 0, -8};
            FillRect(image, 16 + dx[t] - 1, 16 + dy[t] - 1, 16 + dx[t] + 1, 16 + dy[t] + 1, {170, 150, 90});
        }
        FillEllipse(image, 16, 16, 3, 3, {40, 36, 30});
        return image;
    }
    if (Has(name, "lever")) {
        FillRect(image, 10, 22, 21, 26, {90, 88, 86});
        DrawThickLine(image, 16, 23, 23, 8, 0, {180, 180, 190});
        FillEllipse(image, 23, 7, 2, 2, {200, 30, 30});
        return image;
    }
    if (Has(name, "stairs")) {
        const bool down = Has(name, "stairsd");
        for (int step = 0; step < 6; ++step) {
            const int value = down ? 170 - step * 26 : 40 + step * 26;
            FillRect(image, 4, 4 + step * 4, 27, 7 + step * 4, {value, value - 6, value - 14});
        }
        return image;
    }
    if (Has(name, "scroll")) {
        for (int s = 0; s < 3; ++s) {
            FillRect(image, 6 + s * 2, 8 + s * 7, 25 - s * 2, 12 + s * 7, {230, 216, 170});
            FillEllipse(image, 6 + s * 2, 10 + s * 7, 1, 2, {190, 170, 120});
            FillRect(image, 15, 8 + s * 7, 16, 12 + s * 7, {180, 40, 40});
        }
        return image;
    }
    return PaintEmblem(name, TileSide);
}

ArtImage PaintStructure(const std::string& name) {
    if (name == "hart") {
        // A red deer on the meadow.
        ArtImage image = PaintUnitFigure("hart");
        const Rgb ground = GetPixel(image, 0, 0);
        for (int y = 0; y < TileSide; ++y)
            for (int x = 0; x < TileSide; ++x) {
                const Rgb c = GetPixel(image, x, y);
                const bool floorLine = c.r == 26 && c.g == 26 && c.b == 36;
                if ((c.r == ground.r && c.g == ground.g && c.b == ground.b) || floorLine)
                    SetPixel(image, x, y, {84, 150, 60});
            }
        return image;
    }
    const uint32_t seed = HashText(name);
    ArtImage image = NoisyGround(seed, 100, 150, 130, 14);
    const Rgb stone = {156, 150, 144}, wood = {140, 94, 50};
    if (Has(name, "farm")) {
        for (int y = 18; y < 31; y += 3) FillRect(image, 2, y, 29, y, {150, 120, 50});
        FillRect(image, 8, 6, 22, 15, {180, 40, 30});
        FillTriangle(image, 6, 6, 15, 0, 24, 6, {120, 30, 20});
        FillRect(image, 13, 10, 16, 15, {70, 40, 20});
    } else if (Has(name, "merchant")) {
        FillRect(image, 6, 14, 25, 26, wood);
        for (int x = 4; x < 28; x += 4) FillRect(image, x, 8, x + 1, 13, {220, 220, 220});
        for (int x = 6; x < 28; x += 4) FillRect(image, x, 8, x + 1, 13, {200, 40, 40});
        FillEllipse(image, 12, 18, 2, 2, {240, 200, 40});
        FillEllipse(image, 19, 18, 2, 2, {90, 180, 60});
    } else if (Has(name, "quary")) {
        FillEllipse(image, 16, 18, 12, 9, {110, 104, 98});
        FillEllipse(image, 16, 20, 8, 5, {70, 66, 62});
        FillRect(image, 6, 6, 10, 9, stone);
        FillRect(image, 20, 5, 25, 9, stone);
    } else if (Has(name, "stable")) {
        FillRect(image, 3, 12, 28, 24, wood);
        FillTriangle(image, 1, 12, 16, 5, 30, 12, {110, 70, 40});
        for (int x = 6; x < 28; x += 6) FillRect(image, x, 17, x + 3, 24, {60, 40, 20});
    } else if (Has(name, "tower")) {
        FillRect(image, 11, 6, 20, 29, stone);
        for (int x = 10; x <= 20; x += 3) FillRect(image, x, 3, x + 1, 5, stone);
        FillRect(image, 14, 10, 16, 13, {30, 30, 40});
        FillRect(image, 14, 24, 17, 29, {70, 46, 24});
    } else if (Has(name, "barrack")) {
        FillRect(image, 2, 14, 29, 26, stone);
        FillRect(image, 2, 11, 29, 13, {100, 96, 92});
        FillRect(image, 15, 2, 15, 11, {60, 40, 20});
        FillRect(image, 16, 2, 21, 5, {40, 60, 190});
        for (int x = 5; x < 28; x += 6) FillRect(image, x, 17, x + 2, 19, {30, 30, 40});
    } else if (Has(name, "blacksmith")) {
        FillRect(image, 5, 12, 24, 26, {170, 150, 120});
        FillTriangle(image, 3, 12, 14, 5, 26, 12, {90, 80, 76});
        FillRect(image, 20, 3, 22, 9, {80, 76, 72});
        FillEllipse(image, 23, 2, 2, 1, {180, 180, 180});
        FillRect(image, 9, 20, 15, 22, {50, 50, 56});
        FillRect(image, 11, 23, 13, 26, {50, 50, 56});
    } else if (Has(name, "castle")) {
        FillRect(image, 3, 10, 28, 29, stone);
        for (int x = 3; x <= 27; x += 4) FillRect(image, x, 7, x + 1, 9, stone);
        FillRect(image, 12, 3, 19, 12, Scale(stone, 90));
        FillRect(image, 13, 21, 18, 29, {50, 36, 24});
        FillRect(image, 15, 0, 15, 3, {60, 40, 30});
        FillRect(image, 16, 0, 19, 1, {220, 190, 40});
    } else if (Has(name, "church")) {
        FillRect(image, 6, 14, 25, 28, {236, 232, 220});
        FillTriangle(image, 4, 14, 15, 7, 27, 14, {120, 60, 50});
        FillRect(image, 13, 4, 17, 14, {236, 232, 220});
        FillRect(image, 14, 0, 16, 3, {230, 200, 60});
        FillRect(image, 12, 1, 18, 1, {230, 200, 60});
        FillRect(image, 13, 20, 17, 28, {90, 60, 30});
    } else {
        return PaintEmblem(name, TileSide);
    }
    return image;
}

ArtImage PaintCrosshair(const std::string& name) {
    const int side = 16;
    ArtImage image = MakeImage(side, side, {0, 0, 0});
    const Rgb ink = Has(name, "4") ? Rgb{255, 255, 255} : FromHsv(static_cast<int>(HashText(name) % 360), 200, 255);
    for (int i = 0; i < side; ++i) {
        if (i >= 6 && i <= 9) continue;  // the gap in the middle
        SetPixel(image, i, 7, ink);
        SetPixel(image, i, 8, ink);
        SetPixel(image, 7, i, ink);
        SetPixel(image, 8, i, ink);
    }
    return image;
}

ArtImage PaintEmblem(const std::string& name, int side) {
    side = std::max(4, side / 4 * 4);
    const uint32_t h = HashText(name);
    const int hue = static_cast<int>(h % 360);
    ArtImage image = MakeImage(side, side, FromHsv(hue + 180, 90, 60));
    const Rgb ink = FromHsv(hue, 200, 235);
    const int c = side / 2, r = side * 3 / 8;
    switch ((h >> 9) % 5) {
    case 0: FillEllipse(image, c, c, r, r, ink); break;
    case 1: FillRect(image, c - r, c - r, c + r - 1, c + r - 1, ink); break;
    case 2: FillTriangle(image, c, c - r, c - r, c + r, c + r, c + r, ink); break;
    case 3:
        FillRect(image, c - r, c - r / 3, c + r, c + r / 3, ink);
        FillRect(image, c - r / 3, c - r, c + r / 3, c + r, ink);
        break;
    default:
        FillTriangle(image, c, c - r, c - r, c, c, c + r, ink);
        FillTriangle(image, c, c - r, c + r, c, c, c + r, ink);
        break;
    }
    FillEllipse(image, c, c, std::max(1, side / 10), std::max(1, side / 10),
                FromHsv(hue + 60 + static_cast<int>((h >> 20) % 120), 220, 255));
    return image;
}

ArtImage PaintCatalogueImage(const std::string& folder, const std::string& name) {
    if (folder == "bmp_cube") {
        if (name == "brickold2") return PaintOldBrick();
        if (name == "brickold3") return PaintMossyBrick();
        if (name == "grass3") return PaintGrass();
        if (name == "dirt1") return PaintDirt();
        if (name == "DSC3") return PaintStone();
        if (name == "QORBAL") return PaintGlowOrb();
        if (name == "item_whale_blade") return PaintBladeTexture();
        if (name == "item_gold") return PaintGoldCoins();
        return PaintEmblem(name, 64);
    }
    if (folder == "bmp_unit") return PaintUnitFigure(name);
    if (folder == "bmp_item") return PaintItemFigure(name);
    if (folder == "bmp_land") return PaintLandTile(name);
    if (folder == "bmp_dungeon") return PaintDungeonPiece(name);
    if (folder == "bmp_structure") return PaintStructure(name);
    if (folder == "bmp_cross") return PaintCrosshair(name);
    if (folder == "bmp_scr" && name == "intro1") return PaintTitleScreen();
    return PaintEmblem(name, 32);
}

}  // namespace delver
