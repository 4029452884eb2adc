// End-to-end runs of the real delver binary, headless, driven by input
// scripts; the run report, the exit status and the files left behind are
// what a user would see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/run_report.h"
#include "support/test_support.h"

namespace delver {
namespace {

using testing::JsonNumber;
using testing::JsonNumbers;
using testing::ScratchDir;

using testing::RunResult;

// Runs delver in folder dir with the given arguments and, if script is not
// empty, an input script written there.
RunResult Delver(const std::filesystem::path& dir, const std::string& args, const std::string& script = "") {
    if (script.empty()) return testing::RunDelver(dir, args);
    std::ofstream(dir / "script.txt") << script;
    return testing::RunDelver(dir, args + " --input script.txt");
}

double Num(const RunResult& r, const char* key) {
    auto v = JsonNumber(r.out, key);
    EXPECT_TRUE(v.has_value()) << key << " missing from " << r.out;
    return v.value_or(-1e300);
}

TEST(EndToEnd, HundredFramesOfTheRealGameGiveAValidReport) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --seed 42 --frames 100 --report");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(testing::IsJsonObject(r.out.substr(0, r.out.find_last_not_of('\n') + 1))) << r.out;
    EXPECT_EQ(Num(r, "frames"), 100);
    EXPECT_EQ(Num(r, "frame_counter"), 100);
    EXPECT_EQ(Num(r, "seed"), 42);
    EXPECT_EQ(Num(r, "view_distance"), 6);
    EXPECT_EQ(Num(r, "cycle_step"), 2);
    EXPECT_EQ(Num(r, "objectives_found"), 0);
    double total = Num(r, "objective_total");
    EXPECT_GE(total, 0);
    EXPECT_LE(total, 20);
    // Nothing was pressed: no pauses, and no map folder here to read from.
    EXPECT_EQ(Num(r, "slept_ms"), 0);
    auto player = JsonNumbers(r.out, "player");
    ASSERT_TRUE(player);
    ASSERT_EQ(player->size(), 3u);
    EXPECT_EQ((*player)[2], 39);  // the eye bob holds it on its layer
    // The start cell is solid rock; the eye drifts one cell every five frames.
    EXPECT_GT((*player)[0], 0);
    EXPECT_GT((*player)[1], 0);
}

TEST(EndToEnd, TheSameSeedBuildsTheSameWorldAndADifferentOneDoesNot) {
    ScratchDir a, b, c;
    std::filesystem::create_directories(a.path() / "map");
    std::filesystem::create_directories(b.path() / "map");
    std::filesystem::create_directories(c.path() / "map");
    const std::string save = "0 tap F5\n";
    ASSERT_EQ(Delver(a.path(), "--headless --seed 7 --frames 1", save).status, 0);
    ASSERT_EQ(Delver(b.path(), "--headless --seed 7 --frames 1", save).status, 0);
    ASSERT_EQ(Delver(c.path(), "--headless --seed 8 --frames 1", save).status, 0);
    auto ga = testing::ReadWholeFile(a.path() / "map" / "SAVEGAME1.mainmap");
    auto gb = testing::ReadWholeFile(b.path() / "map" / "SAVEGAME1.mainmap");
    auto gc = testing::ReadWholeFile(c.path() / "map" / "SAVEGAME1.mainmap");
    ASSERT_EQ(ga.size(), 11796480u);
    EXPECT_TRUE(ga == gb);
    EXPECT_FALSE(ga == gc);
}

TEST(EndToEnd, EscapeFinishesTheFrameAndEndsTheLoop) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --seed 1 --frames 50 --report", "5 tap ESC\n5 tap RBRACKET\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // Frame 5 still runs its remaining keys and counts itself.
    EXPECT_EQ(Num(r, "frames"), 6);
    EXPECT_EQ(Num(r, "frame_counter"), 6);
    EXPECT_EQ(Num(r, "view_distance"), 7);
    EXPECT_EQ(Num(r, "slept_ms"), 100);
}

TEST(EndToEnd, ACloseRequestEndsTheLoopLikeEscape) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --seed 1 --frames 50 --report", "3 close\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "frames"), 4);
}

TEST(EndToEnd, ViewDistanceKeysPauseAndStayInRange) {
    ScratchDir dir;
    // Hold ] for 30 frames: 6 -> 30, and every frame with the key down waits.
    RunResult r = Delver(dir.path(), "--headless --seed 3 --frames 30 --report", "0 down RBRACKET\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "view_distance"), 30);
    EXPECT_EQ(Num(r, "slept_ms"), 3000);
    r = Delver(dir.path(), "--headless --seed 3 --frames 8 --report", "0 down LBRACKET\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "view_distance"), 1);
    EXPECT_EQ(Num(r, "slept_ms"), 800);
}

TEST(EndToEnd, KeypadKeysPauseEvenWhenTheLayerIsSolid) {
    ScratchDir dir;
    // The start cell sits in the rock: neither neighbour layer is open.
    RunResult r = Delver(dir.path(), "--headless --seed 5 --frames 3 --report", "0 tap KP_PLUS\n1 tap KP_MINUS\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(JsonNumbers(r.out, "player").value_or(std::vector<double>{0, 0, 0})[2], 39);
    EXPECT_EQ(Num(r, "slept_ms"), 1600);
}

TEST(EndToEnd, ClicksToggleMouseLookAndWalking) {
    ScratchDir dir;
    RunResult r =
        Delver(dir.path(), "--headless --seed 5 --frames 40 --report", "0 mouse 0 0\n20 click right\n20 click left\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "mouse_look"), 1);
    EXPECT_EQ(Num(r, "auto_walk"), 1);
    // Mouse look at the bottom-left corner of the window.
    EXPECT_EQ(Num(r, "yaw"), 20);
    EXPECT_EQ(Num(r, "pitch"), 0);
    // Clicks in the first 13 frames are ignored.
    r = Delver(dir.path(), "--headless --seed 5 --frames 20 --report", "12 click right\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "mouse_look"), 0);
}

TEST(EndToEnd, BadScriptsAndOptionsExitTwoWithOneLine) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --frames 1", "0 down ESC\n1 down WHAT\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("WHAT"), std::string::npos) << r.err;
    r = Delver(dir.path(), "--headless --frames 1", "4 tap ESC\n2 tap ESC\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    r = Delver(dir.path(), "--headless --frames 1 --input does-not-exist.txt");
    EXPECT_EQ(r.status, 2);
    r = Delver(dir.path(), "--headless --frames -3");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--frames"), std::string::npos);
    r = Delver(dir.path(), "--nonsense");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    r = Delver(dir.path() / "no-such-folder", "--headless --frames 1");
    EXPECT_EQ(r.status, 2);
    // Nothing started: no files were left behind.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "map"));
}

TEST(EndToEnd, HostileInputGetsOneShortCleanLineAndExitTwoBeforeAnythingStarts) {
    ScratchDir dir;
    namespace fs = std::filesystem;
    fs::create_directory(dir.path() / "a-folder");
    ASSERT_EQ(std::system(("mkfifo '" + (dir.path() / "pipe").string() + "'").c_str()), 0);
    auto oneCleanLine = [](const RunResult& r) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_LT(r.err.size(), 200u) << r.err;
        for (char c : r.err) EXPECT_TRUE(c == '\n' || (c >= 32 && c < 127)) << r.err;
    };
    // Scripts that are no plain file: a folder, a device without end, a pipe
    // nobody writes to (this would hang for ever if it were opened).
    for (const char* script : {"a-folder", "/dev/zero", "pipe"}) {
        RunResult r = Delver(dir.path(), std::string("--headless --frames 1 --input ") + script);
        oneCleanLine(r);
    }
    // Long and unprintable words on the command line and in a script.
    oneCleanLine(Delver(dir.path(), "--" + std::string(5000, 'x')));
    oneCleanLine(Delver(dir.path(), "$'--\\033[31m\\a'"));
    oneCleanLine(Delver(dir.path(), "--headless", "0 tap \033]0;" + std::string(3000, 'K') + "\n"));
    // A screenshot that could never be written is refused up front.
    oneCleanLine(Delver(dir.path(), "--headless --frames 1 --screenshot no-such-folder/shot.bmp"));
    oneCleanLine(Delver(dir.path(), "--headless --frames 1 --screenshot a-folder"));
    EXPECT_FALSE(fs::exists(dir.path() / "map"));

    // A good screenshot path is only tried, not left behind, before the run.
    RunResult r = Delver(dir.path(), "--headless --frames 1 --screenshot shot.bmp");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(fs::file_size(dir.path() / "shot.bmp"), 54u);
}

TEST(EndToEnd, AFolderWithoutImagesIsNamedOnStderrAndTheGamePlaysOn) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --frames 3 --report");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Num(r, "frames"), 3);
    EXPECT_NE(r.err.find("no game images"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("-C"), std::string::npos) << r.err;
    // In the built game folder it says nothing.
    testing::ScratchDir copy;
    std::filesystem::copy(DELVER_GAME_DIR, copy.path(), std::filesystem::copy_options::recursive);
    r = Delver(copy.path(), "--headless --frames 3");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST(EndToEnd, HelpAndVersion) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--headless"), std::string::npos);
    EXPECT_NE(r.out.find("--fps"), std::string::npos);
    // The keys too, Page Up and Page Down among them.
    for (const char* key : {"Escape", "F5", "Page Up", "Page Down", "keypad +", "Tab"})
        EXPECT_NE(r.out.find(key), std::string::npos) << key;
    r = Delver(dir.path(), "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("delver ", 0), 0u);
}

}  // namespace
}  // namespace delver

namespace delver {
namespace {

// A save that cannot be made is counted in the report and named on stderr;
// a save killed after its commit record is finished when the game starts
// again, and the load then gives the new game.
TEST(EndToEnd, FailedSavesAreReportedAndAKilledSaveIsFinishedAtTheNextStart) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "map" / "SAVEGAME1.variables.tmp");
    RunResult r = Delver(dir.path(), "--headless --seed 42 --frames 3 --report", "0 tap F5\n1 tap F6\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Num(r, "save_failures"), 1);
    // (This folder has no images, which the game names first.)
    EXPECT_NE(r.err.find("\ndelver: saving slot 1 failed (cannot create SAVEGAME1.variables.tmp: Is a directory); "
                         "the old slot is kept\n"),
              std::string::npos)
        << r.err;

    // Operation 51 is the flush of the map folder after the record.
    std::string command = std::string("DELVER_FILE_FAULT=kill:51 '") + DELVER_FAULTS_BINARY + "' -C '" +
                          dir.path().string() + "' --headless --seed 44 --frames 9 --input script.txt";
    std::ofstream(dir.path() / "script.txt") << "7 tap F6\n";
    ASSERT_EQ(testing::RunCommand(command, nullptr, nullptr), 128 + 9);
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "map" / "SAVEGAME2.commit"));

    RunResult load = Delver(dir.path(), "--headless --seed 42 --frames 1 --report", "0 tap F8\n");
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_NE(load.err.find("\ndelver: slot 2: finished a save that had been interrupted\n"), std::string::npos)
        << load.err;
    EXPECT_EQ(Num(load, "frame_counter"), 8);  // the game saved at frame 7
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "map" / "SAVEGAME2.commit"));
}

}  // namespace
}  // namespace delver
