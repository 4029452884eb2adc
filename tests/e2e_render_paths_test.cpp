// The real binary with either scene drawing path: the default (fast) and
// --render literal must play the same game (movement never depends on the
// drawing) and show the same pictures, also right after a slot is loaded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

using testing::RunResult;

// A 16 x 16 picture of 2-texel checks in two shades, as a 24-bit BMP.
void WriteCheckedBmp(const fs::path& path, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> out = {'B', 'M'};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(54 + 16 * 16 * 3);
    put32(0);
    put32(54);
    put32(40);
    put32(16);
    put32(16);
    put32(1 | (24u << 16));  // one plane, 24 bits
    for (int i = 0; i < 6; ++i) put32(0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int shift = ((x / 2 + y / 2) % 2) ? 1 : 0;
            out.push_back(static_cast<uint8_t>(b >> shift));
            out.push_back(static_cast<uint8_t>(g >> shift));
            out.push_back(static_cast<uint8_t>(r >> shift));
        }
    testing::WriteWholeFile(path, out);
}

// A scratch game folder with cube pictures of our own (so texel choices
// show in the pictures) and an empty map folder for the saves.
void MakeGameFolder(const fs::path& dir) {
    fs::create_directories(dir / "map");
    fs::create_directories(dir / "bmp_cube");
    WriteCheckedBmp(dir / "bmp_cube" / "brickold2.bmp", 200, 90, 60);
    WriteCheckedBmp(dir / "bmp_cube" / "grass3.bmp", 60, 200, 60);
    WriteCheckedBmp(dir / "bmp_cube" / "dirt1.bmp", 160, 120, 40);
    WriteCheckedBmp(dir / "bmp_cube" / "QORBAL.bmp", 230, 210, 30);
}

RunResult Delver(const fs::path& dir, const std::string& args, const std::string& script) {
    std::ofstream(dir / "script.txt") << script;
    return testing::RunDelver(dir, "--headless --report --input script.txt " + args);
}

// The pixel bytes of a screenshot (24-bit BMP, rows of whole pixels).
std::vector<uint8_t> Pixels(const fs::path& bmp) {
    std::vector<uint8_t> bytes = testing::ReadWholeFile(bmp);
    if (bytes.size() < 54) return {};
    return std::vector<uint8_t>(bytes.begin() + 54, bytes.end());
}

// Share of pixels, in per cent, that differ by more than 1 in a channel.
double DifferingPercent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size() || a.empty()) return 100.0;
    size_t n = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        bool d = false;
        for (int k = 0; k < 3; ++k) d |= std::abs(int(a[i + k]) - int(b[i + k])) > 1;
        n += d;
    }
    return 100.0 * static_cast<double>(n) / static_cast<double>(a.size() / 3);
}

// Walks about with mouse look (a click counts from frame 13 on, and once in
// 13 frames), widens the view to 30 and saves to slot 1.
std::string TourScript() {
    std::string s =
        "0 mouse 200 90\n14 click right\n16 mouse 150 90\n30 click left\n60 mouse 120 100\n"
        "100 mouse 60 92\n110 click left\n";
    for (int f = 112; f < 136; ++f) s += std::to_string(f) + " tap RBRACKET\n";
    return s + "140 tap F5\n150 mouse 170 95\n";
}

// Looks about at view distance 30, and loads slot 1 at frame 42 if asked.
std::string LookScript(bool load) {
    std::string s = "0 mouse 160 80\n14 click right\n";
    for (int f = 16; f < 40; ++f) s += std::to_string(f) + " tap RBRACKET\n";
    return load ? s + "42 tap F7\n" : s;
}

TEST(EndToEndRenderPaths, DefaultAndLiteralPlayTheSameGame) {
    ScratchDir fast, literal;
    MakeGameFolder(fast.path());
    MakeGameFolder(literal.path());
    const std::string args = "--seed 42 --frames 160 --screenshot shot.bmp";
    const RunResult a = Delver(fast.path(), args, TourScript());
    const RunResult b = Delver(literal.path(), args + " --render literal", TourScript());
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(a.out.find("\"view_distance\":30"), std::string::npos) << a.out;
    EXPECT_EQ(a.out, b.out);  // every field of the report
    EXPECT_EQ(testing::ReadWholeFile(fast.path() / "map" / "SAVEGAME1.unit"),
              testing::ReadWholeFile(literal.path() / "map" / "SAVEGAME1.unit"));
    EXPECT_LE(DifferingPercent(Pixels(fast.path() / "shot.bmp"), Pixels(literal.path() / "shot.bmp")), 0.2);
}

TEST(EndToEndRenderPaths, LoadedSlotIsDrawnFromTheNextFrame) {
    ScratchDir dir;
    MakeGameFolder(dir.path());
    ASSERT_EQ(Delver(dir.path(), "--seed 7 --frames 141", TourScript()).status, 0);
    ASSERT_TRUE(fs::exists(dir.path() / "map" / "SAVEGAME1.mainmap"));

    // Another world, seen at view distance 30; the slot of the first is
    // loaded after frame 42 has been shown, so frame 43 shows the first world.
    const std::string args = "--seed 8 --frames 44 --screenshot ";
    const RunResult fast = Delver(dir.path(), args + "fast.bmp", LookScript(true));
    const RunResult literal = Delver(dir.path(), args + "literal.bmp --render literal", LookScript(true));
    const RunResult unloaded = Delver(dir.path(), args + "unloaded.bmp", LookScript(false));
    ASSERT_EQ(fast.status, 0) << fast.err;
    ASSERT_EQ(literal.status, 0) << literal.err;
    ASSERT_EQ(unloaded.status, 0) << unloaded.err;
    EXPECT_EQ(fast.out, literal.out);
    const auto shot = Pixels(dir.path() / "fast.bmp");
    EXPECT_LE(DifferingPercent(shot, Pixels(dir.path() / "literal.bmp")), 0.2);
    // The load really changed what is seen, so a stale picture would show.
    EXPECT_GT(DifferingPercent(shot, Pixels(dir.path() / "unloaded.bmp")), 2.0);
}

}  // namespace
}  // namespace delver
