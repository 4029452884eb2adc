// The picture a player sees: a headless run that turns mouse look on,
// walks, and writes a screenshot of the last presented picture.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "support/test_support.h"

namespace delver {
namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // bottom row first
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

bool ReadBmp(const std::filesystem::path& path, Picture& out) {
    std::vector<uint8_t> d = testing::ReadWholeFile(path);
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || d[28] != 24) return false;
    auto u32 = [&](size_t at) {
        return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
    };
    out.width = static_cast<int>(u32(18));
    out.height = static_cast<int>(u32(22));
    size_t offset = u32(10);
    size_t row = (static_cast<size_t>(out.width) * 3 + 3) & ~size_t{3};
    if (out.width <= 0 || out.height <= 0 || d.size() < offset + row * out.height) return false;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* p = &d[offset + y * row + x * 3];
            uint8_t* q = &out.rgb[(static_cast<size_t>(y) * out.width + x) * 3];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    return true;
}

TEST(Screenshot, ShowsTheTexturedDungeonEnlargedTwice) {
    const std::filesystem::path game = DELVER_GAME_DIR;
    if (!std::filesystem::exists(game / "bmp_cube")) GTEST_SKIP() << "the game folder has not been laid out";
    testing::ScratchDir dir;
    std::ofstream(dir.path() / "script.txt") << "0 mouse 160 90\n"  // level view
                                                "20 click right\n"  // mouse look on
                                                "40 click left\n"   // walk
                                                "70 click left\n";  // stop
    const std::filesystem::path shot = dir.path() / "shot.bmp";
    const testing::RunResult r =
        testing::RunDelver(game, "--headless --seed 11 --frames 90 --input '" + (dir.path() / "script.txt").string() +
                                     "' --screenshot '" + shot.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;

    Picture p;
    ASSERT_TRUE(ReadBmp(shot, p));
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    // Enlarged twice: every framebuffer pixel is a 2 x 2 block.
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(p.At(x, y)[k], p.At(x + 1, y)[k]);
                ASSERT_EQ(p.At(x, y)[k], p.At(x, y + 1)[k]);
                ASSERT_EQ(p.At(x, y)[k], p.At(x + 1, y + 1)[k]);
            }
    // Between the status lines the dungeon fills the view: not blank, not
    // the key colour, and textured (many colours), not flat white cubes.
    int drawn = 0, key = 0, total = 0;
    std::set<uint32_t> colours;
    for (int y = 100; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* c = p.At(x, y);
            ++total;
            if (c[0] == 255 && c[1] == 0 && (c[2] == 229 || c[2] == 230)) ++key;
            if (c[0] || c[1] || c[2]) ++drawn;
            colours.insert(c[0] << 16 | c[1] << 8 | c[2]);
        }
    EXPECT_GT(drawn, total / 2);
    EXPECT_EQ(key, 0);
    EXPECT_GT(colours.size(), 50u);
}

}  // namespace
}  // namespace delver
