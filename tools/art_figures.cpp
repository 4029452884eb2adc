// Creature and item pictures, 32 x 32. A creature stands on a dark slate
// ground, an item lies on parchment; both get a dark outline so the shape
// reads at a glance. The words of the file name pick the shape (a skeleton,
// a quadruped, a sword, a potion ...), the name's hash shifts the hue a
// little so that no two files come out the same.
#include <algorithm>
#include <cstdlib>

#include "art_painters.h"

namespace delver {

namespace {

constexpr int FigureSide = 32;

bool Has(const std::string& name, const char* word) { return name.find(word) != std::string::npos; }

int CountOf(const std::string& name, const std::string& word) {
    int count = 0;
    for (size_t at = name.find(word); at != std::string::npos; at = name.find(word, at + word.size())) ++count;
    return count;
}

// A hue for a creature from the words of its name, or from its hash.
Rgb CreatureColour(const std::string& name, uint32_t h) {
    const int jitter = static_cast<int>(h % 13) - 6;
    struct Word {
        const char* word;
        int hue, saturation, value;
    };
    static const Word words[] = {
        {"fire", 14, 230, 235},        {"squeletton", 45, 45, 225}, {"water", 208, 200, 220},
        {"earth", 30, 150, 150},       {"air", 186, 70, 235},       {"slime", 110, 200, 200},
        {"gelatinous", 172, 150, 210}, {"rust", 22, 200, 170},      {"spider", 280, 60, 95},
        {"mantis", 96, 190, 190},      {"beatle", 220, 160, 150},   {"serpent", 78, 170, 170},
        {"worm", 345, 90, 190},        {"fungus", 0, 210, 200},     {"gor_dog", 18, 170, 110},
        {"dog", 30, 150, 160},         {"rat", 28, 50, 140},        {"polar", 200, 20, 240},
        {"medusa", 150, 160, 170},     {"lich", 280, 140, 150},     {"hydra", 135, 190, 160},
        {"basilic", 55, 200, 200},     {"dragon", 2, 200, 190},     {"cleric", 48, 40, 240},
        {"fighter", 212, 60, 190},     {"bandit", 15, 90, 110},     {"mage", 236, 190, 200},
        {"goblin", 88, 170, 160},      {"orc", 70, 150, 130},       {"dwarf", 18, 150, 170},
        {"ogre", 38, 120, 180},        {"minotor", 20, 170, 130},   {"eye", 330, 80, 235},
        {"hart", 24, 160, 150},
    };
    for (const Word& w : words)
        if (Has(name, w.word)) return FromHsv(w.hue + jitter, w.saturation, w.value);
    return FromHsv(static_cast<int>(h % 360), 150, 190);
}

void Eyes(ArtImage& image, int cx, int cy, int gap, Rgb colour) {
    SetPixel(image, cx - gap, cy, colour);
    SetPixel(image, cx + gap, cy, colour);
}

void PaintHumanoid(ArtImage& image, const std::string& name, Rgb body, uint32_t h) {
    const bool skeleton = Has(name, "squeletton") || Has(name, "lich");
    const bool big = Has(name, "ogre") || Has(name, "minotor") || Has(name, "sturdy") || Has(name, "monster");
    const bool robed = Has(name, "mage") || Has(name, "cleric") || Has(name, "lich");
    const bool floating = Has(name, "floating");
    const int half = big ? 6 : 4;
    const int limb = skeleton ? 0 : 1;
    const Rgb dark = Scale(body, 60);
    // Legs, or the hem of a robe, or a ghostly trail.
    if (floating) {
        for (int i = 0; i < 3; ++i)
            DrawThickLine(image, 13 + i * 3, 22, 12 + i * 4, 28 + (i % 2) * 2, 0, Scale(body, 75));
    } else if (robed) {
        FillTriangle(image, 16, 12, 8, 29, 24, 29, Scale(body, 85));
    } else {
        DrawThickLine(image, 16 - half / 2, 21, 15 - half, 29, limb, dark);
        DrawThickLine(image, 16 + half / 2, 21, 17 + half, 29, limb, dark);
    }
    // Torso and arms.
    FillRect(image, 16 - half, 12, 15 + half, 22, body);
    DrawThickLine(image, 16 - half, 13, 10 - half, 20, limb, body);
    DrawThickLine(image, 15 + half, 13, 21 + half, 20, limb, body);
    if (skeleton) {
        FillRect(image, 16 - half, 12, 15 + half, 22, {0, 0, 0});
        FillRect(image, 15, 12, 16, 22, body);  // spine
        for (int rib = 13; rib <= 19; rib += 2) FillRect(image, 16 - half + 1, rib, 14 + half, rib, body);
    }
    // Head.
    const int headRadius = big ? 5 : 4;
    FillEllipse(image, 16, 7, headRadius, headRadius, skeleton ? body : Mix(body, {230, 190, 160}, 110));
    const bool evil = Has(name, "evil") || Has(name, "lich") || Has(name, "fire");
    Eyes(image, 16, 7, 2, skeleton ? (evil ? Rgb{255, 40, 20} : Rgb{20, 16, 16}) : Rgb{255, 240, 80});
    // What sets them apart.
    if (Has(name, "mage")) FillTriangle(image, 16, 0, 11, 5, 21, 5, Scale(body, 70));
    if (Has(name, "minotor") || Has(name, "evil")) {
        DrawThickLine(image, 12, 4, 8, 1, 0, {240, 230, 200});
        DrawThickLine(image, 20, 4, 24, 1, 0, {240, 230, 200});
    }
    if (Has(name, "armored") || Has(name, "fighter")) FillRect(image, 17 - half, 13, 14 + half, 18, {170, 176, 190});
    if (Has(name, "warrior") || Has(name, "fighter") || Has(name, "bandit") || Has(name, "orc"))
        DrawThickLine(image, 22 + half, 21, 27, 6, 0, {220, 224, 235});
    if (Has(name, "ogre")) DrawThickLine(image, 22 + half, 21, 26 + half / 2, 9, 1, {120, 78, 36});  // a club
    if (Has(name, "monster"))
        for (int claw = -1; claw <= 1; ++claw) {
            DrawThickLine(image, 10 - half, 20, 8 - half + claw * 2, 24, 0, {240, 236, 220});
            DrawThickLine(image, 21 + half, 20, 23 + half + claw * 2, 24, 0, {240, 236, 220});
        }
    if (Has(name, "brave")) FillEllipse(image, 8 - half / 2, 19, 3, 5, {150, 40, 40});
    if (Has(name, "wounded")) {
        SetPixel(image, 17, 15, {200, 0, 0});
        SetPixel(image, 14, 18, {200, 0, 0});
    }
    if (Has(name, "zombi")) FillRect(image, 13, 20, 19, 21, {90, 130, 60});
    if (Has(name, "fire") && skeleton) {
        FillTriangle(image, 11, 3, 13, 0, 14, 3, {255, 140, 20});
        FillTriangle(image, 18, 3, 20, 0, 22, 3, {255, 140, 20});
    }
    if (Has(name, "cleric")) {
        FillRect(image, 15, 14, 16, 20, {220, 40, 40});
        FillRect(image, 13, 16, 18, 17, {220, 40, 40});
    }
    if (Has(name, "medusa"))
        for (int s = 0; s < 5; ++s) DrawThickLine(image, 16, 4, 10 + s * 3, 0 + (s % 2), 0, {60, 160, 60});
    if (Has(name, "dwarf")) FillTriangle(image, 12, 9, 20, 9, 16, 17, {180, 90, 40});
    // A mark from the hash so look-alike names still differ.
    SetPixel(image, 16, 23 + static_cast<int>(h % 3), Scale(body, 120));
}

void PaintQuadruped(ArtImage& image, const std::string& name, Rgb body) {
    const bool bulky = Has(name, "polar") || Has(name, "hart");
    const Rgb dark = Scale(body, 65);
    DrawThickLine(image, 7, 17, Has(name, "rat") ? 1 : 3, Has(name, "rat") ? 24 : 11, 0, dark);  // tail
    for (int leg = 0; leg < 4; ++leg) DrawThickLine(image, 9 + leg * 4, 20, 8 + leg * 4 + (leg % 2), 28, 1, dark);
    FillEllipse(image, 16, 18, bulky ? 10 : 9, bulky ? 6 : 5, body);
    FillEllipse(image, 25, 13, 4, 4, body);
    FillEllipse(image, 28, 15, 3, 2, Scale(body, 85));  // snout
    FillTriangle(image, 22, 10, 24, 6, 25, 10, dark);   // ear
    Eyes(image, 25, 12, 0, {20, 10, 10});
    if (Has(name, "gor")) {
        for (int spike = 0; spike < 4; ++spike)
            FillTriangle(image, 9 + spike * 4, 14, 11 + spike * 4, 9, 13 + spike * 4, 14, {200, 60, 30});
    }
    if (Has(name, "hart")) {
        DrawThickLine(image, 24, 9, 21, 2, 0, {200, 170, 110});
        DrawThickLine(image, 26, 9, 29, 2, 0, {200, 170, 110});
        DrawThickLine(image, 22, 5, 19, 4, 0, {200, 170, 110});
    }
}

void PaintCrawler(ArtImage& image, const std::string& name, Rgb body) {
    const Rgb dark = Scale(body, 60);
    const int pairs = Has(name, "spider") ? 4 : 3;
    for (int i = 0; i < pairs; ++i) {
        const int y = 13 + i * 4;
        DrawThickLine(image, 12, y, 3, y - 4 + i * 3, 0, dark);
        DrawThickLine(image, 20, y, 29, y - 4 + i * 3, 0, dark);
    }
    if (Has(name, "mantis")) {
        FillEllipse(image, 16, 19, 4, 9, body);
        DrawThickLine(image, 14, 11, 8, 4, 1, body);
        DrawThickLine(image, 18, 11, 24, 4, 1, body);
        FillEllipse(image, 16, 7, 3, 3, body);
        Eyes(image, 16, 6, 2, {250, 250, 60});
        return;
    }
    FillEllipse(image, 16, 18, 7, 7, body);
    FillEllipse(image, 16, 9, 4, 3, dark);
    if (Has(name, "beatle")) FillRect(image, 16, 12, 16, 24, dark);
    if (Has(name, "rust")) {
        DrawThickLine(image, 14, 7, 10, 1, 0, dark);
        DrawThickLine(image, 18, 7, 22, 1, 0, dark);
    }
    Eyes(image, 16, 9, 2, Has(name, "fire") ? Rgb{255, 220, 40} : Rgb{255, 40, 40});
}

void PaintSerpent(ArtImage& image, const std::string& name, Rgb body) {
    const bool worm = Has(name, "worm");
    const int radius = worm ? 3 : 2;
    const int ys[] = {24, 20, 24, 20, 14, 10};
    const int xs[] = {3, 9, 15, 21, 24, 22};
    for (int i = 0; i + 1 < 6; ++i) DrawThickLine(image, xs[i], ys[i], xs[i + 1], ys[i + 1], radius, body);
    if (worm)
        for (int ring = 1; ring < 5; ++ring) SetPixel(image, xs[ring], ys[ring] - 2, Scale(body, 70));
    FillEllipse(image, 21, 8, radius + 2, radius + 1, Scale(body, 110));
    Eyes(image, 21, 7, 1, {250, 220, 40});
    if (!worm) DrawThickLine(image, 25, 8, 29, 9, 0, Has(name, "fire") ? Rgb{255, 150, 0} : Rgb{200, 30, 40});
}

void PaintBlob(ArtImage& image, const std::string& name, Rgb body) {
    if (Has(name, "cube")) {
        FillRect(image, 5, 7, 26, 28, body);
        FillRect(image, 9, 11, 22, 24, Mix(body, {255, 255, 255}, 70));
        FillEllipse(image, 15, 18, 3, 2, {220, 220, 200});  // something swallowed
        Eyes(image, 16, 12, 4, {20, 30, 30});
    } else if (Has(name, "fungus")) {
        FillRect(image, 13, 16, 18, 28, {220, 210, 180});
        FillEllipse(image, 16, 14, 11, 7, body);
        FillRect(image, 4, 15, 27, 21, {0, 0, 0});
        FillRect(image, 13, 15, 18, 28, {220, 210, 180});
        for (int spot = 0; spot < 4; ++spot)
            FillEllipse(image, 9 + spot * 5, 11 - (spot % 2) * 2, 1, 1, {250, 250, 240});
    } else {  // slime
        FillEllipse(image, 16, 26, 12, 12, body);
        FillRect(image, 0, 27, 31, 31, {0, 0, 0});
        FillEllipse(image, 11, 19, 2, 2, Mix(body, {255, 255, 255}, 150));
        Eyes(image, 16, 22, 3, {20, 40, 20});
    }
}

void PaintEye(ArtImage& image, const std::string& name, Rgb body) {
    if (Has(name, "mage"))
        for (int stalk = 0; stalk < 5; ++stalk)
            DrawThickLine(image, 16, 16, 4 + stalk * 6, stalk % 2 ? 2 : 4, 0, Scale(body, 70));
    FillEllipse(image, 16, 17, 10, 10, {236, 232, 220});
    FillEllipse(image, 16, 17, 5, 5, body);
    FillEllipse(image, 16, 17, 2, 2, {10, 10, 10});
    SetPixel(image, 13, 13, {255, 255, 255});
    DrawThickLine(image, 10, 25, 22, 25, 0, {200, 60, 60});  // a red vein
}

void PaintDragon(ArtImage& image, const std::string& name, Rgb body) {
    const Rgb dark = Scale(body, 65);
    FillTriangle(image, 12, 16, 4, 3, 17, 13, Scale(body, 80));  // wing
    DrawThickLine(image, 8, 20, 2, 27, 1, body);                 // tail
    FillEllipse(image, 13, 21, 8, 5, body);
    DrawThickLine(image, 10, 25, 9, 29, 1, dark);
    DrawThickLine(image, 17, 25, 18, 29, 1, dark);
    const int heads = Has(name, "hydra") ? 3 : 1;
    for (int i = 0; i < heads; ++i) {
        const int hx = 26 - i * 5, hy = 7 + i * 3 - (heads > 1 ? 2 : 0);
        DrawThickLine(image, 18, 19, hx, hy + 2, 1, body);
        FillEllipse(image, hx, hy, 3, 2, body);
        SetPixel(image, hx + 1, hy - 1, {255, 230, 40});
    }
    if (Has(name, "basilic")) FillTriangle(image, 24, 3, 26, 0, 28, 3, {250, 220, 60});  // crown
    if (!Has(name, "hydra") && !Has(name, "basilic")) FillTriangle(image, 29, 7, 31, 5, 31, 9, {255, 140, 20});
}

void PaintElemental(ArtImage& image, const std::string& name, Rgb body) {
    int power = std::max({CountOf(name, "fire"), CountOf(name, "water"), CountOf(name, "earth"), CountOf(name, "air")});
    power = std::clamp(power, 1, 3);
    const int size = 5 + power * 3;
    const Rgb light = Mix(body, {255, 255, 230}, 140);
    int eyeY = 18;
    if (Has(name, "fire")) {
        const int base = 29 - size;
        FillTriangle(image, 16 - size, base, 16, std::max(0, base - size * 2 - 2), 16 + size, base, body);
        FillTriangle(image, 16 - size, base, 16 - size - 2, base - size - 2, 16 - size / 2, base - 2, body);
        FillTriangle(image, 16 + size, base, 16 + size + 2, base - size - 2, 16 + size / 2, base - 2, body);
        FillEllipse(image, 16, base, size, size, body);
        FillEllipse(image, 16, base + size / 3, size / 2, size / 2, light);
        eyeY = base - size / 2;
    } else if (Has(name, "water")) {
        for (int w = 0; w < power; ++w)
            FillEllipse(image, 16 + (w - power / 2) * 6, 22 - w * 5, size / 2 + 2, size / 2 + 1, w % 2 ? light : body);
        FillEllipse(image, 16, 24, size, size / 2, body);
        eyeY = 23;
    } else if (Has(name, "earth")) {
        for (int r = 0; r < power + 1; ++r)
            FillRect(image, 8 + r * 3, 26 - r * 6 - size / 2, 14 + r * 3 + size / 2, 28 - r * 6, r % 2 ? light : body);
        eyeY = 26 - power * 6;
    } else {
        // A whirlwind: rings that narrow towards the ground.
        const int rings = 4 + power;
        for (int i = 0; i < rings; ++i) {
            const int y = 4 + i * 24 / rings;
            const int rx = std::max(2, (size + 4) - i * (size + 2) / rings);
            FillEllipse(image, 16 + (i % 2) - (i % 3 == 0), y, rx, 2, i % 2 ? light : body);
            FillEllipse(image, 16 + (i % 2) - (i % 3 == 0), y - 1, std::max(1, rx - 2), 1, {0, 0, 0});
        }
        eyeY = 8;
    }
    Eyes(image, 16, eyeY, 2, {20, 20, 20});
}

void PaintBlade(ArtImage& image, const std::string& name, Rgb accent) {
    struct Length {
        const char* word;
        int length, width;
    };
    static const Length lengths[] = {
        {"two_bladed", 12, 1}, {"two_handed", 27, 1},    {"whale_blade", 21, 2}, {"knife", 9, 0},
        {"dagger", 12, 1},     {"gauche", 13, 1},        {"short_sword", 16, 1}, {"kopesh", 18, 2},
        {"saber", 20, 1},      {"broad_sword", 20, 2},   {"behead", 22, 3},      {"blade", 19, 1},
        {"long_sword", 22, 1}, {"bastard_sword", 23, 1}, {"horner", 24, 1},      {"glaive", 25, 1},
    };
    int length = 18, width = 1;
    for (const Length& l : lengths)
        if (Has(name, l.word)) {
            length = l.length;
            width = l.width;
            break;
        }
    const Rgb steel = Has(name, "ameliorated") ? Rgb{160, 220, 250} : Rgb{200, 204, 214};
    const bool polearm = Has(name, "glaive") || Has(name, "horner");
    const bool curved = Has(name, "saber") || Has(name, "kopesh") || Has(name, "whale");
    // Direction: from the lower left to the upper right, one step is (1, -1).
    int hx = 7, hy = 25;  // where the hilt meets the blade
    if (Has(name, "two_bladed")) {
        hx = 16;
        hy = 16;
    }
    if (polearm) {
        DrawThickLine(image, 3, 29, 18, 14, 0, {120, 80, 40});
        hx = 18;
        hy = 14;
        length -= 14;
        FillEllipse(image, hx, hy, 1, 1, accent);  // the collar that holds the head
    } else {
        DrawThickLine(image, hx - 4, hy + 4, hx, hy, 1, {110, 64, 30});   // grip
        DrawThickLine(image, hx - 3, hy - 3, hx + 3, hy + 3, 0, accent);  // guard
    }
    if (curved) {
        // A curved blade: steep near the hilt, leaning over towards the tip.
        const int mx = hx + length * 5 / 9, my = hy - length * 6 / 9;
        DrawThickLine(image, hx + 1, hy - 1, mx, my, width, steel);
        DrawThickLine(image, mx, my, mx + length / 2, my - length / 4, std::max(0, width - 1), steel);
    } else {
        DrawThickLine(image, hx + 1, hy - 1, hx + length, hy - length, width, steel);
    }
    if (Has(name, "two_bladed")) DrawThickLine(image, hx - 1, hy + 1, hx - length, hy + length, width, steel);
    if (Has(name, "ameliorated")) {
        SetPixel(image, hx + length / 2 + 2, hy - length / 2 - 3, {255, 255, 255});
        SetPixel(image, hx + length / 3, hy - length / 3 + 3, {255, 255, 255});
    }
}

void PaintBlunt(ArtImage& image, const std::string& name, Rgb accent) {
    DrawThickLine(image, 5, 28, 19, 12, 1, {120, 78, 38});
    const Rgb iron = {150, 154, 164};
    if (Has(name, "maul")) {
        FillRect(image, 16, 4, 27, 13, iron);
        FillRect(image, 16, 4, 27, 5, Add(iron, 40));
    } else if (Has(name, "morningstar")) {
        FillEllipse(image, 21, 10, 5, 5, iron);
        for (int s = 0; s < 8; ++s) {
            const int dx[] = {0, 5, 7, 5, 0, -5, -7, -5}, dy[] = {-7, -5, 0, 5, 7, 5, 0, -5};
            SetPixel(image, 21 + dx[s], 10 + dy[s], {230, 230, 235});
        }
    } else {
        const int r = Has(name, "war") ? 6 : 4;
        FillEllipse(image, 21, 10, r, r, iron);
        for (int f = -r; f <= r; f += 2) SetPixel(image, 21 + f, 10, accent);
    }
}

void PaintStick(ArtImage& image, const std::string& name) {
    if (Has(name, "staff")) {
        DrawThickLine(image, 5, 30, 24, 4, 1, {130, 88, 44});
        FillEllipse(image, 25, 3, 3, 3, {60, 200, 90});
    } else if (Has(name, "rod")) {
        DrawThickLine(image, 8, 26, 22, 8, 1, {170, 170, 190});
        FillEllipse(image, 23, 7, 3, 3, {220, 60, 200});
    } else {  // wand
        DrawThickLine(image, 10, 24, 19, 12, 0, {240, 236, 220});
        FillTriangle(image, 18, 8, 24, 10, 20, 14, {255, 230, 60});
        FillTriangle(image, 22, 6, 20, 13, 25, 13, {255, 230, 60});
    }
}

void PaintAxe(ArtImage& image, const std::string& name, Rgb accent) {
    DrawThickLine(image, 7, 29, 20, 5, 1, {124, 82, 40});
    const Rgb head = Has(name, "iron") ? Rgb{140, 146, 160} : Rgb{176, 180, 190};
    const int reach = Has(name, "hand") ? 4 : (Has(name, "battle") ? 7 : 6);
    FillTriangle(image, 19, 8, 19 + reach, 2, 19 + reach, 15, head);
    if (Has(name, "battle")) FillTriangle(image, 19, 8, 19 - reach, 2, 19 - reach + 2, 14, head);
    if (Has(name, "ordered")) FillRect(image, 17, 7, 21, 9, {60, 90, 220});
    if (Has(name, "rubioux")) FillRect(image, 17, 7, 21, 9, {210, 30, 40});
    SetPixel(image, 19, 8, accent);
}

Rgb NamedColour(const std::string& name, Rgb otherwise) {
    if (Has(name, "red")) return {210, 40, 40};
    if (Has(name, "green")) return {60, 190, 70};
    if (Has(name, "blue")) return {60, 90, 220};
    if (Has(name, "yellow")) return {240, 210, 50};
    if (Has(name, "white")) return {240, 240, 240};
    if (Has(name, "gray")) return {140, 140, 140};
    if (Has(name, "brown")) return {130, 80, 40};
    return otherwise;
}

void PaintPotion(ArtImage& image, const std::string& name) {
    const Rgb liquid = NamedColour(name, {180, 80, 200});
    FillRect(image, 14, 5, 17, 12, {200, 220, 226});
    FillRect(image, 13, 3, 18, 5, {140, 90, 40});  // cork
    FillEllipse(image, 16, 20, 8, 8, {200, 220, 226});
    FillEllipse(image, 16, 21, 7, 7, liquid);
    FillRect(image, 9, 13, 23, 16, {200, 220, 226});
    FillEllipse(image, 13, 18, 1, 2, {255, 255, 255});
}

void PaintGarment(ArtImage& image, const std::string& name) {
    if (Has(name, "robe")) {
        const Rgb cloth = NamedColour(name, {120, 120, 120});
        FillTriangle(image, 16, 4, 6, 29, 26, 29, cloth);
        DrawThickLine(image, 13, 8, 5, 16, 1, cloth);
        DrawThickLine(image, 19, 8, 27, 16, 1, cloth);
        FillEllipse(image, 16, 5, 3, 3, Scale(cloth, 60));  // hood
        FillRect(image, 15, 9, 16, 28, Scale(cloth, 80));
        return;
    }
    Rgb base = {150, 100, 56};
    if (Has(name, "chain") || Has(name, "scale") || Has(name, "plate")) base = {160, 166, 178};
    if (Has(name, "magic")) base = {120, 70, 200};
    FillRect(image, 8, 8, 23, 27, base);
    FillRect(image, 4, 8, 27, 13, base);                   // shoulders
    FillTriangle(image, 13, 8, 19, 8, 16, 12, {0, 0, 0});  // neckline
    for (int y = 8; y <= 27; ++y)
        for (int x = 4; x <= 27; ++x) {
            const Rgb c = GetPixel(image, x, y);
            if (c.r != base.r || c.g != base.g || c.b != base.b) continue;
            if (Has(name, "studded") && x % 4 == 1 && y % 4 == 1) SetPixel(image, x, y, {230, 220, 160});
            if (Has(name, "chain") && (x + y) % 2 == 0) SetPixel(image, x, y, Scale(base, 70));
            if (Has(name, "scale") && (x + (y / 3) * 2) % 4 == 0 && y % 3 == 0) SetPixel(image, x, y, Scale(base, 60));
            if (Has(name, "plate") && (y % 6 == 0 || x == 16)) SetPixel(image, x, y, Scale(base, 70));
            if (Has(name, "magic") && (Hash2(7, x, y) & 15) == 0) SetPixel(image, x, y, {200, 180, 255});
        }
    if (Has(name, "full_plate")) {
        FillEllipse(image, 16, 4, 4, 4, Scale(base, 110));
        FillRect(image, 14, 3, 18, 3, {20, 20, 20});
    }
    if (Has(name, "scale_armor_b")) FillRect(image, 8, 25, 23, 27, {120, 80, 40});
}

void PaintBag(ArtImage& image, const std::string& name) {
    const Rgb cloth = Has(name, "blue") ? Rgb{60, 90, 200} : Rgb{160, 118, 70};
    FillEllipse(image, 16, 21, 10, 8, cloth);
    FillTriangle(image, 11, 15, 16, 6, 21, 15, cloth);
    FillRect(image, 13, 12, 19, 13, {80, 50, 20});  // the tie
    FillEllipse(image, 12, 20, 2, 2, Mix(cloth, {255, 255, 255}, 90));
}

}  // namespace

ArtImage PaintUnitFigure(const std::string& name) {
    const Rgb ground = {34, 36, 48};
    const uint32_t h = HashText(name);
    ArtImage image = MakeImage(FigureSide, FigureSide, ground);
    const Rgb body = CreatureColour(name, h);
    const bool elemental = name == "unit_fire" || Has(name, "unit_fire_") || Has(name, "unit_water") ||
                           Has(name, "unit_earth") || Has(name, "unit_air");
    if (elemental)
        PaintElemental(image, name, body);
    else if (Has(name, "dragon"))
        PaintDragon(image, name, body);
    else if (Has(name, "eye"))
        PaintEye(image, name, body);
    else if (Has(name, "slime") || Has(name, "cube") || Has(name, "fungus"))
        PaintBlob(image, name, body);
    else if (Has(name, "serpent") || Has(name, "worm"))
        PaintSerpent(image, name, body);
    else if (Has(name, "spider") || Has(name, "beatle") || Has(name, "mantis") || Has(name, "rust"))
        PaintCrawler(image, name, body);
    else if (Has(name, "rat") || Has(name, "dog") || Has(name, "geer") || Has(name, "hart"))
        PaintQuadruped(image, name, body);
    else
        PaintHumanoid(image, name, body, h);
    // Shapes painted in pure black are holes back to the ground.
    for (int y = 0; y < FigureSide; ++y)
        for (int x = 0; x < FigureSide; ++x) {
            const Rgb c = GetPixel(image, x, y);
            if (c.r == 0 && c.g == 0 && c.b == 0) SetPixel(image, x, y, ground);
        }
    OutlineShapes(image, ground, {8, 8, 12});
    // A floor line at the creature's feet.
    for (int x = 0; x < FigureSide; ++x)
        if (GetPixel(image, x, 31).r == ground.r) SetPixel(image, x, 31, {26, 26, 36});
    return image;
}

ArtImage PaintItemFigure(const std::string& name) {
    const Rgb parchment = {214, 198, 160};
    const uint32_t h = HashText(name);
    ArtImage image = MakeImage(FigureSide, FigureSide, parchment);
    const Rgb accent = FromHsv(static_cast<int>(h % 360), 180, 220);
    if (name == "blank") return image;
    if (Has(name, "knife") || Has(name, "dagger") || Has(name, "sword") || Has(name, "gauche") || Has(name, "kopesh") ||
        Has(name, "blade") || Has(name, "behead") || Has(name, "horner") || Has(name, "glaive") || Has(name, "saber"))
        PaintBlade(image, name, accent);
    else if (Has(name, "maul") || Has(name, "mace") || Has(name, "morningstar"))
        PaintBlunt(image, name, accent);
    else if (Has(name, "staff") || Has(name, "rod") || Has(name, "wand"))
        PaintStick(image, name);
    else if (Has(name, "axe"))
        PaintAxe(image, name, accent);
    else if (Has(name, "potion"))
        PaintPotion(image, name);
    else if (Has(name, "robe") || Has(name, "armor") || Has(name, "mail"))
        PaintGarment(image, name);
    else if (Has(name, "bag"))
        PaintBag(image, name);
    else if (Has(name, "socket")) {
        FillEllipse(image, 16, 16, 10, 10, {120, 110, 90});
        FillEllipse(image, 16, 16, 6, 6, {40, 34, 30});
    } else if (Has(name, "corner")) {
        const int corner = name.back() - '1';  // 0..3
        const int x = (corner == 1 || corner == 2) ? 20 : 2, y = corner >= 2 ? 20 : 2;
        const int armX = (corner == 1 || corner == 2) ? -12 : 12, armY = corner >= 2 ? -12 : 12;
        const int ex = x + (armX < 0 ? 9 : 0), ey = y + (armY < 0 ? 9 : 0);
        FillRect(image, std::min(ex, ex + armX), ey, std::max(ex, ex + armX), ey + 2, {120, 90, 40});
        FillRect(image, ex, std::min(ey, ey + armY), ex + 2, std::max(ey, ey + armY), {120, 90, 40});
    } else {
        return PaintEmblem(name, FigureSide);
    }
    OutlineShapes(image, parchment, {46, 34, 24});
    return image;
}

}  // namespace delver
