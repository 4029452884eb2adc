#include "view3d/scene_cache.h"

#include <algorithm>
#include <tuple>

#include "platform/gl.h"
#include "view3d/cube_faces.h"
#include "view3d/face_flood.h"
#include "view3d/view_volume.h"
#include "world/world_finishing.h"

namespace delver {
namespace {

// The group of a cell code: its texture entry, the brick entry for a pane,
// or the last group for codes without an entry.
int FaceGroup(uint8_t code) {
    if (code == DiagonalPane) return Brick;
    return code < TextureNameCount ? code : NoTextureGroup;
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

// Writes the four corners of face f around the cell whose low corner is
// (column, -row, layer) in model space, at half-size h of the half-scaled
// cube.
void WriteQuad(SceneVertex* to, const CubeFace& f, float column, float row, float layer, float h) {
    for (const auto& c : f.corners)
        *to++ = {column + 0.5f * (c[2] * h), -row + 0.5f * (c[3] * h), layer + 0.5f * (c[4] * h), c[0], c[1]};
}

void AppendQuad(std::vector<SceneVertex>& out, const CubeFace& f, float column, float row, float layer, float h) {
    const size_t at = out.size();
    out.resize(at + 4);
    WriteQuad(out.data() + at, f, column, row, layer, h);
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
    cache.stats.keptQuads -= r.quadCount;
    ++cache.stats.regionsFreed;
    r = RegionFaces{};
}

void FreeAllRegions(SceneCache& cache) {
    for (RegionFaces& r : cache.regions) FreeRegion(cache, r);
}

int BlockOf(int localColumn, int localRow, int localLayer) {
    return ((localLayer / BlockEdge) * BlocksPerEdge + localRow / BlockEdge) * BlocksPerEdge + localColumn / BlockEdge;
}

// Builds the quads and marker list of region (rx, ry, rz) with the same
// tests DrawCell and DrawScene make, cell by cell in visiting order, then
// sorts the quads by block and, in a block, by texture group, keeping the
// visiting order within each run.
void BuildRegion(SceneCache& cache, RegionFaces& out, int rx, int ry, int rz) {
    const uint8_t* grid = cache.world;
    const uint8_t* markers = cache.markers;
    struct Pending {
        uint16_t key;   // (block * FaceKinds + face) * FaceGroupCount + group
        uint16_t cell;  // local cell, as in quadCells
        uint8_t face;   // index into kCubeFaces, or 6 for the pane
    };
    std::vector<Pending> pending;
    constexpr int KeysPerBlock = FaceKinds * FaceGroupCount;
    std::vector<uint32_t> start(BlocksPerRegion * KeysPerBlock + 1);
    for (BlockBounds& b : out.blockBounds) b = {{RegionEdge, RegionEdge, RegionEdge}, {0, 0, 0}};

    const Span cs = RegionSpan(rx, GridWidth), rs = RegionSpan(ry, GridWidth), ls = RegionSpan(rz, LayerCount);
    for (int l = ls.lo; l <= ls.hi; ++l) {
        for (int r = rs.lo; r <= rs.hi; ++r) {
            for (int c = cs.lo; c <= cs.hi; ++c) {
                const int index = CellIndex(c, r, l);
                if (markers[index] == ObjectiveMarker) out.markerCells.push_back(index);
                const uint8_t code = grid[index];
                if (code == Empty) continue;
                const int lc = c - rx * RegionEdge, lr = r - ry * RegionEdge, ll = l - rz * RegionEdge;
                const auto local = static_cast<uint16_t>((ll * RegionEdge + lr) * RegionEdge + lc);
                const int block = BlockOf(lc, lr, ll);
                const int cellGroup = FaceGroup(code);
                const auto keyOf = [&](int face, int group) {
                    return static_cast<uint16_t>((block * FaceKinds + face) * FaceGroupCount + group);
                };
                const size_t before = pending.size();
                if (code == DiagonalPane) {
                    pending.push_back({keyOf(FacePane, cellGroup), local, FacePane});
                    ++start[keyOf(FacePane, cellGroup) + 1];
                    out.hasPane = true;
                } else {
                    for (int f = 0; f < 6; ++f) {
                        const CubeFace& face = kCubeFaces[f];
                        const uint8_t n = grid[CellIndex(c + face.dColumn, r + face.dRow, l + face.dLayer)];
                        if (!FaceIsOpen(face, n)) continue;
                        const bool rim =
                            cache.markedShafts && IsShaftCell(grid, c + face.dColumn, r + face.dRow, l + face.dLayer);
                        const int group = rim ? ShaftRimGroup : cellGroup;
                        pending.push_back({keyOf(f, group), local, static_cast<uint8_t>(f)});
                        ++start[keyOf(f, group) + 1];
                    }
                }
                if (pending.size() == before) continue;
                BlockBounds& b = out.blockBounds[block];
                const int at[3] = {lc, lr, ll};
                for (int a = 0; a < 3; ++a) {
                    b.lo[a] = static_cast<uint8_t>(std::min<int>(b.lo[a], at[a]));
                    b.hi[a] = static_cast<uint8_t>(std::max<int>(b.hi[a], at[a]));
                }
            }
        }
    }

    // The runs, block by block, and where each run's quads go.
    for (int key = 0; key < BlocksPerRegion * KeysPerBlock; ++key) {
        if (key % KeysPerBlock == 0) out.blockRuns[key / KeysPerBlock] = static_cast<uint16_t>(out.runs.size());
        const uint32_t count = start[key + 1];
        start[key + 1] = start[key] + count;
        if (count)
            out.runs.push_back({static_cast<uint16_t>(key % FaceGroupCount),
                                static_cast<uint16_t>(key / FaceGroupCount % FaceKinds), start[key], count});
    }
    out.blockRuns[BlocksPerRegion] = static_cast<uint16_t>(out.runs.size());
    out.runs.shrink_to_fit();

    const uint32_t quads = static_cast<uint32_t>(pending.size());
    out.vertices.resize(static_cast<size_t>(quads) * 4);
    out.quadCells.resize(quads);
    for (const Pending& p : pending) {
        const uint32_t at = start[p.key]++;
        const int lc = p.cell % RegionEdge, lr = (p.cell / RegionEdge) % RegionEdge,
                  ll = p.cell / (RegionEdge * RegionEdge);
        WriteQuad(&out.vertices[static_cast<size_t>(at) * 4], p.face < FacePane ? kCubeFaces[p.face] : kPaneFace,
                  static_cast<float>(lc), static_cast<float>(lr), static_cast<float>(ll), 1.0f);
        out.quadCells[at] = p.cell;
    }
    out.quadCount = quads;
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

// The cells of a region.
CellBox RegionBox(int rx, int ry, int rz) {
    return {{int64_t{rx} * RegionEdge, int64_t{ry} * RegionEdge, int64_t{rz} * RegionEdge},
            {int64_t{rx} * RegionEdge + RegionEdge - 1, int64_t{ry} * RegionEdge + RegionEdge - 1,
             int64_t{rz} * RegionEdge + RegionEdge - 1}};
}

// True when no face seen from behind can show this frame: the eye stands
// in an open cell (EyeInOpenCell) and no region in sight holds a pane. Every ray
// from the eye to the back of a face then passes from an Empty cell into a
// solid one on its way, through a face that is drawn (it looks at an Empty
// cell, lies in the view cube, in sight, facing the eye, beyond the near
// plane) and nearer, so the depth test hides the back. A pane breaks the
// chain: the faces beside it are not drawn.
bool BackFacesCannotShow(const SceneCache& cache, const FrameWork& w) {
    if (!w.eyeInOpenCell) return false;
    for (const auto& in : cache.frameRegions)
        if (cache.regions[RegionIndex(in.rx, in.ry, in.rz)].hasPane) return false;
    return true;
}

// True when every quad of a run facing `face` whose cells lie in `box` is
// seen from behind: the eye lies behind all their planes, with a margin far
// above the rounding of the GL's single-precision eye.
bool FacingAway(int face, const CellBox& box, const double eye[3]) {
    constexpr double margin = 1.0 / 1024.0;
    const CubeFace& f = kCubeFaces[face];
    const int axis = f.dColumn ? 0 : f.dRow ? 1 : 2;
    const int sign = f.dColumn + f.dRow + f.dLayer;
    // A face toward +axis of cell n lies on the plane n + 1, toward -axis on n.
    if (sign > 0) return eye[axis] < static_cast<double>(box.lo[axis] + 1) - margin;
    return eye[axis] > static_cast<double>(box.hi[axis]) + margin;
}

// Notes the blocks of a built region that are in sight and in the view
// cube, with their distance from the eye, and copies its marker cubes there
// into the frame's arrays.
void SelectBlocks(SceneCache& cache, FrameWork& w, const RegionFaces& region, int rx, int ry, int rz) {
    const int64_t base[3] = {int64_t{rx} * RegionEdge, int64_t{ry} * RegionEdge, int64_t{rz} * RegionEdge};
    for (int b = 0; b < BlocksPerRegion; ++b) {
        if (region.blockRuns[b] == region.blockRuns[b + 1]) continue;
        const BlockBounds& bb = region.blockBounds[b];
        CellBox quadsBox;
        for (int k = 0; k < 3; ++k) quadsBox.lo[k] = base[k] + bb.lo[k], quadsBox.hi[k] = base[k] + bb.hi[k];
        const CellBox part = Intersect(quadsBox, w.cube);
        if (part.Empty()) continue;
        if (w.cull && !MayBeSeen(w.view, part, w.player)) {
            ++cache.stats.blocksSkipped;
            continue;
        }
        uint8_t mark = 0xff;
        if (w.leaveOutHidden) {
            mark = BlockMark(cache, w, int64_t{rx} * BlocksPerEdge + b % BlocksPerEdge,
                             int64_t{ry} * BlocksPerEdge + b / BlocksPerEdge % BlocksPerEdge,
                             int64_t{rz} * BlocksPerEdge + b / (BlocksPerEdge * BlocksPerEdge));
            if (!mark) {
                ++cache.stats.blocksHidden;
                continue;
            }
        }
        cache.frameBlocks.push_back({DistanceFromEye(w.view, part, w.player), rx, ry, rz, b, mark});
    }
    // Marker cubes, with the picture of texture entry 10. In a cell that is
    // not Empty the cell's own half scale is still in force when the marker
    // is drawn, so its cube is half as big.
    for (int index : region.markerCells) {
        const int64_t c = index % GridWidth, r = (index / GridWidth) % GridWidth, l = index / LayerStride;
        const CellBox cell{{c, r, l}, {c, r, l}};
        if (!Contains(w.cube, cell) || (w.cull && !MayBeSeen(w.view, cell, w.player))) continue;
        if (w.leaveOutHidden && !CellReached(cache, w, c, r, l)) continue;
        const float h = cache.world[index] == Empty ? kMarkerHalfSize : kMarkerHalfSize * 0.5f;
        for (const CubeFace& f : kCubeFaces)
            AppendQuad(cache.frameQuads[ObjectiveMarker], f, static_cast<float>(c - w.player[0]),
                       static_cast<float>(r - w.player[1]), static_cast<float>(l - w.player[2]), h);
        ++w.markers;
    }
}

// Copies the quads of one block in sight that lie in the view cube into the
// frame's arrays, leaving out runs seen from behind where they cannot show.
void AppendBlock(SceneCache& cache, FrameWork& w, const RegionFaces& region, int rx, int ry, int rz, int b,
                 uint8_t mark) {
    // The copies are moved from the region's corner to the player's cell,
    // as DrawScene translates each cell by its whole-cell offset from the
    // player: the GL sees the same small coordinates, exact in float near
    // the player.
    const float dx = static_cast<float>(int64_t{rx} * RegionEdge - w.player[0]);
    const float dy = static_cast<float>(w.player[1] - int64_t{ry} * RegionEdge);
    const float dz = static_cast<float>(int64_t{rz} * RegionEdge - w.player[2]);
    const int64_t base[3] = {int64_t{rx} * RegionEdge, int64_t{ry} * RegionEdge, int64_t{rz} * RegionEdge};
    const SceneVertex* from = region.vertices.data();
    const BlockBounds& bb = region.blockBounds[b];
    CellBox quadsBox;
    for (int k = 0; k < 3; ++k) quadsBox.lo[k] = base[k] + bb.lo[k], quadsBox.hi[k] = base[k] + bb.hi[k];
    const bool whole = Contains(w.cube, quadsBox);
    for (int i = region.blockRuns[b]; i < region.blockRuns[b + 1]; ++i) {
        const FaceRun& run = region.runs[i];
        // Faces that look at no reached cell, in a block where no cell was
        // reached, cannot be seen from either side.
        if (!(mark & ReachedBit) && (run.face == FacePane || !(mark & (1u << run.face)))) {
            ++cache.stats.runsHidden;
            continue;
        }
        if (w.leaveOutBackFaces && run.face < FacePane && FacingAway(run.face, quadsBox, w.eye)) {
            ++cache.stats.runsFacingAway;
            continue;
        }
        std::vector<SceneVertex>& out = cache.frameQuads[run.group];
        if (whole && !w.leaveOutHidden) {
            AppendMoved(out, from + static_cast<size_t>(run.first) * 4, static_cast<size_t>(run.count) * 4, dx, dy, dz);
            w.quads += run.count;
            continue;
        }
        // Quad by quad: those of cells in the view cube, and after a flood
        // only those whose cell or whose open neighbour was reached.
        int32_t toOpen = 0;
        if (run.face < FacePane) {
            const CubeFace& f = kCubeFaces[run.face];
            toOpen = (f.dLayer * (w.size[1] + 2) + f.dRow) * (w.size[0] + 2) + f.dColumn;
        }
        for (uint32_t q = run.first; q < run.first + run.count; ++q) {
            const int local = region.quadCells[q];
            const int64_t c = base[0] + local % RegionEdge, r = base[1] + (local / RegionEdge) % RegionEdge,
                          l = base[2] + local / (RegionEdge * RegionEdge);
            if (c < w.cube.lo[0] || c > w.cube.hi[0] || r < w.cube.lo[1] || r > w.cube.hi[1] || l < w.cube.lo[2] ||
                l > w.cube.hi[2])
                continue;
            if (w.leaveOutHidden) {
                // The border round the flood's cells holds any open
                // neighbour outside the view cube, never reached.
                const size_t at = static_cast<size_t>(
                    ((l - w.cube.lo[2] + 1) * (w.size[1] + 2) + (r - w.cube.lo[1] + 1)) * (w.size[0] + 2) +
                    (c - w.cube.lo[0] + 1));
                if (cache.frameCells[at] != 1 && (toOpen == 0 || cache.frameCells[at + toOpen] != 1)) {
                    ++cache.stats.quadsHidden;
                    continue;
                }
            }
            AppendMoved(out, from + static_cast<size_t>(q) * 4, 4, dx, dy, dz);
            ++w.quads;
        }
    }
}

// A region by its place in regions along each axis; rx < 0 for none.
struct RegionPlace {
    int rx = -1, ry = -1, rz = -1;
};

// The regions the view cube reaches that are in sight and not hidden behind
// rock all round, into frameRegions, nearest first (to be drawn, and built
// when new). Returns the nearest region left out that is not built yet:
// the one a frame that builds nothing else builds ahead. Every bound lies
// inside the grid, so 32 bits hold them.
RegionPlace SelectRegions(SceneCache& cache, const FrameWork& w) {
    cache.frameRegions.clear();
    RegionPlace spare;
    double spareDistance = 0.0;
    for (int rz = static_cast<int>(w.cube.lo[2] / RegionEdge); rz <= static_cast<int>(w.cube.hi[2] / RegionEdge); ++rz)
        for (int ry = static_cast<int>(w.cube.lo[1] / RegionEdge); ry <= static_cast<int>(w.cube.hi[1] / RegionEdge);
             ++ry)
            for (int rx = static_cast<int>(w.cube.lo[0] / RegionEdge);
                 rx <= static_cast<int>(w.cube.hi[0] / RegionEdge); ++rx) {
                RegionFaces& region = cache.regions[RegionIndex(rx, ry, rz)];
                if (region.built) region.lastUsedScene = cache.scenes;
                const CellBox part = Intersect(RegionBox(rx, ry, rz), w.cube);
                const double distance = DistanceFromEye(w.view, part, w.player);
                // Out of sight, or in sight but behind rock all round (not
                // built before it can show).
                const bool outOfSight = w.cull && !MayBeSeen(w.view, part, w.player);
                const bool hidden = !outOfSight && w.leaveOutHidden && !RegionMarked(cache, w, part);
                if (outOfSight || hidden) {
                    ++(outOfSight ? cache.stats.regionsSkipped : cache.stats.regionsHidden);
                    if (!region.built && (spare.rx < 0 || distance < spareDistance)) {
                        spare = {rx, ry, rz};
                        spareDistance = distance;
                    }
                    continue;
                }
                cache.frameRegions.push_back({distance, rx, ry, rz});
            }
    // Ties are broken by place, so that what is drawn keeps its order
    // whatever else is left out.
    std::sort(cache.frameRegions.begin(), cache.frameRegions.end(), [](const auto& a, const auto& b) {
        return std::tie(a.distance, a.rz, a.ry, a.rx) < std::tie(b.distance, b.rz, b.ry, b.rx);
    });
    return spare;
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
            // With the rims shown, the cell may also make or unmake the
            // shaft cells above and below it, whose rims are the faces of
            // their side neighbours.
            if (cache.markedShafts)
                for (int dl : {-1, 1})
                    for (const auto& o : offsets) {
                        const int nc = c + o[0], nr = r + o[1], nl = l + dl;
                        if (o[2] != 0 || !CellInGrid(nc, nr, nl)) continue;
                        FreeRegion(cache,
                                   cache.regions[RegionIndex(nc / RegionEdge, nr / RegionEdge, nl / RegionEdge)]);
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
    const ViewCube cube = DrawableViewCube(v.shell);
    if (cube.Empty() || !v.grids.WorldGrid || !v.grids.MarkerGrid) {
        glPopMatrix();
        return;
    }

    SyncSceneCache(cache, v.grids);
    if (cache.markedShafts != v.markedShafts) {
        FreeAllRegions(cache);
        cache.markedShafts = v.markedShafts;
    }
    if (cache.regions.empty()) cache.regions.resize(RegionCount);
    ++cache.scenes;
    for (auto& q : cache.frameQuads) q.clear();

    const ViewVolume view = CameraViewVolume(v);
    FrameWork w{view,
                cache.cullToView,
                {{cube.colLo, cube.rowLo, cube.layerLo}, {cube.colHi, cube.rowHi, cube.layerHi}},
                {v.shell.PlayerCell[0], v.shell.PlayerCell[1], v.shell.PlayerCell[2]},
                {}};

    // Where the eye stands; from an open cell, the flood finds what nearer
    // rock hides.
    EyeInGrid(v, w.eye);
    w.eyeInOpenCell = w.cull && EyeInOpenCell(cache, w);
    w.leaveOutHidden = w.eyeInOpenCell && cache.cullHidden;
    if (w.leaveOutHidden) FloodFromEye(cache, w);

    const RegionPlace spare = SelectRegions(cache, w);
    bool builtAny = false;
    for (const auto& in : cache.frameRegions) {
        RegionFaces& region = cache.regions[RegionIndex(in.rx, in.ry, in.rz)];
        if (!region.built) {
            BuildRegion(cache, region, in.rx, in.ry, in.rz);
            builtAny = true;
        }
        region.lastUsedScene = cache.scenes;
    }
    w.leaveOutBackFaces = BackFacesCannotShow(cache, w);
    // The blocks in sight, nearest first: what is drawn first hides what
    // lies behind it early, which spares the renderer most of its work.
    cache.frameBlocks.clear();
    for (const auto& in : cache.frameRegions)
        SelectBlocks(cache, w, cache.regions[RegionIndex(in.rx, in.ry, in.rz)], in.rx, in.ry, in.rz);
    std::sort(cache.frameBlocks.begin(), cache.frameBlocks.end(), [](const auto& a, const auto& b) {
        return std::tie(a.distance, a.rz, a.ry, a.rx, a.block) < std::tie(b.distance, b.rz, b.ry, b.rx, b.block);
    });
    for (const auto& in : cache.frameBlocks)
        AppendBlock(cache, w, cache.regions[RegionIndex(in.rx, in.ry, in.rz)], in.rx, in.ry, in.rz, in.block, in.mark);

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    for (int g = 0; g < FaceGroupCount; ++g) {
        const std::vector<SceneVertex>& q = cache.frameQuads[g];
        if (q.empty()) continue;
        glBindTexture(GL_TEXTURE_2D, g < TextureNameCount ? v.gl.TextureNames[g]
                                     : g == ShaftRimGroup ? v.gl.ShaftRimTexture
                                                          : 0);
        glVertexPointer(3, GL_FLOAT, sizeof(SceneVertex), &q[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(SceneVertex), &q[0].s);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(q.size()));
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();

    // A frame that built nothing in sight builds the nearest region of the
    // view cube still missing, while the renderer works on the picture, so
    // that turning round later finds it ready.
    if (!builtAny && spare.rx >= 0) {
        glFlush();
        RegionFaces& region = cache.regions[RegionIndex(spare.rx, spare.ry, spare.rz)];
        BuildRegion(cache, region, spare.rx, spare.ry, spare.rz);
        region.lastUsedScene = cache.scenes;
    }

    if (v.stats) {
        v.stats->cellsDrawn +=
            (cube.layerHi - cube.layerLo + 1) * (cube.rowHi - cube.rowLo + 1) * (cube.colHi - cube.colLo + 1);
        v.stats->facesDrawn += w.quads + 6 * w.markers;
        v.stats->markersDrawn += w.markers;
    }
    if (cache.scenes % 64 == 0) FreeIdleRegions(cache);
}

}  // namespace delver
