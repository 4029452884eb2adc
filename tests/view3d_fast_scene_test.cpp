// The fast scene path against the literal one, on the real offscreen
// OpenGL: the same cells counted; the same faces and markers kept (drawn
// with culling off); what reaches the view volume the same, as the GL's own
// clipping finds it in feedback mode (every face toward the eye, and every
// face from behind where the fast path may not leave those out); and
// pictures that agree (at most 0.2 % of the 320 x 240 pixels off by more
// than 1 in a channel, since vertices transformed differently may pick a
// neighbouring texel); and leaving out what nearer rock hides changes no
// pixel and no depth of the fast picture. In a generated world, in random cell soups, after
// grid changes, on a new context, for players far off the grid, and at the
// edges of the view volume.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/gl.h"
#include "platform/headless/headless_platform.h"
#include "support/view_state.h"
#include "view3d/cube_faces.h"
#include "view3d/gl_state.h"
#include "view3d/scene.h"
#include "view3d/scene_cache.h"
#include "world/dungeon_generator.h"
#include "world/world_finishing.h"

namespace delver {
namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kWhite{255, 255, 255};

// A 16 x 16 picture of 2-texel checks in two shades of one colour, so a
// texel picked differently or a wrong picture shows.
void CheckedSprite(SpriteTable& t, int slot, Rgb c) {
    Sprite& s = t.Slots[slot];
    s.width = s.height = 16;
    s.bytesPerPixel = 3;
    s.pixels = std::make_unique<uint8_t[]>(16 * 16 * 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (int i = 0; i < 3; ++i)
                s.pixels[(y * 16 + x) * 3 + i] = static_cast<uint8_t>(((x / 2 + y / 2) % 2) ? c[i] / 2 : c[i]);
}

// One world for the whole suite, built once; each test starts from a copy.
struct BuiltWorld {
    std::unique_ptr<uint8_t[]> world, markers;
    ShellState shell;
};
BuiltWorld Build(uint32_t seed) {
    WorldGrids g;
    g.Allocate();
    BuiltWorld out;
    auto work = std::make_unique<GeneratorWorkspace>();
    AllocateGeneratorWorkspace(*work, false);
    RandomSource random;
    SeedRandom(random, seed);
    GeneratePlayableLevels(g, *work, random);
    FinishWorld(g, out.shell, random);
    ReleaseGeneratorWorkspace(*work);
    out.world = std::move(g.WorldGrid);
    out.markers = std::move(g.MarkerGrid);
    return out;
}

struct Picture {
    std::vector<uint8_t> rgb;
    std::vector<uint32_t> depth;
    SceneStats stats;
};

// The window area (in pixels, overlaps counted) of the scene's quads after
// the GL has clipped them to the view volume: of those facing the eye (drawn
// anticlockwise on the screen, as every face is from the open side it looks
// at), and of those seen from behind.
struct Coverage {
    double front = 0.0, back = 0.0;
};

class View3dFastScene : public ::testing::Test, protected testing::ViewState<HeadlessPlatform> {
protected:
    static void SetUpTestSuite() {
        worldA = new BuiltWorld(Build(42));
        worldB = new BuiltWorld(Build(4242));
    }
    static void TearDownTestSuite() {
        delete worldA;
        delete worldB;
    }

    void SetUp() override {
        ASSERT_EQ(platform.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok);
        sprites.Allocate();
        SetFramebufferSize(frame, 320, 240);
        CheckedSprite(sprites, 1201, {200, 80, 60});
        CheckedSprite(sprites, 1202, {60, 200, 60});
        CheckedSprite(sprites, 1203, {160, 120, 40});
        CheckedSprite(sprites, 1204, {40, 40, 220});  // entry 4: what a pane must not show
        CheckedSprite(sprites, 1209, {230, 210, 30});
        InitGl();
        for (float& c : units.Player().CellPosition) c = 0.5f;
        shell.ViewDistance = 6;
    }

    void InitGl() {
        SetProjection();
        InitGraphicsState(gl, sprites, frame);
    }

    // Copies a built world into the grids, as a loaded slot would, and says so.
    void UseWorld(const BuiltWorld& w) {
        std::memcpy(grids.WorldGrid.get(), w.world.get(), GridCells);
        std::memcpy(grids.MarkerGrid.get(), w.markers.get(), GridCells);
        NoteGridsReplaced(grids);
    }

    void Look(int x, int y, int z, float yaw, float pitch) {
        shell.PlayerCell[0] = x;
        shell.PlayerCell[1] = y;
        shell.PlayerCell[2] = z;
        camera.Yaw = yaw;
        camera.Pitch = pitch;
    }

    Picture Draw(bool fast) {
        SceneStats stats;
        WorldView view{grids, shell, units, camera, gl, frame, platform, &stats};
        view.markedShafts = marked;
        glLoadIdentity();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (fast)
            DrawSceneFast(view, cache);
        else
            DrawScene(view);
        Picture p;
        p.rgb.resize(SceneWidth * SceneHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, SceneWidth, SceneHeight, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
        p.depth.resize(SceneWidth * SceneHeight);
        glReadPixels(0, 0, SceneWidth, SceneHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, p.depth.data());
        p.stats = stats;
        return p;
    }

    // The scene drawn in feedback mode: no pixel is written, and the GL
    // hands back every polygon that survives its clipping.
    Coverage Covered(bool fast) {
        WorldView view{grids, shell, units, camera, gl, frame, platform};
        view.markedShafts = marked;
        feedback.resize(size_t{1} << 23);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        glLoadIdentity();
        if (fast)
            DrawSceneFast(view, cache);
        else
            DrawScene(view);
        const GLint n = glRenderMode(GL_RENDER);
        Coverage c;
        EXPECT_GE(n, 0) << "feedback buffer too small";
        for (GLint i = 0; i < n;) {
            const auto token = static_cast<GLenum>(feedback[i++]);
            if (token == GL_PASS_THROUGH_TOKEN) {
                ++i;
                continue;
            }
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const int corners = static_cast<int>(feedback[i++]);
            double twiceArea = 0.0;
            for (int k = 0; k < corners; ++k) {
                const float* a = &feedback[i + 3 * k];
                const float* b = &feedback[i + 3 * ((k + 1) % corners)];
                twiceArea += static_cast<double>(a[0]) * b[1] - static_cast<double>(b[0]) * a[1];
            }
            i += 3 * corners;
            (twiceArea > 0 ? c.front : c.back) += std::abs(twiceArea) / 2.0;
        }
        return c;
    }

    // Pixels of a and b that differ by more than 1 in some channel.
    static int Differing(const Picture& a, const Picture& b) {
        int n = 0;
        for (size_t i = 0; i < a.rgb.size(); i += 3) {
            bool d = false;
            for (int k = 0; k < 3; ++k) d |= std::abs(int(a.rgb[i + k]) - int(b.rgb[i + k])) > 1;
            n += d;
        }
        return n;
    }

    static Rgb At(const Picture& p, int x, int y) {
        const uint8_t* c = &p.rgb[(static_cast<size_t>(y) * SceneWidth + x) * 3];
        return {c[0], c[1], c[2]};
    }

    // Draws both paths from the current camera. The cells counted are the
    // same; with culling off the fast path keeps the same faces and
    // markers, with it on no more; the GL finds the same area facing the
    // eye in the view volume, and the same seen from behind unless
    // `backsMayGo` (both with hidden faces kept); leaving out hidden faces
    // changes no pixel and no depth of the fast picture; the differing
    // pixels from the literal path are added to the tally.
    void ExpectSameScene(const char* where, bool backsMayGo = true) {
        const Picture literal = Draw(false);
        const Picture fast = Draw(true);
        cache.cullHidden = false;
        const Picture unhidden = Draw(true);
        cache.cullHidden = true;
        EXPECT_LE(fast.stats.facesDrawn, unhidden.stats.facesDrawn) << where;
        hiddenLeftOut += fast.stats.facesDrawn < unhidden.stats.facesDrawn;
        EXPECT_EQ(Differing(fast, unhidden), 0) << where << ": hiding faces changed the picture";
        EXPECT_EQ(fast.depth, unhidden.depth) << where << ": hiding faces changed the depths";
        EXPECT_EQ(fast.stats.cellsDrawn, literal.stats.cellsDrawn) << where;
        EXPECT_LE(fast.stats.facesDrawn, literal.stats.facesDrawn) << where;
        EXPECT_LE(fast.stats.markersDrawn, literal.stats.markersDrawn) << where;
        cache.cullToView = false;
        const Picture whole = Draw(true);
        cache.cullToView = true;
        EXPECT_EQ(whole.stats.facesDrawn, literal.stats.facesDrawn) << where;
        EXPECT_EQ(whole.stats.markersDrawn, literal.stats.markersDrawn) << where;

        // Faces hidden behind nearer ones are in the view volume too.
        cache.cullHidden = false;
        const Coverage literalArea = Covered(false), fastArea = Covered(true);
        cache.cullHidden = true;
        const double slack = 0.5 + 1e-5 * (literalArea.front + literalArea.back);
        EXPECT_NEAR(fastArea.front, literalArea.front, slack) << where;
        if (backsMayGo)
            EXPECT_LE(fastArea.back, literalArea.back + slack) << where;
        else
            EXPECT_NEAR(fastArea.back, literalArea.back, slack) << where;
        backsLeftOut += fastArea.back < literalArea.back - slack;

        const int off = Differing(literal, fast);
        EXPECT_LE(off * 1000, SceneWidth * SceneHeight * 2) << where << ": " << off << " pixels differ";
        differing += off;
        pixels += SceneWidth * SceneHeight;
        lastFaces = literal.stats.facesDrawn;
        lastFastFaces = fast.stats.facesDrawn;
        lastMarkers = literal.stats.markersDrawn;
        lastLiteral = literal;
        lastFast = fast;
    }
    void ExpectPicturesAgree() {
        ASSERT_GT(pixels, 0);
        EXPECT_LE(differing * 1000, pixels * 2) << differing << " of " << pixels << " pixels differ";
        differing = pixels = 0;
    }

    static BuiltWorld* worldA;
    static BuiltWorld* worldB;
    SceneCache cache;
    bool marked = false;  // shafts = marked
    std::vector<GLfloat> feedback;
    int64_t differing = 0, pixels = 0, lastFaces = 0, lastFastFaces = 0, lastMarkers = 0;
    int backsLeftOut = 0;   // scenes where the fast path left out faces seen from behind
    int hiddenLeftOut = 0;  // scenes where it left out faces hidden behind nearer ones
    Picture lastLiteral, lastFast;
};
BuiltWorld* View3dFastScene::worldA = nullptr;
BuiltWorld* View3dFastScene::worldB = nullptr;

// The open cell of a level's first open layer with the longest straight
// view along a row or column, and the direction (dx, dy) and yaw of it.
struct LevelView {
    int x, y, z, dx, dy;
    float yaw;
    int run;
};
LevelView FindLevelView(const WorldGrids& g, int level) {
    const int z = LevelOpenLayer(level);
    const struct {
        int dx, dy;
        float yaw;
    } dirs[] = {{0, -1, 0.0f}, {1, 0, 90.0f}, {0, 1, 180.0f}, {-1, 0, 270.0f}};
    LevelView best{0, 0, z, 0, 0, 0.0f, -1};
    for (int y = 1; y < GridWidth - 1; ++y)
        for (int x = 1; x < GridWidth - 1; ++x) {
            if (g.WorldGrid[CellIndex(x, y, z)] != Empty) continue;
            for (const auto& d : dirs) {
                int run = 0;
                for (int cx = x + d.dx, cy = y + d.dy;
                     CellInGrid(cx, cy, z) && g.WorldGrid[CellIndex(cx, cy, z)] == Empty; cx += d.dx, cy += d.dy)
                    ++run;
                if (run > best.run) best = {x, y, z, d.dx, d.dy, d.yaw, run};
            }
        }
    return best;
}

TEST_F(View3dFastScene, GeneratedWorldLooksTheSameFromEveryLevel) {
    UseWorld(*worldA);
    units.Player().CellPosition[0] = 0.35f;  // off the centre, as a walking eye is
    units.Player().CellPosition[1] = 0.6f;
    units.Player().CellPosition[2] = 0.45f;
    const struct {
        int level;
        float turn, tilt;
    } picks[] = {{1, 0, 0}, {2, 45, -20}, {3, 0, 0}, {4, 0, 0},    {4, 135, 25},
                 {5, 0, 0}, {6, -60, 10}, {7, 0, 0}, {8, 20, -35}, {9, 0, 0}};  // the benchmark's views
    for (int distance : {1, 6, 14, 30}) {
        shell.ViewDistance = distance;
        for (const auto& p : picks) {
            const LevelView v = FindLevelView(grids, p.level);
            ASSERT_GT(v.run, 0) << "level " << p.level;
            Look(v.x, v.y, v.z, v.yaw + p.turn, -90.0f + p.tilt);
            ExpectSameScene("level view");
            if (distance >= 6) {
                EXPECT_GT(lastFaces, 0);
            }
        }
        // From the air above the surface, looking down at it.
        Look(40, 50, 20, 30.0f, -35.0f);
        ExpectSameScene("above the surface");
        ExpectPicturesAgree();
    }
    // In the open levels the fast path does leave out faces seen from
    // behind, and faces hidden behind nearer rock.
    EXPECT_GT(backsLeftOut, 0);
    EXPECT_GT(hiddenLeftOut, 0);
}

TEST_F(View3dFastScene, RandomCellSoupsAcrossRegionEdges) {
    // Every code kind, panes above, below and beside solid cells, and
    // markers in open and solid cells, in a block that straddles region
    // edges on all three axes.
    std::mt19937 rng(7);
    const uint8_t codes[] = {0, 0, 0,  0,  0,  0,  Brick, Grass, Dirt, DiagonalPane, DiagonalPane,
                             7, 9, 10, 31, 32, 61, 200};
    for (int l = 20; l < 60; ++l)
        for (int r = 100; r < 140; ++r)
            for (int c = 20; c < 60; ++c) {
                grids.WorldGrid[CellIndex(c, r, l)] = codes[rng() % std::size(codes)];
                if (rng() % 40 == 0) grids.MarkerGrid[CellIndex(c, r, l)] = ObjectiveMarker;
                if (rng() % 200 == 0) grids.MarkerGrid[CellIndex(c, r, l)] = 3;  // not a marker: never drawn
            }
    const struct {
        int x, y, z;
        float yaw, pitch;
    } views[] = {{31, 111, 31, 0, -90},
                 {32, 112, 32, 100, -60},
                 {40, 120, 40, 200, -130},
                 {47, 127, 48, 300, -10},
                 {25, 135, 22, 45, -170}};
    for (int distance : {1, 3, 9}) {
        shell.ViewDistance = distance;
        for (const auto& v : views) {
            grids.WorldGrid[CellIndex(v.x, v.y, v.z)] = Empty;  // the eye's own cell is open
            NoteCellChanged(grids, v.x, v.y, v.z);
            Look(v.x, v.y, v.z, v.yaw, v.pitch);
            ExpectSameScene("soup");
        }
        ExpectPicturesAgree();
    }
    EXPECT_GT(lastMarkers, 0);
}

TEST_F(View3dFastScene, CollectedObjectiveIsGoneFromTheNextFrame) {
    UseWorld(*worldA);
    shell.ViewDistance = 14;
    const float eye[3] = {0.42f, 0.57f, 0.46f};
    std::memcpy(units.Player().CellPosition, eye, sizeof eye);
    const LevelView v = FindLevelView(grids, 4);
    ASSERT_GE(v.run, 3);
    const int mx = v.x + 2 * v.dx, my = v.y + 2 * v.dy;
    grids.MarkerGrid[CellIndex(mx, my, v.z)] = ObjectiveMarker;
    NoteCellChanged(grids, mx, my, v.z);
    Look(v.x, v.y, v.z, v.yaw + 7.0f, -85.0f);
    ExpectSameScene("marker ahead");
    const int64_t markersBefore = lastMarkers;
    const Picture withMarker = Draw(true);
    ASSERT_GE(markersBefore, 1);

    // The player steps into the marker's cell and takes it.
    const int32_t found = shell.ObjectivesFound;
    Look(mx, my, v.z, v.yaw, -90.0f);
    CollectObjective(grids, shell);
    EXPECT_EQ(shell.ObjectivesFound, found + 1);

    Look(v.x, v.y, v.z, v.yaw + 7.0f, -85.0f);
    ExpectSameScene("marker taken");
    EXPECT_EQ(lastMarkers, markersBefore - 1);
    EXPECT_GT(Differing(withMarker, Draw(true)), 100);  // the cube really left the picture
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, LoadedWorldIsDrawnFromTheNextFrame) {
    UseWorld(*worldA);
    shell.ViewDistance = 30;
    const LevelView v = FindLevelView(grids, 5);
    Look(v.x, v.y, v.z, v.yaw, -90.0f);
    ExpectSameScene("before the load");
    const Picture before = Draw(true);

    UseWorld(*worldB);  // what LoadGame does to the grids, and its note
    ExpectSameScene("after the load");
    EXPECT_GT(Differing(before, Draw(true)), 1000);  // another world is really shown
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, CellChangesReachNeighboursInOtherRegions) {
    // Two brick walls, columns 31 and 32: the two sides of a region edge.
    // Looking at them from column 24, only column 31's near faces show.
    for (int l = 26; l <= 38; ++l)
        for (int r = 90; r <= 102; ++r) {
            grids.WorldGrid[CellIndex(31, r, l)] = Brick;
            grids.WorldGrid[CellIndex(32, r, l)] = Grass;
        }
    shell.ViewDistance = 14;
    Look(24, 96, 32, 90.0f, -90.0f);
    ExpectSameScene("wall");
    const int64_t wallFaces = lastFaces;

    // Opening a window in column 31 uncovers column 32's faces behind it.
    for (int l = 31; l <= 33; ++l)
        for (int r = 95; r <= 97; ++r) {
            grids.WorldGrid[CellIndex(31, r, l)] = Empty;
            NoteCellChanged(grids, 31, r, l);
        }
    ExpectSameScene("window");
    EXPECT_GT(lastFaces, wallFaces);
    // More changes than the notes keep between two frames: all is rebuilt.
    for (int r = 90; r <= 102; ++r)
        for (int l = 26; l <= 38; ++l) {
            grids.WorldGrid[CellIndex(32, r, l)] = (r + l) % 3 ? Dirt : Empty;
            NoteCellChanged(grids, 32, r, l);
        }
    ExpectSameScene("many changes");
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, NewContextDrawsTheSamePicture) {
    UseWorld(*worldA);
    shell.ViewDistance = 14;
    const LevelView v = FindLevelView(grids, 3);
    Look(v.x, v.y, v.z, v.yaw + 30.0f, -80.0f);
    ExpectSameScene("first context");
    // The zoom keys make a new window: a new context, new texture names.
    platform.DestroyGlWindow();
    ASSERT_EQ(platform.CreateGlWindow("GAME", 960, 720, 16), WindowStep::Ok);
    InitGl();
    ExpectSameScene("second context");
    EXPECT_GT(lastFaces, 0);
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, PicturesOfCodesPanesAndMarkers) {
    shell.ViewDistance = 6;
    Look(128, 128, 40, 0.0f, -90.0f);  // level, toward lower rows
    const struct {
        uint8_t code;
        uint8_t marker;
        bool white;
    } cases[] = {{Brick, 0, false},
                 {7, 0, true},
                 {11, 0, true},
                 {31, 0, true},
                 {32, 0, true},
                 {61, 0, true},
                 {255, 0, true},
                 {DiagonalPane, 0, false},
                 {9, 0, false},
                 {10, 0, false},
                 {Empty, ObjectiveMarker, false}};
    for (const auto& c : cases) {
        grids.WorldGrid[CellIndex(128, 126, 40)] = c.code;
        grids.MarkerGrid[CellIndex(128, 126, 40)] = c.marker;
        NoteCellChanged(grids, 128, 126, 40);
        const Picture literal = Draw(false);
        const Picture fast = Draw(true);
        cache.cullToView = false;
        EXPECT_EQ(Draw(true).stats.facesDrawn, literal.stats.facesDrawn) << int(c.code);
        cache.cullToView = true;
        EXPECT_LE(Differing(literal, fast), SceneWidth * SceneHeight / 500) << int(c.code);
        const Rgb centre = At(fast, 160, 120);
        if (c.white) {
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(centre[i], kWhite[i], 1) << int(c.code);
        } else {
            EXPECT_NE(centre, (Rgb{frame.KeyColour[0], frame.KeyColour[1], frame.KeyColour[2]})) << int(c.code);
            EXPECT_FALSE(centre[2] > 150 && centre[0] < 100) << "a pane shows entry 1, not entry 4";
        }
    }
    // The shell is never drawn: a wall in column 0 seen from column 1.
    grids.WorldGrid[CellIndex(128, 126, 40)] = Empty;
    NoteCellChanged(grids, 128, 126, 40);
    grids.WorldGrid[CellIndex(0, 128, 40)] = Brick;
    NoteCellChanged(grids, 0, 128, 40);
    Look(1, 128, 40, -90.0f, -90.0f);
    const Picture fast = Draw(true);
    EXPECT_EQ(fast.stats.facesDrawn, 0);
    EXPECT_EQ(At(fast, 160, 120), (Rgb{frame.KeyColour[0], frame.KeyColour[1], frame.KeyColour[2]}));
}

TEST_F(View3dFastScene, PlayerFarOffTheGridAndHugeViewDistances) {
    UseWorld(*worldA);
    shell.ViewDistance = 30;
    const int32_t far[] = {INT_MAX, INT_MIN, INT_MAX - 5, INT_MIN + 5, -31, 286};
    for (int32_t value : far)
        for (int axis = 0; axis < 3; ++axis) {
            Look(128, 128, 90, 0.0f, -90.0f);
            shell.PlayerCell[axis] = value;
            const Picture p = Draw(true);
            EXPECT_EQ(p.stats.cellsDrawn, 0) << "axis " << axis << " at " << value;
            EXPECT_EQ(p.stats.facesDrawn, 0);
        }
    // Partly outside: the cube around column 270 keeps columns 240..254.
    Look(270, 60, 39, -90.0f, -90.0f);
    ExpectSameScene("partly outside");
    ExpectPicturesAgree();

    // Every drawable cell at once: the faces of the whole world.
    int64_t worldFaces = 0;
    for (int l = 1; l < LayerCount - 1; ++l)
        for (int r = 1; r < GridWidth - 1; ++r)
            for (int c = 1; c < GridWidth - 1; ++c) {
                worldFaces += 6 * (grids.MarkerGrid[CellIndex(c, r, l)] == ObjectiveMarker);
                const uint8_t code = grids.WorldGrid[CellIndex(c, r, l)];
                if (code == Empty) continue;
                if (code == DiagonalPane) {
                    ++worldFaces;
                    continue;
                }
                for (const CubeFace& f : kCubeFaces)
                    worldFaces += FaceIsOpen(f, grids.WorldGrid[CellIndex(c + f.dColumn, r + f.dRow, l + f.dLayer)]);
            }
    shell.ViewDistance = INT_MAX;
    Look(128, 128, 90, 0.0f, -90.0f);
    cache.cullToView = false;  // every kept face, in sight or not
    const Picture all = Draw(true);
    cache.cullToView = true;
    EXPECT_EQ(all.stats.cellsDrawn, int64_t{254} * 254 * 178);
    EXPECT_EQ(all.stats.facesDrawn, worldFaces);
    shell.ViewDistance = -3;
    EXPECT_EQ(Draw(true).stats.cellsDrawn, 0);
}

TEST_F(View3dFastScene, SmallestViewAndIdleRegions) {
    UseWorld(*worldA);
    shell.ViewDistance = 1;
    Look(40, 40, 39, 0.0f, -90.0f);
    ExpectSameScene("view distance 1");
    EXPECT_EQ(lastLiteral.stats.cellsDrawn, 27);

    // Regions the view has left are freed after a while, and built again
    // when it comes back.
    shell.ViewDistance = 30;
    ExpectSameScene("first visit");
    const int64_t keptThere = cache.stats.keptQuads;
    ASSERT_GT(keptThere, 0);
    Look(200, 200, 150, 0.0f, -90.0f);
    shell.ViewDistance = 1;
    WorldView view{grids, shell, units, camera, gl, frame, platform};
    for (uint64_t i = 0; i < RegionIdleScenes + 64; ++i) DrawSceneFast(view, cache);
    EXPECT_GT(cache.stats.regionsFreed, 0);
    EXPECT_LT(cache.stats.keptQuads, keptThere);
    Look(40, 40, 39, 0.0f, -90.0f);
    shell.ViewDistance = 30;
    ExpectSameScene("second visit");
    ExpectPicturesAgree();
}

// Pixels of the picture that are not the background.
int PixelsShown(const Picture& p, const FrameState& frame) {
    int n = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3)
        n += p.rgb[i] != frame.KeyColour[0] || p.rgb[i + 1] != frame.KeyColour[1] || p.rgb[i + 2] != frame.KeyColour[2];
    return n;
}

TEST_F(View3dFastScene, ACellJustEnteringTheViewIsDrawn) {
    // One brick cell 20 rows ahead, in open space, in the next region; the
    // camera turns (and then tilts) it in over the edge of the picture. At
    // every step the two paths show the same pixels of it: a sliver that
    // only just enters is not left out.
    grids.WorldGrid[CellIndex(100, 80, 60)] = Brick;
    NoteCellChanged(grids, 100, 80, 60);
    shell.ViewDistance = 21;
    int sliver = 0, outside = 0;
    for (int tilt = 0; tilt < 2; ++tilt)
        for (int step = 0; step <= 15; ++step) {
            // The edges lie 28.9 degrees to the side and 22.5 degrees up and
            // down; the cell is 2.9 degrees wide.
            const float a = (tilt ? 22.0f : 28.4f) + 0.2f * static_cast<float>(step);
            Look(100, 100, 60, tilt ? 0.0f : a, tilt ? -90.0f + a : -90.0f);
            ExpectSameScene(tilt ? "tilting" : "turning");
            const int shown = PixelsShown(lastLiteral, frame);
            EXPECT_NEAR(PixelsShown(lastFast, frame), shown, 1) << a;
            sliver += shown > 0 && shown < 40;
            outside += shown == 0 && lastFastFaces == 0;
        }
    EXPECT_GE(sliver, 2);   // seen only just, both ways
    EXPECT_GE(outside, 2);  // and left out when wholly out of sight
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, EyeInsideRockOrAPaneOrAgainstAWallSeesEveryBackFace) {
    UseWorld(*worldA);
    shell.ViewDistance = 14;
    const LevelView v = FindLevelView(grids, 4);
    // The first solid cell at the end of the level's longest straight view.
    const int wx = v.x + (v.run + 1) * v.dx, wy = v.y + (v.run + 1) * v.dy;
    ASSERT_NE(grids.WorldGrid[CellIndex(wx, wy, v.z)], Empty);
    const float eye[3] = {0.3f, 0.7f, 0.4f};
    std::memcpy(units.Player().CellPosition, eye, sizeof eye);
    for (const float pitch : {-90.0f, -60.0f, 0.0f, -180.0f})
        for (const float turn : {180.0f, 90.0f, 0.0f}) {
            Look(wx, wy, v.z, v.yaw + turn, pitch);
            ExpectSameScene("inside rock", false);
        }
    // The eye in a pane cell: the faces beside it are not drawn, so the
    // backs of the walls beyond show.
    grids.WorldGrid[CellIndex(v.x, v.y, v.z)] = DiagonalPane;
    NoteCellChanged(grids, v.x, v.y, v.z);
    Look(v.x, v.y, v.z, v.yaw + 90.0f, -80.0f);
    ExpectSameScene("in a pane", false);
    grids.WorldGrid[CellIndex(v.x, v.y, v.z)] = Empty;
    NoteCellChanged(grids, v.x, v.y, v.z);
    // In an open cell, a hair's breadth from a wall, looking along it: the
    // near plane cuts the wall's face, and what lies behind it shows.
    const int sx = v.x + v.run * v.dx, sy = v.y + v.run * v.dy;  // the open cell against the wall
    float* pos = units.Player().CellPosition;
    pos[0] = v.dx > 0 ? 0.02f : v.dx < 0 ? 0.98f : 0.5f;  // x counts against the column
    pos[1] = v.dy > 0 ? 0.98f : v.dy < 0 ? 0.02f : 0.5f;
    pos[2] = 0.5f;
    for (const float turn : {80.0f, -80.0f, 10.0f}) {
        Look(sx, sy, v.z, v.yaw + turn, -95.0f);
        ExpectSameScene("against a wall", false);
    }
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, LookingStraightUpAndDownAndAtTheGridsEdge) {
    UseWorld(*worldA);
    const float eye[3] = {0.45f, 0.55f, 0.5f};
    std::memcpy(units.Player().CellPosition, eye, sizeof eye);
    for (int distance : {14, 30}) {
        shell.ViewDistance = distance;
        for (int level : {2, 6}) {
            const LevelView v = FindLevelView(grids, level);
            for (const float pitch : {0.0f, -180.0f, -0.001f, -179.999f, -200.0f, 20.0f})
                for (const float yaw : {0.0f, 200.0f}) {
                    if (distance == 30 && (level == 2 || yaw != 0.0f)) continue;  // enough at the far distance
                    Look(v.x, v.y, v.z, yaw, pitch);
                    ExpectSameScene("up or down");
                }
        }
        Look(90, 140, 30, 10.0f, 0.0f);  // from the air straight down onto the surface
        ExpectSameScene("down onto the surface");
        // At and beyond the grid's edge, looking out of it and into it.
        const struct {
            int x, y, z;
            float yaw, pitch;
        } edges[] = {{1, 1, 40, 0.0f, -90.0f},       {1, 1, 40, 270.0f, -120.0f},   {254, 254, 60, 135.0f, -90.0f},
                     {254, 128, 177, 90.0f, -10.0f}, {128, 128, 1, 30.0f, -180.0f}, {-5, 128, 40, 90.0f, -90.0f},
                     {128, 262, 45, 0.0f, -70.0f},   {40, 40, -3, 0.0f, 0.0f},      {200, 20, 183, 0.0f, -180.0f}};
        for (const auto& e : edges) {
            Look(e.x, e.y, e.z, e.yaw, e.pitch);
            ExpectSameScene("grid's edge");
        }
        ExpectPicturesAgree();
    }
}

TEST_F(View3dFastScene, FirstFrameAfterALoadBuildsOnlyWhatItShows) {
    UseWorld(*worldA);
    shell.ViewDistance = 30;
    const LevelView v = FindLevelView(grids, 5);
    Look(v.x, v.y, v.z, v.yaw, -90.0f);
    const ViewCube c = DrawableViewCube(shell);
    const int64_t cubeRegions = (c.colHi / RegionEdge - c.colLo / RegionEdge + 1) *
                                (c.rowHi / RegionEdge - c.rowLo / RegionEdge + 1) *
                                (c.layerHi / RegionEdge - c.layerLo / RegionEdge + 1);
    Draw(true);
    const int64_t first = cache.stats.regionsBuilt;
    EXPECT_GT(first, 0);
    // Those in sight and not hidden behind rock all round, and no more.
    EXPECT_GT(cache.stats.regionsHidden, 0);
    EXPECT_EQ(first + cache.stats.regionsSkipped + cache.stats.regionsHidden, cubeRegions);
    EXPECT_LT(first * 2, cubeRegions);
    // Later frames that need nothing new build one missing region each,
    // until the view cube is complete; then turning round builds nothing.
    for (int64_t i = 0; i < cubeRegions; ++i) Draw(true);
    EXPECT_EQ(cache.stats.regionsBuilt, cubeRegions);
    Look(v.x, v.y, v.z, v.yaw + 180.0f, -100.0f);
    Draw(true);
    EXPECT_EQ(cache.stats.regionsBuilt, cubeRegions);
    ExpectSameScene("turned round");
    ExpectPicturesAgree();
}

TEST_F(View3dFastScene, HiddenFacesGoWithoutChangingAPixel) {
    // Rooms carved in a block of rock: the eye's room A; room B behind a
    // wall one cell thick, with a marker; room C behind a wall with a pane
    // window; room D touching A only along an edge, room E only at a
    // corner; and the shaft F, open to A only through a pane in its floor.
    const auto fill = [&](int c0, int c1, int r0, int r1, int l0, int l1, uint8_t code) {
        for (int l = l0; l <= l1; ++l)
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) grids.WorldGrid[CellIndex(c, r, l)] = code;
    };
    fill(50, 99, 50, 99, 20, 44, Brick);
    fill(64, 71, 64, 71, 30, 33, Empty);  // A
    fill(73, 80, 64, 71, 30, 33, Empty);  // B
    fill(64, 71, 73, 80, 30, 33, Empty);  // C
    fill(67, 68, 72, 72, 31, 32, DiagonalPane);
    fill(72, 79, 56, 63, 30, 33, Empty);  // D: shares the edge at column 72, row 64
    fill(56, 63, 56, 63, 26, 29, Empty);  // E: shares the corner (64, 64, 30)
    fill(66, 66, 66, 66, 29, 29, DiagonalPane);
    fill(66, 66, 66, 66, 24, 28, Empty);  // F, above A's ceiling
    grids.MarkerGrid[CellIndex(76, 67, 31)] = ObjectiveMarker;
    grids.MarkerGrid[CellIndex(60, 60, 27)] = ObjectiveMarker;
    NoteGridsReplaced(grids);
    shell.ViewDistance = 14;
    const struct {
        int x, y, z;
        float px, py, pz, yaw, pitch;
        const char* where;
    } views[] = {
        {70, 67, 31, 0.5f, 0.5f, 0.5f, 90.0f, -90.0f, "at the wall to B"},
        {70, 67, 31, 0.5f, 0.5f, 0.5f, 60.0f, -70.0f, "at the wall to B, turned"},
        {67, 70, 31, 0.4f, 0.6f, 0.5f, 180.0f, -90.0f, "through the pane window to C"},
        {68, 69, 32, 0.5f, 0.5f, 0.5f, 160.0f, -100.0f, "through the pane window, aslant"},
        {71, 65, 31, 0.5f, 0.5f, 0.5f, 45.0f, -90.0f, "at the edge to D"},
        {70, 66, 32, 0.3f, 0.7f, 0.5f, 30.0f, -80.0f, "at the edge to D, aslant"},
        {65, 65, 30, 0.5f, 0.5f, 0.5f, -45.0f, -135.0f, "at the corner to E"},
        {64, 64, 30, 0.2f, 0.8f, 0.8f, -45.0f, -125.0f, "at the corner to E, close"},
        {66, 66, 30, 0.5f, 0.5f, 0.5f, 0.0f, -180.0f, "up through the pane into F"},
        {71, 67, 31, 0.8f, 0.5f, 0.5f, 0.0f, -90.0f, "a fifth of a cell from the wall, along it"},
        {71, 67, 31, 0.95f, 0.5f, 0.5f, 5.0f, -90.0f, "against the wall, along it"},
        {64, 64, 33, 0.9f, 0.1f, 0.1f, 300.0f, -40.0f, "in a corner of the room"},
    };
    for (const auto& v : views) {
        units.Player().CellPosition[0] = v.px;
        units.Player().CellPosition[1] = v.py;
        units.Player().CellPosition[2] = v.pz;
        Look(v.x, v.y, v.z, v.yaw, v.pitch);
        ExpectSameScene(v.where);
    }
    EXPECT_GE(hiddenLeftOut, 6);
    ExpectPicturesAgree();

    // Room B's marker behind the wall is left out, and comes back when a
    // hole opens in the wall.
    units.Player().CellPosition[0] = units.Player().CellPosition[1] = units.Player().CellPosition[2] = 0.5f;
    Look(70, 67, 31, 90.0f, -90.0f);
    ExpectSameScene("marker behind the wall");
    EXPECT_GE(lastMarkers, 1);
    EXPECT_EQ(lastFast.stats.markersDrawn, 0);
    grids.WorldGrid[CellIndex(72, 67, 31)] = Empty;
    NoteCellChanged(grids, 72, 67, 31);
    ExpectSameScene("marker through a hole");
    EXPECT_EQ(lastFast.stats.markersDrawn, 1);
    ExpectPicturesAgree();
}

// Pixels of p within 1 of either colour of the shaft rim's picture.
int RimPixels(const Picture& p) {
    int n = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3)
        for (const uint8_t* c : {ShaftRimLight, ShaftRimDark}) {
            bool near = true;
            for (int k = 0; k < 3; ++k) near &= std::abs(int(p.rgb[i + k]) - int(c[k])) <= 1;
            n += near;
        }
    return n;
}

TEST_F(View3dFastScene, MarkedShaftRimsShowTheirPictureOnBothPathsAndGoAgain) {
    UseWorld(*worldA);
    int x = 0, y = 0;
    for (int r = 1; r < GridWidth - 1 && !x; ++r)
        for (int c = 1; c < GridWidth - 1 && !x; ++c)
            if (IsShaftCell(grids.WorldGrid.get(), c, r, 35)) x = c, y = r;
    ASSERT_NE(x, 0) << "no shaft";
    // From the shaft's foot in level 4, looking up it.
    Look(x, y, 38, 10.0f, -165.0f);
    const Picture plain = Draw(true);
    EXPECT_EQ(RimPixels(plain), 0);
    marked = true;
    ExpectSameScene("up a marked shaft");
    EXPECT_GT(RimPixels(lastFast), 2000);
    EXPECT_GT(RimPixels(lastLiteral), 2000);
    // From the side, inside the rock beside the shaft's middle.
    Look(x, y + 3, 34, 0.0f, -90.0f);
    ExpectSameScene("beside a marked shaft", false);
    // Plain again: the kept regions are made again without the rims.
    marked = false;
    Look(x, y, 38, 10.0f, -165.0f);
    EXPECT_EQ(Draw(true).rgb, plain.rgb);
    ExpectPicturesAgree();
}

}  // namespace
}  // namespace delver
