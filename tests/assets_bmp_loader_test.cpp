// The BMP loader: accepted and refused files, what a slot holds afterwards,
// and headers that claim more than the file carries.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "assets/bmp.h"
#include "assets/sprite.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteWholeFile;

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 54-byte header claiming width x height at 24 bits, followed by the
// given pixel bytes as they lie on disk.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, const std::vector<uint8_t>& pixelBytes) {
    std::vector<uint8_t> b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe32(b, 2, static_cast<uint32_t>(54 + pixelBytes.size()));
    PutLe32(b, 10, 54);
    PutLe32(b, 14, 40);
    PutLe32(b, 18, static_cast<uint32_t>(width));
    PutLe32(b, 22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    b.resize(54 + pixelBytes.size());
    for (size_t i = 0; i < pixelBytes.size(); ++i) b[54 + i] = pixelBytes[i];
    return b;
}

std::vector<uint8_t> Ramp(size_t n, uint8_t start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
    return v;
}

class BmpLoader : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Enter();
        fs::create_directory(dir.path() / "bmp_test");
        table.Allocate();
    }
    void Write(const char* name, const std::vector<uint8_t>& bytes) {
        WriteWholeFile(dir.path() / "bmp_test" / name, bytes);
    }
    static std::string GamePath(const char* name) { return std::string(".\\bmp_test\\") + name; }
    // Puts a known 2 x 1 picture into slot, so that later refusals can be
    // seen to leave it alone.
    void Occupy(int slot) {
        Write("first.bmp", Bmp(2, 1, {1, 2, 3, 4, 5, 6}));
        ASSERT_TRUE(LoadSprite(table, GamePath("first.bmp"), slot));
    }
    void ExpectFirstPicture(int slot) {
        const Sprite& s = table.Slots[slot];
        EXPECT_EQ(s.width, 2);
        EXPECT_EQ(s.height, 1);
        EXPECT_EQ(s.bytesPerPixel, 3);
        ASSERT_NE(s.pixels, nullptr);
        const uint8_t want[6] = {3, 2, 1, 6, 5, 4};
        EXPECT_EQ(std::memcmp(s.pixels.get(), want, 6), 0);
    }
    void ExpectHeaderOnly(int slot, int32_t width, int32_t height) {
        const Sprite& s = table.Slots[slot];
        EXPECT_EQ(s.width, width);
        EXPECT_EQ(s.height, height);
        EXPECT_EQ(s.bytesPerPixel, 3);
        EXPECT_EQ(s.pixels, nullptr);
    }

    ScratchDir dir;
    SpriteTable table;
};

TEST_F(BmpLoader, FourByTwoComesOutRgbBottomRowFirst) {
    // Bottom row: blue, green, red, white; top row: four greys. On disk each
    // pixel is blue-green-red.
    std::vector<uint8_t> disk = {255, 0,  0,  0,  255, 0,  0,  0,  255, 255, 255, 255,
                                 10,  20, 30, 40, 50,  60, 70, 80, 90,  100, 110, 120};
    Write("four.bmp", Bmp(4, 2, disk));
    ASSERT_TRUE(LoadSprite(table, GamePath("four.bmp"), 7));
    const Sprite& s = table.Slots[7];
    EXPECT_EQ(s.width, 4);
    EXPECT_EQ(s.height, 2);
    EXPECT_EQ(s.bytesPerPixel, 3);
    ASSERT_NE(s.pixels, nullptr);
    const std::vector<uint8_t> want = {0,  0,  255, 0,  255, 0,  255, 0,  0,  255, 255, 255,
                                       30, 20, 10,  60, 50,  40, 90,  80, 70, 120, 110, 100};
    EXPECT_EQ(std::vector<uint8_t>(s.pixels.get(), s.pixels.get() + 24), want);
}

TEST_F(BmpLoader, ThreeByTwoReadsEighteenBytesAcrossTheRowPadding) {
    // A standard file: 9 pixel bytes and 3 padding bytes (0xEE) per row.
    std::vector<uint8_t> disk = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,
                                 11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE};
    Write("three.bmp", Bmp(3, 2, disk));
    ASSERT_TRUE(LoadSprite(table, GamePath("three.bmp"), 8));
    const Sprite& s = table.Slots[8];
    ASSERT_NE(s.pixels, nullptr);
    const std::vector<uint8_t> want = {3, 2, 1, 6, 5, 4, 9, 8, 7, 0xEE, 0xEE, 0xEE, 13, 12, 11, 16, 15, 14};
    EXPECT_EQ(std::vector<uint8_t>(s.pixels.get(), s.pixels.get() + 18), want);

    // Exactly 18 pixel bytes are enough.
    Write("three_tight.bmp", Bmp(3, 2, Ramp(18)));
    EXPECT_TRUE(LoadSprite(table, GamePath("three_tight.bmp"), 9));
}

TEST_F(BmpLoader, RefusedHeadersLeaveTheSlotAlone) {
    Occupy(5);
    std::vector<uint8_t> good = Bmp(2, 2, Ramp(12));

    Write("short.bmp", std::vector<uint8_t>(good.begin(), good.begin() + 53));
    EXPECT_FALSE(LoadSprite(table, GamePath("short.bmp"), 5));
    ExpectFirstPicture(5);

    Write("empty.bmp", {});
    EXPECT_FALSE(LoadSprite(table, GamePath("empty.bmp"), 5));
    ExpectFirstPicture(5);

    for (auto [b0, b1] : {std::pair<uint8_t, uint8_t>{'M', 'B'}, {'B', 'A'}, {'X', 'M'}}) {
        std::vector<uint8_t> f = good;
        f[0] = b0;
        f[1] = b1;
        Write("magic.bmp", f);
        EXPECT_FALSE(LoadSprite(table, GamePath("magic.bmp"), 5));
        ExpectFirstPicture(5);
    }

    for (uint8_t bits : {1, 4, 8, 16, 32, 0, 23, 25}) {
        std::vector<uint8_t> f = good;
        f[28] = bits;
        Write("bits.bmp", f);
        EXPECT_FALSE(LoadSprite(table, GamePath("bits.bmp"), 5)) << int(bits);
        ExpectFirstPicture(5);
    }
}

TEST_F(BmpLoader, OnlyTheLowByteOfTheBitCountAndNothingElseIsChecked) {
    std::vector<uint8_t> f = Bmp(2, 2, Ramp(12));
    f[29] = 1;              // high byte of the bit count
    PutLe32(f, 30, 3);      // compression field
    PutLe32(f, 2, 999999);  // file size field
    Write("odd.bmp", f);
    EXPECT_TRUE(LoadSprite(table, GamePath("odd.bmp"), 3));
}

TEST_F(BmpLoader, PixelArrayOneByteShortKeepsDimensionsButNoPixels) {
    Occupy(6);
    Write("short_pixels.bmp", Bmp(4, 2, Ramp(23)));
    EXPECT_FALSE(LoadSprite(table, GamePath("short_pixels.bmp"), 6));
    ExpectHeaderOnly(6, 4, 2);
}

TEST_F(BmpLoader, LongerInfoHeaderStillReadsFromByte54) {
    // A 124-byte info header with the data offset at 138; the loader ignores
    // both and reads straight behind the 54-byte header.
    std::vector<uint8_t> body = Ramp(84 + 12, 100);
    std::vector<uint8_t> f = Bmp(2, 2, body);
    PutLe32(f, 10, 138);
    PutLe32(f, 14, 124);
    Write("v5.bmp", f);
    ASSERT_TRUE(LoadSprite(table, GamePath("v5.bmp"), 4));
    const Sprite& s = table.Slots[4];
    ASSERT_NE(s.pixels, nullptr);
    EXPECT_EQ(s.pixels[0], 102);
    EXPECT_EQ(s.pixels[1], 101);
    EXPECT_EQ(s.pixels[2], 100);
    EXPECT_EQ(s.pixels[11], 109);
}

TEST_F(BmpLoader, SecondLoadReplacesTheFirstPicture) {
    Occupy(10);
    Write("second.bmp", Bmp(1, 3, {7, 8, 9, 10, 11, 12, 13, 14, 15}));
    ASSERT_TRUE(LoadSprite(table, GamePath("second.bmp"), 10));
    const Sprite& s = table.Slots[10];
    EXPECT_EQ(s.width, 1);
    EXPECT_EQ(s.height, 3);
    const std::vector<uint8_t> want = {9, 8, 7, 12, 11, 10, 15, 14, 13};
    EXPECT_EQ(std::vector<uint8_t>(s.pixels.get(), s.pixels.get() + 9), want);
}

TEST_F(BmpLoader, MissingFileIsCreatedEmptyOnlyWhenItsFolderExists) {
    Occupy(11);
    EXPECT_FALSE(LoadSprite(table, GamePath("absent.bmp"), 11));
    ExpectFirstPicture(11);
    ASSERT_TRUE(fs::exists(dir.path() / "bmp_test" / "absent.bmp"));
    EXPECT_EQ(fs::file_size(dir.path() / "bmp_test" / "absent.bmp"), 0u);

    EXPECT_FALSE(LoadSprite(table, ".\\bmp_nowhere\\absent.bmp", 11));
    ExpectFirstPicture(11);
    EXPECT_FALSE(fs::exists(dir.path() / "bmp_nowhere"));
}

TEST_F(BmpLoader, SlotsOutsideTheTableAreRefused) {
    Write("fine.bmp", Bmp(1, 1, {1, 2, 3}));
    EXPECT_FALSE(LoadSprite(table, GamePath("fine.bmp"), -1));
    EXPECT_FALSE(LoadSprite(table, GamePath("fine.bmp"), SpriteSlotCount));
    EXPECT_TRUE(LoadSprite(table, GamePath("fine.bmp"), SpriteSlotCount - 1));
    SpriteTable unallocated;
    EXPECT_FALSE(LoadSprite(unallocated, GamePath("fine.bmp"), 0));
}

// Headers whose sides are zero or negative, or whose pixel count is larger
// than the file (or 32 bits) can hold: the load fails like a short read.
TEST_F(BmpLoader, HostileHeadersFailWithoutPixels) {
    struct Case {
        int32_t width, height;
        size_t bytesInFile;
    };
    const Case cases[] = {
        {0, 2, 12},
        {2, 0, 12},
        {0, 0, 0},
        {-2, 2, 12},
        {2, -2, 12},
        {-2, -2, 12},  // product positive, sides not
        {INT32_MIN, 1, 12},
        {1000, 1000, 10},      // plausible, but the file is tiny
        {20000, 20000, 3},     // 1.2e9 bytes claimed
        {100000, 100000, 12},  // beyond 32 bits
        {INT32_MAX, INT32_MAX, 12},
        {1073741825, 4, 12},  // 3 x w x h wraps to 12 in 32 bits
        {715827883, 1, 12},   // 3 x w just above 2^31
    };
    for (const Case& c : cases) {
        Occupy(12);
        Write("hostile.bmp", Bmp(c.width, c.height, Ramp(c.bytesInFile)));
        EXPECT_FALSE(LoadSprite(table, GamePath("hostile.bmp"), 12)) << c.width << " x " << c.height;
        ExpectHeaderOnly(12, c.width, c.height);
    }
}

TEST_F(BmpLoader, APictureBeyondTheSizeBoundIsRefusedEvenWhenTheFileHoldsIt) {
    // A sparse file that really holds 1025 x 1024 pixels: no disk is used,
    // and the loader must not take the 3 MiB either.
    Write("huge.bmp", Bmp(1025, 1024, {}));
    fs::resize_file(dir.path() / "bmp_test" / "huge.bmp", 54 + 1025 * 1024 * 3);
    Occupy(7);
    EXPECT_FALSE(LoadSprite(table, GamePath("huge.bmp"), 7));
    ExpectHeaderOnly(7, 1025, 1024);
    // The bound itself is a picture like any other.
    Write("huge.bmp", Bmp(1024, 1024, {}));
    fs::resize_file(dir.path() / "bmp_test" / "huge.bmp", 54 + 1024 * 1024 * 3);
    EXPECT_TRUE(LoadSprite(table, GamePath("huge.bmp"), 7));
}

TEST_F(BmpLoader, ExtraBytesAfterThePixelsAreIgnored) {
    Write("long.bmp", Bmp(1, 1, {1, 2, 3, 4, 5, 6, 7}));
    ASSERT_TRUE(LoadSprite(table, GamePath("long.bmp"), 1));
    EXPECT_EQ(table.Slots[1].pixels[0], 3);
    EXPECT_EQ(table.Slots[1].pixels[2], 1);
}

// The one writer: what it writes, the loader reads back as it was painted,
// from either row order; a width whose rows are not whole words is padded
// as the format requires, and a bad size writes nothing.
TEST_F(BmpLoader, TheWriterAndTheLoaderAgreeAndOddRowsArePadded) {
    const std::vector<uint8_t> rgb = Ramp(4 * 2 * 3, 10);  // 4 x 2, bottom row first
    std::vector<uint8_t> topFirst(rgb.begin() + 12, rgb.end());
    topFirst.insert(topFirst.end(), rgb.begin(), rgb.begin() + 12);
    const std::vector<uint8_t> file = EncodeBmp24(rgb, 4, 2, RowOrder::BottomFirst);
    ASSERT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[2], 78);   // file size
    EXPECT_EQ(file[10], 54);  // pixels offset
    EXPECT_EQ(file[18], 4);
    EXPECT_EQ(file[22], 2);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(file[34], 24);  // pixel bytes
    EXPECT_EQ(file[54], 12);  // blue-green-red on disk
    EXPECT_EQ(file[56], 10);
    EXPECT_EQ(EncodeBmp24(topFirst, 4, 2, RowOrder::TopFirst), file);
    Write("w.bmp", file);
    ASSERT_TRUE(LoadSprite(table, GamePath("w.bmp"), 5));
    EXPECT_EQ(std::vector<uint8_t>(table.Slots[5].pixels.get(), table.Slots[5].pixels.get() + 24), rgb);

    const std::vector<uint8_t> odd = EncodeBmp24(Ramp(3 * 2 * 3), 3, 2, RowOrder::BottomFirst);
    ASSERT_EQ(odd.size(), 54u + 2 * 12);
    EXPECT_EQ(odd[54 + 9], 0);  // the three pad bytes of the first row
    EXPECT_EQ(odd[54 + 11], 0);
    EXPECT_EQ(odd[54 + 12], 11);  // the second row starts on a word: blue of (0, 1)

    EXPECT_TRUE(EncodeBmp24(rgb, 0, 2, RowOrder::BottomFirst).empty());
    EXPECT_TRUE(EncodeBmp24(rgb, 4, 3, RowOrder::BottomFirst).empty());  // too few pixels
}

}  // namespace
}  // namespace delver
