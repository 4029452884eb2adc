#include "view3d/face_flood.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "view3d/cube_faces.h"

namespace delver {
namespace {

// What a cell does to a ray that passes through it: an Empty cell draws
// nothing; a pane draws its quad inside the cell, and its neighbours draw
// no row or column face toward it; any other code is rock, which draws a
// face only toward an Empty neighbour (and toward a pane above or below).
enum CellKind : uint8_t { KindOpen, KindPane, KindRock };

uint8_t KindOf(uint8_t code) { return code == Empty ? KindOpen : code == DiagonalPane ? KindPane : KindRock; }

// Whether a ray may go from a cell of one kind into a neighbour of another
// without meeting a drawn face on their common boundary, by the rules
// above: through a row or column side (how 0), a layer side (1), or only
// an edge or a corner (2). Into rock from an Empty cell, and out of it
// into one, a drawn face always lies on the way: through a side, the
// rock's face toward the Empty cell; through an edge or a corner, a face
// of the cells around it that passes through it too, unless a way through
// sides reaches the same cell anyway. Between any other kinds a ray
// through an edge or a corner is let on, so that how the rasteriser
// settles a pixel on an edge never matters.
constexpr bool Passes(uint8_t from, uint8_t to, int how) {
    const bool openAndRock = (from == KindOpen && to == KindRock) || (from == KindRock && to == KindOpen);
    const bool paneAndRock = (from == KindPane && to == KindRock) || (from == KindRock && to == KindPane);
    if (openAndRock) return false;
    if (paneAndRock) return how != 1;  // layer faces toward a pane are drawn
    return true;
}

}  // namespace

bool EyeInOpenCell(const SceneCache& cache, const FrameWork& w) {
    int64_t cell[3];
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(w.eye[k])) return false;
        cell[k] = static_cast<int64_t>(std::floor(w.eye[k]));
        if (cell[k] < w.cube.lo[k] || cell[k] > w.cube.hi[k]) return false;
    }
    const uint8_t* grid = cache.world;
    if (grid[CellIndex(static_cast<int>(cell[0]), static_cast<int>(cell[1]), static_cast<int>(cell[2]))] != Empty)
        return false;
    static const double reach = NearReach();
    // The drawable cube lies inside the grid's shell, so the neighbours are
    // in the grid.
    for (int dl = -1; dl <= 1; ++dl)
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int64_t at[3] = {cell[0] + dc, cell[1] + dr, cell[2] + dl};
                if (grid[CellIndex(static_cast<int>(at[0]), static_cast<int>(at[1]), static_cast<int>(at[2]))] == Empty)
                    continue;
                double d = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const double out = std::max(
                        {static_cast<double>(at[k]) - w.eye[k], w.eye[k] - static_cast<double>(at[k] + 1), 0.0});
                    d += out * out;
                }
                if (d < reach * reach) return false;
            }
    return true;
}

void FloodFromEye(SceneCache& cache, FrameWork& w) {
    for (int k = 0; k < 3; ++k) {
        w.size[k] = static_cast<int>(w.cube.hi[k] - w.cube.lo[k] + 1);
        w.blockLo[k] = w.cube.lo[k] / BlockEdge;
        w.blocks[k] = static_cast<int>(w.cube.hi[k] / BlockEdge - w.blockLo[k] + 1);
    }
    // The cells of the view cube with a border one cell wide all round,
    // which is never entered: 0 not met yet, 1 reached, 2 out of the view
    // cone, 3 the border.
    const int px = w.size[0] + 2, py = w.size[1] + 2, pz = w.size[2] + 2;
    const int32_t layerCells = px * py;
    cache.frameCells.assign(static_cast<size_t>(layerCells) * pz, 0);
    uint8_t* cells = cache.frameCells.data();
    std::fill_n(cells, layerCells, uint8_t{3});
    std::fill_n(cells + static_cast<size_t>(layerCells) * (pz - 1), layerCells, uint8_t{3});
    for (int z = 1; z < pz - 1; ++z) {
        uint8_t* layer = cells + static_cast<size_t>(layerCells) * z;
        std::fill_n(layer, px, uint8_t{3});
        std::fill_n(layer + static_cast<size_t>(px) * (py - 1), px, uint8_t{3});
        for (int y = 1; y < py - 1; ++y) layer[y * px] = layer[y * px + px - 1] = 3;
    }
    cache.frameBlockMarks.assign(static_cast<size_t>(w.blocks[0]) * w.blocks[1] * w.blocks[2], 0);
    uint8_t* marks = cache.frameBlockMarks.data();
    const uint8_t* grid = cache.world;

    // Along each axis, by bordered coordinate: the share of the block index
    // (far below zero on the border, so that a sum touching it is
    // negative), and each cone side's share of how far inside it the
    // cell's best corner lies. The cone is the view volume without its
    // near and far planes: its four sides pass through the eye, so every
    // segment from the eye to a point in sight stays inside them, and a
    // cell wholly outside one side lies on no line of sight.
    constexpr int32_t offCube = -(1 << 28);
    const int32_t blockStride[3] = {1, w.blocks[0], w.blocks[0] * w.blocks[1]};
    std::array<std::vector<int32_t>, 3> blockAt;
    std::array<std::array<std::vector<double>, 4>, 3> inside;
    for (int k = 0; k < 3; ++k) {
        const int n = w.size[k] + 2;
        blockAt[k].assign(static_cast<size_t>(n), offCube);
        for (int i = 1; i < n - 1; ++i)
            blockAt[k][i] = static_cast<int32_t>((w.cube.lo[k] + i - 1) / BlockEdge - w.blockLo[k]) * blockStride[k];
        for (int side = 0; side < 4; ++side) {
            const double* p = w.view.planes[side];
            inside[k][side].assign(static_cast<size_t>(n), 0.0);
            for (int i = 1; i < n - 1; ++i) {
                // Model space: column offset, minus row offset, layer offset
                // from the player's cell, whose centre is the origin.
                const int64_t g = w.cube.lo[k] + i - 1;
                const double lo =
                    k == 1 ? static_cast<double>(w.player[1] - g) - 0.5 : static_cast<double>(g - w.player[k]) - 0.5;
                inside[k][side][i] = p[k] * (p[k] > 0 ? lo + 1.0 : lo) + (k == 0 ? p[3] : 0.0);
            }
        }
    }
    const auto inCone = [&](int x, int y, int z) {
        for (int side = 0; side < 4; ++side)
            if (inside[0][side][x] + inside[1][side][y] + inside[2][side][z] < -kViewMargin) return false;
        return true;
    };

    // The 26 steps to a neighbour, and what each crosses.
    struct Step {
        int32_t cell, grid;
        int8_t dx, dy, dz;
        uint8_t how;
    };
    std::array<Step, 26> steps;
    int n = 0;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int axes = (dx != 0) + (dy != 0) + (dz != 0);
                if (axes == 0) continue;
                steps[n++] = {dz * layerCells + dy * px + dx, dz * LayerStride + dy * GridWidth + dx,
                              static_cast<int8_t>(dx),        static_cast<int8_t>(dy),
                              static_cast<int8_t>(dz),        static_cast<uint8_t>(axes > 1 ? 2 : dz != 0 ? 1 : 0)};
            }
    bool passes[3][3][3];
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int how = 0; how < 3; ++how)
                passes[a][b][how] = Passes(static_cast<uint8_t>(a), static_cast<uint8_t>(b), how);

    using Waiting = SceneCache::FloodCell;
    std::vector<Waiting> queue;
    queue.swap(cache.frameQueue);
    queue.clear();
    const int ex = static_cast<int>(std::floor(w.eye[0]) - w.cube.lo[0]) + 1,
              ey = static_cast<int>(std::floor(w.eye[1]) - w.cube.lo[1]) + 1,
              ez = static_cast<int>(std::floor(w.eye[2]) - w.cube.lo[2]) + 1;
    cells[(ez * py + ey) * px + ex] = 1;
    queue.push_back({(ez * py + ey) * px + ex,
                     CellIndex(static_cast<int>(std::floor(w.eye[0])), static_cast<int>(std::floor(w.eye[1])),
                               static_cast<int>(std::floor(w.eye[2]))),
                     static_cast<uint8_t>(ex), static_cast<uint8_t>(ey), static_cast<uint8_t>(ez)});
    for (size_t next = 0; next < queue.size(); ++next) {
        const Waiting at = queue[next];
        const uint8_t kind = KindOf(grid[at.grid]);

        // The blocks whose faces look at this cell, and its own.
        const int32_t bx = blockAt[0][at.x], by = blockAt[1][at.y], bz = blockAt[2][at.z];
        marks[bx + by + bz] |= ReachedBit;
        for (int f = 0; f < 6; ++f) {
            const CubeFace& face = kCubeFaces[f];
            const int32_t b =
                blockAt[0][at.x - face.dColumn] + blockAt[1][at.y - face.dRow] + blockAt[2][at.z - face.dLayer];
            if (b >= 0) marks[b] |= static_cast<uint8_t>(1u << f);
        }

        for (const Step& step : steps) {
            const int32_t to = at.cell + step.cell;
            if (cells[to] != 0) continue;
            const int32_t toGrid = at.grid + step.grid;
            if (!passes[kind][KindOf(grid[toGrid])][step.how]) continue;
            const int x = at.x + step.dx, y = at.y + step.dy, z = at.z + step.dz;
            if (!inCone(x, y, z)) {
                cells[to] = 2;
                continue;
            }
            cells[to] = 1;
            queue.push_back({to, toGrid, static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(z)});
        }
    }
    queue.swap(cache.frameQueue);
}

bool RegionMarked(const SceneCache& cache, const FrameWork& w, const CellBox& part) {
    for (int64_t bz = part.lo[2] / BlockEdge; bz <= part.hi[2] / BlockEdge; ++bz)
        for (int64_t by = part.lo[1] / BlockEdge; by <= part.hi[1] / BlockEdge; ++by)
            for (int64_t bx = part.lo[0] / BlockEdge; bx <= part.hi[0] / BlockEdge; ++bx)
                if (BlockMark(cache, w, bx, by, bz)) return true;
    return false;
}

}  // namespace delver
