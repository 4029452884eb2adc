// The map's seen cells beside a save slot: kept whole, read back, and a
// missing or wrong-sized file gives nothing seen.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "persist/seen_map.h"
#include "support/test_support.h"

namespace delver {
namespace {

TEST(SeenMap, SeenCellsRoundTripBesideTheSlotAndABadFileGivesNothing) {
    testing::ScratchDir dir;
    dir.Enter();
    std::filesystem::create_directory("map");
    SeenCells seen;
    seen.MarkAround(10, 20, 39, 2);
    EXPECT_TRUE(seen.Seen(12, 22, 40));
    EXPECT_FALSE(seen.Seen(13, 20, 39));
    ASSERT_TRUE(SaveSeenCells(seen, 2));
    EXPECT_EQ(std::filesystem::file_size("map/SAVEGAME2.seen"), static_cast<uintmax_t>(GridCells / 8));
    EXPECT_FALSE(std::filesystem::exists("map/SAVEGAME2.seen.tmp"));

    SeenCells back;
    ASSERT_TRUE(LoadSeenCells(back, 2));
    EXPECT_EQ(back.bits, seen.bits);
    EXPECT_FALSE(LoadSeenCells(back, 1));  // a slot saved without the map
    EXPECT_FALSE(back.Seen(10, 20, 39));
    testing::WriteWholeFile("map/SAVEGAME2.seen", std::vector<uint8_t>(100, 0xff));
    EXPECT_FALSE(LoadSeenCells(back, 2));
    EXPECT_FALSE(back.Seen(0, 0, 0));
}

}  // namespace
}  // namespace delver
