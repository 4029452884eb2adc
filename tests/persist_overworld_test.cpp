// Loading the overworld plan into layer 0: open-always, short and long
// files, and the one-second pause only when the map folder exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "persist/overworld.h"
#include "support/fake_platform.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

class PersistOverworld : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Enter();
        g.Allocate();
    }
    int NonZeroCells() const {
        int n = 0;
        for (int i = 0; i < GridCells; ++i) n += g.WorldGrid[i] != 0;
        return n;
    }
    ScratchDir dir;
    WorldGrids g;
    testing::FakePlatform platform;
};

TEST_F(PersistOverworld, MissingFileIsLeftBehindEmptyAndStillPauses) {
    fs::create_directory("map");
    LoadOverworld(g, platform, 1);
    ASSERT_TRUE(fs::exists("map/1.overworld"));
    EXPECT_EQ(fs::file_size("map/1.overworld"), 0u);
    EXPECT_EQ(platform.VirtualMilliseconds(), 1000u);
    EXPECT_EQ(NonZeroCells(), 0);
}

TEST_F(PersistOverworld, NoMapFolderMeansNoFileAndNoPause) {
    LoadOverworld(g, platform, 1);
    EXPECT_FALSE(fs::exists("map"));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(platform.VirtualMilliseconds(), 0u);
    EXPECT_EQ(NonZeroCells(), 0);
}

TEST_F(PersistOverworld, BytesLandInLayerZeroRowByRow) {
    fs::create_directory("map");
    std::vector<uint8_t> plan(OverworldBytes, 0);
    plan[257] = 19;
    WriteWholeFile("map/1.overworld", plan);
    const uint64_t revision = g.Changes.Revision;
    LoadOverworld(g, platform, 1);
    EXPECT_GT(g.Changes.WholeGridRevision, revision);  // the scene must look again
    EXPECT_EQ(g.WorldGrid[CellIndex(1, 1, 0)], 19);
    EXPECT_EQ(NonZeroCells(), 1);
    EXPECT_EQ(platform.VirtualMilliseconds(), 1000u);
    EXPECT_EQ(ReadWholeFile("map/1.overworld"), plan);  // read, never changed

    // Other numbers name other files.
    std::vector<uint8_t> other(OverworldBytes, 0);
    other[CellIndex(255, 255, 0)] = 10;
    WriteWholeFile("map/12.overworld", other);
    LoadOverworld(g, platform, 12);
    EXPECT_EQ(g.WorldGrid[CellIndex(255, 255, 0)], 10);
    EXPECT_EQ(g.WorldGrid[CellIndex(1, 1, 0)], 0);
}

TEST_F(PersistOverworld, ShortAndLongFiles) {
    fs::create_directory("map");
    // A short file fills only the leading cells; the rest keep their values.
    for (int i = 0; i < OverworldBytes; ++i) g.WorldGrid[i] = 7;
    WriteWholeFile("map/1.overworld", std::vector<uint8_t>(300, 11));
    LoadOverworld(g, platform, 1);
    for (int i = 0; i < OverworldBytes; ++i) ASSERT_EQ(g.WorldGrid[i], i < 300 ? 11 : 7) << i;

    // A long file: only one layer is read, layer 1 stays as it was.
    std::vector<uint8_t> big(OverworldBytes + 5000, 200);
    for (int i = 0; i < OverworldBytes; ++i) big[i] = static_cast<uint8_t>(i % 251);
    WriteWholeFile("map/1.overworld", big);
    LoadOverworld(g, platform, 1);
    for (int i = 0; i < OverworldBytes; ++i) ASSERT_EQ(g.WorldGrid[i], i % 251) << i;
    for (int i = OverworldBytes; i < 2 * OverworldBytes; ++i) ASSERT_EQ(g.WorldGrid[i], 0) << i;
    EXPECT_EQ(platform.VirtualMilliseconds(), 2000u);
}

}  // namespace
}  // namespace delver
