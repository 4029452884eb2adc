#include "view3d/scene_cache.h"

#include <algorithm>
#include <cmath>
#include <tuple>

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
                const int group = FaceGroup(code);
                const auto keyOf = [&](int face) {
                    return static_cast<uint16_t>((block * FaceKinds + face) * FaceGroupCount + group);
                };
                const size_t before = pending.size();
                if (code == DiagonalPane) {
                    pending.push_back({keyOf(FacePane), local, FacePane});
                    ++start[keyOf(FacePane) + 1];
                    out.hasPane = true;
                } else {
                    for (int f = 0; f < 6; ++f) {
                        const CubeFace& face = kCubeFaces[f];
                        const uint8_t n = grid[CellIndex(c + face.dColumn, r + face.dRow, l + face.dLayer)];
                        if (!FaceIsOpen(face, n)) continue;
                        pending.push_back({keyOf(f), local, static_cast<uint8_t>(f)});
                        ++start[keyOf(f) + 1];
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
        const int lc = p.cell % RegionEdge, lr = (p.cell / RegionEdge) % RegionEdge, ll = p.cell / (RegionEdge * RegionEdge);
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

// How far, in cells, a box must lie beyond a side of the view volume to be
// left out. The planes are worked out in double precision from the same
// angles and place the GL gets in single precision; a sixteenth of a cell
// is far more than the two can differ by anywhere in the view cube.
constexpr double kViewMargin = 1.0 / 16.0;

// Column-major 4 x 4 matrices, as OpenGL keeps them.
using Matrix = std::array<double, 16>;

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return m;
}

// What glRotatef(degrees, 1, 0, 0) (axis 0) or (0, 0, 1) (axis 2) applies.
Matrix Rotation(float degrees, int axis) {
    const double a = static_cast<double>(degrees) * 3.14159265358979323846 / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int i = axis == 0 ? 1 : 0, j = axis == 0 ? 2 : 1;  // the plane it turns
    m[i * 4 + i] = c;
    m[j * 4 + i] = -s;
    m[i * 4 + j] = s;
    m[j * 4 + j] = c;
    return m;
}

// The camera's view volume in model space (column, minus row, layer, from
// the player's cell): six planes (a, b, c, d) with (a, b, c) of unit
// length pointing inward, so a x + b y + c z + d is how far a point lies
// inside that side; and the eye.
struct ViewVolume {
    double planes[6][4];
    double eye[3];
};

// The perspective of SetProjection and the camera of PushCameraTransform.
ViewVolume CameraViewVolume(const WorldView& v) {
    const float* pos = v.units.Player().CellPosition;
    const float t[3] = {pos[0] - 0.5f, pos[1] - 0.5f, pos[2] - 0.5f};
    Matrix move{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t[0], t[1], t[2], 1};
    const Matrix turn = Multiply(Multiply(Rotation(v.camera.Pitch, 0), Rotation(180.0f - v.camera.Yaw, 2)),
                                 Rotation(180.0f, 0));
    const double f = 1.0 / std::tan(SceneFieldOfView * 3.14159265358979323846 / 360.0);
    Matrix perspective{};
    perspective[0] = f / SceneAspect;
    perspective[5] = f;
    perspective[10] = (SceneFar + SceneNear) / (SceneNear - SceneFar);
    perspective[11] = -1.0;
    perspective[14] = 2.0 * SceneFar * SceneNear / (SceneNear - SceneFar);
    const Matrix clip = Multiply(perspective, Multiply(turn, move));

    ViewVolume vv{};
    // A point is inside when -w <= x, y, z <= w in clip space: row 3 plus or
    // minus rows 0, 1 and 2.
    for (int side = 0; side < 6; ++side) {
        const int row = side / 2;
        const double sign = side % 2 ? -1.0 : 1.0;
        double* p = vv.planes[side];
        for (int col = 0; col < 4; ++col) p[col] = clip[col * 4 + 3] + sign * clip[col * 4 + row];
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (int k = 0; k < 4; ++k) p[k] /= length;  // a zero length gives NaN: nothing is left out by it
    }
    for (int k = 0; k < 3; ++k) vv.eye[k] = -static_cast<double>(t[k]);
    return vv;
}

// Cells low..high inclusive on each axis (column, row, layer), in the grid.
struct CellBox {
    int64_t lo[3], hi[3];
    bool Empty() const { return lo[0] > hi[0] || lo[1] > hi[1] || lo[2] > hi[2]; }
};

CellBox Intersect(const CellBox& a, const CellBox& b) {
    CellBox r;
    for (int k = 0; k < 3; ++k) r.lo[k] = std::max(a.lo[k], b.lo[k]), r.hi[k] = std::min(a.hi[k], b.hi[k]);
    return r;
}

bool Contains(const CellBox& outer, const CellBox& inner) {
    for (int k = 0; k < 3; ++k)
        if (inner.lo[k] < outer.lo[k] || inner.hi[k] > outer.hi[k]) return false;
    return true;
}

// The box of cells as model space sees it from the player's cell.
void ModelBox(const CellBox& b, const int64_t player[3], double lo[3], double hi[3]) {
    lo[0] = static_cast<double>(b.lo[0] - player[0]) - 0.5;
    hi[0] = static_cast<double>(b.hi[0] - player[0]) + 0.5;
    lo[1] = static_cast<double>(player[1] - b.hi[1]) - 0.5;
    hi[1] = static_cast<double>(player[1] - b.lo[1]) + 0.5;
    lo[2] = static_cast<double>(b.lo[2] - player[2]) - 0.5;
    hi[2] = static_cast<double>(b.hi[2] - player[2]) + 0.5;
}

// False only when the cells lie wholly beyond one side of the view volume:
// nothing drawn in them can then reach a pixel.
bool MayBeSeen(const ViewVolume& vv, const CellBox& b, const int64_t player[3]) {
    double lo[3], hi[3];
    ModelBox(b, player, lo, hi);
    for (const auto& p : vv.planes) {
        const double d = p[0] * (p[0] > 0 ? hi[0] : lo[0]) + p[1] * (p[1] > 0 ? hi[1] : lo[1]) +
                         p[2] * (p[2] > 0 ? hi[2] : lo[2]) + p[3];
        if (d < -kViewMargin) return false;
    }
    return true;
}

// Squared distance from the eye to the nearest point of the cells.
double DistanceFromEye(const ViewVolume& vv, const CellBox& b, const int64_t player[3]) {
    double lo[3], hi[3];
    ModelBox(b, player, lo, hi);
    double d = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double out = std::max({lo[k] - vv.eye[k], vv.eye[k] - hi[k], 0.0});
        d += out * out;
    }
    return d;
}

CellBox RegionBox(int rx, int ry, int rz) {
    return {{int64_t{rx} * RegionEdge, int64_t{ry} * RegionEdge, int64_t{rz} * RegionEdge},
            {int64_t{rx} * RegionEdge + RegionEdge - 1, int64_t{ry} * RegionEdge + RegionEdge - 1,
             int64_t{rz} * RegionEdge + RegionEdge - 1}};
}

// What one frame gathers.
struct FrameWork {
    const ViewVolume& view;
    bool cull;
    CellBox cube;
    int64_t player[3];
    double eye[3];                    // the eye in grid space: column, row, layer
    bool eyeInOpenCell = false;       // see EyeInOpenCell
    bool leaveOutBackFaces = false;   // faces seen from behind cannot show this frame
    bool leaveOutHidden = false;      // the flood below ran: what it did not reach is hidden
    int size[3] = {0, 0, 0};          // cells of the view cube along each axis
    int64_t blockLo[3] = {0, 0, 0};   // the view cube's lowest block, in grid blocks
    int blocks[3] = {0, 0, 0};        // blocks of the view cube along each axis
    int64_t quads = 0, markers = 0;
};

// How near to the eye a face may come before the near plane may cut it: the
// distance from the eye to a corner of the near plane's rectangle, and a
// little more.
double NearReach() {
    const double t = std::tan(SceneFieldOfView * 3.14159265358979323846 / 360.0);
    return SceneNear * std::sqrt(1.0 + t * t + SceneAspect * t * SceneAspect * t) + 0.02;
}

// The eye in grid space: column X + 1 - x, row Y + y, layer Z + 1 - z.
void EyeInGrid(const WorldView& v, double eye[3]) {
    const float* pos = v.units.Player().CellPosition;
    eye[0] = static_cast<double>(v.shell.PlayerCell[0]) + 1.0 - pos[0];
    eye[1] = static_cast<double>(v.shell.PlayerCell[1]) + pos[1];
    eye[2] = static_cast<double>(v.shell.PlayerCell[2]) + 1.0 - pos[2];
}

// True when the eye stands in an Empty cell of the drawable view cube and
// every cell around it that is not Empty lies beyond the near plane's
// reach: then no drawn face comes so near the eye that the near plane cuts
// it, and every face in sight hides what lies behind it.
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
                if (grid[CellIndex(static_cast<int>(at[0]), static_cast<int>(at[1]), static_cast<int>(at[2]))] ==
                    Empty)
                    continue;
                double d = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const double out = std::max({static_cast<double>(at[k]) - w.eye[k],
                                                 w.eye[k] - static_cast<double>(at[k] + 1), 0.0});
                    d += out * out;
                }
                if (d < reach * reach) return false;
            }
    return true;
}

// True when no face seen from behind can show this frame: the eye stands
// in an open cell (above) and no region in sight holds a pane. Every ray
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

// Bits of a block's mark: bit f (0..5) when a cell that faces f of the
// block's cells look at was reached; ReachedBit when a cell of the block
// itself was (its faces may be seen from behind, its pane and marker
// seen).
constexpr uint8_t ReachedBit = 1u << FacePane;

// Floods the view cube from the eye's cell over the cells a line of sight
// can reach before it meets a drawn face, and marks the blocks whose faces,
// panes or markers such a line can end on. Only when the eye stands in an
// open cell: then no face in sight comes near enough for the near plane to
// cut it, every drawn face hides what lies behind it, and a point of a
// face, pane or marker can show only if the segment from the eye to it
// passes through reached cells all the way. That segment stays inside the
// view cube (both ends lie in it), and nothing outside the cube is drawn.
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
                const double lo = k == 1 ? static_cast<double>(w.player[1] - g) - 0.5
                                         : static_cast<double>(g - w.player[k]) - 0.5;
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
                              static_cast<int8_t>(dx), static_cast<int8_t>(dy), static_cast<int8_t>(dz),
                              static_cast<uint8_t>(axes > 1 ? 2 : dz != 0 ? 1 : 0)};
            }
    bool passes[3][3][3];
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int how = 0; how < 3; ++how) passes[a][b][how] = Passes(static_cast<uint8_t>(a), static_cast<uint8_t>(b), how);

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
            const int32_t b = blockAt[0][at.x - face.dColumn] + blockAt[1][at.y - face.dRow] +
                              blockAt[2][at.z - face.dLayer];
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

// The mark of the block with grid block coordinates (bx, by, bz), which
// lies in the view cube.
uint8_t BlockMark(const SceneCache& cache, const FrameWork& w, int64_t bx, int64_t by, int64_t bz) {
    return cache.frameBlockMarks[static_cast<size_t>(((bz - w.blockLo[2]) * w.blocks[1] + (by - w.blockLo[1])) *
                                                         w.blocks[0] +
                                                     (bx - w.blockLo[0]))];
}

// Whether any block of a region's part in the view cube was marked.
bool RegionMarked(const SceneCache& cache, const FrameWork& w, const CellBox& part) {
    for (int64_t bz = part.lo[2] / BlockEdge; bz <= part.hi[2] / BlockEdge; ++bz)
        for (int64_t by = part.lo[1] / BlockEdge; by <= part.hi[1] / BlockEdge; ++by)
            for (int64_t bx = part.lo[0] / BlockEdge; bx <= part.hi[0] / BlockEdge; ++bx)
                if (BlockMark(cache, w, bx, by, bz)) return true;
    return false;
}

// Whether the flood reached a cell of the view cube.
bool CellReached(const SceneCache& cache, const FrameWork& w, int64_t c, int64_t r, int64_t l) {
    return cache.frameCells[static_cast<size_t>(((l - w.cube.lo[2] + 1) * (w.size[1] + 2) + (r - w.cube.lo[1] + 1)) *
                                                    (w.size[0] + 2) +
                                                (c - w.cube.lo[0] + 1))] == 1;
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
                const size_t at = static_cast<size_t>(((l - w.cube.lo[2] + 1) * (w.size[1] + 2) + (r - w.cube.lo[1] + 1)) *
                                                          (w.size[0] + 2) +
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
    const ViewCube cube = DrawableViewCube(v.shell);
    if (cube.Empty() || !v.grids.WorldGrid || !v.grids.MarkerGrid) {
        glPopMatrix();
        return;
    }

    SyncSceneCache(cache, v.grids);
    if (cache.regions.empty()) cache.regions.resize(RegionCount);
    ++cache.scenes;
    for (auto& q : cache.frameQuads) q.clear();

    const ViewVolume view = CameraViewVolume(v);
    FrameWork w{view, cache.cullToView, {{cube.colLo, cube.rowLo, cube.layerLo}, {cube.colHi, cube.rowHi, cube.layerHi}},
                {v.shell.PlayerCell[0], v.shell.PlayerCell[1], v.shell.PlayerCell[2]}, {}};

    // The regions the view cube reaches: those in sight, nearest first, to
    // be drawn (and built when new), and the nearest new one out of sight.
    // Every bound now lies inside the grid, so 32 bits hold them.
    EyeInGrid(v, w.eye);
    w.eyeInOpenCell = w.cull && EyeInOpenCell(cache, w);
    w.leaveOutHidden = w.eyeInOpenCell && cache.cullHidden;
    if (w.leaveOutHidden) FloodFromEye(cache, w);

    cache.frameRegions.clear();
    int spare[3] = {-1, -1, -1};
    double spareDistance = 0.0;
    for (int rz = static_cast<int>(cube.layerLo / RegionEdge); rz <= static_cast<int>(cube.layerHi / RegionEdge); ++rz)
        for (int ry = static_cast<int>(cube.rowLo / RegionEdge); ry <= static_cast<int>(cube.rowHi / RegionEdge); ++ry)
            for (int rx = static_cast<int>(cube.colLo / RegionEdge); rx <= static_cast<int>(cube.colHi / RegionEdge);
                 ++rx) {
                RegionFaces& region = cache.regions[RegionIndex(rx, ry, rz)];
                if (region.built) region.lastUsedScene = cache.scenes;
                const CellBox part = Intersect(RegionBox(rx, ry, rz), w.cube);
                const double distance = DistanceFromEye(view, part, w.player);
                if (w.cull && !MayBeSeen(view, part, w.player)) {
                    ++cache.stats.regionsSkipped;
                    if (!region.built && (spare[0] < 0 || distance < spareDistance))
                        spare[0] = rx, spare[1] = ry, spare[2] = rz, spareDistance = distance;
                    continue;
                }
                // In sight, but behind rock all round: not built before it
                // can show.
                if (w.leaveOutHidden && !RegionMarked(cache, w, part)) {
                    ++cache.stats.regionsHidden;
                    if (!region.built && (spare[0] < 0 || distance < spareDistance))
                        spare[0] = rx, spare[1] = ry, spare[2] = rz, spareDistance = distance;
                    continue;
                }
                cache.frameRegions.push_back({distance, rx, ry, rz});
            }
    // Ties are broken by place, so that what is drawn keeps its order
    // whatever else is left out.
    std::sort(cache.frameRegions.begin(), cache.frameRegions.end(), [](const auto& a, const auto& b) {
        return std::tie(a.distance, a.rz, a.ry, a.rx) < std::tie(b.distance, b.rz, b.ry, b.rx);
    });
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
        AppendBlock(cache, w, cache.regions[RegionIndex(in.rx, in.ry, in.rz)], in.rx, in.ry, in.rz, in.block,
                    in.mark);

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

    // A frame that built nothing in sight builds the nearest region of the
    // view cube still missing, while the renderer works on the picture, so
    // that turning round later finds it ready.
    if (!builtAny && spare[0] >= 0) {
        glFlush();
        RegionFaces& region = cache.regions[RegionIndex(spare[0], spare[1], spare[2])];
        BuildRegion(cache, region, spare[0], spare[1], spare[2]);
        region.lastUsedScene = cache.scenes;
    }

    if (v.stats) {
        v.stats->cellsDrawn += (cube.layerHi - cube.layerLo + 1) * (cube.rowHi - cube.rowLo + 1) *
                               (cube.colHi - cube.colLo + 1);
        v.stats->facesDrawn += w.quads + 6 * w.markers;
        v.stats->markersDrawn += w.markers;
        if (v.stats->recordVisits)
            for (int64_t l = cube.layerLo; l <= cube.layerHi; ++l)
                for (int64_t r = cube.rowLo; r <= cube.rowHi; ++r)
                    for (int64_t c = cube.colLo; c <= cube.colHi; ++c)
                        v.stats->visits.push_back({static_cast<int>(c), static_cast<int>(r), static_cast<int>(l)});
    }
    if (cache.scenes % 64 == 0) FreeIdleRegions(cache);
}

}  // namespace delver
