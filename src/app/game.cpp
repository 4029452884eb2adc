#include "app/game.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/options.h"
#include "app/window.h"
#include "persist/overworld.h"
#include "persist/save_slots.h"
#include "platform/input.h"
#include "ui/hud.h"
#include "ui/screens.h"
#include "view3d/scene.h"
#include "world/world_finishing.h"

namespace delver {

namespace {

// The pause after each key binding, so one press is one step.
constexpr unsigned ViewDistancePauseMs = 100;
constexpr unsigned LayerPauseMs = 800;
constexpr unsigned SaveLoadPauseMs = 300;

// The keypad keys change the player's layer only into an open cell of the
// grid next to the layer the frame started on (both keys held in one frame
// each test from there, and the later one wins). The live column and row
// are tested, since the player may have walked far outside the grid.
void ChangeLayer(Game& game, int32_t startLayer, int direction) {
    int32_t* cell = game.shell.PlayerCell;
    int64_t target = static_cast<int64_t>(startLayer) + direction;
    if (target < 1 || target > LayerCount - 1) return;
    if (!CellInGrid(cell[0], cell[1], static_cast<int>(target))) return;
    if (game.grids.WorldGrid[CellIndex(cell[0], cell[1], static_cast<int>(target))] != Empty) return;
    cell[2] = static_cast<int32_t>(target);
}

WindowTarget MakeWindowTarget(Game& game) { return WindowTarget{game.shell, game.frame, game.gl, game.sprites}; }

// The game's state as a save slot holds it, with the progress screens shown
// while a save or load works.
SaveTarget MakeSaveTarget(Game& game, Platform& platform) {
    SlotProgressReport screens = [&game, &platform](const SlotProgress& p) {
        switch (p.step) {
        case SlotProgress::Step::BeforePart:
            ShowSlotPartScreen(game.frame, platform, platform, game.shell.PixelZoom, p.saving, p.file, p.percent);
            break;
        case SlotProgress::Step::AfterPart: PauseAfterSlotPart(platform, p.percent); break;
        case SlotProgress::Step::SaveFailed: ShowSaveFailed(game.frame, platform, game.shell.PixelZoom); break;
        }
    };
    return SaveTarget{game.grids, game.units, game.shell, game.camera, std::move(screens)};
}

}  // namespace

bool StartUp(Game& game, Platform& platform, std::optional<uint32_t> seed) {
    SetFramebufferSize(game.frame, SceneWidth, SceneHeight);
    game.shell.PixelZoom = 2;

    // System initialisation. It sizes the framebuffer again from the size just
    // set: the same buffers, zeroed, so the two steps keep their own order.
    SetFramebufferSize(game.frame, game.frame.Width, game.frame.Height);
    game.grids.Allocate();
    game.sprites.Allocate();
    game.units.Allocate();
    game.items.Allocate();
    LoadAssetCatalogue(game.sprites);
    if (LoadedSpriteCount(game.sprites) == 0) {
        // The world would be black and the game silent about why.
        std::error_code ec;
        const std::string folder = std::filesystem::current_path(ec).string();
        std::fprintf(stderr,
                     "delver: no game images in %s (its bmp_* folders); play from the game folder or name it with "
                     "-C DIR (the build lays one out in build/game)\n",
                     Quoted(folder, 200).c_str());
    }
    AllocateGeneratorWorkspace(game.generator, true);
    ConsoleInit(game.console);
    FillItemCatalogue(game.items);
    SeedItemCopies(game.items);
    UnitRecord& player = game.units.Player();
    player.CellPosition[0] = player.CellPosition[1] = player.CellPosition[2] = 0.5f;
    // Four cells of the first row, codes 0 and 1 in turn, as the start-up
    // order has always written them; the overworld plan read below covers
    // them whenever the map file is there.
    game.grids.WorldGrid[CellIndex(0, 0, 0)] = 0;
    game.grids.WorldGrid[CellIndex(1, 0, 0)] = 1;
    game.grids.WorldGrid[CellIndex(2, 0, 0)] = 0;
    game.grids.WorldGrid[CellIndex(3, 0, 0)] = 1;

    WindowTarget window = MakeWindowTarget(game);
    bool windowOk = OpenMainWindow(window, platform) != 0;
    if (!windowOk && !platform.CanRunWithoutWindow()) return false;

    // A save that a kill or a power cut interrupted is finished or cleared
    // before anything reads the map folder.
    RecoverSaveSlots();
    LoadOverworld(game.grids, platform, 1);

    game.seed = seed ? *seed : static_cast<uint32_t>(platform.CalendarSeconds());
    SeedRandom(game.random, game.seed);

    ReleaseGeneratorWorkspace(game.generator);
    AllocateGeneratorWorkspace(game.generator, false);
    GeneratePlayableLevels(game.grids, game.generator, game.random);
    FinishWorld(game.grids, game.shell, game.random);

    game.shell.ViewDistance = 6;
    for (int b = 1; b <= 3; ++b) {
        game.shell.ClickFrame[b] = 0;
        game.shell.ClickPending[b] = 0;
    }
    return true;
}

bool RunFrame(Game& game, Platform& platform) {
    ShellState& s = game.shell;
    ClearFrame(game.frame);

    WorldView view{game.grids, game.shell, game.units, game.camera, game.gl, game.frame, platform};
    if (game.fastScene) view.cache = &game.sceneCache;
    DrawWorldFrame(view);

    UnitRecord& player = game.units.Player();
    const int32_t startLayer = s.PlayerCell[2];
    player.CellX = static_cast<uint16_t>(s.PlayerCell[0]);
    player.CellY = static_cast<uint16_t>(s.PlayerCell[1]);
    player.CellZ = static_cast<uint16_t>(s.PlayerCell[2]);

    HudLines(game.frame, game.shell, platform);
    ConsoleUpdate(game.console, game.frame, platform, platform, platform, game.grids, game.shell, game.camera);
    DrawCrosshair(game.frame, platform);
    CollectObjective(game.grids, game.shell);
    PresentFrame(game.frame, platform, s.PixelZoom);

    WindowTarget window = MakeWindowTarget(game);
    if (!WindowHotkeys(window, platform, platform)) return false;

    // The key bindings, in their fixed order; each pause follows its key.
    if (KeyDown(platform, vk::Escape)) s.QuitRequested = 1;
    if (KeyDown(platform, vk::LeftBracket)) {
        if (s.ViewDistance > 1) s.ViewDistance -= 1;
        platform.Sleep(ViewDistancePauseMs);
    }
    if (KeyDown(platform, vk::RightBracket)) {
        if (s.ViewDistance < 30) s.ViewDistance += 1;
        platform.Sleep(ViewDistancePauseMs);
    }
    // The click toggles.
    if (s.ClickPending[3] == 1) s.MouseLook = 1 - s.MouseLook;
    if (s.ClickPending[1] == 1) s.AutoWalk = 1 - s.AutoWalk;
    // Page Down and Page Up stand in for the keypad keys on keyboards
    // without a keypad; either key, or both, is one step and one pause.
    if (KeyDown(platform, vk::KeypadPlus) || KeyDown(platform, vk::PageDown)) {
        ChangeLayer(game, startLayer, +1);
        platform.Sleep(LayerPauseMs);
    }
    if (KeyDown(platform, vk::KeypadMinus) || KeyDown(platform, vk::PageUp)) {
        ChangeLayer(game, startLayer, -1);
        platform.Sleep(LayerPauseMs);
    }
    SaveTarget target = MakeSaveTarget(game, platform);
    if (KeyDown(platform, vk::F5)) {
        if (!SaveGame(target, 1)) ++game.saveFailures;
        platform.FlushSavedFiles();
        platform.Sleep(SaveLoadPauseMs);
    }
    if (KeyDown(platform, vk::F6)) {
        if (!SaveGame(target, 2)) ++game.saveFailures;
        platform.FlushSavedFiles();
        platform.Sleep(SaveLoadPauseMs);
    }
    if (KeyDown(platform, vk::F7)) {
        LoadGame(target, 1);
        platform.FlushSavedFiles();
        platform.Sleep(SaveLoadPauseMs);
    }
    if (KeyDown(platform, vk::F8)) {
        LoadGame(target, 2);
        platform.FlushSavedFiles();
        platform.Sleep(SaveLoadPauseMs);
    }

    for (int b = 1; b <= 3; ++b) s.ClickPending[b] = 0;
    while (PumpMessages(game.shell, platform)) {
    }
    // The counter wraps like the 32-bit integer it is saved as.
    s.FrameCounter = static_cast<int32_t>(static_cast<uint32_t>(s.FrameCounter) + 1u);
    return true;
}

void ShutDown(Game& game) {
    ReleaseFramebuffer(game.frame);
    game.grids.Release();
    ReleaseSceneCache(game.sceneCache);
    game.sprites.Release();
    game.units.Release();
    game.items.Release();
    ReleaseGeneratorWorkspace(game.generator);
}

namespace {
std::string JsonFloat(float f) {
    if (!std::isfinite(f)) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
    return buf;
}
}  // namespace

std::string RunReport(const Game& game, int64_t framesRun, uint64_t sleptMs) {
    const ShellState& s = game.shell;
    std::string r = "{";
    r += "\"frames\":" + std::to_string(framesRun);
    r += ",\"frame_counter\":" + std::to_string(s.FrameCounter);
    r += ",\"slept_ms\":" + std::to_string(sleptMs);
    r += ",\"seed\":" + std::to_string(game.seed);
    r += ",\"player\":[" + std::to_string(s.PlayerCell[0]) + "," + std::to_string(s.PlayerCell[1]) + "," +
         std::to_string(s.PlayerCell[2]) + "]";
    if (game.units.Units) {
        const UnitRecord& p = game.units.Units[PlayerUnit];
        r += ",\"cell_position\":[" + JsonFloat(p.CellPosition[0]) + "," + JsonFloat(p.CellPosition[1]) + "," +
             JsonFloat(p.CellPosition[2]) + "]";
        r += ",\"step_counter\":" + std::to_string(p.StepCounter);
    }
    r += ",\"objectives_found\":" + std::to_string(s.ObjectivesFound);
    r += ",\"objective_total\":" + std::to_string(s.ObjectiveTotal);
    r += ",\"view_distance\":" + std::to_string(s.ViewDistance);
    r += ",\"cycle_step\":" + std::to_string(game.camera.CycleStep);
    r += ",\"yaw\":" + JsonFloat(game.camera.Yaw);
    r += ",\"pitch\":" + JsonFloat(game.camera.Pitch);
    r += ",\"pixel_zoom\":" + std::to_string(s.PixelZoom);
    r += ",\"mouse_look\":" + std::to_string(s.MouseLook);
    r += ",\"auto_walk\":" + std::to_string(s.AutoWalk);
    r += ",\"console_open\":" + std::to_string(game.console.ConsoleOpen);
    r += ",\"quit_requested\":" + std::to_string(s.QuitRequested);
    r += ",\"save_failures\":" + std::to_string(game.saveFailures);
    r += "}";
    return r;
}

}  // namespace delver
