#include "app/game.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/options.h"
#include "app/window.h"
#include "app/world_build.h"
#include "persist/overworld.h"
#include "persist/save_slots.h"
#include "persist/seen_map.h"
#include "platform/files.h"
#include "platform/input.h"
#include "settings/input_names.h"
#include "ui/hud.h"
#include "ui/map_view.h"
#include "ui/screens.h"
#include "view3d/scene.h"
#include "world/world_finishing.h"

namespace delver {

namespace {

// The pause after each key binding, so one press is one step.
constexpr unsigned ViewDistancePauseMs = 100;
constexpr unsigned LayerPauseMs = 800;
constexpr unsigned SaveLoadPauseMs = 300;
// Keyboard turning, degrees a frame; a message stays two seconds.
constexpr float TurnDegreesPerFrame = 3.0f;
constexpr int MessageFrames = 120;
constexpr const char* SettingsFileName = ".\\settings.cfg";

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

// Opens the sound device the first time sound is on. A machine without one
// plays silently and says so, once.
void StartSoundOnce(Game& game, Speaker& speaker) {
    SoundState& sound = game.sound;
    if (sound.tried || !sound.mixer || !game.play.settings().sound) return;
    sound.tried = true;
    std::string why;
    if (speaker.StartSound(sound, sound.mixer->Rate(), why))
        sound.speaker = &speaker;
    else if (!why.empty())
        std::fprintf(stderr, "delver: no sound (%s); the game plays on silently\n", why.c_str());
}

// The clock the console pauses with: the console's sound starts the moment
// it opens, before the pause after its key.
class ConsoleCueClock : public Clock {
public:
    ConsoleCueClock(Game& game, Speaker& speaker, Clock& inner)
        : game_(game), speaker_(speaker), inner_(inner), wasOpen_(game.console.ConsoleOpen == 1) {}
    void Sleep(unsigned ms) override {
        CueIfOpened();
        inner_.Sleep(ms);
    }
    int64_t CalendarSeconds() override { return inner_.CalendarSeconds(); }
    void CueIfOpened() {
        const bool open = game_.console.ConsoleOpen == 1;
        if (open && !wasOpen_) PlayCue(game_, speaker_, Cue::Console);
        wasOpen_ = open;
    }

private:
    Game& game_;
    Speaker& speaker_;
    Clock& inner_;
    bool wasOpen_;
};

WindowTarget MakeWindowTarget(Game& game) { return WindowTarget{game.shell, game.frame, game.gl, game.sprites}; }

// A clock whose pauses take no time: smooth pauses show the save's
// progress screens without holding on them.
class NoPauses : public Clock {
public:
    explicit NoPauses(Clock& inner) : inner_(inner) {}
    void Sleep(unsigned) override {}
    int64_t CalendarSeconds() override { return inner_.CalendarSeconds(); }

private:
    Clock& inner_;
};

// The game's state as a save slot holds it, with the progress screens shown
// while a save or load works.
SaveTarget MakeSaveTarget(Game& game, Platform& platform) {
    SlotProgressReport screens = [&game, &platform](const SlotProgress& p) {
        const bool smooth = game.play.settings().smoothPauses;
        NoPauses noPauses(platform);
        Clock& clock = smooth ? static_cast<Clock&>(noPauses) : static_cast<Clock&>(platform);
        switch (p.step) {
        case SlotProgress::Step::BeforePart:
            ShowSlotPartScreen(game.frame, platform, clock, game.shell.PixelZoom, p.saving, p.file, p.percent);
            break;
        case SlotProgress::Step::AfterPart: PauseAfterSlotPart(clock, p.percent); break;
        case SlotProgress::Step::SaveFailed:
            ShowSaveFailed(game.frame, platform, game.shell.PixelZoom, p.needsRepair);
            break;
        }
    };
    return SaveTarget{game.grids, game.units, game.shell, game.camera, std::move(screens)};
}

void ShowMessage(Game& game, const std::string& text) {
    game.message = text;
    game.messageFrames = MessageFrames;
}

// Appended rather than text + ...: GCC 12 warns falsely (-Wrestrict) on a
// string literal added to a temporary string.
std::string SlotMessage(const char* text, int slot) {
    std::string m = text;
    m += std::to_string(slot);
    return m;
}

// What a failed save leaves the player to know.
std::string SaveFailedText(const SlotResult& result, int slot) {
    if (result.outcome != SlotResult::Outcome::NeedsRepair) return "SAVE FAILED - OLD SLOT KEPT";
    std::string text = SlotMessage("SAVE FAILED - SLOT ", slot);
    text += " NEEDS REPAIR";
    return text;
}

// The one-line message and the quit question, over the picture.
void DrawMessages(Game& game) {
    if (game.quitAsked) {
        FormatText(game.frame, "QUIT? Y/N");
        DrawTextLarge(game.frame, 124, 150, 255, 255, 0);
    }
    if (game.messageFrames <= 0) return;
    --game.messageFrames;
    FormatText(game.frame, "%s", game.message.c_str());
    DrawTextLarge(game.frame, 12, 130, 255, 255, 0);
}

// Feedback: a yellow edge around the picture that fades over a second
// after an objective is taken, and the ending once the last one is.
void DrawFeedback(Game& game, Clock& clock) {
    FrameState& f = game.frame;
    if (game.flashFrames > 0) {
        const int shade = 255 * game.flashFrames / 60;
        for (int i = 0; i < 3; ++i) {
            DrawLine(f, i, i, f.Width - 1 - i, i, shade, shade, 0);
            DrawLine(f, i, f.Height - 1 - i, f.Width - 1 - i, f.Height - 1 - i, shade, shade, 0);
            DrawLine(f, i, i, i, f.Height - 1 - i, shade, shade, 0);
            DrawLine(f, f.Width - 1 - i, i, f.Width - 1 - i, f.Height - 1 - i, shade, shade, 0);
        }
        --game.flashFrames;
    }
    if (!game.ending) return;
    for (int y = 70; y < 170; ++y)
        for (int x = 40; x < 280; ++x) PutPixel(f, x, y, 0, 0, 0);
    const int64_t played = std::max<int64_t>(0, clock.CalendarSeconds() - game.startSeconds);
    FormatText(f, "ALL %d OBJECTIVES FOUND", game.shell.ObjectiveTotal);
    DrawTextLarge(f, 52, 145, 255, 255, 0);
    FormatText(f, "TIME PLAYED %d:%02d", static_cast<int>(played / 60), static_cast<int>(played % 60));
    DrawTextLarge(f, 52, 122, 255, 255, 255);
    FormatText(f, "SAVES %d   LOADS %d", game.savesMade, game.loadsMade);
    DrawTextLarge(f, 52, 104, 255, 255, 255);
    FormatText(f, "ENTER OR SPACE: FLY ON");
    DrawTextSmall(f, 52, 80, 200, 200, 200);
}

// Writes the settings back to settings.cfg through a temporary file, so an
// interrupted write leaves the old file whole.
void WriteSettingsFile(Game& game) {
    const std::string text = WriteSettings(game.settingsFile, game.play.settings());
    const std::string temporary = std::string(SettingsFileName) + ".tmp";
    GameFile f = GameFile::CreateNew(temporary);
    bool ok = f.IsOpen() && f.Write(text.data(), text.size()) == text.size() && f.Sync();
    ok = f.Close() && ok;
    if (ok) ok = ReplaceGameFile(temporary, SettingsFileName);
    if (!ok) {
        RemoveGameFile(temporary);
        std::fprintf(stderr, "delver: cannot write settings.cfg: %s\n", LastFileError().c_str());
        ShowMessage(game, "SETTINGS NOT SAVED");
        return;
    }
    game.settingsFile = ParseSettings(text);
}

// Slot files handed in from outside (the browser's page) become the slot
// between two frames, through the same commit as a save, so that they can
// never land in the middle of one of the game's own saves or loads.
void TakeSlotUpload(Game& game, Platform& platform) {
    const Storage::SlotUpload upload = platform.TakeSlotUpload();
    if (upload.slot != 1 && upload.slot != 2) return;
    const SlotResult taken = ImportSlotFiles(upload.slot, upload.files);
    platform.FlushSavedFiles();
    std::string line = SlotMessage(taken ? "FILES TAKEN INTO SLOT " : "FILES REFUSED FOR SLOT ", upload.slot);
    ShowMessage(game, line);
    platform.SlotUploadDone(upload.slot, static_cast<bool>(taken), taken ? line : line + ": " + taken.why);
}

// The pointer is held while the player looks with it and nothing else
// wants it.
void HoldPointerIfLooking(Game& game, Display& display) {
    const bool hold = game.play.settings().capturedMouse && game.shell.MouseLook == 1 &&
                      game.console.ConsoleOpen != 1 && !game.settingsScreen.open && !game.quitAsked;
    display.SetPointerCaptured(hold);
}

// The turn of this frame: the look motion (held pointer, stick) and the
// turn keys. Pitch stops at straight down (0) and straight up (-180).
void TurnView(Game& game, bool keysFree) {
    const Settings& set = game.play.settings();
    const ScreenPoint m = game.play.TakeLookMotion();
    CameraState& cam = game.camera;
    if (m.x != 0 || m.y != 0) {
        cam.Yaw -= static_cast<float>(m.x) * set.sensitivity / 100.0f;
        const float dy = static_cast<float>(set.invertY ? -m.y : m.y);
        cam.Pitch = std::clamp(cam.Pitch + dy * set.sensitivityY / 100.0f, -180.0f, 0.0f);
    }
    if (!keysFree) return;
    if (game.play.Held(Action::TurnLeft, game.shell)) cam.Yaw += TurnDegreesPerFrame;
    if (game.play.Held(Action::TurnRight, game.shell)) cam.Yaw -= TurnDegreesPerFrame;
}

// A frame with the settings screen open: the world stands still.
void RunSettingsFrame(Game& game, Platform& platform) {
    Settings s = game.play.settings();
    const bool wasFullscreen = s.fullscreen, wasWhole = s.wholeScale;
    const bool open = RunSettingsScreen(game.settingsScreen, s, game.frame, game.play, game.shell);
    game.play.SetSettings(s);
    game.console.SmoothPauses = s.smoothPauses ? 1 : 0;
    if (s.fullscreen != wasFullscreen || (s.fullscreen && s.wholeScale != wasWhole))
        game.fullscreen = platform.SetFullscreen(s.fullscreen, s.wholeScale);
    PresentFrame(game.frame, platform, game.shell.PixelZoom);
    if (open) return;
    // The key that closed the screen acts no more until it is let go.
    for (int code : {vk::Escape, vk::F10}) game.play.HoldUntilReleased(code);
    for (int code : s.InputsOf(Action::Settings)) game.play.HoldUntilReleased(code);
    if (game.settingsScreen.changed) WriteSettingsFile(game);
}

// The rest of a frame of play, after the 3D step: the status lines, the
// console, the crosshair, collecting, presenting, and the key bindings.
bool RunPlayFrame(Game& game, Platform& platform, bool keysFree) {
    ShellState& s = game.shell;
    PlayInput& play = game.play;
    const Settings& set = play.settings();
    UnitRecord& player = game.units.Player();
    const int32_t startLayer = s.PlayerCell[2];
    player.CellX = static_cast<uint16_t>(s.PlayerCell[0]);
    player.CellY = static_cast<uint16_t>(s.PlayerCell[1]);
    player.CellZ = static_cast<uint16_t>(s.PlayerCell[2]);

    // The map remembers what was around the player from the first frame it
    // is on.
    const MapMode mapMode = static_cast<MapMode>(set.map);
    if (mapMode != MapMode::Off) game.seenKept = true;
    if (game.seenKept)
        game.seen.MarkAround(s.PlayerCell[0], s.PlayerCell[1], s.PlayerCell[2], std::clamp(s.ViewDistance, 1, 30));

    HudLines(game.frame, game.shell, platform);
    play.ForgetReads();
    ConsoleCueClock consoleClock(game, platform, play);
    ConsoleUpdate(game.console, game.frame, play, consoleClock, platform, game.grids, game.shell, game.camera);
    consoleClock.CueIfOpened();
    if (mapMode != MapMode::Off)
        DrawMap(game.frame, game.grids, game.seen, s, mapMode, game.mapLayer >= 0 ? game.mapLayer : s.PlayerCell[2],
                game.camera.Yaw);
    DrawMessages(game);
    DrawFeedback(game, platform);
    // The full map hides the view, and a crosshair in its middle would hide
    // the player's mark.
    if (mapMode != MapMode::Full && set.capturedMouse)
        DrawCrosshairAt(game.frame, game.frame.Width / 2, game.frame.Height / 2);
    else if (mapMode != MapMode::Full)
        DrawCrosshair(game.frame, platform);
    const int32_t foundBefore = s.ObjectivesFound;
    CollectObjective(game.grids, game.shell);
    if (s.ObjectivesFound > foundBefore) PlayCue(game, platform, Cue::Objective);
    if (set.feedback && s.ObjectivesFound > foundBefore) {
        std::string line = "OBJECTIVE ";
        line += std::to_string(s.ObjectivesFound) + " OF " + std::to_string(s.ObjectiveTotal);
        ShowMessage(game, line);
        game.flashFrames = 60;
        if (s.ObjectivesFound >= s.ObjectiveTotal) game.ending = true;
    }
    PresentFrame(game.frame, platform, s.PixelZoom);

    WindowTarget window = MakeWindowTarget(game);
    WindowKeys windowKeys;
    if (keysFree) {
        for (int i = 0; i < 4; ++i)
            windowKeys.zoom[i] = play.Held(static_cast<Action>(static_cast<int>(Action::WindowSize1) + i), s) != 0;
        windowKeys.move = play.Held(Action::MoveWindow, s) != 0;
    }
    if (!WindowHotkeys(window, platform, platform, windowKeys)) return false;
    // A window made again is a window, not the full screen.
    if (game.fullscreen && (windowKeys.zoom[0] || windowKeys.zoom[1] || windowKeys.zoom[2] || windowKeys.zoom[3]))
        game.fullscreen = false;

    // The ending goes on a new press of Enter or Space, and the key then
    // does nothing more.
    if (game.ending)
        for (int key : {vk::Enter, vk::Space})
            if (play.IsKeyHeld(key)) {
                game.ending = false;
                play.HoldUntilReleased(key);
            }

    // The key bindings, in their fixed order; each pause follows its key.
    if (game.quitAsked) {
        if (play.IsKeyHeld('Y')) s.QuitRequested = 1;
        if (play.IsKeyHeld('N')) game.quitAsked = false;
    }
    // With smooth pauses, Escape closes the console, or asks first.
    if (!set.smoothPauses) {
        if (play.Held(Action::Quit, s)) s.QuitRequested = 1;
    } else if (play.Pressed(Action::Quit, s)) {
        if (game.console.ConsoleOpen == 1)
            game.console.ConsoleOpen = 0;
        else
            game.quitAsked = !game.quitAsked;
    }
    if (!keysFree) return true;
    if (int k = play.Held(Action::ViewLess, s)) {
        if (s.ViewDistance > 1) s.ViewDistance -= 1;
        play.PauseAfter(k, ViewDistancePauseMs);
    }
    if (int k = play.Held(Action::ViewMore, s)) {
        if (s.ViewDistance < 30) s.ViewDistance += 1;
        play.PauseAfter(k, ViewDistancePauseMs);
    }
    // The click toggles.
    if (play.Pressed(Action::MouseLook, s)) s.MouseLook = 1 - s.MouseLook;
    if (play.Pressed(Action::WalkToggle, s)) s.AutoWalk = 1 - s.AutoWalk;
    for (const auto& [action, direction] : {std::pair{Action::LayerDown, +1}, std::pair{Action::LayerUp, -1}}) {
        const int k = play.Held(action, s);
        if (!k) continue;
        if (mapMode == MapMode::Full) {
            // The full map turns to another layer; the player stays.
            const int from = game.mapLayer >= 0 ? game.mapLayer : s.PlayerCell[2];
            game.mapLayer = std::clamp(from + direction, 0, LayerCount - 1);
        } else {
            const int32_t before = s.PlayerCell[2];
            ChangeLayer(game, startLayer, direction);
            const bool moved = s.PlayerCell[2] != before;
            PlayCue(game, platform, moved ? Cue::LayerChange : Cue::Refused);
            if ((set.smoothPauses || set.feedback) && !moved) ShowMessage(game, "NO OPENING");
        }
        play.PauseAfter(k, LayerPauseMs);
    }
    SaveTarget target = MakeSaveTarget(game, platform);
    for (int slot = 1; slot <= 2; ++slot) {
        if (int k = play.Held(slot == 1 ? Action::SaveSlot1 : Action::SaveSlot2, s)) {
            const SlotResult saved = SaveGame(target, slot);
            if (!saved) ++game.saveFailures;
            if (saved) ++game.savesMade;
            if (saved && game.seenKept && !SaveSeenCells(game.seen, slot))
                std::fprintf(stderr, "delver: the map of slot %d was not kept: %s\n", slot, LastFileError().c_str());
            platform.FlushSavedFiles();
            if (saved) PlayCue(game, platform, Cue::Saved);
            // A failure always shows, and stays; a success shows with
            // smooth pauses, whose screens go by too fast to read.
            if (!saved)
                ShowMessage(game, SaveFailedText(saved, slot));
            else if (set.smoothPauses)
                ShowMessage(game, SlotMessage("SAVED TO SLOT ", slot));
            play.PauseAfter(k, SaveLoadPauseMs);
        }
    }
    for (int slot = 1; slot <= 2; ++slot) {
        if (int k = play.Held(slot == 1 ? Action::LoadSlot1 : Action::LoadSlot2, s)) {
            const SlotResult loaded = LoadGame(target, slot);
            if (loaded) {
                ++game.loadsMade;
                if (game.seenKept) LoadSeenCells(game.seen, slot);
            }
            platform.FlushSavedFiles();
            if (loaded.outcome == SlotResult::Outcome::Kept || loaded.outcome == SlotResult::Outcome::NeedsRepair)
                ShowMessage(game, SlotMessage("LOAD FAILED - GAME UNCHANGED - SLOT ", slot));
            else if (set.smoothPauses)
                ShowMessage(game, SlotMessage(loaded ? "LOADED SLOT " : "NOTHING SAVED IN SLOT ", slot));
            play.PauseAfter(k, SaveLoadPauseMs);
        }
    }
    // The keys the rules never read: fullscreen (also Alt+Enter) and the
    // settings screen.
    const bool altEnter = play.IsKeyHeld(input::Alt) && play.IsKeyHeld(vk::Enter);
    if (play.Pressed(Action::Fullscreen, s) || (altEnter && !game.altEnterHeld)) {
        game.fullscreen = platform.SetFullscreen(!game.fullscreen, set.wholeScale);
    }
    game.altEnterHeld = altEnter;
    if (play.Pressed(Action::Map, s)) {
        // Off, the corner, the whole picture, off; the full map starts on
        // the player's layer.
        Settings next = set;
        next.map = (next.map + 1) % 3;
        play.SetSettings(next);
        game.mapLayer = -1;
    }
    if (play.Pressed(Action::Settings, s)) {
        OpenSettingsScreen(game.settingsScreen, play);
        platform.SetPointerCaptured(false);
    }
    return true;
}

}  // namespace

void PlayCue(Game& game, Speaker& speaker, Cue cue) {
    const Settings& set = game.play.settings();
    if (!set.sound) return;
    StartSoundOnce(game, speaker);
    if (game.sound.speaker) game.sound.mixer->Play(cue, set.volume);
}

void UseSettings(Game& game, const SettingsFile& file) {
    game.settingsFile = file;
    game.play.SetSettings(file.settings);
    game.settingsScreen.problems = file.problems;
    game.console.SmoothPauses = file.settings.smoothPauses ? 1 : 0;
}

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
    // Filled though nothing reads it yet: its time and memory are part of the game's start-up.
    FillItemCatalogue(game.items);
    SeedItemCopies(game.items);
    // The sounds are made now, heard only once sound is on.
    game.sound.mixer = std::make_unique<Mixer>(SoundRate);
    UnitRecord& player = game.units.Player();
    player.CellPosition[0] = player.CellPosition[1] = player.CellPosition[2] = 0.5f;
    // Four cells of the first row, codes 0 and 1 in turn, are part of the
    // start-up's world; the overworld plan read below covers them whenever
    // the map file is there.
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
    game.seed = BuildWorld(game.grids, game.generator, game.random, game.shell, platform, seed);

    game.shell.ViewDistance = 6;
    for (int b = 1; b <= 3; ++b) {
        game.shell.ClickFrame[b] = 0;
        game.shell.ClickPending[b] = 0;
    }
    const Settings& set = game.play.settings();
    if (set.fullscreen) game.fullscreen = platform.SetFullscreen(true, set.wholeScale);
    // The game starts with the eye looking straight down, where walking
    // goes nowhere; a player who walks with keys or looks with the held
    // pointer starts looking ahead instead.
    if (set.modernKeys || set.capturedMouse) game.camera.Pitch = -90.0f;
    game.startSeconds = platform.CalendarSeconds();
    return true;
}

bool RunFrame(Game& game, Platform& platform) {
    ShellState& s = game.shell;
    PlayInput& play = game.play;
    play.Attach(platform, platform);
    play.NextFrame();
    const Settings& set = play.settings();
    HoldPointerIfLooking(game, platform);
    StartSoundOnce(game, platform);
    TakeSlotUpload(game, platform);

    if (game.settingsScreen.open) {
        RunSettingsFrame(game, platform);
    } else {
        // With modern keys or smooth pauses, the keys go to the console
        // alone while it is open, so typing a word does not also walk or
        // move the window.
        const bool keysFree = game.console.ConsoleOpen != 1 || (!set.modernKeys && !set.smoothPauses);
        ClearFrame(game.frame);
        TurnView(game, keysFree);
        MoveIntent intent;
        intent.cursorLook = !set.capturedMouse;
        if (keysFree) {
            intent.forward = play.Held(Action::WalkForward, s) != 0;
            intent.back = play.Held(Action::WalkBack, s) != 0;
            intent.side = (play.Held(Action::StepRight, s) != 0) - (play.Held(Action::StepLeft, s) != 0);
        }

        WorldView view{game.grids, game.shell, game.units, game.camera, game.gl, game.frame, play};
        if (game.fastScene) view.cache = &game.sceneCache;
        view.intent = &intent;
        view.fog = set.fog;  // the picture settings the scene reads
        view.markedShafts = set.markedShafts;
        DrawWorldFrame(view);
        if (!RunPlayFrame(game, platform, keysFree)) return false;
    }

    for (int b = 1; b <= 3; ++b) s.ClickPending[b] = 0;
    while (PumpMessages(game.shell, platform)) {
    }
    // The counter wraps like the 32-bit integer it is saved as.
    s.FrameCounter = static_cast<int32_t>(static_cast<uint32_t>(s.FrameCounter) + 1u);
    return true;
}

void ShutDown(Game& game) {
    if (game.sound.speaker) game.sound.speaker->StopSound();
    game.sound.speaker = nullptr;
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
