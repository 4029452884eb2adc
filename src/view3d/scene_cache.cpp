#include "view3d/scene_cache.h"

#include <algorithm>

#include "platform/gl.h"
#include "view3d/cube_faces.h"

namespace delver {

namespace {

// The group of a cell code: its texture entry, the brick entry for a pane,
// or the last group for codes without an entry.
int FaceGroup(uint8_t code) {
    if (code == DiagonalPane) return Brick;
    return code < TextureNameCount ? code : TextureNameCount;
}

int RegionIndex(int rx, int ry, int rz) { return (rz * RegionRows + ry) * RegionColumns + rx; }

// The drawable cells of a region along one axis: its own cells that lie
// strictly inside the shell of an axis of `size` cells.
struct Span {
    int lo, hi;
};
Span RegionSpan(int regionCoord, int size) {
    return {std::max(regionCoord * RegionEdge, 1), std::min(regionCoord * RegionEdge + RegionEdge - 1, size - 2)};
}

// Appends one quad of face f around the cell whose low corner is (column,
// -row, layer) in model space, at half-size h of the half-scaled cube.
void AppendQuad(std::vector<SceneVertex>& out, const CubeFace& f, float column, float row, float layer, float h) {
    for (const auto& c : f.corners) {
        out.push_back({column + 0.5f * (c[2] * h), -row + 0.5f * (c[3] * h), layer + 0.5f * (c[4] * h), c[0], c[1]});
    }
}

// Appends n kept vertices moved by (dx, dy, dz).
void AppendMoved(std::vector<SceneVertex>& out, const SceneVertex* from, size_t n, float dx, float dy, float dz) {
    const size_t at = out.size();
    out.resize(at + n);
    SceneVertex* to = out.data() + at;
    for (size_t i = 0; i < n; ++i) to[i] = {from[i].x + dx, from[i].y + dy, from[i].z + dz, from[i].s, from[i].t};
}

void FreeRegion(SceneCache& cache, RegionFaces& r) {
    if (!r.built) return;
    cache.stats.keptQuads -= r.groupStart[FaceGroupCount];
    ++cache.stats.regionsFreed;
    r = RegionFaces{};
}

void FreeAllRegions(SceneCache& cache) {
    for (RegionFaces& r : cache.regions) FreeRegion(cache, r);
}

// Builds the quads and marker list of region (rx, ry, rz) with the same
// tests DrawCell and DrawScene make, cell by cell in visiting order.
void BuildRegion(SceneCache& cache, RegionFaces& out, int rx, int ry, int rz) {
    const uint8_t* grid = cache.world;
    const uint8_t* markers = cache.markers;
    std::array<std::vector<SceneVertex>, FaceGroupCount> vertices;
    std::array<std::vector<uint16_t>, FaceGroupCount> cells;
    const Span cs = RegionSpan(rx, GridWidth), rs = RegionSpan(ry, GridWidth), ls = RegionSpan(rz, LayerCount);
    for (int l = ls.lo; l <= ls.hi; ++l) {
        for (int r = rs.lo; r <= rs.hi; ++r) {
            for (int c = cs.lo; c <= cs.hi; ++c) {
                const int index = CellIndex(c, r, l);
                if (markers[index] == ObjectiveMarker) out.markerCells.push_back(index);
                const uint8_t code = grid[index];
                if (code == Empty) continue;
                const auto local = static_cast<uint16_t>(((l - rz * RegionEdge) * RegionEdge + (r - ry * RegionEdge)) *
                                                             RegionEdge +
                                                         (c - rx * RegionEdge));
                const int group = FaceGroup(code);
                const float fc = static_cast<float>(c - rx * RegionEdge), fr = static_cast<float>(r - ry * RegionEdge),
                            fl = static_cast<float>(l - rz * RegionEdge);
                if (code == DiagonalPane) {
                    AppendQuad(vertices[group], kPaneFace, fc, fr, fl, 1.0f);
                    cells[group].push_back(local);
                    continue;
                }
                for (const CubeFace& f : kCubeFaces) {
                    const uint8_t n = grid[CellIndex(c + f.dColumn, r + f.dRow, l + f.dLayer)];
                    if (!FaceIsOpen(f, n)) continue;
                    AppendQuad(vertices[group], f, fc, fr, fl, 1.0f);
                    cells[group].push_back(local);
                }
            }
        }
    }
    uint32_t quads = 0;
    for (int g = 0; g < FaceGroupCount; ++g) {
        out.groupStart[g] = quads;
        quads += static_cast<uint32_t>(cells[g].size());
    }
    out.groupStart[FaceGroupCount] = quads;
    out.vertices.reserve(static_cast<size_t>(quads) * 4);
    out.quadCells.reserve(quads);
    for (int g = 0; g < FaceGroupCount; ++g) {
        out.vertices.insert(out.vertices.end(), vertices[g].begin(), vertices[g].end());
        out.quadCells.insert(out.quadCells.end(), cells[g].begin(), cells[g].end());
    }
    out.markerCells.shrink_to_fit();
    out.built = true;
    cache.stats.keptQuads += quads;
    ++cache.stats.regionsBuilt;
}

// Frees the regions the view cube has not reached for a while.
void FreeIdleRegions(SceneCache& cache) {
    for (RegionFaces& r : cache.regions)
        if (r.built && cache.scenes - r.lastUsedScene > RegionIdleScenes) FreeRegion(cache, r);
}

}  // namespace

void SyncSceneCache(SceneCache& cache, const WorldGrids& grids) {
    const GridChangeNotes& notes = grids.Changes;
    const bool otherGrids = cache.world != grids.WorldGrid.get() || cache.markers != grids.MarkerGrid.get();
    const bool wholeGrid = notes.Revision < cache.revision || notes.WholeGridRevision > cache.revision ||
                           notes.Revision - cache.revision > GridChangeNotes::CellNoteCapacity;
    if (otherGrids || wholeGrid) {
        FreeAllRegions(cache);
    } else if (!cache.regions.empty()) {
        for (uint64_t rev = cache.revision + 1; rev <= notes.Revision; ++rev) {
            const int index = notes.Cells[rev % GridChangeNotes::CellNoteCapacity];
            const int c = index % GridWidth, r = (index / GridWidth) % GridWidth, l = index / LayerStride;
            // The cell's own faces and marker, and the faces of its six
            // neighbours that look at it, which may lie in other regions.
            const int offsets[7][3] = {{0, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
            for (const auto& o : offsets) {
                const int nc = c + o[0], nr = r + o[1], nl = l + o[2];
                if (!CellInGrid(nc, nr, nl)) continue;
                FreeRegion(cache, cache.regions[RegionIndex(nc / RegionEdge, nr / RegionEdge, nl / RegionEdge)]);
            }
        }
    }
    cache.world = grids.WorldGrid.get();
    cache.markers = grids.MarkerGrid.get();
    cache.revision = notes.Revision;
}

void ReleaseSceneCache(SceneCache& cache) { cache = SceneCache{}; }

void DrawSceneFast(WorldView& v, SceneCache& cache) {
    PushCameraTransform(v);
    const int64_t X = v.shell.PlayerCell[0];
    const int64_t Y = v.shell.PlayerCell[1];
    const int64_t Z = v.shell.PlayerCell[2];
    const ViewCube cube = DrawableViewCube(v.shell);
    const int64_t layerLo = cube.layerLo, layerHi = cube.layerHi;
    const int64_t rowLo = cube.rowLo, rowHi = cube.rowHi;
    const int64_t colLo = cube.colLo, colHi = cube.colHi;
    if (cube.Empty() || !v.grids.WorldGrid || !v.grids.MarkerGrid) {
        glPopMatrix();
        return;
    }

    SyncSceneCache(cache, v.grids);
    if (cache.regions.empty()) cache.regions.resize(RegionCount);
    ++cache.scenes;
    for (auto& q : cache.frameQuads) q.clear();

    // Every bound now lies inside the grid, so 32 bits hold them.
    const int cLo = static_cast<int>(colLo), cHi = static_cast<int>(colHi);
    const int rLo = static_cast<int>(rowLo), rHi = static_cast<int>(rowHi);
    const int lLo = static_cast<int>(layerLo), lHi = static_cast<int>(layerHi);
    int64_t quads = 0, markersDrawn = 0;
    for (int rz = lLo / RegionEdge; rz <= lHi / RegionEdge; ++rz) {
        for (int ry = rLo / RegionEdge; ry <= rHi / RegionEdge; ++ry) {
            for (int rx = cLo / RegionEdge; rx <= cHi / RegionEdge; ++rx) {
                RegionFaces& region = cache.regions[RegionIndex(rx, ry, rz)];
                if (!region.built) BuildRegion(cache, region, rx, ry, rz);
                region.lastUsedScene = cache.scenes;

                // The part of the region inside the view cube, in local cells.
                const int lc0 = std::max(cLo - rx * RegionEdge, 0), lc1 = std::min(cHi - rx * RegionEdge, RegionEdge - 1);
                const int lr0 = std::max(rLo - ry * RegionEdge, 0), lr1 = std::min(rHi - ry * RegionEdge, RegionEdge - 1);
                const int ll0 = std::max(lLo - rz * RegionEdge, 0), ll1 = std::min(lHi - rz * RegionEdge, RegionEdge - 1);
                const bool whole = lc0 == 0 && lc1 == RegionEdge - 1 && lr0 == 0 && lr1 == RegionEdge - 1 &&
                                   ll0 == 0 && ll1 == RegionEdge - 1;
                // The copies are moved from the region's corner to the
                // player's cell, as DrawScene translates each cell by its
                // whole-cell offset from the player: the GL sees the same
                // small coordinates, exact in float near the player.
                const float dx = static_cast<float>(rx * RegionEdge - X);
                const float dy = static_cast<float>(Y - ry * RegionEdge);
                const float dz = static_cast<float>(rz * RegionEdge - Z);
                for (int g = 0; g < FaceGroupCount; ++g) {
                    const uint32_t first = region.groupStart[g], end = region.groupStart[g + 1];
                    if (first == end) continue;
                    std::vector<SceneVertex>& out = cache.frameQuads[g];
                    const SceneVertex* from = region.vertices.data();
                    if (whole) {
                        AppendMoved(out, from + first * 4, (end - first) * 4, dx, dy, dz);
                        quads += end - first;
                        continue;
                    }
                    for (uint32_t q = first; q < end; ++q) {
                        const int local = region.quadCells[q];
                        const int lc = local % RegionEdge, lr = (local / RegionEdge) % RegionEdge,
                                  ll = local / (RegionEdge * RegionEdge);
                        if (lc < lc0 || lc > lc1 || lr < lr0 || lr > lr1 || ll < ll0 || ll > ll1) continue;
                        AppendMoved(out, from + q * 4, 4, dx, dy, dz);
                        ++quads;
                    }
                }
                // Marker cubes, with the picture of texture entry 10.
                for (int index : region.markerCells) {
                    const int c = index % GridWidth, r = (index / GridWidth) % GridWidth, l = index / LayerStride;
                    if (c < cLo || c > cHi || r < rLo || r > rHi || l < lLo || l > lHi) continue;
                    for (const CubeFace& f : kCubeFaces)
                        AppendQuad(cache.frameQuads[ObjectiveMarker], f, static_cast<float>(c - X),
                                   static_cast<float>(r - Y), static_cast<float>(l - Z), kMarkerHalfSize);
                    ++markersDrawn;
                }
            }
        }
    }

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    for (int g = 0; g < FaceGroupCount; ++g) {
        const std::vector<SceneVertex>& q = cache.frameQuads[g];
        if (q.empty()) continue;
        glBindTexture(GL_TEXTURE_2D, g < TextureNameCount ? v.gl.TextureNames[g] : 0);
        glVertexPointer(3, GL_FLOAT, sizeof(SceneVertex), &q[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(SceneVertex), &q[0].s);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(q.size()));
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();

    if (v.stats) {
        v.stats->cellsDrawn += (layerHi - layerLo + 1) * (rowHi - rowLo + 1) * (colHi - colLo + 1);
        v.stats->facesDrawn += quads + 6 * markersDrawn;
        v.stats->markersDrawn += markersDrawn;
        if (v.stats->recordVisits)
            for (int l = lLo; l <= lHi; ++l)
                for (int r = rLo; r <= rHi; ++r)
                    for (int c = cLo; c <= cHi; ++c) v.stats->visits.push_back({c, r, l});
    }
    if (cache.scenes % 64 == 0) FreeIdleRegions(cache);
}

}  // namespace delver
