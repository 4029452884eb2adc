// Times one frame of the 3D view (DrawWorldFrame + PresentFrame) on the
// headless OpenGL context, in a fixed seed's world with the player standing
// in a room of level 4 and looking level down its longest open line. Prints
// the median frame time in ms and the faces drawn per frame at view
// distances 6, 14 and 30. Beside the wall-clock time it prints the
// process's CPU time per frame (all threads, the renderer's included), which
// stays meaningful when the machine is busy with other work.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/gl.h"
#include "platform/headless/headless_platform.h"
#include "view3d/gl_state.h"
#include "view3d/scene.h"
#include "world/dungeon_generator.h"
#include "world/world_finishing.h"

using namespace delver;

namespace {

constexpr uint32_t kSeed = 20240601u;
constexpr int kFramesPerDistance = 21;

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A 64 x 64 checked picture of two shades, made here so the bench needs no
// game folder.
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

int OpenRun(const WorldGrids& g, int x, int y, int z, int dx, int dy) {
    int n = 0;
    for (x += dx, y += dy; CellInGrid(x, y, z) && g.WorldGrid[CellIndex(x, y, z)] == Empty; x += dx, y += dy) ++n;
    return n;
}

}  // namespace

int main() {
    HeadlessPlatform platform;
    if (platform.CreateGlWindow("GAME", 640, 480, 16) != WindowStep::Ok) {
        std::fprintf(stderr, "frame_bench: no offscreen OpenGL context\n");
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
    SetProjection(640, 480);
    InitGraphicsState(gl, sprites, frame);

    auto work = std::make_unique<GeneratorWorkspace>();
    AllocateGeneratorWorkspace(*work, true);
    RandomSource random;
    SeedRandom(random, kSeed);
    GenerateDungeon(grids, *work, random, 128, 128, 140, 9, 32, 400);
    FinishWorld(grids, shell, random);

    // The open cell of layer 39 with the longest straight view along a row or column.
    const int z = PlayerStartLayer;
    int bestX = -1, bestY = -1, bestRun = -1;
    float bestYaw = 0.0f;
    const struct {
        int dx, dy;
        float yaw;
    } dirs[] = {{0, -1, 0.0f}, {1, 0, 90.0f}, {0, 1, 180.0f}, {-1, 0, 270.0f}};
    for (int y = 1; y < GridWidth - 1; ++y)
        for (int x = 1; x < GridWidth - 1; ++x) {
            if (grids.WorldGrid[CellIndex(x, y, z)] != Empty) continue;
            for (const auto& d : dirs) {
                const int run = OpenRun(grids, x, y, z, d.dx, d.dy);
                if (run > bestRun) bestRun = run, bestX = x, bestY = y, bestYaw = d.yaw;
            }
        }
    if (bestRun < 0) {
        std::fprintf(stderr, "frame_bench: seed %u carved no open cell on layer %d\n", kSeed, z);
        return 1;
    }
    shell.PlayerCell[0] = bestX;
    shell.PlayerCell[1] = bestY;
    shell.PlayerCell[2] = z;
    for (float& c : units.Player().CellPosition) c = 0.5f;
    camera.Yaw = bestYaw;
    camera.Pitch = -90.0f;  // level
    shell.AutoWalk = 0;     // the view stays put

    std::printf("frame bench: seed %u, player at (%d, %d, %d) looking along %d open cells, renderer %s\n", kSeed,
                bestX, bestY, z, bestRun, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    SceneStats stats;
    WorldView view{grids, shell, units, camera, gl, frame, platform, &stats};
    for (int distance : {6, 14, 30}) {
        shell.ViewDistance = distance;
        std::vector<double> ms, cpu;
        for (int f = 0; f < kFramesPerDistance + 2; ++f) {
            stats = {};
            const double c0 = ProcessCpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            ClearFrame(frame);
            DrawWorldFrame(view);
            PresentFrame(frame, platform, shell.PixelZoom);
            const auto t1 = std::chrono::steady_clock::now();
            ++shell.FrameCounter;
            const double c1 = ProcessCpuMs();
            if (f >= 2) {
                ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                cpu.push_back(c1 - c0);
            }
        }
        std::printf("ViewDistance %2d: median %.2f ms per frame (min %.2f, max %.2f), median %.2f ms CPU; "
                    "%lld cells visited, %lld faces drawn per frame\n",
                    distance, Median(ms), *std::min_element(ms.begin(), ms.end()),
                    *std::max_element(ms.begin(), ms.end()), Median(cpu), static_cast<long long>(stats.cellsDrawn),
                    static_cast<long long>(stats.facesDrawn));
    }
    return 0;
}
