// The whole game: every piece of state in one aggregate that start-up fills
// and shutdown releases, and the routines that run it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "assets/sprite.h"
#include "gfx2d/frame.h"
#include "items/item_catalogue.h"
#include "platform/platform.h"
#include "ui/console.h"
#include "view3d/gl_state.h"
#include "view3d/scene_cache.h"
#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/world_state.h"

namespace delver {

struct Game {
    ShellState shell;
    WorldGrids grids;
    RandomSource random;
    GeneratorWorkspace generator;
    FrameState frame;
    SpriteTable sprites;
    UnitTable units;
    CameraState camera;
    ConsoleState console;
    ItemTable items;
    GlNames gl;
    uint32_t seed = 0;
    // The scene's drawing path: the kept face lists (the default), or cell
    // by cell as the scene rules read (--render literal). Same picture.
    bool fastScene = true;
    SceneCache sceneCache;
    // Saves that failed and kept the old slot (the run report counts them).
    int saveFailures = 0;
};

// Start-up in its fixed order, up to the frame loop. The world's random
// source is seeded with seed when given, else with the calendar time.
// Returns false when the program cannot go on (a backend that needs its
// window did not get one).
bool StartUp(Game& game, Platform& platform, std::optional<uint32_t> seed);

// One frame of the loop, in its fixed order. Returns false when the
// program cannot go on (as above).
bool RunFrame(Game& game, Platform& platform);

// Releases everything start-up allocated.
void ShutDown(Game& game);

// The run report: one line of JSON describing the game's state.
std::string RunReport(const Game& game, int64_t framesRun, uint64_t sleptMs);

}  // namespace delver
