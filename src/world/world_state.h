// The game's world state: the two cell grids, the shell variables of the
// frame loop, the unit table and the camera. Plain data; the routines that
// change it live beside it in world/, view3d/, ui/ and persist/.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace delver {

// Grid dimensions.
inline constexpr int GridWidth = 256;
inline constexpr int LayerCount = 180;
inline constexpr int LayerStride = GridWidth * GridWidth;
inline constexpr int GridCells = LayerStride * LayerCount;  // 11,796,480

// Byte offset of cell (x, y, z): layer z, row y, column x. No range check.
constexpr int CellIndex(int x, int y, int z) { return z * LayerStride + y * GridWidth + x; }

// True when (x, y, z) names a cell of the grid. Works for any 32-bit input.
constexpr bool CellInGrid(int x, int y, int z) {
    return x >= 0 && x < GridWidth && y >= 0 && y < GridWidth && z >= 0 && z < LayerCount;
}

// Cell codes of the WorldGrid.
enum CellCode : uint8_t {
    Empty = 0,
    Brick = 1,
    Grass = 2,
    Dirt = 3,
    DiagonalPane = 4,
    LevelFloor = 60,   // '<'
    LevelRock = 61,    // '='
    Door = 70,         // 'F'
    StairFoot = 76,    // 'L'
    StairHead = 77,    // 'M'
    Fountain = 84,     // 'T'
    Candelabrum = 86,  // 'V'
    Coffin = 88,       // 'X'
    Chest = 90,        // 'Z'
    Scroll = 100,      // 'd'
    Pillar = 160,
};

inline constexpr uint8_t ObjectiveMarker = 10;

// Notes of the changes made to the grids while the game runs, so that what
// is kept of them between frames (the scene's face lists) can follow them.
// Revision counts every note; the latest CellNoteCapacity single-cell notes
// are kept, note r at Cells[r % CellNoteCapacity].
struct GridChangeNotes {
    static constexpr int CellNoteCapacity = 64;
    uint64_t Revision = 0;
    uint64_t WholeGridRevision = 0;        // the latest note that covers every cell
    int32_t Cells[CellNoteCapacity] = {};  // CellIndex of each kept single-cell note
};

// The two grids, allocated once at start-up and zero-filled.
struct WorldGrids {
    std::unique_ptr<uint8_t[]> WorldGrid;
    std::unique_ptr<uint8_t[]> MarkerGrid;
    GridChangeNotes Changes;

    // Allocates both grids filled with zeros (a change of every cell).
    void Allocate() {
        WorldGrid = std::make_unique<uint8_t[]>(GridCells);
        MarkerGrid = std::make_unique<uint8_t[]>(GridCells);
        Changes.WholeGridRevision = ++Changes.Revision;
    }
    void Release() {
        WorldGrid.reset();
        MarkerGrid.reset();
    }
};

// Every routine that writes a grid cell once the frame loop runs says so
// here: one cell of either grid (its faces and its neighbours' faces, or its
// marker, may have changed). Cells outside the grid are ignored.
inline void NoteCellChanged(WorldGrids& g, int x, int y, int z) {
    if (!CellInGrid(x, y, z)) return;
    GridChangeNotes& n = g.Changes;
    ++n.Revision;
    n.Cells[n.Revision % GridChangeNotes::CellNoteCapacity] = CellIndex(x, y, z);
}

// Says that any cell of either grid may have changed (a loaded slot).
inline void NoteGridsReplaced(WorldGrids& g) { g.Changes.WholeGridRevision = ++g.Changes.Revision; }

// The frame loop's variables.
struct ShellState {
    int32_t QuitRequested = 0;
    int32_t FrameCounter = 0;
    int32_t ViewDistance = 14;  // replaced by 6 just before the loop
    int32_t PixelZoom = 2;
    int32_t PlayerCell[3] = {0, 0, 0};  // X column, Y row, Z layer
    int32_t MouseLook = 0;
    int32_t AutoWalk = 0;
    int32_t ObjectiveTotal = 0;
    int32_t ObjectivesFound = 0;
    // Indexed by mouse button: 1 left, 3 right; 0 and 2 unused.
    int32_t ClickPending[4] = {0, 0, 0, 0};
    int32_t ClickFrame[4] = {0, 0, 0, 0};
};

// One unit record. Its byte layout is part of the save format
// (little-endian on every platform we build for).
struct UnitRecord {
    uint8_t unused0[102];
    uint16_t CellX;
    uint16_t CellY;
    uint16_t CellZ;
    uint8_t unused1[60];
    float CellPosition[3];
    float PreviousCellPosition[3];
    uint8_t unused2[508];
    int32_t StepCounter;
};
static_assert(sizeof(UnitRecord) == 704);
static_assert(offsetof(UnitRecord, CellX) == 102);
static_assert(offsetof(UnitRecord, CellY) == 104);
static_assert(offsetof(UnitRecord, CellZ) == 106);
static_assert(offsetof(UnitRecord, CellPosition) == 168);
static_assert(offsetof(UnitRecord, PreviousCellPosition) == 180);
static_assert(offsetof(UnitRecord, StepCounter) == 700);
static_assert(std::endian::native == std::endian::little, "save files are little-endian memory images");

inline constexpr int UnitCount = 3000;
inline constexpr int PlayerUnit = 1;

struct UnitTable {
    std::unique_ptr<UnitRecord[]> Units;  // UnitCount records, zero-filled

    void Allocate() { Units = std::make_unique<UnitRecord[]>(UnitCount); }
    void Release() { Units.reset(); }
    UnitRecord& Player() { return Units[PlayerUnit]; }
};

// Camera and movement state.
struct CameraState {
    float Yaw = 0.0f;       // degrees
    float Pitch = 0.0f;     // degrees
    int32_t CycleStep = 2;  // movement divisor, 1..36
};

}  // namespace delver
