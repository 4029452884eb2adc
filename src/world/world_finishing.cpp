// The playable world from the work layers, and the objectives.
#include "world/world_finishing.h"

#include <cstring>

namespace delver {
namespace {

constexpr int kRockFirst = 1, kRockLast = 138;  // the solid body
constexpr int kAirLast = 30;                    // layers 1..30 are open air
constexpr int kSurfaceBrick = 29, kSurfaceGrass = 30, kSurfaceDirt = 31;
constexpr int kShaftDraws = 1000;
constexpr int kShaftTop = 28, kShaftBottom = 38;
constexpr int kObjectiveLayer = 25;

uint8_t* Layer(WorldGrids& g, int z) { return g.WorldGrid.get() + static_cast<size_t>(z) * LayerStride; }

// Opens the 2 x 2 block of playable cells a level cell becomes.
inline void OpenBlock(uint8_t* layer, int cell) {
    layer[cell] = Empty;
    layer[cell + 1] = Empty;
    layer[cell + GridWidth] = Empty;
    layer[cell + GridWidth + 1] = Empty;
}

}  // namespace

void GeneratePlayableLevels(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r) {
    GenerateDungeon(g, w, r, LevelSquareCentre, LevelSquareCentre, FirstLevelLayer, PlayableLevelCount, LevelSquareSize,
                    LevelRoomAttempts);
}

void FinishWorld(WorldGrids& g, ShellState& shell, RandomSource& r) {
    // Rock body of layers 1..138 with the air of layers 1..30 already taken
    // out of it; the marker layers of the body are cleared.
    std::memset(Layer(g, kRockFirst), Empty, static_cast<size_t>(kAirLast - kRockFirst + 1) * LayerStride);
    std::memset(Layer(g, kAirLast + 1), Brick, static_cast<size_t>(kRockLast - kAirLast) * LayerStride);
    std::memset(g.MarkerGrid.get() + static_cast<size_t>(kRockFirst) * LayerStride, 0,
                static_cast<size_t>(kRockLast - kRockFirst + 1) * LayerStride);

    // Surface from the overworld plan.
    const uint8_t* plan = Layer(g, 0);
    uint8_t* brick = Layer(g, kSurfaceBrick);
    uint8_t* grass = Layer(g, kSurfaceGrass);
    uint8_t* dirt = Layer(g, kSurfaceDirt);
    for (int i = 0; i < LayerStride; ++i) {
        const uint8_t c = plan[i];
        if (c == 10) {
            dirt[i] = Dirt;
        } else if (c >= 11 && c <= 18) {
            grass[i] = Grass;
        } else if (c >= 19) {
            brick[i] = Brick;
        }
    }

    // The levels, carved at twice their size, one level every three layers.
    for (int lv = 1; lv <= PlayableLevelCount; ++lv) {
        const uint8_t* work = Layer(g, FirstLevelLayer - 1 + lv);
        uint8_t* open0 = Layer(g, LevelOpenLayer(lv));
        uint8_t* open1 = Layer(g, LevelOpenLayer(lv) + 1);
        uint8_t* slab = Layer(g, LevelOpenLayer(lv) + 2);
        for (int y = LevelSquareLow; y <= LevelSquareHigh; ++y) {
            for (int x = LevelSquareLow; x <= LevelSquareHigh; ++x) {
                const uint8_t code = work[y * GridWidth + x];
                if (code == LevelRock) continue;
                const int cell = CarvedColumn(y) * GridWidth + CarvedColumn(x);
                OpenBlock(open0, cell);
                OpenBlock(open1, cell);
                if (code == StairHead) OpenBlock(slab, cell);
            }
        }
    }

    shell.FrameCounter = 0;
    shell.PlayerCell[2] = PlayerStartLayer;

    // Shafts from open parts of level 4 up into the air.
    const uint8_t* floor4 = Layer(g, PlayerStartLayer);
    for (int i = 0; i < kShaftDraws; ++i) {
        const int x = static_cast<int>(RandomBelow(r, 128));
        const int y = static_cast<int>(RandomBelow(r, 128));
        const int cell = y * GridWidth + x;
        if (floor4[cell] != Empty || floor4[cell + 1] != Empty || floor4[cell + GridWidth] != Empty ||
            floor4[cell + GridWidth + 1] != Empty) {
            continue;
        }
        for (int z = kShaftTop; z <= kShaftBottom; ++z) OpenBlock(Layer(g, z), cell);
    }

    shell.MouseLook = 0;
    PlaceObjectives(g, shell, r);
    NoteGridsReplaced(g);
}

void PlaceObjectives(WorldGrids& g, ShellState& shell, RandomSource& r) {
    shell.ObjectiveTotal = static_cast<int32_t>(RandomBelow(r, MaxObjectives + 1));
    shell.ObjectivesFound = 0;
    const uint32_t giveUp = RandomBelow(r, 9) * 1000000u;
    int32_t placed = 0;
    uint32_t tries = 0;
    const uint8_t* world = g.WorldGrid.get();
    uint8_t* markers = g.MarkerGrid.get();
    while (placed < shell.ObjectiveTotal) {
        // Mostly the open air of layer 25; one time in eighteen the surface
        // plan of layer 0. Both draws stay within rows 0..127.
        uint32_t index;
        if (RandomBelow(r, 18) != 0) {
            index = kObjectiveLayer * LayerStride + RandomBelow(r, 36u * LayerStride);
        } else {
            index = RandomBelow(r, 61u * LayerStride);
        }
        // A cell that already holds an objective is a failed try: counting
        // it twice would promise more objectives than there are.
        if (index < static_cast<uint32_t>(GridCells) && world[index] == Empty && markers[index] != ObjectiveMarker) {
            markers[index] = ObjectiveMarker;
            ++placed;
        }
        if (tries > giveUp) {
            if (placed < shell.ObjectiveTotal) shell.ObjectiveTotal = placed;
            break;
        }
        if (placed >= shell.ObjectiveTotal) break;
        ++tries;
    }
}

bool IsShaftCell(const uint8_t* world, int c, int r, int l) {
    if (l < RockBodyFirstLayer || l > RockBodyLastLayer || c < 1 || c > GridWidth - 2 || r < 1 || r > GridWidth - 2)
        return false;
    return world[CellIndex(c, r, l)] == Empty && world[CellIndex(c, r, l - 1)] == Empty &&
           world[CellIndex(c, r, l + 1)] == Empty;
}

void CollectObjective(WorldGrids& g, ShellState& shell) {
    const int x = shell.PlayerCell[0], y = shell.PlayerCell[1], z = shell.PlayerCell[2];
    if (!CellInGrid(x, y, z)) return;
    uint8_t& marker = g.MarkerGrid[CellIndex(x, y, z)];
    if (marker != ObjectiveMarker) return;
    marker = 0;
    // A loaded slot may carry any count: it wraps like the 32-bit integer
    // it is saved as instead of overflowing.
    shell.ObjectivesFound = static_cast<int32_t>(static_cast<uint32_t>(shell.ObjectivesFound) + 1u);
    NoteCellChanged(g, x, y, z);  // the scene stops drawing the marker
}

}  // namespace delver
