// Level building: rooms first (every level), then stairs and furnishings
// (every level, same order). The order of random draws is part of the
// game: a seed must always give the same dungeon.
//
// Growing rooms is the expensive part: a crowded level spends most of its
// 400 attempts on 1000 failing tries each. The try loop therefore computes
// a try's draws from the state it starts with instead of one after another,
// takes remainders by multiplication, and tests a new room's clearance
// against a bit image of the level's rock. All of this gives exactly the
// draws and the results of trying one step at a time.
#include "world/dungeon_generator.h"

#include <array>
#include <cstring>

#include "world/grid_ops.h"

namespace delver {
namespace {

constexpr int kFirstRoomTemplate = 13;    // the very first room: the plain 5 x 5 square
constexpr int kLaterFirstTemplates = 13;  // later levels start from one of templates 0..12
constexpr int kGrownTemplates = 19;       // grown rooms use templates 0..18

// ---------------------------------------------------------------- draws

// A draw's remainder by n computed with two multiplications instead of a
// division: exact for every 15-bit draw and every n from 1 to 32768.
struct Divisor {
    uint32_t n = 1;
    uint32_t m = 0;
};

constexpr Divisor MakeDivisor(uint32_t n) {
    // Above 32767 every draw is its own remainder, as it is modulo 32768.
    if (n > 32768u) n = 32768u;
    return Divisor{n, n == 0 ? 0u : UINT32_MAX / n + 1u};
}

inline uint32_t Remainder(uint32_t v, Divisor d) {
    const uint32_t low = d.m * v;
    return static_cast<uint32_t>((static_cast<uint64_t>(low) * d.n) >> 32);
}

constexpr std::array<Divisor, MaskStride + 1> BuildSizeDivisors() {
    std::array<Divisor, MaskStride + 1> t{};
    for (uint32_t n = 1; n <= MaskStride; ++n) t[n] = MakeDivisor(n);
    return t;
}
// Room sizes never exceed the mask's 30 cells.
constexpr std::array<Divisor, MaskStride + 1> kSizeDivisor = BuildSizeDivisors();

// The source's state k draws ahead is A^k * s + C_k.
struct Jump {
    uint32_t a = 1;
    uint32_t c = 0;
};

constexpr std::array<Jump, 9> BuildJumps() {
    std::array<Jump, 9> j{};
    for (size_t k = 1; k < j.size(); ++k) {
        j[k].a = j[k - 1].a * 214013u;
        j[k].c = j[k - 1].c * 214013u + 2531011u;
    }
    return j;
}
constexpr std::array<Jump, 9> kJump = BuildJumps();

inline uint32_t StateAhead(uint32_t s, int k) { return kJump[k].a * s + kJump[k].c; }
inline uint32_t DrawOf(uint32_t state) { return (state >> 16) & 0x7FFFu; }

// ---------------------------------------------------------------- rooms

// Oriented sizes of every template a room can grow from, by template and
// orientation, as MeasureTemplate gives them.
struct Sizes {
    TemplateState measured[kGrownTemplates][4];
};

const Sizes& GrownSizes() {
    static const Sizes sizes = [] {
        Sizes s{};
        for (int t = 0; t < kGrownTemplates; ++t) {
            for (int o = 0; o < 4; ++o) MeasureTemplate(s.measured[t][o], t, o);
        }
        return s;
    }();
    return sizes;
}

// Rebuilds the rock bit image from the whole layer.
void ReadRock(GeneratorWorkspace& w, const uint8_t* layer) {
    for (int y = 0; y < GridWidth; ++y) {
        const uint8_t* row = layer + y * GridWidth;
        uint64_t* bits = w.RockRows[y];
        std::memset(bits, 0, sizeof w.RockRows[y]);
        if (!std::memchr(row, LevelRock, GridWidth)) continue;
        for (int x = 0; x < GridWidth; ++x) {
            bits[x >> 6] |= static_cast<uint64_t>(row[x] == LevelRock) << (x & 63);
        }
    }
}

inline void ClearRock(GeneratorWorkspace& w, int x, int y) { w.RockRows[y][x >> 6] &= ~(uint64_t{1} << (x & 63)); }

// True when every cell of the rectangle lies in the layer and is rock: the
// same answer as TestRegion(..., LevelRock) == 0 for a non-empty rectangle
// at most 64 cells wide.
inline bool AllRock(const GeneratorWorkspace& w, int x0, int y0, int x1, int y1) {
    if (x0 < 0 || x1 >= GridWidth || y0 < 0 || y1 >= GridWidth) return false;
    const int width = x1 - x0 + 1;
    const uint64_t need = width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
    const int word = x0 >> 6;
    const int shift = x0 & 63;
    uint64_t missing = 0;
    for (int y = y0; y <= y1; ++y) {
        const uint64_t* row = w.RockRows[y];
        const uint64_t bits = (row[word] >> shift) | ((row[word + 1] << 1) << (63 - shift));
        missing |= ~bits & need;
    }
    return missing == 0;
}

// Stamps the parsed template and clears its cells from the rock image.
void StampAndTrack(WorldGrids& g, GeneratorWorkspace& w) {
    const TemplateState& ts = w.Template;
    StampTemplate(g, ts);
    for (int y = 0; y < ts.OrientedHeight; ++y) {
        for (int x = 0; x < ts.OrientedWidth; ++x) {
            if (ts.TemplateMask[y * MaskStride + x] != MaskNone) ClearRock(w, ts.PlacementX + x, ts.PlacementY + y);
        }
    }
}

// Appends the room just stamped to the RoomList; the caller has checked
// that the list has space.
void AppendRoom(GeneratorWorkspace& w, int z, int t) {
    const TemplateState& ts = w.Template;
    RoomRecord& rec = w.RoomList[w.RoomCounter];
    rec.x = static_cast<uint16_t>(ts.PlacementX);
    rec.y = static_cast<uint16_t>(ts.PlacementY);
    rec.width = static_cast<uint16_t>(ts.OrientedWidth);
    rec.height = static_cast<uint16_t>(ts.OrientedHeight);
    rec.layer = static_cast<uint16_t>(z);
    rec.index = static_cast<uint32_t>(w.RoomCounter);
    rec.templateNumber = static_cast<uint8_t>(t);
}

// Places the level's first room at the square's centre. False when its box
// and border are not all rock (the generator then stops).
bool PlaceFirstRoom(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int centreX, int centreY, int z,
                    bool firstLevel) {
    TemplateState& ts = w.Template;
    const int t = firstLevel ? kFirstRoomTemplate : static_cast<int>(RandomBelow(r, kLaterFirstTemplates));
    ParseTemplate(ts, t, 0);
    ts.PlacementX = centreX - ts.OrientedWidth / 2;
    ts.PlacementY = centreY - ts.OrientedHeight / 2;
    if (TestRegion(g, ts.PlacementX - 1, ts.PlacementY - 1, ts.PlacementX + ts.OrientedWidth,
                   ts.PlacementY + ts.OrientedHeight, z, LevelRock)) {
        return false;
    }
    if (w.RoomCounter >= RoomListCapacity) return false;
    StampTemplate(g, ts);
    AppendRoom(w, z, t);
    w.LevelFirstRoom[z] = w.RoomCounter;
    ++w.RoomCounter;
    return true;
}

// Offsets within a layer of the neighbour in direction d: 0 the next row,
// 1 the previous row, 2 the next column, 3 the previous column.
constexpr int kStep[4] = {GridWidth, -GridWidth, 1, -1};

// The rest of a try that the quick tests could not rule out: the new
// room's clearance, its mask and, on success, the stamp, the record and the
// doorway. Entry cell E, anchor (rx, ry) and sizes are already drawn and
// set. True when a room was placed.
bool FinishGrowTry(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int z, uint8_t* layer, int o, int t, int door,
                   int ox, int oy, int rx, int ry) {
    TemplateState& ts = w.Template;
    // The new room's box and a one-cell border must be untouched rock.
    if (!AllRock(w, ox - 1, oy - 1, ox + ts.OrientedWidth, oy + ts.OrientedHeight)) return false;
    ParseTemplate(ts, t, o);
    if (ts.TemplateMask[ry * MaskStride + rx] != MaskFloor) return false;

    ts.PlacementX = ox;
    ts.PlacementY = oy;
    StampAndTrack(g, w);
    AppendRoom(w, z, t);
    ++w.RoomCounter;
    layer[door] = RandomBelow(r, 3) == 1 ? Door : LevelFloor;
    ClearRock(w, door % GridWidth, door / GridWidth);
    return true;
}

// One growing attempt: up to TriesPerAttempt tries; the first try that
// places a room ends it. A try draws the orientation o, the template t,
// the parent room, the exit cell (X, Y) and the direction, in that order;
// it fails if the exit cell is not floor or the doorway D and entry cell E
// beyond it are not rock. Otherwise it draws the new room's anchor (rx, ry)
// and fails unless its box and border are all rock, then unless the anchor
// is a floor cell of the template.
//
// Only a try whose box could pass needs the full test: the exit cell is
// floor, so a box that reaches it fails at once, and that is most of them.
void GrowAttempt(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int z, uint8_t* layer) {
    const int first = w.LevelFirstRoom[z];
    const RoomRecord* rooms = w.RoomList.get() + first;
    const Divisor roomCount = MakeDivisor(static_cast<uint32_t>(w.RoomCounter - first));
    const Sizes& sizes = GrownSizes();
    TemplateState& ts = w.Template;
    uint32_t s = r.state;
    for (int tr = 0; tr < TriesPerAttempt; ++tr) {
        const int o = static_cast<int>(DrawOf(StateAhead(s, 1)) & 3u);
        const int t = static_cast<int>(DrawOf(StateAhead(s, 2)) % kGrownTemplates);
        const RoomRecord& p = rooms[Remainder(DrawOf(StateAhead(s, 3)), roomCount)];
        const int X = p.x + static_cast<int>(Remainder(DrawOf(StateAhead(s, 4)), kSizeDivisor[p.width]));
        const int Y = p.y + static_cast<int>(Remainder(DrawOf(StateAhead(s, 5)), kSizeDivisor[p.height]));
        if (!(2 < X && X < GridWidth - 2 && 2 < Y && Y < GridWidth - 2)) {
            s = StateAhead(s, 5);
            continue;
        }
        const int step = kStep[DrawOf(StateAhead(s, 6)) & 3u];
        const int exitCell = Y * GridWidth + X;
        const bool open = (layer[exitCell] == LevelFloor) & (layer[exitCell + step] == LevelRock) &
                          (layer[exitCell + 2 * step] == LevelRock);
        if (!open) {
            s = StateAhead(s, 6);
            continue;
        }
        // The anchor draws.
        const TemplateState& size = sizes.measured[t][o];
        const int width = size.OrientedWidth;
        const int height = size.OrientedHeight;
        const int rx = static_cast<int>(Remainder(DrawOf(StateAhead(s, 7)), kSizeDivisor[width]));
        const int ry = static_cast<int>(Remainder(DrawOf(StateAhead(s, 8)), kSizeDivisor[height]));
        s = StateAhead(s, 8);
        const int entry = exitCell + 2 * step;
        const int ox = entry % GridWidth - rx;
        const int oy = entry / GridWidth - ry;
        if (X >= ox - 1 && X <= ox + width && Y >= oy - 1 && Y <= oy + height) continue;  // the box holds the exit

        ts.TemplateWidth = size.TemplateWidth;  // MeasureTemplate(t, o)
        ts.TemplateHeight = size.TemplateHeight;
        ts.OrientedWidth = width;
        ts.OrientedHeight = height;
        r.state = s;
        const bool placed = FinishGrowTry(g, w, r, z, layer, o, t, exitCell + step, ox, oy, rx, ry);
        s = r.state;
        if (placed) break;
    }
    r.state = s;
}

// ------------------------------------------------------- stairs, furniture

// Picks a candidate cell: a random room of the level, then a random cell of
// its bounding box. Returns the cell's offset within the layer.
inline int CandidateCell(const GeneratorWorkspace& w, RandomSource& r, int first, int n) {
    const RoomRecord& room = w.RoomList[first + static_cast<int>(RandomBelow(r, static_cast<uint32_t>(n)))];
    const int cx = room.x + static_cast<int>(RandomBelow(r, room.width));
    const int cy = room.y + static_cast<int>(RandomBelow(r, room.height));
    return cy * GridWidth + cx;
}

// Links the level on `layer` to the level above it: target stair cells,
// each a StairFoot here over a StairHead above, both on floor.
void StairPass(const GeneratorWorkspace& w, RandomSource& r, uint8_t* layer, uint8_t* above, int first, int n,
               int target) {
    int placed = 0;
    for (int tries = 0; placed < target && tries < PassTries; ++tries) {
        const int cell = CandidateCell(w, r, first, n);
        if (layer[cell] == LevelFloor && above[cell] == LevelFloor) {
            layer[cell] = StairFoot;
            above[cell] = StairHead;
            ++placed;
        }
    }
}

// Scatters one kind of furnishing over the level's floor: target + 1 items
// when target is at least 1 (the pass runs while no more than target are
// placed), none when it is 0.
void FurnishPass(const GeneratorWorkspace& w, RandomSource& r, uint8_t* layer, int first, int n, int target,
                 uint8_t code) {
    if (target <= 0) return;
    int placed = 0;
    for (int tries = 0; placed <= target && tries < PassTries; ++tries) {
        const int cell = CandidateCell(w, r, first, n);
        if (layer[cell] == LevelFloor) {
            layer[cell] = code;
            ++placed;
        }
    }
}

}  // namespace

void AllocateGeneratorWorkspace(GeneratorWorkspace& w, bool clearRoomList) {
    if (clearRoomList) {
        w.RoomList = std::make_unique<RoomRecord[]>(RoomListCapacity);
    } else {
        // Left as it comes (the browser's older library has no
        // make_unique_for_overwrite, which means the same).
        w.RoomList = std::unique_ptr<RoomRecord[]>(new RoomRecord[RoomListCapacity]);
    }
    std::memset(w.LevelFirstRoom, 0, sizeof w.LevelFirstRoom);
    std::memset(w.LevelRoomEnd, 0, sizeof w.LevelRoomEnd);
    w.Template = TemplateState{};
    w.RoomCounter = 0;
}

void ReleaseGeneratorWorkspace(GeneratorWorkspace& w) { w.RoomList.reset(); }

namespace {

// Phase 1: every level's rooms. False when a level's square or first room
// could not be laid down; the generator then stops without Phase 2.
bool BuildRooms(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int centreX, int centreY, int firstLayer,
                int levelCount, int half, int attempts) {
    for (int level = 0; level < levelCount; ++level) {
        const int z = firstLayer + level;
        if (z >= LayerCount) return false;  // no such layer: stop as for a spoilt square
        w.Template.CurrentLevelLayer = z;
        if (FillEmptyRegion(g, centreX - half, centreY - half, centreX + half, centreY + half, z, LevelRock)) {
            return false;
        }
        if (!PlaceFirstRoom(g, w, r, centreX, centreY, z, level == 0)) return false;
        uint8_t* layer = g.WorldGrid.get() + CellIndex(0, 0, z);
        ReadRock(w, layer);
        for (int a = 0; a < attempts; ++a) {
            if (w.RoomCounter >= RoomListCapacity) break;  // the list is full: the level grows no further
            GrowAttempt(g, w, r, z, layer);
        }
        w.LevelRoomEnd[z] = w.RoomCounter;
    }
    return true;
}

// Phase 2: stairs up to the previous level, then furnishings, level by level.
void FurnishLevels(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int firstLayer, int levelCount,
                   int squareSize) {
    const int stairTarget = squareSize / 32 + 1;
    for (int level = 0; level < levelCount; ++level) {
        const int z = firstLayer + level;
        const int first = w.LevelFirstRoom[z];
        const int n = w.LevelRoomEnd[z] - first;
        uint8_t* layer = g.WorldGrid.get() + CellIndex(0, 0, z);
        if (level > 0) StairPass(w, r, layer, layer - LayerStride, first, n, stairTarget);
        FurnishPass(w, r, layer, first, n, n / 25, Chest);
        FurnishPass(w, r, layer, first, n, n / 5, Candelabrum);
        FurnishPass(w, r, layer, first, n, n / 40, Scroll);
        FurnishPass(w, r, layer, first, n, n / 25, Coffin);
        FurnishPass(w, r, layer, first, n, n / 60, Fountain);
    }
}

}  // namespace

void GenerateDungeon(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r, int centreX, int centreY, int firstLayer,
                     int levelCount, int squareSize, int attempts) {
    w.RoomCounter = 0;
    if (!w.RoomList || !g.WorldGrid) return;
    // A centre outside the grid can never hold a level (its square or its
    // first room would reach past the layer); refusing it early also keeps
    // the square's edges far from integer overflow.
    if (centreX < 0 || centreX >= GridWidth || centreY < 0 || centreY >= GridWidth) return;
    if (firstLayer < 0 || firstLayer >= LayerCount) return;
    if (BuildRooms(g, w, r, centreX, centreY, firstLayer, levelCount, squareSize / 2, attempts)) {
        FurnishLevels(g, w, r, firstLayer, levelCount, squareSize);
    }
    NoteGridsReplaced(g);
}

}  // namespace delver
