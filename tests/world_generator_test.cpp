// The dungeon generator: the shape of the levels it builds, its stairs and
// furnishings, its stopping rule, and its exact order of random draws
// (checked against a plain try-by-try generator written here).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "world/dungeon_generator.h"
#include "world/grid_ops.h"
#include "world/random.h"
#include "world/room_templates.h"

namespace delver {
namespace {

constexpr int kFirstLayer = 140;
constexpr int kLevels = 9;
constexpr int kLow = 112, kHigh = 144;

struct World {
    WorldGrids g;
    GeneratorWorkspace w;
    RandomSource r;

    World() {
        g.Allocate();
        AllocateGeneratorWorkspace(w, true);
    }
    uint8_t At(int x, int y, int z) const { return g.WorldGrid[CellIndex(x, y, z)]; }
    void Generate(uint32_t seed, int attempts = 400) {
        SeedRandom(r, seed);
        GenerateDungeon(g, w, r, 128, 128, kFirstLayer, kLevels, 32, attempts);
    }
    int Rooms(int z) const { return w.LevelRoomEnd[z] - w.LevelFirstRoom[z]; }
};

std::unique_ptr<World> Built(uint32_t seed, int attempts = 400) {
    auto world = std::make_unique<World>();
    world->Generate(seed, attempts);
    return world;
}

const uint32_t kSeeds[] = {0u, 1u, 42u, 1700000000u, 0xFFFFFFFFu};

bool IsFurnishing(uint8_t c) { return c == Chest || c == Candelabrum || c == Scroll || c == Coffin || c == Fountain; }

int CountCode(const World& w, int z, uint8_t code) {
    int n = 0;
    for (int y = 0; y < GridWidth; ++y)
        for (int x = 0; x < GridWidth; ++x) n += w.At(x, y, z) == code;
    return n;
}

TEST(WorldGenerator, LevelsFillOnlyTheirSquares) {
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        auto w = Built(seed);
        for (int z = 0; z < LayerCount; ++z) {
            const bool level = z >= kFirstLayer && z < kFirstLayer + kLevels;
            for (int y = 0; y < GridWidth; ++y) {
                for (int x = 0; x < GridWidth; ++x) {
                    const uint8_t c = w->At(x, y, z);
                    const bool inSquare = level && x >= kLow && x <= kHigh && y >= kLow && y <= kHigh;
                    if (!inSquare) {
                        ASSERT_EQ(c, Empty) << x << "," << y << "," << z;
                        continue;
                    }
                    // Rock, floor, doors, stairs and furnishings; the room
                    // shapes in use have no pillars.
                    const bool allowed = c == LevelRock || c == LevelFloor || c == Door || c == StairFoot ||
                                         c == StairHead || IsFurnishing(c);
                    ASSERT_TRUE(allowed) << int(c) << " at " << x << "," << y << "," << z;
                }
            }
        }
    }
}

TEST(WorldGenerator, RoomListDescribesEachLevelFromItsCentreRoom) {
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        auto w = Built(seed);
        const GeneratorWorkspace& ws = w->w;
        // Level 1 always opens with the 5 x 5 square at 126..130.
        const RoomRecord& r0 = ws.RoomList[0];
        EXPECT_EQ(r0.x, 126);
        EXPECT_EQ(r0.y, 126);
        EXPECT_EQ(r0.width, 5);
        EXPECT_EQ(r0.height, 5);
        EXPECT_EQ(r0.layer, kFirstLayer);
        EXPECT_EQ(r0.templateNumber, 13);
        for (int y = 126; y <= 130; ++y) {
            for (int x = 126; x <= 130; ++x) {
                const uint8_t c = w->At(x, y, kFirstLayer);
                EXPECT_TRUE(c == LevelFloor || c == StairHead || IsFurnishing(c)) << x << "," << y;
            }
        }
        EXPECT_EQ(ws.LevelFirstRoom[kFirstLayer], 0);
        for (int z = kFirstLayer; z < kFirstLayer + kLevels; ++z) {
            if (z > kFirstLayer) {
                EXPECT_EQ(ws.LevelFirstRoom[z], ws.LevelRoomEnd[z - 1]);
            }
            EXPECT_GE(w->Rooms(z), 1);
            EXPECT_LE(w->Rooms(z), 401);
            const RoomRecord& first = ws.RoomList[ws.LevelFirstRoom[z]];
            if (z > kFirstLayer) {
                EXPECT_LT(first.templateNumber, 13);
                EXPECT_EQ(first.x, 128 - first.width / 2);
                EXPECT_EQ(first.y, 128 - first.height / 2);
            }
            for (int i = ws.LevelFirstRoom[z]; i < ws.LevelRoomEnd[z]; ++i) {
                const RoomRecord& rec = ws.RoomList[i];
                EXPECT_EQ(rec.index, static_cast<uint32_t>(i));
                EXPECT_EQ(rec.layer, z);
                EXPECT_LT(rec.templateNumber, TemplateCount);
                EXPECT_GE(rec.x, kLow);
                EXPECT_GE(rec.y, kLow);
                EXPECT_LE(rec.x + rec.width - 1, kHigh);
                EXPECT_LE(rec.y + rec.height - 1, kHigh);
            }
        }
        EXPECT_EQ(ws.LevelRoomEnd[kFirstLayer + kLevels - 1], ws.RoomCounter);
    }
}

// The floor cells of a room, found from its record: the orientations
// whose size matches and whose floor is all open in the grid. Where
// several fit, only the cells they share are certain.
std::vector<int> CertainFloor(const World& w, const RoomRecord& rec, bool* found) {
    std::vector<int> shared;
    *found = false;
    for (int o = 0; o < 4; ++o) {
        TemplateState ts;
        ParseTemplate(ts, rec.templateNumber, o);
        if (ts.OrientedWidth != rec.width || ts.OrientedHeight != rec.height) continue;
        std::vector<int> cells;
        bool fits = true;
        for (int y = 0; y < ts.OrientedHeight && fits; ++y) {
            for (int x = 0; x < ts.OrientedWidth; ++x) {
                if (ts.TemplateMask[y * MaskStride + x] != MaskFloor) continue;
                const uint8_t c = w.At(rec.x + x, rec.y + y, rec.layer);
                if (c == LevelRock || c == Empty || c == Door) {
                    fits = false;
                    break;
                }
                cells.push_back((rec.y + y) * GridWidth + rec.x + x);
            }
        }
        if (!fits) continue;
        if (!*found) {
            shared = cells;
            *found = true;
        } else {
            std::vector<int> both;
            std::set_intersection(shared.begin(), shared.end(), cells.begin(), cells.end(), std::back_inserter(both));
            shared = both;
        }
    }
    std::sort(shared.begin(), shared.end());
    return shared;
}

int TemplateFloorCount(int t) {
    TemplateState ts;
    ParseTemplate(ts, t, 0);
    int n = 0;
    for (uint8_t m : ts.TemplateMask) n += m == MaskFloor;
    return n;
}

TEST(WorldGenerator, RoomsMeetOnlyThroughDoorways) {
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        auto w = Built(seed);
        const GeneratorWorkspace& ws = w->w;
        for (int z = kFirstLayer; z < kFirstLayer + kLevels; ++z) {
            SCOPED_TRACE(z);
            // Every open cell is a room's floor or one of the n - 1 doorways.
            int open = 0;
            for (int y = kLow; y <= kHigh; ++y)
                for (int x = kLow; x <= kHigh; ++x) open += w->At(x, y, z) != LevelRock;
            int floor = 0;
            std::map<int, int> owner;  // cell -> room
            for (int i = ws.LevelFirstRoom[z]; i < ws.LevelRoomEnd[z]; ++i) {
                const RoomRecord& rec = ws.RoomList[i];
                floor += TemplateFloorCount(rec.templateNumber);
                bool found = false;
                for (int cell : CertainFloor(*w, rec, &found)) {
                    ASSERT_EQ(owner.count(cell), 0u) << "rooms overlap at cell " << cell;
                    owner[cell] = i;
                }
                ASSERT_TRUE(found) << "room " << i << " is not in the grid";
            }
            EXPECT_EQ(open, floor + w->Rooms(z) - 1);
            // No floor cell touches another room's floor, not even at a corner.
            for (const auto& [cell, room] : owner) {
                const int x = cell % GridWidth, y = cell / GridWidth;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        auto it = owner.find((y + dy) * GridWidth + x + dx);
                        if (it != owner.end()) {
                            ASSERT_EQ(it->second, room) << "rooms touch at " << x << "," << y;
                        }
                    }
                }
            }
            // An open cell outside every room is a doorway: between the
            // floors of two different rooms, on opposite sides.
            for (int y = kLow; y <= kHigh; ++y) {
                for (int x = kLow; x <= kHigh; ++x) {
                    const int cell = y * GridWidth + x;
                    if (w->At(x, y, z) == LevelRock || owner.count(cell)) continue;
                    auto roomAt = [&](int c) {
                        auto it = owner.find(c);
                        return it == owner.end() ? -1 : it->second;
                    };
                    const int l = roomAt(cell - 1), r = roomAt(cell + 1);
                    const int u = roomAt(cell - GridWidth), d = roomAt(cell + GridWidth);
                    const bool across = (l >= 0 && r >= 0 && l != r) || (u >= 0 && d >= 0 && u != d);
                    EXPECT_TRUE(across) << "stray open cell " << x << "," << y;
                    EXPECT_TRUE(w->At(x, y, z) == Door || w->At(x, y, z) == LevelFloor ||
                                IsFurnishing(w->At(x, y, z)) || w->At(x, y, z) == StairFoot ||
                                w->At(x, y, z) == StairHead);
                }
            }
        }
    }
}

TEST(WorldGenerator, StairsJoinEachLevelToTheOneAbove) {
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        auto w = Built(seed);
        EXPECT_EQ(CountCode(*w, kFirstLayer, StairFoot), 0);
        EXPECT_EQ(CountCode(*w, kFirstLayer + kLevels - 1, StairHead), 0);
        for (int z = kFirstLayer + 1; z < kFirstLayer + kLevels; ++z) {
            std::set<int> feet, heads;
            for (int y = 0; y < GridWidth; ++y) {
                for (int x = 0; x < GridWidth; ++x) {
                    if (w->At(x, y, z) == StairFoot) feet.insert(y * GridWidth + x);
                    if (w->At(x, y, z - 1) == StairHead) heads.insert(y * GridWidth + x);
                }
            }
            EXPECT_EQ(feet.size(), 2u) << z;
            EXPECT_EQ(feet, heads) << z;
        }
    }
}

TEST(WorldGenerator, FurnishingsFollowTheRoomCount) {
    // 400 attempts give dozens of rooms; 6 give at most 7, where only the
    // candelabra (rooms / 5) can reach a target of 1.
    for (int attempts : {400, 6, 3}) {
        for (uint32_t seed : kSeeds) {
            SCOPED_TRACE(testing::Message() << seed << " attempts " << attempts);
            auto w = Built(seed, attempts);
            for (int z = kFirstLayer; z < kFirstLayer + kLevels; ++z) {
                const int n = w->Rooms(z);
                auto expected = [](int target) { return target > 0 ? target + 1 : 0; };
                EXPECT_EQ(CountCode(*w, z, Chest), expected(n / 25)) << n;
                EXPECT_EQ(CountCode(*w, z, Candelabrum), expected(n / 5)) << n;
                EXPECT_EQ(CountCode(*w, z, Scroll), expected(n / 40)) << n;
                EXPECT_EQ(CountCode(*w, z, Coffin), expected(n / 25)) << n;
                EXPECT_EQ(CountCode(*w, z, Fountain), expected(n / 60)) << n;
                if (n >= 5 && n <= 9) {
                    EXPECT_EQ(CountCode(*w, z, Candelabrum), 2);
                    EXPECT_EQ(CountCode(*w, z, Chest) + CountCode(*w, z, Scroll) + CountCode(*w, z, Coffin) +
                                  CountCode(*w, z, Fountain),
                              0);
                }
            }
        }
    }
}

TEST(WorldGenerator, SpoiltSquareStopsEverything) {
    auto w = std::make_unique<World>();
    w->g.WorldGrid[CellIndex(112, 130, 143)] = Brick;  // inside level 4's square
    w->Generate(7);
    for (int z = kFirstLayer; z < 143; ++z) {
        EXPECT_GT(CountCode(*w, z, LevelRock), 0) << z;
        EXPECT_GT(CountCode(*w, z, LevelFloor), 0) << z;
        for (uint8_t c : {StairFoot, StairHead, Chest, Candelabrum, Scroll, Coffin, Fountain}) {
            EXPECT_EQ(CountCode(*w, z, c), 0) << z << " code " << int(c);
        }
    }
    EXPECT_EQ(w->At(112, 130, 143), Brick);
    for (int z = 143; z < kFirstLayer + kLevels; ++z) {
        EXPECT_EQ(CountCode(*w, z, Empty), z == 143 ? LayerStride - 1 : LayerStride) << z;
    }
    EXPECT_EQ(w->w.RoomCounter, w->w.LevelRoomEnd[142]);

    // A stray cell just outside a square does not stop anything.
    auto outside = std::make_unique<World>();
    outside->g.WorldGrid[CellIndex(111, 130, 143)] = Brick;
    outside->Generate(7);
    EXPECT_EQ(CountCode(*outside, 148, StairFoot), 2);
}

TEST(WorldGenerator, SameSeedSameDungeon) {
    auto a = Built(20240601);
    auto b = Built(20240601);
    EXPECT_EQ(std::memcmp(a->g.WorldGrid.get(), b->g.WorldGrid.get(), GridCells), 0);
    EXPECT_EQ(a->r.state, b->r.state);
    EXPECT_EQ(a->w.RoomCounter, b->w.RoomCounter);
    // Running again in the same workspace, on a fresh grid, changes nothing.
    std::memset(a->g.WorldGrid.get(), 0, GridCells);
    a->Generate(20240601);
    EXPECT_EQ(std::memcmp(a->g.WorldGrid.get(), b->g.WorldGrid.get(), GridCells), 0);

    auto c = Built(20240602);
    EXPECT_NE(std::memcmp(a->g.WorldGrid.get(), c->g.WorldGrid.get(), GridCells), 0);
}

// ----------------------------------------------------------------------
// The generator as its rules read, one draw after another, for comparison.

void StepByStepGenerate(WorldGrids& g, RandomSource& r, std::vector<RoomRecord>& rooms, int centreX, int centreY,
                        int firstLayer, int levelCount, int squareSize, int attempts) {
    rooms.clear();
    std::vector<int> first(LayerCount + 1), end(LayerCount + 1);
    TemplateState ts;
    auto cell = [&](int x, int y, int z) -> uint8_t& { return g.WorldGrid[CellIndex(x, y, z)]; };
    auto add = [&](int z, int t) {
        RoomRecord rec{};
        rec.x = static_cast<uint16_t>(ts.PlacementX);
        rec.y = static_cast<uint16_t>(ts.PlacementY);
        rec.width = static_cast<uint16_t>(ts.OrientedWidth);
        rec.height = static_cast<uint16_t>(ts.OrientedHeight);
        rec.layer = static_cast<uint16_t>(z);
        rec.index = static_cast<uint32_t>(rooms.size());
        rec.templateNumber = static_cast<uint8_t>(t);
        rooms.push_back(rec);
    };
    const int half = squareSize / 2;
    for (int z = firstLayer; z < firstLayer + levelCount; ++z) {
        ts.CurrentLevelLayer = z;
        if (FillEmptyRegion(g, centreX - half, centreY - half, centreX + half, centreY + half, z, LevelRock)) return;
        const int t0 = z == firstLayer ? 13 : static_cast<int>(RandomBelow(r, 13));
        ParseTemplate(ts, t0, 0);
        ts.PlacementX = centreX - ts.OrientedWidth / 2;
        ts.PlacementY = centreY - ts.OrientedHeight / 2;
        if (TestRegion(g, ts.PlacementX - 1, ts.PlacementY - 1, ts.PlacementX + ts.OrientedWidth,
                       ts.PlacementY + ts.OrientedHeight, z, LevelRock)) {
            return;
        }
        StampTemplate(g, ts);
        add(z, t0);
        first[z] = static_cast<int>(rooms.size()) - 1;
        for (int a = 0; a < attempts; ++a) {
            for (int tr = 0; tr < 1000; ++tr) {
                const int o = static_cast<int>(RandomBelow(r, 4));
                const int t = static_cast<int>(RandomBelow(r, 19));
                const RoomRecord p = rooms[first[z] + RandomBelow(r, static_cast<uint32_t>(rooms.size() - first[z]))];
                const int X = p.x + static_cast<int>(RandomBelow(r, p.width));
                const int Y = p.y + static_cast<int>(RandomBelow(r, p.height));
                if (!(2 < X && X < GridWidth - 2 && 2 < Y && Y < GridWidth - 2)) continue;
                int Dx = X, Dy = Y, Ex = X, Ey = Y;
                switch (RandomBelow(r, 4)) {
                case 0:
                    Dy = Y + 1;
                    Ey = Y + 2;
                    break;
                case 1:
                    Dy = Y - 1;
                    Ey = Y - 2;
                    break;
                case 2:
                    Dx = X + 1;
                    Ex = X + 2;
                    break;
                default:
                    Dx = X - 1;
                    Ex = X - 2;
                    break;
                }
                if (cell(X, Y, z) != LevelFloor || cell(Dx, Dy, z) != LevelRock || cell(Ex, Ey, z) != LevelRock)
                    continue;
                MeasureTemplate(ts, t, o);
                const int rx = static_cast<int>(RandomBelow(r, ts.OrientedWidth));
                const int ry = static_cast<int>(RandomBelow(r, ts.OrientedHeight));
                if (TestRegion(g, Ex - rx - 1, Ey - ry - 1, Ex - rx + ts.OrientedWidth, Ey - ry + ts.OrientedHeight, z,
                               LevelRock)) {
                    continue;
                }
                ParseTemplate(ts, t, o);
                if (ts.TemplateMask[ry * MaskStride + rx] != 1) continue;
                ts.PlacementX = Ex - rx;
                ts.PlacementY = Ey - ry;
                StampTemplate(g, ts);
                add(z, t);
                cell(Dx, Dy, z) = RandomBelow(r, 3) == 1 ? Door : LevelFloor;
                break;
            }
        }
        end[z] = static_cast<int>(rooms.size());
    }
    auto candidate = [&](int z, int& cx, int& cy) {
        const int n = end[z] - first[z];
        const RoomRecord& room = rooms[first[z] + RandomBelow(r, n)];
        cx = room.x + static_cast<int>(RandomBelow(r, room.width));
        cy = room.y + static_cast<int>(RandomBelow(r, room.height));
    };
    for (int z = firstLayer; z < firstLayer + levelCount; ++z) {
        const int n = end[z] - first[z];
        if (z != firstLayer) {
            int placed = 0;
            for (int tries = 0; placed < squareSize / 32 + 1 && tries < 1000000; ++tries) {
                int cx, cy;
                candidate(z, cx, cy);
                if (cell(cx, cy, z) == LevelFloor && cell(cx, cy, z - 1) == LevelFloor) {
                    cell(cx, cy, z) = StairFoot;
                    cell(cx, cy, z - 1) = StairHead;
                    ++placed;
                }
            }
        }
        const std::array<std::pair<int, uint8_t>, 5> passes = {
            {{n / 25, Chest}, {n / 5, Candelabrum}, {n / 40, Scroll}, {n / 25, Coffin}, {n / 60, Fountain}}};
        for (auto [target, code] : passes) {
            if (target <= 0) continue;
            int placed = 0;
            for (int tries = 0; placed <= target && tries < 1000000; ++tries) {
                int cx, cy;
                candidate(z, cx, cy);
                if (cell(cx, cy, z) == LevelFloor) {
                    cell(cx, cy, z) = code;
                    ++placed;
                }
            }
        }
    }
}

struct Shape {
    int centreX, centreY, firstLayer, levels, square, attempts;
};

TEST(WorldGenerator, DrawsExactlyAsTheStepByStepRules) {
    const Shape shapes[] = {
        {128, 128, 140, 9, 32, 400},   // the game's own dungeon
        {20, 20, 5, 3, 40, 300},       // a square on the grid's corner: rooms meet the edge
        {225, 60, 0, 2, 60, 500},      // the far edge
        {128, 128, 100, 2, 128, 900},  // a big square, two stairs per level
        {128, 128, 10, 2, 4, 10},      // a square too small for the first room's border
        {128, 128, 176, 9, 32, 50},    // levels that run off the last layer
    };
    for (const Shape& s : shapes) {
        for (uint32_t seed : {3u, 1234567u}) {
            SCOPED_TRACE(testing::Message() << "centre " << s.centreX << "," << s.centreY << " layer " << s.firstLayer
                                            << " square " << s.square << " seed " << seed);
            World fast;
            SeedRandom(fast.r, seed);
            GenerateDungeon(fast.g, fast.w, fast.r, s.centreX, s.centreY, s.firstLayer, s.levels, s.square, s.attempts);

            WorldGrids slow;
            slow.Allocate();
            RandomSource r;
            SeedRandom(r, seed);
            std::vector<RoomRecord> rooms;
            StepByStepGenerate(slow, r, rooms, s.centreX, s.centreY, s.firstLayer, s.levels, s.square, s.attempts);

            EXPECT_EQ(fast.r.state, r.state);
            ASSERT_EQ(fast.w.RoomCounter, static_cast<int>(rooms.size()));
            for (size_t i = 0; i < rooms.size(); ++i) {
                const RoomRecord& a = fast.w.RoomList[i];
                const RoomRecord& b = rooms[i];
                ASSERT_TRUE(a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
                            a.layer == b.layer && a.index == b.index && a.templateNumber == b.templateNumber)
                    << "room " << i;
            }
            EXPECT_EQ(std::memcmp(fast.g.WorldGrid.get(), slow.WorldGrid.get(), GridCells), 0);
        }
    }
}

TEST(WorldGenerator, WorkspaceAllocation) {
    GeneratorWorkspace w;
    AllocateGeneratorWorkspace(w, true);
    ASSERT_TRUE(w.RoomList);
    const RoomRecord& last = w.RoomList[RoomListCapacity - 1];
    EXPECT_EQ(last.x + last.y + last.width + last.height + last.layer + last.index + last.templateNumber, 0);
    ReleaseGeneratorWorkspace(w);
    EXPECT_FALSE(w.RoomList);
    AllocateGeneratorWorkspace(w, false);
    ASSERT_TRUE(w.RoomList);
    // Without a RoomList the generator does nothing rather than crash.
    ReleaseGeneratorWorkspace(w);
    WorldGrids g;
    g.Allocate();
    RandomSource r;
    GenerateDungeon(g, w, r, 128, 128, 140, 9, 32, 400);
    EXPECT_EQ(r.state, 0u);
    EXPECT_EQ(g.WorldGrid[CellIndex(128, 128, 140)], Empty);
}

}  // namespace
}  // namespace delver
