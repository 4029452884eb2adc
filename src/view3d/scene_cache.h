// The fast way to draw the scene. It shows the same picture as DrawScene,
// from faces chosen by the same rules (the view cube around PlayerCell, the
// outer shell never drawn, faces only toward open neighbours, panes,
// markers, codes without a texture entry in white), but keeps the work
// between frames and leaves out what the camera cannot see:
//
// - the grid is cut into regions of 16 x 16 x 16 cells; each region keeps
//   the quads of its cells, sorted into blocks of 4 x 4 x 4 cells and, in a
//   block, into runs of one facing and texture, and the list of its marker
//   cells;
// - each frame, regions and then blocks that lie wholly outside the
//   camera's view volume (the perspective of the 3D view and the camera's
//   turn and place, with a small margin) are skipped: a face there cannot
//   reach a pixel;
// - faces seen from behind are skipped only where they cannot show: the
//   eye stands in an Empty cell at least a little way from every other
//   kind of cell, and no pane is in sight. Then every ray from the eye to
//   the back of a face first enters a solid cell through a face toward an
//   Empty cell, which is drawn and nearer. Elsewhere (the eye inside rock
//   or a pane, panes about, the eye against a wall so close that the near
//   plane cuts the nearer face) both sides of every face stay drawn;
// - faces hidden behind nearer rock are skipped where that cannot show:
//   with the eye in an Empty cell clear of the near plane, a flood from the
//   eye's cell over the view cube (through edges and corners too, and only
//   into cells that touch the view volume's sides) follows every line of
//   sight up to the first drawn face it meets: Empty cells and panes let
//   it on, a face toward an Empty cell stops it, and so does a layer face
//   toward a pane, while the row and column sides between a pane and rock
//   are not drawn and let it into the rock. Regions, blocks and runs whose
//   faces look at no reached cell (and hold none), then quads neither of
//   whose two cells was reached, and markers in cells not reached, are
//   left out, and regions so hidden are not built yet;
// - the quads of the blocks left (and, for blocks the view cube's edge
//   cuts, only the quads of cells inside it) are copied, nearest blocks
//   first, into one array per texture, each drawn with one glDrawArrays: a
//   handful of calls instead of one glBegin/glEnd per face;
// - a region is built the first time it is seen, nearest first, so the
//   first frame after a load builds only what it shows; a frame that
//   built nothing builds one more region of the view cube that is out of
//   sight, so turning round later finds it ready;
// - regions are rebuilt when the grids' change notes (world_state.h) say a
//   cell in or beside them changed; a whole-grid note drops them all.
//
// The arrays are client-side vertex arrays (OpenGL 1.1), so the cache holds
// no OpenGL object: nothing dies with a context, and a re-created window
// needs nothing made again beyond its textures, which are looked up in
// GlNames at every draw.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "view3d/scene.h"

namespace delver {

// Region size and the number of regions along each axis.
inline constexpr int RegionEdge = 16;
inline constexpr int RegionColumns = GridWidth / RegionEdge;
inline constexpr int RegionRows = GridWidth / RegionEdge;
inline constexpr int RegionLayers = (LayerCount + RegionEdge - 1) / RegionEdge;
inline constexpr int RegionCount = RegionColumns * RegionRows * RegionLayers;
// Blocks of a region: the finer unit the view volume is tested with.
inline constexpr int BlockEdge = 4;
inline constexpr int BlocksPerEdge = RegionEdge / BlockEdge;
inline constexpr int BlocksPerRegion = BlocksPerEdge * BlocksPerEdge * BlocksPerEdge;
// Quads are grouped by the texture they show: texture entries 0..31, then
// one group for codes without an entry (drawn with no texture bound), then
// the shafts' rims (with marked shafts).
inline constexpr int NoTextureGroup = TextureNameCount;
inline constexpr int ShaftRimGroup = TextureNameCount + 1;
inline constexpr int FaceGroupCount = TextureNameCount + 2;
// A region unused for this many scenes is freed, which bounds the memory to
// about what the view cube has covered lately.
inline constexpr uint64_t RegionIdleScenes = 256;

// One corner of a kept quad, in model coordinates (column, minus row,
// layer) from its region's low corner, and texture coordinates.
struct SceneVertex {
    float x, y, z, s, t;
};

// Which way a run's quads face: the index of their face in kCubeFaces, or
// FacePane for panes (which are never left out for facing away).
inline constexpr int FacePane = 6;
inline constexpr int FaceKinds = 7;

// Quads of one texture group facing one way in one block: quads first ..
// first + count - 1.
struct FaceRun {
    uint16_t group;
    uint16_t face;
    uint32_t first, count;
};

// The local cells (0..15 on each axis) a block's quads lie in, low and high
// corner inclusive, column, row, layer.
struct BlockBounds {
    uint8_t lo[3], hi[3];
};

// What is kept of one region.
struct RegionFaces {
    bool built = false;
    uint64_t lastUsedScene = 0;
    bool hasPane = false;               // a DiagonalPane cell lies in the region
    std::vector<SceneVertex> vertices;  // four per quad: by block, facing, texture group, then visiting order
    std::vector<uint16_t> quadCells;    // local cell of each quad: layer * 256 + row * 16 + column
    std::vector<FaceRun> runs;          // the runs of block 0, then of block 1, ...
    std::array<uint16_t, BlocksPerRegion + 1> blockRuns{};   // first run of each block, then the total
    std::array<BlockBounds, BlocksPerRegion> blockBounds{};  // where each block's quads lie
    uint32_t quadCount = 0;
    std::vector<int32_t> markerCells;  // CellIndex of each cell whose marker is ObjectiveMarker
};

// Figures of the cache, for tests and benchmarks.
struct SceneCacheStats {
    int64_t regionsBuilt = 0;    // region builds since the cache was made
    int64_t regionsFreed = 0;    // regions dropped (changes and idleness)
    int64_t keptQuads = 0;       // quads held by the built regions now
    int64_t regionsSkipped = 0;  // regions of the view cube left out as out of sight, summed over scenes
    int64_t blocksSkipped = 0;   // blocks of drawn regions left out likewise
    int64_t runsFacingAway = 0;  // runs left out as seen from behind where that cannot show, summed
    int64_t regionsHidden = 0;   // regions in sight left out as hidden behind rock all round, summed
    int64_t blocksHidden = 0;    // blocks of drawn regions left out likewise
    int64_t runsHidden = 0;      // runs of drawn blocks left out likewise
    int64_t quadsHidden = 0;     // quads of drawn runs left out likewise
};

// The fast path's kept state. Lives beside the grids it follows (in Game)
// and may be used with any number of contexts, one after another.
struct SceneCache {
    std::vector<RegionFaces> regions;  // RegionCount entries once used
    // The grids and the change note the regions were last brought up to.
    const uint8_t* world = nullptr;
    const uint8_t* markers = nullptr;
    uint64_t revision = 0;
    uint64_t scenes = 0;  // DrawSceneFast calls so far
    // Leave out what lies outside the camera's view volume. Off, every kept
    // face of the view cube is drawn, as the literal path does; tests and
    // benchmarks compare the two.
    bool cullToView = true;
    // With cullToView, also leave out what nearer faces hide from an eye
    // in an open cell. Off, tests compare the two pictures.
    bool cullHidden = true;
    // Whether the kept regions show the shafts' rims; a scene asking
    // otherwise drops them all.
    bool markedShafts = false;
    SceneCacheStats stats;
    // Per-frame arrays, one per texture group, and the regions and blocks
    // in sight; kept to reuse their memory.
    std::array<std::vector<SceneVertex>, FaceGroupCount> frameQuads;
    struct RegionInSight {
        double distance;  // squared, from the eye to the nearest point of the region's part in the view cube
        int rx, ry, rz;
    };
    std::vector<RegionInSight> frameRegions;
    struct BlockInSight {
        double distance;  // squared, as above, for the block's part in the view cube
        int rx, ry, rz, block;
        uint8_t mark;  // what the flood from the eye reached around it (all bits: not flooded)
    };
    std::vector<BlockInSight> frameBlocks;
    // The flood from the eye over the view cube: a byte per cell (with a
    // border one cell wide), the cells reached in order, and a mark per
    // 4 x 4 x 4 block.
    std::vector<uint8_t> frameCells;
    struct FloodCell {
        int32_t cell, grid;  // index in frameCells, CellIndex
        uint8_t x, y, z;     // place in frameCells
    };
    std::vector<FloodCell> frameQueue;
    std::vector<uint8_t> frameBlockMarks;
};

// Draws the scene as DrawScene does (the same camera, cells, faces, markers
// and textures, so the same picture), from the kept regions, leaving out
// what cannot reach the picture. SceneStats count the cells of the view
// cube as DrawScene does, and the faces and markers actually submitted: the
// same as DrawScene's with cullToView off, at most as many with it on. The
// cache first catches up with the grids' change notes, so a grid written
// through NoteCellChanged or NoteGridsReplaced is never shown stale. Leaves the matrix stack as it found it, texturing and
// colour material on, blending off and the colour white, as DrawScene does.
void DrawSceneFast(WorldView& v, SceneCache& cache);

// Brings the cache up to the grids' change notes without drawing: regions
// touched by a cell note are dropped, a whole-grid note or other grids
// drop them all. DrawSceneFast calls it first.
void SyncSceneCache(SceneCache& cache, const WorldGrids& grids);

// Frees everything the cache holds; it starts empty again.
void ReleaseSceneCache(SceneCache& cache);

}  // namespace delver
