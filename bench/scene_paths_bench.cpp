// Compares the two ways of drawing the scene on the headless OpenGL context:
// the literal path (DrawScene, one glBegin/glEnd per face) and the fast path
// (DrawSceneFast, kept face lists drawn as vertex arrays). A fixed seed's
// world is built, and from a set of camera positions inside its carved
// levels each path draws the 3D picture, alternately, frame after frame.
//
// For ViewDistance 6, 14 and 30 it prints the median frame time of each path
// (clear, scene and the read-back that merges the picture, which waits for
// the renderer), their ratio, the faces per frame of each path (the fast
// path leaves out what the camera cannot see), how many of the 320 x 240
// pixels differ by more than 1 in a channel between the two pictures (over
// all positions and at the worst one), the first fast frame after every
// region was dropped (what a loaded slot costs), and the presentation
// (PresentFrame) cost. Beside wall-clock times
// it prints the process's CPU time per frame (all threads, the renderer's
// included), which stays meaningful on a busy machine. Last, the peak
// resident memory: after the fast path alone has drawn every position at
// ViewDistance 30 (as the game runs), and at the end of the run.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/gl.h"
#include "platform/headless/headless_platform.h"
#include "view3d/gl_state.h"
#include "view3d/scene.h"
#include "view3d/scene_cache.h"
#include "world/dungeon_generator.h"
#include "world/world_finishing.h"

using namespace delver;

namespace {

constexpr uint32_t kSeed = 42u;
constexpr int kRounds = 5;  // timed frames of each path per position

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A 64 x 64 checked picture of two shades, made here so the bench needs no
// game folder; the checks make a texel chosen differently show.
void MakeTexture(SpriteTable& t, int slot, int r, int g, int b) {
    Sprite& s = t.Slots[slot];
    s.width = s.height = 64;
    s.bytesPerPixel = 3;
    s.pixels = std::make_unique<uint8_t[]>(64 * 64 * 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int shade = ((x / 8 + y / 8) % 2) ? 40 : 0;
            uint8_t* p = &s.pixels[(y * 64 + x) * 3];
            p[0] = static_cast<uint8_t>(std::max(0, r - shade));
            p[1] = static_cast<uint8_t>(std::max(0, g - shade));
            p[2] = static_cast<uint8_t>(std::max(0, b - shade));
        }
}

double PeakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

int OpenRun(const WorldGrids& g, int x, int y, int z, int dx, int dy) {
    int n = 0;
    for (x += dx, y += dy; CellInGrid(x, y, z) && g.WorldGrid[CellIndex(x, y, z)] == Empty; x += dx, y += dy) ++n;
    return n;
}

struct Camera {
    int x, y, z;
    float yaw, pitch;
};

// On the first open layer of level g, the open cell with the longest
// straight view along a row or column, looking along it; turned and tilted
// by the extra angles given.
bool LevelCamera(const WorldGrids& grids, int g, float turn, float tilt, Camera& out) {
    const int z = LevelOpenLayer(g);
    const struct {
        int dx, dy;
        float yaw;
    } dirs[] = {{0, -1, 0.0f}, {1, 0, 90.0f}, {0, 1, 180.0f}, {-1, 0, 270.0f}};
    int bestRun = -1;
    for (int y = 1; y < GridWidth - 1; ++y)
        for (int x = 1; x < GridWidth - 1; ++x) {
            if (grids.WorldGrid[CellIndex(x, y, z)] != Empty) continue;
            for (const auto& d : dirs) {
                const int run = OpenRun(grids, x, y, z, d.dx, d.dy);
                if (run > bestRun) bestRun = run, out = {x, y, z, d.yaw + turn, -90.0f + tilt};
            }
        }
    return bestRun >= 0;
}

// The 3D part of a frame, without the player's movement: clear, scene, and
// the read-back into the framebuffer (which waits for the picture).
void SceneFrame(WorldView& v, FrameState& frame, SceneCache* cache) {
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (cache)
        DrawSceneFast(v, *cache);
    else
        DrawScene(v);
    CopySceneToFrame(frame);
}

int DifferingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int n = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3) {
        bool differs = false;
        for (int k = 0; k < 3; ++k) differs |= std::abs(int(a[i + k]) - int(b[i + k])) > 1;
        n += differs;
    }
    return n;
}

}  // namespace

int main() {
    HeadlessPlatform platform;
    if (platform.CreateGlWindow("GAME", 640, 480, 16) != WindowStep::Ok) {
        std::fprintf(stderr, "scene_paths_bench: no offscreen OpenGL context\n");
        return 1;
    }

    WorldGrids grids;
    grids.Allocate();
    ShellState shell;
    UnitTable units;
    units.Allocate();
    CameraState camera;
    GlNames gl;
    FrameState frame;
    SetFramebufferSize(frame, 320, 240);
    SpriteTable sprites;
    sprites.Allocate();
    MakeTexture(sprites, 1201, 170, 90, 70);
    MakeTexture(sprites, 1202, 60, 170, 60);
    MakeTexture(sprites, 1203, 140, 110, 60);
    MakeTexture(sprites, 1209, 220, 200, 40);
    SetProjection();
    InitGraphicsState(gl, sprites, frame);

    {
        auto work = std::make_unique<GeneratorWorkspace>();
        AllocateGeneratorWorkspace(*work, false);
        RandomSource random;
        SeedRandom(random, kSeed);
        GeneratePlayableLevels(grids, *work, random);
        FinishWorld(grids, shell, random);
        ReleaseGeneratorWorkspace(*work);
    }

    // Level views, some turned and tilted, over the levels from top to bottom.
    const struct {
        int level;
        float turn, tilt;
    } picks[] = {{1, 0, 0}, {2, 45, -20}, {3, 0, 0}, {4, 0, 0},    {4, 135, 25},
                 {5, 0, 0}, {6, -60, 10}, {7, 0, 0}, {8, 20, -35}, {9, 0, 0}};
    std::vector<Camera> cameras;
    for (const auto& p : picks) {
        Camera c{};
        if (LevelCamera(grids, p.level, p.turn, p.tilt, c)) cameras.push_back(c);
    }
    if (cameras.empty()) {
        std::fprintf(stderr, "scene_paths_bench: seed %u carved no open cell\n", kSeed);
        return 1;
    }
    std::printf("scene paths bench: seed %u, %zu camera positions in levels 1..9, renderer %s\n", kSeed, cameras.size(),
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf(
        "frame = clear + scene + read-back of the 320 x 240 picture; medians over %d frames of each path "
        "per position, drawn alternately\n",
        kRounds);

    SceneCache cache;
    SceneStats stats;
    WorldView view{grids, shell, units, camera, gl, frame, platform, &stats};
    for (float& c : units.Player().CellPosition) c = 0.5f;

    // First the fast path alone, as the game runs by default, over every
    // position at the largest view distance: the memory it needs.
    shell.ViewDistance = 30;
    for (const Camera& c : cameras) {
        shell.PlayerCell[0] = c.x;
        shell.PlayerCell[1] = c.y;
        shell.PlayerCell[2] = c.z;
        camera.Yaw = c.yaw;
        camera.Pitch = c.pitch;
        SceneFrame(view, frame, &cache);
        PresentFrame(frame, platform, 2);
    }
    const double fastPeakMb = PeakResidentMb();

    bool allAgree = true;
    for (int distance : {6, 14, 30}) {
        shell.ViewDistance = distance;
        std::vector<double> literalMs, fastMs, literalCpu, fastCpu, coldMs, presentMs;
        int64_t faces = 0, fastFaces = 0, differing = 0, pixels = 0;
        double worstShare = 0.0;  // the most pixels differing at one position, in per cent
        bool facesAgree = true;
        for (const Camera& c : cameras) {
            shell.PlayerCell[0] = c.x;
            shell.PlayerCell[1] = c.y;
            shell.PlayerCell[2] = c.z;
            camera.Yaw = c.yaw;
            camera.Pitch = c.pitch;

            // A fast frame right after every region was dropped, as after a load.
            NoteGridsReplaced(grids);
            double t0 = WallMs();
            SceneFrame(view, frame, &cache);
            coldMs.push_back(WallMs() - t0);
            SceneFrame(view, frame, nullptr);  // warms the literal path too

            for (int round = 0; round < kRounds; ++round) {
                stats = {};
                double c0 = ProcessCpuMs();
                t0 = WallMs();
                SceneFrame(view, frame, nullptr);
                literalMs.push_back(WallMs() - t0);
                literalCpu.push_back(ProcessCpuMs() - c0);
                const int64_t literalFaces = stats.facesDrawn;
                const std::vector<uint8_t> literalPicture = frame.SceneReadback;

                stats = {};
                c0 = ProcessCpuMs();
                t0 = WallMs();
                SceneFrame(view, frame, &cache);
                fastMs.push_back(WallMs() - t0);
                fastCpu.push_back(ProcessCpuMs() - c0);
                // The fast path leaves out what is out of sight, never more
                // than the literal path draws.
                facesAgree &= stats.facesDrawn <= literalFaces;
                const int64_t fastFacesNow = stats.facesDrawn;

                t0 = WallMs();
                PresentFrame(frame, platform, 2);
                presentMs.push_back(WallMs() - t0);
                if (round == 0) {
                    faces += literalFaces;
                    fastFaces += fastFacesNow;
                    const int here = DifferingPixels(literalPicture, frame.SceneReadback);
                    worstShare = std::max(worstShare, 100.0 * here / (SceneWidth * SceneHeight));
                    differing += here;
                    pixels += SceneWidth * SceneHeight;
                }
            }
        }
        const double lit = Median(literalMs), fast = Median(fastMs);
        const double share = 100.0 * static_cast<double>(differing) / static_cast<double>(pixels);
        allAgree &= facesAgree && share <= 0.2;
        std::printf(
            "ViewDistance %2d: literal %7.2f ms (CPU %7.2f), fast %6.2f ms (CPU %6.2f), fast/literal %.3f "
            "(CPU %.3f); faces per frame %lld literal, %lld fast%s; %.3f%% pixels differ (at most %.3f%% at one position); first fast frame after "
            "a load %.2f ms (%.3f of a literal frame); present %.2f ms\n",
            distance, lit, Median(literalCpu), fast, Median(fastCpu), fast / lit, Median(fastCpu) / Median(literalCpu),
            static_cast<long long>(faces / std::ssize(cameras)),
            static_cast<long long>(fastFaces / std::ssize(cameras)), facesAgree ? "" : " (MORE FACES IN THE FAST PATH)",
            share, worstShare, Median(coldMs), Median(coldMs) / lit, Median(presentMs));
    }

    std::printf(
        "kept quads %lld in %lld region builds; peak resident memory %.1f MB with the fast path alone, "
        "%.1f MB once the literal path has run too\n",
        static_cast<long long>(cache.stats.keptQuads), static_cast<long long>(cache.stats.regionsBuilt), fastPeakMb,
        PeakResidentMb());
    return allAgree ? 0 : 1;
}
