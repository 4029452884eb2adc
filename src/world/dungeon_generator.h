// The dungeon generator: builds each level on its own work layer as a tree
// of rooms grown from a centre room through single doorway cells, then links
// every level to the one before it by stair cells and scatters furnishings
// over the room floors. World finishing later carves the levels into the
// playable layers.
#pragma once

#include <cstdint>
#include <memory>

#include "world/random.h"
#include "world/room_templates.h"
#include "world/world_state.h"

namespace delver {

// A placed room: its bounding box on its layer (not every cell inside is
// floor), its position in the RoomList and the template it was cut from.
struct RoomRecord {
    uint16_t x;       // column of the top-left mask cell
    uint16_t y;       // row of the top-left mask cell
    uint16_t width;   // oriented width
    uint16_t height;  // oriented height
    uint16_t layer;
    uint32_t index;
    uint8_t templateNumber;
};

inline constexpr int RoomListCapacity = LayerCount * 6000;  // 1,080,000 records
inline constexpr int TriesPerAttempt = 1000;                // room tries per growing attempt
inline constexpr int PassTries = 1000000;                   // tries per stair or furnishing pass
inline constexpr int RockRowWords = GridWidth / 64 + 1;     // one spare zero word per row

// The generator's working memory, allocated once at start-up so that
// generation itself never allocates.
struct GeneratorWorkspace {
    std::unique_ptr<RoomRecord[]> RoomList;  // RoomListCapacity records
    // Indexed by layer: a level's rooms are RoomList[LevelFirstRoom[z]] up
    // to, not including, RoomList[LevelRoomEnd[z]].
    int32_t LevelFirstRoom[LayerCount + 1] = {};
    int32_t LevelRoomEnd[LayerCount + 1] = {};
    TemplateState Template;
    int32_t RoomCounter = 0;  // records in use
    // The LevelRock cells of the layer being grown, one bit per cell (bit
    // x % 64 of word x / 64 of row y), kept in step with the layer so that
    // a new room's clearance is tested a row at a time. Last word always 0.
    uint64_t RockRows[GridWidth][RockRowWords] = {};
};

// Allocates the RoomList (and resets the index arrays); when clearRoomList
// is set every record is zero-filled, otherwise the records are left as the
// allocator gives them (the generator writes each one before reading it).
void AllocateGeneratorWorkspace(GeneratorWorkspace& w, bool clearRoomList);

// Frees the RoomList.
void ReleaseGeneratorWorkspace(GeneratorWorkspace& w);

// Builds levelCount levels on layers firstLayer, firstLayer + 1, ...: each
// a square of LevelRock reaching squareSize / 2 cells to each side of
// (centreX, centreY), with a centre room and up to `attempts` grown rooms,
// then stairs and furnishings. Stops at once, without stairs or
// furnishings, if a level's square is not wholly Empty (or lies outside the
// grid). Every random choice is drawn from r in a fixed order.
void GenerateDungeon(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int centreX, int centreY, int firstLayer,
                     int levelCount, int squareSize, int attempts);

}  // namespace delver
