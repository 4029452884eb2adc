// Recording a game (--record) and playing the recording again, headless:
// the second game must be the first one, report and save files alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "support/run_report.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

using testing::ReadText;
using testing::RunResult;
constexpr auto Delver = testing::RunDelver;

// A script's events without comments, one block per run of lines with the
// same frame, each block sorted: the order of keys within one frame means
// nothing to the game.
std::vector<std::vector<std::string>> Events(const std::string& script) {
    std::vector<std::vector<std::string>> blocks;
    std::istringstream in(script);
    std::string previous;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string frame, word, event;
        if (!(words >> frame)) continue;
        event = frame;
        while (words >> word) event += " " + word;
        if (blocks.empty() || frame != previous) blocks.emplace_back();
        previous = frame;
        blocks.back().push_back(event);
    }
    for (auto& b : blocks) std::sort(b.begin(), b.end());
    return blocks;
}

// Presses a key for one frame at each of the frames from `frame` on, with a
// frame between presses; returns the frame after the last release.
int Type(std::string& s, int frame, const std::vector<std::string>& keys) {
    for (const std::string& k : keys) {
        s += std::to_string(frame) + " down " + k + "\n" + std::to_string(frame + 1) + " up " + k + "\n";
        frame += 2;
    }
    return frame;
}

std::vector<std::string> Letters(const std::string& text) {
    std::vector<std::string> keys;
    for (char c : text) keys.push_back(c == ' ' ? "SPACE" : std::string(1, static_cast<char>(std::toupper(c))));
    return keys;
}

// A whole game in the form a recording takes: mouse look, walking forward
// and back, both view distance keys, the console with both commands, a
// save, a load that moves the frame counter back, and input after it.
std::string GameScript() {
    std::string s =
        "0 mouse 160 120\n"
        "20 click right\n"
        "25 mouse 171 112\n"
        "30 click left\n"
        "31 mouse 190 101\n"
        "60 click left\n"
        "61 down Z\n"
        "70 up Z\n";
    int f = Type(s, 72, {"RBRACKET", "RBRACKET", "LBRACKET", "TAB"});
    f = Type(s, f, Letters("env4cyclestep 5"));
    f = Type(s, f, {"ENTER"});
    f = Type(s, f, Letters("env5objectivenumber"));
    f = Type(s, f, {"ENTER", "TAB", "F5"});
    const int saved = f - 2;  // the frame counter the slot keeps
    s += std::to_string(f) + " mouse 100 60\n";
    f += 10;
    s += std::to_string(f) + " down F7\n";
    // The load puts the counter back to the save's frame; the next frame
    // follows that one.
    const int back = saved + 1;
    s += std::to_string(back) + " jump\n" + std::to_string(back) + " up F7\n";
    f = Type(s, back + 3, {"RBRACKET"});
    s += std::to_string(f) + " mouse 120 200\n" + std::to_string(f + 4) + " down ESC\n";
    return s;
}

void ExpectSameSlot(const fs::path& a, const fs::path& b) {
    for (const char* ext : {"mainmap", "flagmap", "unit", "variables"}) {
        const std::string name = std::string("SAVEGAME1.") + ext;
        auto x = testing::ReadWholeFile(a / "map" / name);
        auto y = testing::ReadWholeFile(b / "map" / name);
        EXPECT_FALSE(x.empty()) << name;
        EXPECT_TRUE(x == y) << name << " differs";
    }
}

TEST(Recording, AReplayedGameRecordsAsItsOwnScriptAndReplaysToTheSameGame) {
    ScratchDir first, second, third;
    for (const ScratchDir* d : {&first, &second, &third}) fs::create_directories(d->path() / "map");
    const std::string script = GameScript();
    std::ofstream(first.path() / "script.txt") << script;

    RunResult a = Delver(first.path(), "--headless --seed 42 --input script.txt --record rec.txt --report");
    ASSERT_EQ(a.status, 0) << a.err;
    const std::string rec = ReadText(first.path() / "rec.txt");
    // The game did what the script asked, so the comparison means something.
    EXPECT_EQ(testing::JsonNumber(a.out, "cycle_step").value_or(-1), 5) << a.out;
    EXPECT_EQ(testing::JsonNumber(a.out, "mouse_look").value_or(-1), 1) << a.out;
    EXPECT_EQ(testing::JsonNumber(a.out, "view_distance").value_or(-1), 8) << a.out;
    EXPECT_EQ(testing::JsonNumber(a.out, "quit_requested").value_or(-1), 1) << a.out;

    // The recording is the script, with comment lines that say how to play it.
    EXPECT_EQ(Events(rec), Events(script)) << rec;
    EXPECT_EQ(rec.rfind("# delver ", 0), 0u) << rec;
    EXPECT_NE(rec.find("\n# seed 42\n"), std::string::npos) << rec;
    EXPECT_NE(rec.find("\n# view distance 6\n"), std::string::npos) << rec;

    // Played from the recording, in a fresh folder: the same game.
    fs::copy_file(first.path() / "rec.txt", second.path() / "rec.txt");
    RunResult b = Delver(second.path(), "--headless --seed 42 --input rec.txt --record again.txt --report");
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out, a.out);
    ExpectSameSlot(first.path(), second.path());
    EXPECT_EQ(ReadText(second.path() / "again.txt"), rec);
}

TEST(Recording, AFileThatCannotBeWrittenIsRefusedBeforeTheGameStarts) {
    ScratchDir dir;
    RunResult r = Delver(dir.path(), "--headless --seed 1 --frames 5 --record no-such-folder/rec.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("no-such-folder/rec.txt"), std::string::npos) << r.err;
    // Nothing started: no folder looked for, no file left behind.
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // Recording over the script being played would lose it.
    std::ofstream(dir.path() / "script.txt") << "3 tap ESC\n";
    r = Delver(dir.path(), "--headless --seed 1 --input script.txt --record ./script.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("input script"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir.path() / "script.txt"), "3 tap ESC\n");

    // A FIFO (which nobody reads) named for any of the game's own files is
    // refused at once, never waited on.
    ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0644), 0);
    for (const char* option : {"--record pipe", "--screenshot pipe", "--input pipe"}) {
        r = Delver(dir.path(), std::string("--headless --seed 1 --frames 2 ") + option);
        EXPECT_EQ(r.status, 2) << option << ": " << r.err;
        EXPECT_NE(r.err.find("pipe"), std::string::npos) << r.err;
    }
}

TEST(Recording, AKilledGameLeavesAWholeRecordingUpToItsLastFrame) {
    ScratchDir dir;
    // Held keys and a moving cursor give the recording a line most frames.
    std::string script = "0 mouse 10 10\n";
    for (int f = 1; f < 4000; f += 2) script += std::to_string(f) + " mouse " + std::to_string(f % 300) + " 20\n";
    std::ofstream(dir.path() / "script.txt") << script;
    // Killed once it has recorded a good number of frames.
    std::ofstream(dir.path() / "kill.sh")
        << "cd \"$1\" || exit 1\n"
           "\"$2\" --headless --seed 3 --frames 1000000 --input script.txt --record rec.txt &\n"
           "pid=$!\n"
           "for i in $(seq 1200); do\n"
           "  [ \"$(grep -vc '^#' rec.txt 2>/dev/null)\" -ge 300 ] 2>/dev/null && break\n"
           "  sleep 0.1\n"
           "done\n"
           "kill -KILL $pid\n"
           "wait $pid\n";
    RunResult r;
    r.status = testing::RunCommand(
        "bash '" + (dir.path() / "kill.sh").string() + "' '" + dir.path().string() + "' '" + DELVER_BINARY + "'",
        &r.out, &r.err);
    ASSERT_EQ(r.status, 128 + 9) << "the game was not killed while it ran: " << r.err;
    const std::string rec = ReadText(dir.path() / "rec.txt");
    ASSERT_FALSE(rec.empty());
    EXPECT_EQ(rec.back(), '\n');
    auto blocks = Events(rec);
    ASSERT_GE(blocks.size(), 2u) << rec;
    // Every line is whole: the recording plays (up to where it ends).
    const int last = std::stoi(blocks.back().front());
    RunResult replay =
        Delver(dir.path(), "--headless --seed 3 --input rec.txt --report --frames " + std::to_string(last + 1));
    ASSERT_EQ(replay.status, 0) << replay.err;
}

}  // namespace
}  // namespace delver
