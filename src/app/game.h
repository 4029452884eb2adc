// The whole game: every piece of state in one aggregate that start-up fills
// and shutdown releases, and the routines that run it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/play_input.h"
#include "audio/mixer.h"
#include "assets/sprite.h"
#include "gfx2d/frame.h"
#include "items/item_catalogue.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/console.h"
#include "ui/settings_screen.h"
#include "view3d/gl_state.h"
#include "view3d/scene_cache.h"
#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/seen_cells.h"
#include "world/world_state.h"

namespace delver {

// The game's sounds: the cues, made at start-up, and their mixer, which the
// speaker pulls from once sound has been on. The device is opened the first
// time sound is on, and never with sound off.
struct SoundState : SoundSource {
    std::unique_ptr<Mixer> mixer;
    Speaker* speaker = nullptr;  // playing the mixer; null until then
    bool tried = false;          // the device was asked for (once a game)

    void FillSound(int16_t* samples, int count) override { mixer->Mix(samples, count); }
};

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
    // Filled at start-up though nothing in play reads it yet; it stays as the
    // item side of the unit records that saves carry.
    ItemTable items;
    GlNames gl;
    uint32_t seed = 0;
    // The scene's drawing path: the kept face lists (the default), or cell
    // by cell as the scene rules read (--render literal). Same picture.
    bool fastScene = true;
    SceneCache sceneCache;
    // Saves that failed and kept the old slot (the run report counts them).
    int saveFailures = 0;

    // The player's settings as read from settings.cfg (or a recording),
    // and the file's lines, kept so that writing it back loses nothing.
    SettingsFile settingsFile;
    // The input through the bindings, and the pauses after keys.
    PlayInput play;
    SettingsScreen settingsScreen;
    // A one-line message over the picture (smooth pauses), and the frames
    // it has left.
    std::string message;
    int messageFrames = 0;
    // "QUIT? Y/N" is asked (smooth pauses).
    bool quitAsked = false;
    // The map: the cells seen (kept from the first frame the map is on, and
    // beside each save from then on), and the layer the full map shows.
    SeenCells seen;
    bool seenKept = false;
    int mapLayer = -1;  // -1: the player's
    // Feedback: the frames the collecting flash has left, the ending shown,
    // and the saves and loads made, and when the game began, for it.
    int flashFrames = 0;
    bool ending = false;
    int savesMade = 0, loadsMade = 0;
    int64_t startSeconds = 0;
    // The window fills the screen.
    bool fullscreen = false;
    bool altEnterHeld = false;
    SoundState sound;
};

// Takes the settings the game plays with; the settings file's lines are
// kept for writing it back.
void UseSettings(Game& game, const SettingsFile& file);

// Starts the sound of cue when sound is on at this moment, at the volume
// set now; nothing otherwise. Never waits.
void PlayCue(Game& game, Speaker& speaker, Cue cue);

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
