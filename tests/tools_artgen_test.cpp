// The art generator: it must fill a game folder with every catalogue
// picture in the format the game's loader reads, give the cube textures
// power-of-two sides, write a usable overworld plan, leave saves alone and
// produce the same bytes every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "art_painters.h"
#include "assets/asset_catalogue.h"
#include "assets/sprite.h"
#include "game_folder.h"
#include "overworld_plan.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

fs::path OnDisk(const fs::path& dir, const std::string& gamePath) {
    std::string folder, name;
    EXPECT_TRUE(SplitCataloguePath(gamePath, &folder, &name)) << gamePath;
    return dir / folder / (name + ".bmp");
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

// Average colour of a picture, channels 0..255.
std::array<int, 3> MeanColour(const ArtImage& image) {
    std::array<long, 3> sum{0, 0, 0};
    for (size_t i = 0; i < image.rgb.size(); i += 3)
        for (int c = 0; c < 3; ++c) sum[c] += image.rgb[i + c];
    const long n = static_cast<long>(image.rgb.size() / 3);
    return {static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n)};
}

TEST(ToolsArtgen, WritesEveryCataloguePathAsAStandard24BitBmp) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteGameFolder(dir.path(), &error)) << error;

    const std::vector<std::string> paths = DistinctCataloguePaths();
    std::set<std::string> fromRows;
    for (const CatalogueRow& row : AssetCatalogueRows()) fromRows.insert(row.path);
    EXPECT_EQ(paths.size(), fromRows.size());

    std::set<std::vector<uint8_t>> contents;
    for (const std::string& gamePath : paths) {
        SCOPED_TRACE(gamePath);
        const std::vector<uint8_t> bytes = ReadWholeFile(OnDisk(dir.path(), gamePath));
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        const int32_t width = static_cast<int32_t>(Le32(bytes, 18));
        const int32_t height = static_cast<int32_t>(Le32(bytes, 22));
        ASSERT_GT(width, 0);
        ASSERT_GT(height, 0);
        EXPECT_EQ(width % 4, 0);
        EXPECT_EQ(Le32(bytes, 2), bytes.size());  // declared file size
        EXPECT_EQ(Le32(bytes, 10), 54u);          // pixels right after the header
        EXPECT_EQ(Le32(bytes, 14), 40u);          // BITMAPINFOHEADER
        EXPECT_EQ(bytes[26] | (bytes[27] << 8), 1);
        EXPECT_EQ(bytes[28] | (bytes[29] << 8), 24);
        EXPECT_EQ(Le32(bytes, 30), 0u);  // uncompressed
        EXPECT_EQ(bytes.size(), 54u + static_cast<size_t>(width) * height * 3);
        contents.insert(bytes);
    }
    // Every file is a picture of its own.
    EXPECT_EQ(contents.size(), paths.size());

    // The overworld plan sits beside them and nothing else was written.
    EXPECT_EQ(fs::file_size(dir.path() / "map" / "1.overworld"), 65536u);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        if (entry.is_regular_file()) ++files;
    EXPECT_EQ(files, paths.size() + 1);
}

TEST(ToolsArtgen, GameLoaderReadsEveryPictureAndTexturesHavePowerOfTwoSides) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteGameFolder(dir.path(), &error)) << error;
    dir.Enter();

    SpriteTable table;
    table.Allocate();
    for (const std::string& gamePath : DistinctCataloguePaths())
        EXPECT_TRUE(LoadSprite(table, gamePath, 0)) << gamePath;

    table.Allocate();
    LoadAssetCatalogue(table);
    for (int slot : {1201, 1202, 1203, 1204, 1205, 1206, 1209}) {
        const Sprite& sprite = table.Slots[slot];
        SCOPED_TRACE(slot);
        ASSERT_NE(sprite.pixels, nullptr);
        EXPECT_TRUE(PowerOfTwo(sprite.width)) << sprite.width;
        EXPECT_TRUE(PowerOfTwo(sprite.height)) << sprite.height;
    }
    // The loader swaps to red-green-blue and keeps the bottom row first: the
    // slot's first pixel is the painted picture's bottom-left one.
    const ArtImage orb = PaintGlowOrb();
    const size_t bottomLeft = static_cast<size_t>(orb.height - 1) * orb.width * 3;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(table.Slots[1209].pixels[c], orb.rgb[bottomLeft + c]);
}

TEST(ToolsArtgen, CubeTexturesLookLikeWhatTheyName) {
    const auto brick = MeanColour(PaintOldBrick());
    EXPECT_GT(brick[0], brick[1] + 30);  // red brick
    EXPECT_GT(brick[0], brick[2] + 30);

    const auto mossy = MeanColour(PaintMossyBrick());
    EXPECT_GT(std::abs(mossy[0] - brick[0]) + std::abs(mossy[1] - brick[1]) + std::abs(mossy[2] - brick[2]), 40);

    const auto grass = MeanColour(PaintGrass());
    EXPECT_GT(grass[1], grass[0] + 30);  // green
    EXPECT_GT(grass[1], grass[2] + 30);

    const auto dirt = MeanColour(PaintDirt());
    EXPECT_GT(dirt[0], dirt[1]);  // brown: red over green over blue
    EXPECT_GT(dirt[1], dirt[2]);

    const auto stone = MeanColour(PaintStone());
    EXPECT_LT(std::max({stone[0], stone[1], stone[2]}) - std::min({stone[0], stone[1], stone[2]}), 30);  // grey

    // The orb glows: bright in the middle, dark in the corners.
    const ArtImage orb = PaintGlowOrb();
    const Rgb centre = GetPixel(orb, 32, 34), corner = GetPixel(orb, 0, 0);
    EXPECT_GT(centre.r + centre.g + centre.b, 500);
    EXPECT_LT(corner.r + corner.g + corner.b, 150);

    // The blade texture is a bright weapon on a dark ground.
    const ArtImage blade = PaintBladeTexture();
    int steel = 0;
    for (int y = 0; y < blade.height; ++y)
        for (int x = 0; x < blade.width; ++x) {
            const Rgb c = GetPixel(blade, x, y);
            if (c.r + c.g + c.b > 500 && std::abs(c.r - c.b) < 40) ++steel;
        }
    EXPECT_GT(steel, 150);
    const Rgb ground = GetPixel(blade, 5, 5);
    EXPECT_LT(ground.r + ground.g + ground.b, 200);
}

TEST(ToolsArtgen, TexturesTileWithoutHardSeams) {
    // Across the wrap the step between neighbouring pixels is no larger
    // than the steps inside the picture.
    for (const ArtImage& image : {PaintGrass(), PaintDirt(), PaintStone()}) {
        auto step = [&](int x0, int y0, int x1, int y1) {
            const Rgb a = GetPixel(image, x0, y0), b = GetPixel(image, x1, y1);
            return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        };
        long inside = 0, across = 0;
        for (int y = 0; y < image.height; ++y) {
            inside += step(image.width / 2 - 1, y, image.width / 2, y);
            across += step(image.width - 1, y, 0, y);
        }
        EXPECT_LT(across, inside * 2 + 200);
    }
}

TEST(ToolsArtgen, OverworldPlanHasEverySurfaceClassAndOpenMeadowNearTheDungeon) {
    const std::vector<uint8_t> plan = MakeOverworldPlan();
    ASSERT_EQ(plan.size(), 65536u);
    std::map<std::string, int> classes;
    int meadowNear = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint8_t code = plan[static_cast<size_t>(y) * 256 + x];
            std::string cls = code == 0                    ? "open"
                              : code == 10                 ? "dirt"
                              : (code >= 11 && code <= 18) ? "grass"
                              : code >= 19                 ? "rock"
                                                           : "meaningless";
            ++classes[cls];
            if (y < 128 && (cls == "open" || cls == "grass")) ++meadowNear;
        }
    EXPECT_GT(classes["open"], 200);
    EXPECT_GT(classes["dirt"], 2000);
    EXPECT_GT(classes["grass"], 20000);
    EXPECT_GT(classes["rock"], 2000);
    EXPECT_EQ(classes["meaningless"], 0);
    EXPECT_GT(meadowNear, 128 * 256 / 2);  // most of the player's half is meadow or open
}

TEST(ToolsArtgen, TwoRunsGiveTheSameBytes) {
    ScratchDir first, second;
    std::string error;
    ASSERT_TRUE(WriteGameFolder(first.path(), &error)) << error;
    ASSERT_TRUE(WriteGameFolder(second.path(), &error)) << error;
    for (const std::string& gamePath : DistinctCataloguePaths())
        EXPECT_EQ(ReadWholeFile(OnDisk(first.path(), gamePath)), ReadWholeFile(OnDisk(second.path(), gamePath)))
            << gamePath;
    EXPECT_EQ(ReadWholeFile(first.path() / "map" / "1.overworld"),
              ReadWholeFile(second.path() / "map" / "1.overworld"));
}

TEST(ToolsArtgen, RerunKeepsSavesAndRepairsEmptiedPictures) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteGameFolder(dir.path(), &error)) << error;

    // A player's save, an empty picture and an empty plan such as a game run
    // leaves behind when a file is missing, and a file of the player's own.
    const std::vector<uint8_t> save = {1, 2, 3, 4, 5};
    WriteWholeFile(dir.path() / "map" / "SAVEGAME1.unit", save);
    WriteWholeFile(dir.path() / "map" / "notes.txt", {'h', 'i'});
    const fs::path grass = dir.path() / "bmp_cube" / "grass3.bmp";
    const std::vector<uint8_t> grassBytes = ReadWholeFile(grass);
    WriteWholeFile(grass, {});
    WriteWholeFile(dir.path() / "map" / "1.overworld", {});

    ASSERT_TRUE(WriteGameFolder(dir.path(), &error)) << error;
    EXPECT_EQ(ReadWholeFile(dir.path() / "map" / "SAVEGAME1.unit"), save);
    EXPECT_EQ(ReadWholeFile(dir.path() / "map" / "notes.txt"), (std::vector<uint8_t>{'h', 'i'}));
    EXPECT_EQ(ReadWholeFile(grass), grassBytes);
    EXPECT_EQ(fs::file_size(dir.path() / "map" / "1.overworld"), 65536u);
}

TEST(ToolsArtgen, BuildTreeGameFolderHoldsTheGeneratedArt) {
    const fs::path game = DELVER_GAME_DIR;
    ASSERT_TRUE(fs::is_directory(game)) << game;
    for (const std::string& gamePath : DistinctCataloguePaths()) {
        std::string folder, name;
        ASSERT_TRUE(SplitCataloguePath(gamePath, &folder, &name));
        EXPECT_EQ(ReadWholeFile(game / folder / (name + ".bmp")), EncodeBmp24(PaintCatalogueImage(folder, name)))
            << gamePath;
    }
    EXPECT_EQ(ReadWholeFile(game / "map" / "1.overworld"), MakeOverworldPlan());
}

TEST(ToolsArtgen, CataloguePathsAreCheckedBeforeWriting) {
    std::string folder, name;
    EXPECT_TRUE(SplitCataloguePath(".\\bmp_cube\\QORBAL.bmp", &folder, &name));
    EXPECT_EQ(folder, "bmp_cube");
    EXPECT_EQ(name, "QORBAL");
    for (const char* bad : {"bmp_cube\\QORBAL.bmp", ".\\QORBAL.bmp", ".\\..\\x.bmp", ".\\bmp_cube\\..\\x.bmp",
                            ".\\bmp_cube\\a/b.bmp", ".\\bmp_cube\\.bmp", ".\\bmp_cube\\x.png", ""})
        EXPECT_FALSE(SplitCataloguePath(bad, &folder, &name)) << bad;

    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(WriteCatalogueImages(dir.path(), {".\\..\\escape.bmp"}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escape.bmp"));
}

}  // namespace
}  // namespace delver

namespace delver {
namespace {

// A PNG read back by hand: every chunk's CRC (computed bit by bit, not with
// the writer's table), the zlib stream's stored blocks and its Adler-32.
struct DecodedPng {
    int width = 0, height = 0, colourType = -1;
    std::vector<uint8_t> rgba;
};

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

bool DecodeStoredPng(const std::vector<uint8_t>& png, DecodedPng* out) {
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || !std::equal(signature, signature + 8, png.begin())) return false;
    std::vector<uint8_t> z;
    bool ended = false;
    for (size_t at = 8; at + 12 <= png.size() && !ended;) {
        const uint32_t n = BigEndian(png, at);
        if (at + 12 + n > png.size()) return false;
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = at + 4; i < at + 8 + n; ++i) {
            crc ^= png[i];
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        if (~crc != BigEndian(png, at + 8 + n)) return false;
        const std::string type(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
        if (type == "IHDR") {
            out->width = static_cast<int>(BigEndian(png, at + 8));
            out->height = static_cast<int>(BigEndian(png, at + 12));
            out->colourType = png[at + 17];
        } else if (type == "IDAT") {
            z.insert(z.end(), png.begin() + static_cast<long>(at) + 8, png.begin() + static_cast<long>(at + 8 + n));
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + n;
    }
    if (!ended || z.size() < 6 || ((z[0] << 8) | z[1]) % 31 != 0) return false;
    std::vector<uint8_t> raw;
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > z.size() || (z[at] & 0x06) != 0) return false;  // stored blocks only
        last = z[at] & 1;
        const size_t len = z[at + 1] | (z[at + 2] << 8);
        if (static_cast<size_t>((z[at + 3] | (z[at + 4] << 8)) ^ 0xFFFF) != len || at + 5 + len > z.size())
            return false;
        raw.insert(raw.end(), z.begin() + static_cast<long>(at) + 5, z.begin() + static_cast<long>(at + 5 + len));
        at += 5 + len;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
    if (at + 4 != z.size() || BigEndian(z, at) != ((b << 16) | a)) return false;
    const size_t row = 1 + static_cast<size_t>(out->width) * 4;
    if (raw.size() != row * out->height) return false;
    for (int y = 0; y < out->height; ++y) {
        if (raw[y * row] != 0) return false;  // no row filter
        out->rgba.insert(out->rgba.end(), raw.begin() + static_cast<long>(y * row + 1),
                         raw.begin() + static_cast<long>((y + 1) * row));
    }
    return true;
}

TEST(ToolsArtgen, IconIsAValidPngWithRoundedCornersAndTheGlowingObjective) {
    for (int side : {48, 256}) {
        std::vector<uint8_t> alpha;
        const ArtImage icon = PaintIcon(side, &alpha);
        DecodedPng png;
        ASSERT_TRUE(DecodeStoredPng(EncodePngRgba(icon, alpha), &png)) << side;
        EXPECT_EQ(png.width, side);
        EXPECT_EQ(png.height, side);
        EXPECT_EQ(png.colourType, 6);  // RGBA
        auto at = [&](int x, int y) { return &png.rgba[(static_cast<size_t>(y) * side + x) * 4]; };
        // Transparent corners, an opaque body.
        for (auto [x, y] : {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}})
            EXPECT_EQ(at(x, y)[3], 0) << side;
        for (auto [x, y] : {std::pair{side / 2, 2}, {2, side / 2}, {side / 2, side / 2}, {side / 8, side / 3}})
            EXPECT_EQ(at(x, y)[3], 255) << side;
        // The orb glows golden in the doorway; the wall beside it is brick red.
        const uint8_t* orb = at(side / 2, side * 63 / 100);
        EXPECT_GT(orb[0], 200);
        EXPECT_GT(orb[1], 120);
        EXPECT_LT(orb[2], orb[1]);
        const uint8_t* wall = at(side / 10, side / 2);
        EXPECT_GT(wall[0], wall[2] + 20);
        // The same pixels as the painter's, and the same bytes on every run.
        EXPECT_EQ(png.rgba[(side / 2) * 4], icon.rgb[(side / 2) * 3]);
        EXPECT_EQ(EncodePngRgba(icon, alpha), EncodePngRgba(PaintIcon(side, nullptr), alpha));
    }
}

}  // namespace
}  // namespace delver
