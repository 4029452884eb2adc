// World finishing: the layer map of the playable world, the surface, the
// levels carved at twice their size, the shafts, the player's start, the
// objectives and collecting them.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/world_finishing.h"

namespace delver {
namespace {

struct World {
    WorldGrids g;
    ShellState shell;
    RandomSource r;
    World() { g.Allocate(); }
    uint8_t& At(int x, int y, int z) { return g.WorldGrid[CellIndex(x, y, z)]; }
    uint8_t& Marker(int x, int y, int z) { return g.MarkerGrid[CellIndex(x, y, z)]; }
    // Fills level g's square (g = 1..9) with one code.
    void FillLevel(int g, uint8_t code) {
        for (int y = LevelSquareLow; y <= LevelSquareHigh; ++y)
            for (int x = LevelSquareLow; x <= LevelSquareHigh; ++x) At(x, y, FirstLevelLayer - 1 + g) = code;
    }
};

// What a cell of layers 1..138 must hold, leaving the shafts aside: rock
// with air above it, the surface from the plan, the levels carved at twice
// their size and the slabs opened under stair heads.
uint8_t ExpectedCell(World& w, int x, int y, int z) {
    const uint8_t plan = w.At(x, y, 0);
    uint8_t v = z <= 30 ? Empty : Brick;
    if (z == 29 && plan >= 19) v = Brick;
    if (z == 30 && plan >= 11 && plan <= 18) v = Grass;
    if (z == 31 && plan == 10) v = Dirt;
    if (x >= 4 && x <= 69 && y >= 4 && y <= 69) {
        for (int lv = 1; lv <= PlayableLevelCount; ++lv) {
            const uint8_t code = w.At(x / 2 + 110, y / 2 + 110, FirstLevelLayer - 1 + lv);
            if ((z == 3 * lv + 27 || z == 3 * lv + 28) && code != LevelRock) v = Empty;
            if (z == 3 * lv + 29 && code == StairHead) v = Empty;
        }
    }
    return v;
}

int CountMarkers(World& w) {
    int n = 0;
    for (int i = 0; i < GridCells; ++i) n += w.g.MarkerGrid[i] != 0;
    return n;
}

// Checks the whole grid against the layer map; returns the shaft cells.
std::set<std::pair<int, int>> CheckLayerMap(World& w, const std::vector<uint8_t>& workLayers) {
    std::set<std::pair<int, int>> shaft;
    for (int z = 1; z <= 138; ++z) {
        for (int y = 0; y < GridWidth; ++y) {
            for (int x = 0; x < GridWidth; ++x) {
                const uint8_t want = ExpectedCell(w, x, y, z);
                const uint8_t got = w.At(x, y, z);
                if (got == want) continue;
                // Only a shaft may differ: open cells of layers 28..38.
                EXPECT_TRUE(z >= 28 && z <= 38 && got == Empty && x <= 128 && y <= 128)
                    << "cell " << x << "," << y << "," << z << " holds " << int(got) << ", not " << int(want);
                shaft.insert({x, y});
            }
        }
    }
    for (auto [x, y] : shaft) {
        for (int z = 28; z <= 39; ++z) EXPECT_EQ(w.At(x, y, z), Empty) << x << "," << y << "," << z;
        // Part of a 2 x 2 block that is open on layer 39.
        bool inBlock = false;
        for (int by = y - 1; by <= y && !inBlock; ++by) {
            for (int bx = x - 1; bx <= x && !inBlock; ++bx) {
                if (bx < 0 || by < 0 || bx > 127 || by > 127) continue;
                inBlock = w.At(bx, by, 39) == Empty && w.At(bx + 1, by, 39) == Empty && w.At(bx, by + 1, 39) == Empty &&
                          w.At(bx + 1, by + 1, 39) == Empty;
            }
        }
        EXPECT_TRUE(inBlock) << x << "," << y;
    }
    // Layers from 139 on: the work layers untouched, the rest empty.
    EXPECT_EQ(std::memcmp(w.g.WorldGrid.get() + CellIndex(0, 0, 139), workLayers.data(), workLayers.size()), 0);
    return shaft;
}

std::vector<uint8_t> WorkLayers(World& w) {
    const uint8_t* from = w.g.WorldGrid.get() + CellIndex(0, 0, 139);
    return std::vector<uint8_t>(from, from + static_cast<size_t>(LayerCount - 139) * LayerStride);
}

void CheckObjectives(World& w) {
    int markers = 0;
    const uint8_t* grid = w.g.MarkerGrid.get();
    for (int i = 0; i < GridCells; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, grid + i, 8);
        if (!chunk) continue;  // skip empty stretches quickly
        for (int j = i; j < i + 8; ++j) {
            if (!grid[j]) continue;
            ++markers;
            const int z = j / LayerStride, y = j % LayerStride / GridWidth, x = j % GridWidth;
            EXPECT_EQ(grid[j], ObjectiveMarker);
            EXPECT_TRUE(z == 0 || z == 25) << z;
            EXPECT_LE(y, 127);
            EXPECT_EQ(w.At(x, y, z), Empty);
        }
    }
    EXPECT_EQ(markers, w.shell.ObjectiveTotal);
    EXPECT_LE(w.shell.ObjectiveTotal, MaxObjectives);
    EXPECT_EQ(w.shell.ObjectivesFound, 0);
}

TEST(WorldFinishing, GeneratedWorldFollowsTheLayerMap) {
    for (uint32_t seed : {0u, 5u, 1700000000u}) {
        SCOPED_TRACE(seed);
        auto w = std::make_unique<World>();
        if (seed == 5) {
            // A surface plan using every code.
            for (int i = 0; i < LayerStride; ++i) w->g.WorldGrid[i] = static_cast<uint8_t>((i * 37 + i / 256) % 256);
        }
        std::vector<uint8_t> plan(w->g.WorldGrid.get(), w->g.WorldGrid.get() + LayerStride);
        GeneratorWorkspace ws;
        AllocateGeneratorWorkspace(ws, true);
        SeedRandom(w->r, seed);
        GeneratePlayableLevels(w->g, ws, w->r);
        const std::vector<uint8_t> work = WorkLayers(*w);
        w->shell.PlayerCell[0] = 5;
        w->shell.PlayerCell[1] = 6;
        w->shell.FrameCounter = 99;
        w->shell.MouseLook = 1;
        w->shell.ObjectivesFound = 7;
        const uint64_t revision = w->g.Changes.Revision;
        FinishWorld(w->g, w->shell, w->r);
        EXPECT_GT(w->g.Changes.WholeGridRevision, revision);  // what the scene kept is stale

        EXPECT_EQ(std::memcmp(w->g.WorldGrid.get(), plan.data(), LayerStride), 0);  // layer 0 as read
        const auto shaft = CheckLayerMap(*w, work);
        EXPECT_FALSE(shaft.empty());  // level 4 always has open ground for some
        EXPECT_EQ(w->shell.PlayerCell[0], 5);
        EXPECT_EQ(w->shell.PlayerCell[1], 6);
        EXPECT_EQ(w->shell.PlayerCell[2], 39);
        EXPECT_EQ(w->shell.FrameCounter, 0);
        EXPECT_EQ(w->shell.MouseLook, 0);
        CheckObjectives(*w);
    }
}

TEST(WorldFinishing, SurfaceComesFromThePlan) {
    auto w = std::make_unique<World>();
    for (int lv = 1; lv <= PlayableLevelCount; ++lv) w->FillLevel(lv, LevelRock);  // nothing carved, no shafts
    const uint8_t codes[] = {10, 15, 200, 9, 11, 18, 19, 255, 0, 1};
    for (int i = 0; i < 10; ++i) w->At(i, 200, 0) = codes[i];
    // Marker layers of the body are cleared, layer 0's are not.
    w->Marker(3, 3, 1) = ObjectiveMarker;
    w->Marker(3, 3, 138) = ObjectiveMarker;
    w->Marker(3, 3, 0) = ObjectiveMarker;
    SeedRandom(w->r, 1);
    FinishWorld(w->g, w->shell, w->r);

    auto column = [&](int x) { return std::vector<int>{w->At(x, 200, 29), w->At(x, 200, 30), w->At(x, 200, 31)}; };
    EXPECT_EQ(column(0), (std::vector<int>{Empty, Empty, Dirt}));   // 10
    EXPECT_EQ(column(1), (std::vector<int>{Empty, Grass, Brick}));  // 15
    EXPECT_EQ(column(2), (std::vector<int>{Brick, Empty, Brick}));  // 200
    EXPECT_EQ(column(3), (std::vector<int>{Empty, Empty, Brick}));  // 9
    EXPECT_EQ(column(4), (std::vector<int>{Empty, Grass, Brick}));  // 11
    EXPECT_EQ(column(5), (std::vector<int>{Empty, Grass, Brick}));  // 18
    EXPECT_EQ(column(6), (std::vector<int>{Brick, Empty, Brick}));  // 19
    EXPECT_EQ(column(7), (std::vector<int>{Brick, Empty, Brick}));  // 255
    EXPECT_EQ(column(8), (std::vector<int>{Empty, Empty, Brick}));  // 0
    EXPECT_EQ(column(9), (std::vector<int>{Empty, Empty, Brick}));  // 1
    EXPECT_EQ(w->Marker(3, 3, 1), 0);
    EXPECT_EQ(w->Marker(3, 3, 138), 0);
    EXPECT_EQ(w->Marker(3, 3, 0) + 0, ObjectiveMarker + 0);
    const std::vector<uint8_t> work = WorkLayers(*w);
    EXPECT_TRUE(CheckLayerMap(*w, work).empty());
}

TEST(WorldFinishing, LevelsAreCarvedAtTwiceTheirSize) {
    auto w = std::make_unique<World>();
    for (int lv = 1; lv <= PlayableLevelCount; ++lv) w->FillLevel(lv, LevelRock);
    w->At(120, 130, 141) = StairHead;   // level 2
    w->At(112, 144, 140) = LevelFloor;  // level 1's corner
    w->At(144, 112, 148) = Chest;       // level 9's other corner
    SeedRandom(w->r, 2);
    FinishWorld(w->g, w->shell, w->r);

    for (int z : {33, 34, 35}) {
        for (int y = 39; y <= 42; ++y) {
            for (int x = 19; x <= 22; ++x) {
                const bool open = x >= 20 && x <= 21 && y >= 40 && y <= 41;
                EXPECT_EQ(w->At(x, y, z), open ? Empty : Brick) << x << "," << y << "," << z;
            }
        }
    }
    for (int y = 67; y <= 70; ++y) {
        for (int x = 3; x <= 6; ++x) {
            const bool open = x >= 4 && x <= 5 && y >= 68 && y <= 69;
            EXPECT_EQ(w->At(x, y, 31), open ? Empty : Brick) << x << "," << y;
            EXPECT_EQ(w->At(x, y, 30), Empty);
            EXPECT_EQ(w->At(x, y, 32), Brick);  // no stair head, no opening in the slab
        }
    }
    EXPECT_EQ(w->At(68, 4, 54), Empty);
    EXPECT_EQ(w->At(69, 5, 55), Empty);
    EXPECT_EQ(w->At(68, 4, 56), Brick);
    EXPECT_EQ(w->At(68, 4, 57), Brick);
    int open = 0;
    for (int z = 31; z <= 138; ++z)
        for (int i = 0; i < LayerStride; ++i) open += w->g.WorldGrid[CellIndex(0, 0, z) + i] == Empty;
    EXPECT_EQ(open, 4 + 3 * 4 + 2 * 4);
}

TEST(WorldFinishing, LevelsTheGeneratorNeverBuiltLieOpen) {
    auto w = std::make_unique<World>();
    for (int lv = 1; lv <= 4; ++lv) w->FillLevel(lv, LevelRock);  // levels 5..9 stayed Empty
    SeedRandom(w->r, 3);
    FinishWorld(w->g, w->shell, w->r);
    for (int z = 31; z <= 60; ++z) {
        const bool openLayer = z >= 42 && z <= 56 && (z - 42) % 3 != 2;
        int empty = 0;
        for (int y = 0; y < GridWidth; ++y)
            for (int x = 0; x < GridWidth; ++x) empty += w->At(x, y, z) == Empty;
        EXPECT_EQ(empty, openLayer ? 66 * 66 : 0) << z;
    }
    EXPECT_EQ(w->At(4, 4, 42), Empty);
    EXPECT_EQ(w->At(69, 69, 43), Empty);
    EXPECT_EQ(w->At(70, 69, 43), Brick);
}

TEST(WorldFinishing, ShaftsRiseFromLevelFourThroughLayers28To38) {
    auto w = std::make_unique<World>();
    for (int lv = 1; lv <= PlayableLevelCount; ++lv) w->FillLevel(lv, LevelRock);
    w->FillLevel(4, LevelFloor);  // layer 39 open over columns and rows 4..69
    SeedRandom(w->r, 11);
    const std::vector<uint8_t> work = WorkLayers(*w);
    // The shafts take the first 2000 draws of the finishing pass, x then y.
    RandomSource copy = w->r;
    std::set<std::pair<int, int>> expected;
    for (int i = 0; i < 1000; ++i) {
        const int x = static_cast<int>(RandomBelow(copy, 128));
        const int y = static_cast<int>(RandomBelow(copy, 128));
        if (x >= 4 && x + 1 <= 69 && y >= 4 && y + 1 <= 69) {
            for (int dy = 0; dy <= 1; ++dy)
                for (int dx = 0; dx <= 1; ++dx) expected.insert({x + dx, y + dy});
        }
    }
    ASSERT_FALSE(expected.empty());
    FinishWorld(w->g, w->shell, w->r);
    // Every shaft cell was rock on layers 31..38 before, so the cells that
    // differ from the unshafted map are exactly the shafts.
    EXPECT_EQ(CheckLayerMap(*w, work), expected);
    for (auto [x, y] : expected) {
        for (int z = 27; z <= 39; ++z) {
            const uint8_t want = z == 27 || z == 39 ? ExpectedCell(*w, x, y, z) : uint8_t{Empty};
            EXPECT_EQ(w->At(x, y, z), want) << x << "," << y << "," << z;
        }
    }
}

TEST(WorldFinishing, ObjectivesLieOnlyInOpenCellsOfLayers0And25) {
    auto w = std::make_unique<World>();
    // A plan that is solid in every other cell: layer-0 candidates succeed
    // only on the others.
    for (int i = 0; i < LayerStride; ++i) w->g.WorldGrid[i] = (i & 1) ? 200 : 0;
    int giveUpEarly = 0, none = 0;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        SCOPED_TRACE(seed);
        std::memset(w->g.MarkerGrid.get(), 0, static_cast<size_t>(26) * LayerStride);
        SeedRandom(w->r, seed);
        RandomSource copy = w->r;
        const int drawnTotal = static_cast<int>(RandomBelow(copy, 21));
        const int factor = static_cast<int>(RandomBelow(copy, 9));
        PlaceObjectives(w->g, w->shell, w->r);
        CheckObjectives(*w);
        if (drawnTotal == 0) {
            ++none;
            EXPECT_EQ(w->shell.ObjectiveTotal, 0);
            EXPECT_EQ(w->r.state, copy.state);  // nothing drawn after the factor
        } else if (factor == 0) {
            ++giveUpEarly;
            EXPECT_LE(w->shell.ObjectiveTotal, std::min(drawnTotal, 2));
        } else {
            EXPECT_EQ(w->shell.ObjectiveTotal, drawnTotal);
        }
    }
    EXPECT_GT(giveUpEarly, 0);
    EXPECT_GT(none, 0);
}

TEST(WorldFinishing, ACellIsNeverCountedAsTwoObjectives) {
    // Only one cell anywhere can take an objective, so every further
    // candidate draws that same cell again.
    auto w = std::make_unique<World>();
    std::memset(w->g.WorldGrid.get(), 1, static_cast<size_t>(26) * LayerStride);
    w->At(5, 3, 25) = Empty;
    uint32_t seed = 0;
    for (;; ++seed) {
        RandomSource probe;
        SeedRandom(probe, seed);
        const uint32_t total = RandomBelow(probe, 21);
        if (total >= 2 && RandomBelow(probe, 9) == 1) break;
    }
    SeedRandom(w->r, seed);
    PlaceObjectives(w->g, w->shell, w->r);
    EXPECT_EQ(w->shell.ObjectiveTotal, 1);
    EXPECT_EQ(CountMarkers(*w), 1);
    EXPECT_EQ(w->Marker(5, 3, 25), ObjectiveMarker);
}

TEST(WorldFinishing, CollectingTakesAnObjectiveOnce) {
    auto w = std::make_unique<World>();
    w->Marker(3, 4, 25) = ObjectiveMarker;
    w->Marker(0, 0, 25) = ObjectiveMarker;
    w->Marker(0, 1, 25) = ObjectiveMarker;
    w->Marker(255, 255, 179) = ObjectiveMarker;
    ShellState& s = w->shell;
    s.PlayerCell[0] = 3;
    s.PlayerCell[1] = 4;
    s.PlayerCell[2] = 25;
    const uint64_t revision = w->g.Changes.Revision;
    CollectObjective(w->g, s);
    EXPECT_EQ(s.ObjectivesFound, 1);
    EXPECT_EQ(w->Marker(3, 4, 25), 0);
    // The scene is told that the cell changed.
    EXPECT_EQ(w->g.Changes.Revision, revision + 1);
    EXPECT_EQ(w->g.Changes.Cells[w->g.Changes.Revision % GridChangeNotes::CellNoteCapacity], CellIndex(3, 4, 25));
    CollectObjective(w->g, s);  // standing on it again
    EXPECT_EQ(s.ObjectivesFound, 1);
    EXPECT_EQ(w->g.Changes.Revision, revision + 1);

    // Cells off the grid hold nothing, even where their index would land
    // on a marked cell, and far-off cells must not overflow the index.
    const int32_t offGrid[][3] = {
        {256, -1, 25},
        {256, 0, 25},
        {-256, 1, 25},
        {-1, 2, 25},
        {65536, 0, 24},
        {0, 0, 180},
        {0, 256, 179},
        {-1, 0, 0},
        {INT_MIN, 0, 25},
        {0, 0, 1 << 30},
        {INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN, INT_MIN, INT_MIN},
    };
    for (const auto& cell : offGrid) {
        std::memcpy(s.PlayerCell, cell, sizeof s.PlayerCell);
        CollectObjective(w->g, s);
    }
    EXPECT_EQ(s.ObjectivesFound, 1);
    EXPECT_EQ(w->Marker(0, 0, 25), ObjectiveMarker);
    EXPECT_EQ(w->Marker(0, 1, 25), ObjectiveMarker);

    s.PlayerCell[0] = s.PlayerCell[1] = 255;
    s.PlayerCell[2] = 179;
    CollectObjective(w->g, s);
    EXPECT_EQ(s.ObjectivesFound, 2);
    EXPECT_EQ(s.ObjectiveTotal, 0);  // never changed by collecting
}

}  // namespace
}  // namespace delver
