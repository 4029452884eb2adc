// The fast way to draw the scene. It shows the same faces with the same
// textures as DrawScene, chosen by the same rules (the view cube around
// PlayerCell, the outer shell never drawn, faces only toward open
// neighbours, panes, markers, codes without a texture entry in white), but
// keeps the work between frames:
//
// - the grid is cut into regions of 16 x 16 x 16 cells; each region keeps
//   the quads of its cells, grouped by texture, and the list of its marker
//   cells, built the first time the view cube reaches it;
// - each frame copies the quads of the regions inside the view cube (and,
//   for regions the cube's edge cuts, only the quads of cells inside it)
//   into one array per texture, and draws each array with one
//   glDrawArrays: a handful of calls instead of one glBegin/glEnd per face;
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
// Quads are grouped by the texture they show: texture entries 0..31, then
// one group for codes without an entry (drawn with no texture bound).
inline constexpr int FaceGroupCount = TextureNameCount + 1;
// A region unused for this many scenes is freed, which bounds the memory to
// about what the view cube has covered lately.
inline constexpr uint64_t RegionIdleScenes = 256;

// One corner of a kept quad, in model coordinates (column, minus row,
// layer) from its region's low corner, and texture coordinates.
struct SceneVertex {
    float x, y, z, s, t;
};

// What is kept of one region.
struct RegionFaces {
    bool built = false;
    uint64_t lastUsedScene = 0;
    std::vector<SceneVertex> vertices;  // four per quad, grouped by texture, cells in visiting order
    std::vector<uint16_t> quadCells;    // local cell of each quad: layer * 256 + row * 16 + column
    std::array<uint32_t, FaceGroupCount + 1> groupStart{};  // first quad of each group, then the total
    std::vector<int32_t> markerCells;   // CellIndex of each cell whose marker is ObjectiveMarker
};

// Figures of the cache, for tests and benchmarks.
struct SceneCacheStats {
    int64_t regionsBuilt = 0;    // region builds since the cache was made
    int64_t regionsFreed = 0;    // regions dropped (changes and idleness)
    int64_t keptQuads = 0;       // quads held by the built regions now
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
    SceneCacheStats stats;
    // Per-frame arrays, one per texture group; kept to reuse their memory.
    std::array<std::vector<SceneVertex>, FaceGroupCount> frameQuads;
};

// Draws the scene as DrawScene does (the same camera, cells, faces, markers
// and textures; SceneStats count the same cells, faces and markers), from
// the kept regions. The cache first catches up with the grids' change
// notes, so a grid written through NoteCellChanged or NoteGridsReplaced is
// never shown stale. Leaves the matrix stack as it found it, texturing and
// colour material on, blending off and the colour white, as DrawScene does.
void DrawSceneFast(WorldView& v, SceneCache& cache);

// Brings the cache up to the grids' change notes without drawing: regions
// touched by a cell note are dropped, a whole-grid note or other grids
// drop them all. DrawSceneFast calls it first.
void SyncSceneCache(SceneCache& cache, const WorldGrids& grids);

// Frees everything the cache holds; it starts empty again.
void ReleaseSceneCache(SceneCache& cache);

}  // namespace delver
