// The image catalogue: its rows, the order they load in, shared files and
// slots, and start-up with the image folders missing or empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "assets/asset_catalogue.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteWholeFile;

// ".\bmp_unit\unit_ogre.bmp" -> "bmp_unit/unit_ogre.bmp"
fs::path OnDisk(const std::string& gamePath) {
    std::string p = gamePath.substr(2);
    for (char& c : p)
        if (c == '\\') c = '/';
    return fs::path(p);
}

std::string FolderOf(const std::string& gamePath) { return gamePath.substr(2, gamePath.find('\\', 2) - 2); }

// The eight folder loaders in start-up order: each takes the next `rows`
// rows of the catalogue, from `folder`.
struct Loader {
    const char* name;
    size_t rows;
    const char* folder;
    void (*load)(SpriteTable& table);
};
constexpr Loader kLoaders[8] = {
    {"LoadCrossSprites", 1, "bmp_cross", LoadCrossSprites},
    {"LoadUnitSprites", 58, "bmp_unit", LoadUnitSprites},
    {"LoadLandSprites", 27, "bmp_land", LoadLandSprites},
    {"LoadDungeonSprites", 40, "bmp_dungeon", LoadDungeonSprites},
    {"LoadStructureSprites", 10, "bmp_structure", LoadStructureSprites},
    {"LoadItemSprites", 56, "bmp_item", LoadItemSprites},
    {"LoadScreenSprites", 1, "bmp_scr", LoadScreenSprites},
    {"LoadCubeSprites", 24, "bmp_cube", LoadCubeSprites},
};

// The rows loader i loads.
std::span<const CatalogueRow> RowsOf(size_t i) {
    size_t first = 0;
    for (size_t k = 0; k < i; ++k) first += kLoaders[k].rows;
    return AssetCatalogueRows().subspan(first, kLoaders[i].rows);
}

std::set<std::string> DistinctPaths() {
    std::set<std::string> out;
    for (const CatalogueRow& r : AssetCatalogueRows()) out.insert(r.path);
    return out;
}

std::set<std::string> DistinctFolders() {
    std::set<std::string> out;
    for (const CatalogueRow& r : AssetCatalogueRows()) out.insert(FolderOf(r.path));
    return out;
}

// A small 24-bit picture unique to `tag`: 2 x 2, every pixel carrying the
// tag in its blue and green bytes.
std::vector<uint8_t> TaggedBmp(int tag) {
    std::vector<uint8_t> b(54 + 12, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[18] = 2;
    b[22] = 2;
    b[26] = 1;
    b[28] = 24;
    for (int i = 0; i < 4; ++i) {
        b[54 + 3 * i] = static_cast<uint8_t>(tag);           // blue
        b[54 + 3 * i + 1] = static_cast<uint8_t>(tag >> 8);  // green
        b[54 + 3 * i + 2] = 0x5A;                            // red
    }
    return b;
}

// The tag a slot holds (-1 when it holds no picture).
int TagOf(const Sprite& s) {
    if (!s.pixels) return -1;
    return s.pixels[2] | (s.pixels[1] << 8);
}

TEST(AssetCatalogueRows, CountsFoldersAndSlotsPerLoader) {
    ASSERT_EQ(AssetCatalogueRows().size(), 217u);
    size_t total = 0;
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(kLoaders[i].name);
        total += kLoaders[i].rows;
        const auto rows = RowsOf(i);
        for (size_t r = 0; r < rows.size(); ++r) {
            const std::string path = rows[r].path;
            const bool cubeUnitRow = i == 7 && r >= 10;
            EXPECT_EQ(FolderOf(path), cubeUnitRow ? "bmp_unit" : kLoaders[i].folder) << path;
            EXPECT_EQ(path.rfind(".\\", 0), 0u) << path;
            EXPECT_EQ(path.substr(path.size() - 4), ".bmp") << path;
            EXPECT_EQ(std::count(path.begin(), path.end(), '\\'), 2) << path;
        }
    }
    EXPECT_EQ(total, 217u);  // the loaders tile the rows in order

    // Slot ranges of each loader.
    const std::pair<int, int> ranges[8] = {{1104, 1104}, {801, 983}, {10, 194},    {111, 167},
                                           {390, 408},   {0, 3001},  {1000, 1000}, {1201, 1223}};
    for (size_t i = 0; i < 8; ++i) {
        int lo = 1 << 30, hi = -1;
        for (const CatalogueRow& r : RowsOf(i)) {
            lo = std::min(lo, r.slot);
            hi = std::max(hi, r.slot);
        }
        EXPECT_EQ(lo, ranges[i].first) << kLoaders[i].name;
        EXPECT_EQ(hi, ranges[i].second) << kLoaders[i].name;
    }
}

TEST(AssetCatalogueRows, SpotChecksAndDistinctPaths) {
    auto rows = AssetCatalogueRows();
    EXPECT_STREQ(rows[0].path, ".\\bmp_cross\\cross4.bmp");
    EXPECT_EQ(rows[0].slot, 1104);
    EXPECT_STREQ(rows[1].path, ".\\bmp_unit\\unit_giant_rat.bmp");
    EXPECT_STREQ(rows[216].path, ".\\bmp_unit\\unit_pleidian.bmp");
    EXPECT_EQ(rows[216].slot, 1223);

    // The cube loader's whale blade and gold come from bmp_cube.
    auto cube = RowsOf(7);
    EXPECT_STREQ(cube[4].path, ".\\bmp_cube\\item_whale_blade.bmp");
    EXPECT_STREQ(cube[7].path, ".\\bmp_cube\\item_gold.bmp");
    // Slot 1210 is named twice, orb first, slime second.
    EXPECT_STREQ(cube[9].path, ".\\bmp_cube\\QORBAL.bmp");
    EXPECT_EQ(cube[9].slot, 1210);
    EXPECT_STREQ(cube[10].path, ".\\bmp_unit\\unit_green_slime.bmp");
    EXPECT_EQ(cube[10].slot, 1210);

    // 217 rows minus the repeats: whale blade and orb in the cube folder,
    // thirteen unit pictures the cube loader reloads, and the mage, source
    // and forest_leaf loaded twice each by their own folders.
    EXPECT_EQ(DistinctPaths().size(), 199u);

    std::set<int> slots;
    for (const CatalogueRow& r : rows) slots.insert(r.slot);
    EXPECT_EQ(slots.size(), 216u);  // only 1210 repeats
    EXPECT_FALSE(slots.count(1200));
}

class CatalogueLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Enter();
        table.Allocate();
    }
    void MakeFolders() {
        for (const std::string& f : DistinctFolders()) fs::create_directory(dir.path() / f);
    }
    // Writes every distinct file with its own tag; returns path -> tag.
    std::map<std::string, int> WriteAll() {
        MakeFolders();
        std::map<std::string, int> tags;
        int next = 1;
        for (const std::string& p : DistinctPaths()) {
            tags[p] = next;
            WriteWholeFile(dir.path() / OnDisk(p), TaggedBmp(next));
            ++next;
        }
        return tags;
    }
    size_t FilesUnder() {
        size_t n = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file()) ++n;
        return n;
    }
    void ExpectAllSlotsEmpty() {
        for (int i = 0; i < SpriteSlotCount; ++i) {
            const Sprite& s = table.Slots[i];
            ASSERT_TRUE(s.pixels == nullptr && s.width == 0 && s.height == 0 && s.bytesPerPixel == 0) << "slot " << i;
        }
    }

    ScratchDir dir;
    SpriteTable table;
};

TEST_F(CatalogueLoad, EverySlotHoldsItsLastRowsPicture) {
    auto tags = WriteAll();
    LoadAssetCatalogue(table);

    std::map<int, std::string> lastRow;
    for (const CatalogueRow& r : AssetCatalogueRows()) lastRow[r.slot] = r.path;
    for (const auto& [slot, path] : lastRow) EXPECT_EQ(TagOf(table.Slots[slot]), tags[path]) << slot;
    EXPECT_EQ(TagOf(table.Slots[1210]), tags[".\\bmp_unit\\unit_green_slime.bmp"]);
    EXPECT_EQ(TagOf(table.Slots[1209]), tags[".\\bmp_cube\\QORBAL.bmp"]);
    EXPECT_EQ(table.Slots[1200].pixels, nullptr);

    // Slots outside the catalogue stay empty.
    size_t loaded = 0;
    for (int i = 0; i < SpriteSlotCount; ++i)
        if (table.Slots[i].pixels) ++loaded;
    EXPECT_EQ(loaded, lastRow.size());

    // Slots sharing a file hold the same picture.
    for (auto [a, b] : {std::pair{1205, 1207},
                        {130, 160},
                        {21, 193},
                        {849, 981},
                        {811, 1211},
                        {802, 1210},
                        {822, 1213},
                        {904, 1222}}) {
        ASSERT_NE(table.Slots[a].pixels, nullptr);
        EXPECT_EQ(TagOf(table.Slots[a]), TagOf(table.Slots[b])) << a << " / " << b;
        EXPECT_NE(table.Slots[a].pixels.get(), table.Slots[b].pixels.get());  // each slot owns its own copy
    }
}

TEST_F(CatalogueLoad, EachLoaderFillsExactlyTheSlotsOfItsOwnRows) {
    WriteAll();
    for (size_t k = 0; k < 8; ++k) {
        SpriteTable one;
        one.Allocate();
        kLoaders[k].load(one);
        std::set<int> own;
        for (const CatalogueRow& r : RowsOf(k)) own.insert(r.slot);
        for (int i = 0; i < SpriteSlotCount; ++i)
            ASSERT_EQ(one.Slots[i].pixels != nullptr, own.count(i) == 1) << kLoaders[k].name << ", slot " << i;
    }
}

TEST_F(CatalogueLoad, MissingSlimeLeavesTheOrbInSlot1210) {
    auto tags = WriteAll();
    fs::remove(dir.path() / OnDisk(".\\bmp_unit\\unit_green_slime.bmp"));
    LoadAssetCatalogue(table);
    EXPECT_EQ(TagOf(table.Slots[1210]), tags[".\\bmp_cube\\QORBAL.bmp"]);
    EXPECT_EQ(TagOf(table.Slots[1209]), tags[".\\bmp_cube\\QORBAL.bmp"]);
    EXPECT_EQ(table.Slots[802].pixels, nullptr);
    EXPECT_EQ(fs::file_size(dir.path() / OnDisk(".\\bmp_unit\\unit_green_slime.bmp")), 0u);
}

TEST_F(CatalogueLoad, EveryFolderMissingCreatesNothing) {
    LoadAssetCatalogue(table);
    ExpectAllSlotsEmpty();
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(CatalogueLoad, EmptyFoldersGetOneEmptyFilePerDistinctPath) {
    MakeFolders();
    LoadAssetCatalogue(table);
    ExpectAllSlotsEmpty();
    EXPECT_EQ(FilesUnder(), 199u);
    for (const std::string& p : DistinctPaths()) {
        ASSERT_TRUE(fs::exists(dir.path() / OnDisk(p))) << p;
        EXPECT_EQ(fs::file_size(dir.path() / OnDisk(p)), 0u) << p;
    }
}

}  // namespace
}  // namespace delver
