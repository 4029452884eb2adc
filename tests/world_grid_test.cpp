// The grid's addressing, the rectangle operations the generator builds on,
// and the world's random source.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "world/grid_ops.h"
#include "world/random.h"
#include "world/world_state.h"

namespace delver {
namespace {

TEST(WorldGrid, AddressingCoversExactlyTheGrid) {
    EXPECT_EQ(CellIndex(0, 0, 0), 0);
    EXPECT_EQ(CellIndex(1, 0, 0), 1);
    EXPECT_EQ(CellIndex(0, 1, 0), 256);
    EXPECT_EQ(CellIndex(0, 0, 1), 65536);
    EXPECT_EQ(CellIndex(255, 255, 179), 11796479);
    EXPECT_EQ(CellIndex(255, 255, 179), GridCells - 1);

    EXPECT_TRUE(CellInGrid(0, 0, 0));
    EXPECT_TRUE(CellInGrid(255, 255, 179));
    EXPECT_FALSE(CellInGrid(256, 0, 0));
    EXPECT_FALSE(CellInGrid(0, 256, 0));
    EXPECT_FALSE(CellInGrid(0, 0, 180));
    EXPECT_FALSE(CellInGrid(-1, 0, 0));
    EXPECT_FALSE(CellInGrid(INT_MIN, INT_MIN, INT_MIN));
    EXPECT_FALSE(CellInGrid(INT_MAX, 0, 1 << 30));
}

class WorldRegion : public ::testing::Test {
protected:
    void SetUp() override { g.Allocate(); }
    uint8_t& At(int x, int y, int z) { return g.WorldGrid[CellIndex(x, y, z)]; }
    WorldGrids g;
};

TEST_F(WorldRegion, TestRegionPassesOnlyWhenEveryInLayerCellHoldsTheCode) {
    const int z = 140;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) At(x, y, z) = LevelRock;
    EXPECT_EQ(TestRegion(g, 0, 0, 9, 9, z, LevelRock), 0);
    EXPECT_EQ(TestRegion(g, 0, 0, 10, 9, z, LevelRock), 1);  // column 10 holds 0
    // Reaching past any edge fails even though the in-layer part matches.
    EXPECT_EQ(TestRegion(g, -1, 0, 9, 9, z, LevelRock), 1);
    EXPECT_EQ(TestRegion(g, 0, -1, 9, 9, z, LevelRock), 1);
    EXPECT_EQ(TestRegion(g, 250, 250, 256, 255, 0, Empty), 1);
    EXPECT_EQ(TestRegion(g, 250, 250, 255, 256, 0, Empty), 1);
    EXPECT_EQ(TestRegion(g, 0, 0, 255, 255, 1, Empty), 0);  // a whole empty layer
    // A single different cell anywhere fails it.
    At(5, 7, z) = LevelFloor;
    EXPECT_EQ(TestRegion(g, 0, 0, 9, 9, z, LevelRock), 1);
    EXPECT_EQ(TestRegion(g, 5, 7, 5, 7, z, LevelFloor), 0);
    // A code no byte can hold never matches.
    EXPECT_EQ(TestRegion(g, 0, 0, 0, 0, 1, 256), 1);
    EXPECT_EQ(TestRegion(g, 0, 0, 0, 0, 1, -1), 1);
}

TEST_F(WorldRegion, EmptyRectanglesPassWithoutReadingAndBadLayersFail) {
    // No cell is read for an empty rectangle, so even wild arguments pass.
    EXPECT_EQ(TestRegion(g, 5, 5, 4, 9, 140, LevelRock), 0);
    EXPECT_EQ(TestRegion(g, 5, 5, 9, 4, 140, LevelRock), 0);
    EXPECT_EQ(TestRegion(g, 5, 5, 4, 9, 100000, LevelRock), 0);
    // A layer outside the grid fails instead of reading past it.
    EXPECT_EQ(TestRegion(g, 0, 0, 1, 1, LayerCount, Empty), 1);
    EXPECT_EQ(TestRegion(g, 0, 0, 1, 1, -1, Empty), 1);
    EXPECT_EQ(FillEmptyRegion(g, 0, 0, 1, 1, LayerCount, LevelRock), 1);
    EXPECT_EQ(FillEmptyRegion(g, 0, 0, 1, 1, -5, LevelRock), 1);
}

TEST_F(WorldRegion, FillEmptyRegionWritesAllOrNothing) {
    const int z = 141;
    // One non-zero cell: nothing written.
    At(14, 12, z) = Door;
    EXPECT_EQ(FillEmptyRegion(g, 10, 10, 20, 20, z, LevelRock), 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) EXPECT_EQ(At(x, y, z), (x == 14 && y == 12) ? Door : Empty) << x << "," << y;

    // Clean ground: exactly the rectangle is written, with the code's low byte.
    EXPECT_EQ(FillEmptyRegion(g, 30, 40, 35, 42, z, 0x100 | LevelRock), 0);
    for (int y = 38; y < 45; ++y) {
        for (int x = 28; x < 38; ++x) {
            const bool inside = x >= 30 && x <= 35 && y >= 40 && y <= 42;
            EXPECT_EQ(At(x, y, z), inside ? LevelRock : Empty) << x << "," << y;
        }
    }
    // Filled cells are no longer empty, so a second fill over them fails.
    EXPECT_EQ(FillEmptyRegion(g, 35, 42, 36, 43, z, LevelRock), 1);
    EXPECT_EQ(At(36, 43, z), Empty);

    // Reaching past the layer's edge: refused, nothing written.
    EXPECT_EQ(FillEmptyRegion(g, 250, 0, 256, 3, z, LevelRock), 1);
    EXPECT_EQ(At(250, 0, z), Empty);
    EXPECT_EQ(At(0, 1, z), Empty);  // the cell a wrapped write would hit
    // Filling up to the last cell of the grid works.
    EXPECT_EQ(FillEmptyRegion(g, 255, 255, 255, 255, LayerCount - 1, Brick), 0);
    EXPECT_EQ(g.WorldGrid[GridCells - 1], Brick);
}

TEST(WorldRandom, FollowsTheFixedSequence) {
    RandomSource r;
    SeedRandom(r, 0);
    const uint32_t fromZero[] = {38, 7719, 21238, 2437, 8855, 11797};
    for (uint32_t v : fromZero) EXPECT_EQ(RandomDraw(r), v);

    SeedRandom(r, 12345);
    const uint32_t from12345[] = {7584, 19164, 25795, 22125, 5828, 23405};
    for (uint32_t v : from12345) EXPECT_EQ(RandomDraw(r), v);

    // Seeding restarts the sequence and the state is the whole story.
    SeedRandom(r, 0);
    EXPECT_EQ(r.state, 0u);
    EXPECT_EQ(RandomDraw(r), 38u);
    EXPECT_EQ(r.state, 2531011u);
}

TEST(WorldRandom, DrawsStayFifteenBitAndRemaindersBehave) {
    RandomSource r;
    SeedRandom(r, 0xDEADBEEF);
    uint32_t largest = 0;
    for (int i = 0; i < 100000; ++i) largest = std::max(largest, RandomDraw(r));
    EXPECT_LE(largest, 32767u);
    EXPECT_GE(largest, 32700u);

    for (int i = 0; i < 1000; ++i) EXPECT_EQ(RandomBelow(r, 1), 0u);
    for (uint32_t n : {2u, 3u, 19u, 128u, 32767u, 32768u}) {
        for (int i = 0; i < 1000; ++i) EXPECT_LT(RandomBelow(r, n), n);
    }
    // Above 32767 a remainder is the raw draw: the objective placement's
    // cells depend on that.
    for (uint32_t n : {32769u, 36u * 65536u, 61u * 65536u, 0xFFFFFFFFu}) {
        RandomSource copy = r;
        EXPECT_EQ(RandomBelow(r, n), RandomDraw(copy));
    }
    // A zero divisor gives the raw draw instead of faulting.
    RandomSource copy = r;
    EXPECT_EQ(RandomBelow(r, 0), RandomDraw(copy));
    // Every remainder consumes exactly one draw.
    RandomSource a, b;
    SeedRandom(a, 77);
    SeedRandom(b, 77);
    RandomBelow(a, 5);
    RandomDraw(b);
    EXPECT_EQ(a.state, b.state);
}

}  // namespace
}  // namespace delver
