// The player's settings in the real game, headless: keyboard movement and
// smooth pauses, captured mouse look, and the settings screen writing
// settings.cfg. Each game is recorded and its recording, played where no
// settings file is, must be the same game.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/run_report.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::JsonNumber;
using testing::JsonNumbers;
using testing::RunDelver;
using testing::RunResult;
using testing::ScratchDir;

double Number(const RunResult& r, const char* key) { return JsonNumber(r.out, key).value_or(-12345); }

// Is the framebuffer pixel (x, y), twice that on the 640 x 480 screenshot
// shot.bmp, the map's red mark for the player.
bool RedMarkAt(const ScratchDir& dir, int x, int y) {
    const std::vector<uint8_t> bmp = testing::ReadWholeFile(dir.path() / "shot.bmp");
    if (bmp.size() != 54u + 640 * 480 * 3) {
        ADD_FAILURE() << "no 640 x 480 screenshot in " << dir.path();
        return false;
    }
    const uint8_t* px = &bmp[54 + (2 * y * 640 + 2 * x) * 3];  // blue, green, red
    return px[2] >= 250 && px[1] <= 60;
}

// Plays script in dir with settings (none when empty), recording it, then
// plays the recording in a fresh folder without settings: same report.
RunResult PlayAndReplay(const ScratchDir& dir, const std::string& settings, const std::string& script,
                        const std::string& args) {
    fs::create_directories(dir.path() / "map");
    if (!settings.empty()) std::ofstream(dir.path() / "settings.cfg") << settings;
    std::ofstream(dir.path() / "script.txt") << script;
    RunResult r = RunDelver(dir.path(), "--headless --seed 11 --input script.txt --record rec.txt --report " + args);
    EXPECT_EQ(r.status, 0) << r.err;
    ScratchDir replay;
    fs::create_directories(replay.path() / "map");
    fs::copy_file(dir.path() / "rec.txt", replay.path() / "rec.txt");
    RunResult again = RunDelver(replay.path(), "--headless --seed 11 --input rec.txt --report " + args);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, r.out) << testing::ReadText(dir.path() / "rec.txt");
    return r;
}

TEST(Settings, ModernKeysWalkStepAndTurnWhileSmoothPausesKeepTheGameRunning) {
    // Q turns about, W walks, D steps aside, five layer keys, then Escape
    // asks and N keeps playing.
    std::string script = "0 mouse 160 90\n5 down Q\n65 up Q\n70 down W\n110 up W\n115 down D\n125 up D\n";
    for (int f = 130; f < 140; f += 2) script += std::to_string(f) + " tap PAGEUP\n";
    script += "150 tap ESC\n155 tap N\n";
    ScratchDir smooth, classic;
    const RunResult s = PlayAndReplay(smooth, "keys = modern\npauses = smooth\n", script, "--frames 200");
    const RunResult c = PlayAndReplay(classic, "", script, "--frames 200");
    EXPECT_NE(testing::ReadText(smooth.path() / "rec.txt").find("\nsetting keys = modern\n"), std::string::npos);

    // The classic game takes none of the modern keys, and pauses 800 ms
    // after each layer key; the smooth one never does.
    EXPECT_EQ(Number(s, "frames"), 200);
    EXPECT_GE(Number(c, "slept_ms") - Number(s, "slept_ms"), 5 * 800);
    EXPECT_EQ(Number(c, "yaw"), 0);
    EXPECT_EQ(Number(s, "yaw"), 180);  // sixty frames of Q at 3 degrees
    // Looking ahead from the start, the walk leaves the start cell.
    EXPECT_EQ(JsonNumbers(s.out, "player"), (std::vector<double>{9, 10, 39}));
    EXPECT_EQ(JsonNumbers(c.out, "player"), (std::vector<double>{8, 8, 39}));
    EXPECT_EQ(Number(s, "step_counter"), 25);  // 40 frames of W and 10 of D, a step every second frame
    EXPECT_EQ(Number(s, "quit_requested"), 0);
    EXPECT_EQ(Number(c, "quit_requested"), 1);
}

TEST(Settings, CapturedMouseTurnsPastWhereTheCursorStopsAndPitchStopsStraightUp) {
    ScratchDir dir;
    // The first click the game takes comes after its 13-frame click gate.
    std::string script = "0 mouse 160 120\n14 click right\n";
    for (int f = 16; f < 21; ++f) script += std::to_string(f) + " look 2000 -300\n";
    const RunResult r = PlayAndReplay(dir, "mouse = captured\nmouse_sensitivity = 15\n", script, "--frames 24");
    EXPECT_EQ(Number(r, "mouse_look"), 1);
    EXPECT_EQ(Number(r, "yaw"), -1500);   // the cursor's place reaches -618 at most
    EXPECT_EQ(Number(r, "pitch"), -180);  // straight up, never over
}

TEST(Settings, TheSettingsScreenChangesKeysAndBindsAnInputThatWorksAfterARestart) {
    ScratchDir dir;
    // F10; four rows down to KEYS, Enter: modern; ten more to WALK
    // FORWARD, Enter, then X binds it; Escape, held a while, closes the
    // screen and writes the file, and does not go on to quit the game.
    std::string script = "0 mouse 160 120\n2 tap F10\n";
    int f = 4;
    auto tap = [&](const char* key) {
        script += std::to_string(f) + " tap " + key + "\n";
        f += 2;
    };
    for (const char* key : {"DOWN", "DOWN", "DOWN", "DOWN", "ENTER"}) tap(key);
    for (int i = 0; i < 10; ++i) tap("DOWN");
    for (const char* key : {"ENTER", "X"}) tap(key);
    script += std::to_string(f) + " down ESC\n" + std::to_string(f + 6) + " up ESC\n";
    const RunResult r = PlayAndReplay(dir, "", script, "--frames 40");
    EXPECT_EQ(Number(r, "step_counter"), 0);
    EXPECT_EQ(Number(r, "quit_requested"), 0);
    EXPECT_EQ(testing::ReadText(dir.path() / "settings.cfg"), "keys = modern\nbind.walk_forward = X W\n");

    // The next game in that folder walks with X.
    std::ofstream(dir.path() / "walk.txt") << "0 mouse 160 90\n3 down X\n23 up X\n";
    const RunResult walk = RunDelver(dir.path(), "--headless --seed 11 --input walk.txt --frames 30 --report");
    EXPECT_EQ(walk.err.find("settings.cfg"), std::string::npos) << walk.err;
    EXPECT_EQ(Number(walk, "step_counter"), 10);
}

TEST(Settings, TheControllersLeftStickWalksAndItsLookTurnsWithoutASettingsFile) {
    ScratchDir dir;
    // The stick held up for 20 frames, then two frames of the right stick's
    // full turn (40 counts each) to the right.
    const std::string script =
        "0 mouse 160 90\n5 down PAD_LSTICK_UP\n25 up PAD_LSTICK_UP\n30 look 40 0\n31 look 40 0\n";
    const RunResult r = PlayAndReplay(dir, "", script, "--frames 40");
    EXPECT_EQ(Number(r, "step_counter"), 10);  // a step every second frame
    EXPECT_EQ(Number(r, "yaw"), -12);          // 80 counts at 15 degrees per 100
}

TEST(Settings, TheMapShowsThePlayerAndKeepsItsMemoryBesideTheSlotWithoutTouchingTheSlot) {
    ScratchDir withMap, without;
    const std::string script = "0 mouse 160 90\n20 tap F5\n";
    const std::string args = "--frames 30 --screenshot shot.bmp";
    PlayAndReplay(withMap, "map = corner\n", script, args);
    PlayAndReplay(without, "", script, args);
    EXPECT_EQ(fs::file_size(withMap.path() / "map/SAVEGAME1.seen"), 11796480u / 8);
    EXPECT_FALSE(fs::exists(without.path() / "map/SAVEGAME1.seen"));
    for (const char* ext : {"mainmap", "flagmap", "unit", "variables"}) {
        const std::string name = std::string("map/SAVEGAME1.") + ext;
        EXPECT_TRUE(testing::ReadWholeFile(withMap.path() / name) == testing::ReadWholeFile(without.path() / name))
            << name;
    }
    // The corner map's middle, 40 cells from its left and bottom edges
    // (framebuffer (276, 196)), is the player's red mark; so is the full
    // map's (160, 120), with no crosshair over it.
    EXPECT_TRUE(RedMarkAt(withMap, 276, 196));
    EXPECT_FALSE(RedMarkAt(without, 276, 196));
    ScratchDir full;
    PlayAndReplay(full, "map = full\nmouse = captured\n", script, args);
    EXPECT_TRUE(RedMarkAt(full, 160, 120));
}

}  // namespace
}  // namespace delver
