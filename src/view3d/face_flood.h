// The hidden-face flood of the fast scene path (scene_cache.h): from an eye
// in an open cell, the cells of the view cube a line of sight reaches
// before it meets a drawn face, and the blocks whose faces, panes or
// markers such a line can end on. What it does not reach is hidden.
#pragma once

#include <cstddef>
#include <cstdint>

#include "view3d/scene_cache.h"
#include "view3d/view_volume.h"

namespace delver {

// What one frame of the fast path gathers; FloodFromEye fills size, blockLo
// and blocks.
struct FrameWork {
    const ViewVolume& view;
    bool cull;
    CellBox cube;
    int64_t player[3];
    double eye[3];                   // the eye in grid space: column, row, layer
    bool eyeInOpenCell = false;      // see EyeInOpenCell
    bool leaveOutBackFaces = false;  // faces seen from behind cannot show this frame
    bool leaveOutHidden = false;     // FloodFromEye ran: what it did not reach is hidden
    int size[3] = {0, 0, 0};         // cells of the view cube along each axis
    int64_t blockLo[3] = {0, 0, 0};  // the view cube's lowest block, in grid blocks
    int blocks[3] = {0, 0, 0};       // blocks of the view cube along each axis
    int64_t quads = 0, markers = 0;
};

// True when the eye stands in an Empty cell of the drawable view cube and
// every cell around it that is not Empty lies beyond the near plane's
// reach: then no drawn face comes so near the eye that the near plane cuts
// it, and every face in sight hides what lies behind it.
bool EyeInOpenCell(const SceneCache& cache, const FrameWork& w);

// Bits of a block's mark: bit f (0..5) when a cell that faces f of the
// block's cells look at was reached; ReachedBit when a cell of the block
// itself was (its faces may be seen from behind, its pane and marker
// seen).
inline constexpr uint8_t ReachedBit = 1u << FacePane;

// Floods the view cube from the eye's cell over the cells a line of sight
// can reach before it meets a drawn face, and marks the blocks whose faces,
// panes or markers such a line can end on. Only when the eye stands in an
// open cell: then no face in sight comes near enough for the near plane to
// cut it, every drawn face hides what lies behind it, and a point of a
// face, pane or marker can show only if the segment from the eye to it
// passes through reached cells all the way. That segment stays inside the
// view cube (both ends lie in it), and nothing outside the cube is drawn.
void FloodFromEye(SceneCache& cache, FrameWork& w);

// The mark of the block with grid block coordinates (bx, by, bz), which
// lies in the view cube.
inline uint8_t BlockMark(const SceneCache& cache, const FrameWork& w, int64_t bx, int64_t by, int64_t bz) {
    return cache.frameBlockMarks[static_cast<size_t>(
        ((bz - w.blockLo[2]) * w.blocks[1] + (by - w.blockLo[1])) * w.blocks[0] + (bx - w.blockLo[0]))];
}

// Whether any block of a region's part in the view cube was marked.
bool RegionMarked(const SceneCache& cache, const FrameWork& w, const CellBox& part);

// Whether the flood reached a cell of the view cube.
inline bool CellReached(const SceneCache& cache, const FrameWork& w, int64_t c, int64_t r, int64_t l) {
    return cache.frameCells[static_cast<size_t>(((l - w.cube.lo[2] + 1) * (w.size[1] + 2) + (r - w.cube.lo[1] + 1)) *
                                                    (w.size[0] + 2) +
                                                (c - w.cube.lo[0] + 1))] == 1;
}

}  // namespace delver
