// Fuzzes the overworld plan and the world build that follows it. Each input
// is the whole file map/1.overworld in a private temp folder (any length:
// the game reads at most one layer of it); the plan is loaded into layer 0
// of cleared grids and the world is built from it as start-up does
// (generator and finishing, seed 1). Whatever the plan holds, the build
// must not crash or touch memory outside the grids, and the world it makes
// must keep its promises: layer 0 is the plan, the surface layers follow
// it, and every objective counted lies on an open cell.
//
// The generator neither reads nor writes layer 0 (checked once at start),
// so its levels are the same for every plan: they are generated once, and
// each input starts from them with the plan loaded and the world finished.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "persist/overworld.h"
#include "platform/platform.h"
#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/world_finishing.h"
#include "world/world_state.h"

namespace {

namespace fs = std::filesystem;

// Only Sleep is used by the overworld loader; nothing else is reached.
class NoMachine : public delver::Platform {
public:
    delver::WindowStep CreateGlWindow(const char*, int, int, int) override {
        return delver::WindowStep::StepCreateWindow;
    }
    std::vector<delver::ReleaseStep> DestroyGlWindow() override { return {}; }
    bool HasWindow() const override { return false; }
    void SetCursorVisible(bool) override {}
    delver::ScreenRect WindowRect() override { return {}; }
    void MoveWindow(int, int, int, int) override {}
    void SwapBuffers() override {}
    delver::MessageKind PollMessage() override { return delver::MessageKind::None; }
    bool IsKeyHeld(int) override { return false; }
    delver::ScreenPoint CursorPos() override { return {}; }
    void Sleep(unsigned ms) override { slept += ms; }
    int64_t CalendarSeconds() override { return 0; }
    void ShowMessage(const char*, const char*, delver::DialogKind) override {}
    uint64_t slept = 0;
};

fs::path g_dir;
std::string g_file;  // absolute, so the fuzzer's own relative paths keep working
fs::path g_home;
delver::WorldGrids g_grids;
NoMachine g_machine;
// The grids and the random source right after the generator, from cleared
// grids.
std::vector<uint8_t> g_world, g_markers;
delver::RandomSource g_random;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "overworld_fuzz: %s\n", what);
    std::abort();
}

void RemoveDir() {
    std::error_code ec;
    fs::remove_all(g_dir, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (fs::temp_directory_path() / "delver-fuzz-overworld-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) Fail("cannot make a temp folder");
    g_dir = tmpl;
    std::atexit(RemoveDir);
    fs::create_directories(g_dir / "map");
    g_file = (g_dir / "map" / "1.overworld").string();
    g_home = fs::current_path();
    g_grids.Allocate();

    // The generator's levels from cleared grids, and again over a layer 0
    // full of codes: they must be the same, and layer 0 untouched.
    auto layer0 = [](bool codes, int i) { return static_cast<uint8_t>(codes ? 19 + 7 * i : 0); };
    auto generate = [&](bool codes, delver::RandomSource& random) {
        std::memset(g_grids.WorldGrid.get(), 0, delver::GridCells);
        std::memset(g_grids.MarkerGrid.get(), 0, delver::GridCells);
        for (int i = 0; i < delver::LayerStride; ++i) g_grids.WorldGrid[i] = layer0(codes, i);
        delver::GeneratorWorkspace generator;
        delver::AllocateGeneratorWorkspace(generator, true);
        delver::SeedRandom(random, 1u);
        delver::GeneratePlayableLevels(g_grids, generator, random);
        delver::ReleaseGeneratorWorkspace(generator);
        for (int i = 0; i < delver::LayerStride; ++i)
            if (g_grids.WorldGrid[i] != layer0(codes, i)) Fail("the generator writes layer 0");
    };
    delver::RandomSource other;
    generate(true, other);
    const std::vector<uint8_t> otherWorld(g_grids.WorldGrid.get() + delver::LayerStride,
                                          g_grids.WorldGrid.get() + delver::GridCells);
    const std::vector<uint8_t> otherMarkers(g_grids.MarkerGrid.get(), g_grids.MarkerGrid.get() + delver::GridCells);
    generate(false, g_random);
    g_world.assign(g_grids.WorldGrid.get(), g_grids.WorldGrid.get() + delver::GridCells);
    g_markers.assign(g_grids.MarkerGrid.get(), g_grids.MarkerGrid.get() + delver::GridCells);
    if (other.state != g_random.state || otherMarkers != g_markers ||
        std::memcmp(otherWorld.data(), g_world.data() + delver::LayerStride, otherWorld.size()) != 0)
        Fail("the generator reads layer 0; every input would need a whole build");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::open(g_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot open the overworld file");
    if (size && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) Fail("short write");
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) Fail("cannot cut the overworld file");
    ::close(fd);

    // Start-up from the cleared grids on: the plan, the generator's levels
    // (the same for every plan), then the finishing.
    std::memcpy(g_grids.WorldGrid.get(), g_world.data(), g_world.size());
    std::memcpy(g_grids.MarkerGrid.get(), g_markers.data(), g_markers.size());
    delver::ShellState shell;
    delver::RandomSource random = g_random;
    fs::current_path(g_dir);
    delver::LoadOverworld(g_grids, g_machine, 1);
    fs::current_path(g_home);
    delver::FinishWorld(g_grids, shell, random);

    const uint8_t* world = g_grids.WorldGrid.get();
    const uint8_t* markers = g_grids.MarkerGrid.get();
    const size_t planBytes = std::min<size_t>(size, delver::OverworldBytes);
    if (std::memcmp(world, data, planBytes) != 0) Fail("layer 0 is not the plan");
    for (size_t i = planBytes; i < static_cast<size_t>(delver::OverworldBytes); ++i)
        if (world[i] != 0) Fail("layer 0 holds more than the plan");
    // The surface: rock on layer 29, grass on 30, dirt on 31, by the plan's
    // codes. Shafts and the first level open cells of these layers, but only
    // in columns and rows 0..128.
    for (int i = 0; i < delver::LayerStride; ++i) {
        const uint8_t c = world[i];
        const bool opened = i % delver::GridWidth <= 128 && i / delver::GridWidth <= 128;
        const bool rock = world[29 * delver::LayerStride + i] == delver::Brick;
        const bool grass = world[30 * delver::LayerStride + i] == delver::Grass;
        const bool dirt = world[31 * delver::LayerStride + i] == delver::Dirt;
        if (rock != (c >= 19) && !(opened && !rock)) Fail("the rock surface does not follow the plan");
        if (grass != (c >= 11 && c <= 18) && !(opened && !grass)) Fail("the grass does not follow the plan");
        if (dirt != (c == 10) && !(opened && !dirt)) Fail("the dirt does not follow the plan");
    }
    if (shell.ObjectiveTotal < 0 || shell.ObjectiveTotal > delver::MaxObjectives) Fail("objective total out of range");
    int marked = 0;
    for (int i = 0; i < delver::GridCells; ++i) {
        if (i % 8 == 0 && i + 8 <= delver::GridCells) {
            uint64_t eight;
            std::memcpy(&eight, markers + i, 8);
            if (eight == 0) {
                i += 7;
                continue;
            }
        }
        if (markers[i] == 0) continue;
        if (markers[i] != delver::ObjectiveMarker) Fail("a marker that is not an objective");
        if (world[i] != delver::Empty) Fail("an objective inside a solid cell");
        ++marked;
    }
    if (marked != shell.ObjectiveTotal) Fail("the objective total does not count the markers");
    if (shell.PlayerCell[2] != delver::PlayerStartLayer) Fail("the player is not on the start layer");
    return 0;
}
