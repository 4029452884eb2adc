// The command line and the input script: the contract that tools and
// tests rely on, parsed strictly.
#include <gtest/gtest.h>

#include "app/input_script.h"
#include "app/scripted_platform.h"
#include "app/options.h"
#include "settings/input_names.h"
#include "support/fake_platform.h"
#include "platform/input.h"

namespace delver {
namespace {

Options Parse(std::vector<std::string> args) {
    Options o;
    std::string error;
    EXPECT_TRUE(ParseOptions(args, o, error)) << error;
    return o;
}

std::string ParseError(std::vector<std::string> args) {
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, o, error));
    return error;
}

TEST(CommandLine, AcceptsEveryOption) {
    Options o = Parse({"-C", "game", "--seed", "4294967295", "--headless", "--frames", "100", "--input", "s.txt",
                       "--screenshot", "shot.bmp", "--report", "--render", "literal", "--fps", "0"});
    EXPECT_EQ(o.directory, "game");
    ASSERT_TRUE(o.seed);
    EXPECT_EQ(*o.seed, 4294967295u);
    EXPECT_TRUE(o.headless);
    ASSERT_TRUE(o.frames);
    EXPECT_EQ(*o.frames, 100);
    EXPECT_EQ(o.inputScript, "s.txt");
    EXPECT_EQ(o.screenshot, "shot.bmp");
    EXPECT_TRUE(o.report);
    EXPECT_EQ(o.render, "literal");
    EXPECT_EQ(o.fps, 0);
    EXPECT_EQ(Parse({}).fps, 60);
    EXPECT_EQ(Parse({"--fps", "1000"}).fps, 1000);
    EXPECT_FALSE(Parse({}).seed);
    EXPECT_EQ(Parse({}).render, "fast");
}

TEST(CommandLine, RefusesBadValuesWithOneClearLine) {
    EXPECT_NE(ParseError({"--seed", "4294967296"}).find("--seed"), std::string::npos);
    EXPECT_NE(ParseError({"--seed", "-1"}).find("--seed"), std::string::npos);
    EXPECT_NE(ParseError({"--seed", "12x"}).find("12x"), std::string::npos);
    EXPECT_NE(ParseError({"--frames", "-5"}).find("--frames"), std::string::npos);
    EXPECT_NE(ParseError({"--frames", "99999999999999999999999"}).find("--frames"), std::string::npos);
    EXPECT_NE(ParseError({"--frames"}).find("needs"), std::string::npos);
    EXPECT_NE(ParseError({"--render", "quick"}).find("quick"), std::string::npos);
    EXPECT_NE(ParseError({"--fps", "-1"}).find("--fps"), std::string::npos);
    EXPECT_NE(ParseError({"--fps", "1001"}).find("--fps"), std::string::npos);
    EXPECT_NE(ParseError({"--bogus"}).find("--bogus"), std::string::npos);
    EXPECT_NE(ParseError({"-C", ""}).find("-C"), std::string::npos);
    for (const std::string& e : {ParseError({"--bogus"}), ParseError({"--seed", "x"})})
        EXPECT_EQ(e.find('\n'), std::string::npos);
}

// A build without the offscreen backend refuses --headless while parsing,
// before main opens the --record file.
TEST(CommandLine, HeadlessWithoutAnOffscreenBackendIsRefused) {
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions({"--headless", "--record", "r.txt"}, o, error, false));
    EXPECT_NE(error.find("--headless"), std::string::npos);
    EXPECT_TRUE(ParseOptions({"--headless", "--help"}, o, error, false));
    EXPECT_TRUE(ParseOptions({"--headless"}, o, error, true));
}

// --map-images takes a folder, and a build that cannot write PNG refuses it.
TEST(CommandLine, MapImagesNeedAFolderAndAPngWriter) {
    EXPECT_EQ(Parse({"--map-images", "maps", "--seed", "11"}).mapImages, "maps");
    EXPECT_NE(ParseError({"--map-images"}).find("needs a folder"), std::string::npos);
    EXPECT_NE(ParseError({"--map-images", ""}).find("needs a folder"), std::string::npos);
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions({"--map-images", "maps"}, o, error, true, false));
    EXPECT_NE(error.find("Linux build"), std::string::npos);
}

TEST(InputScript, KeyNamesAndCodes) {
    EXPECT_EQ(InputCodeFromName("ESC"), 27);
    EXPECT_EQ(InputCodeFromName("esc"), 27);
    EXPECT_EQ(InputCodeFromName("TAB"), 9);
    EXPECT_EQ(InputCodeFromName("ENTER"), 13);
    EXPECT_EQ(InputCodeFromName("BACKSPACE"), 8);
    EXPECT_EQ(InputCodeFromName("SPACE"), 32);
    EXPECT_EQ(InputCodeFromName("SHIFT"), 16);
    EXPECT_EQ(InputCodeFromName("F1"), 112);
    EXPECT_EQ(InputCodeFromName("F12"), 123);
    EXPECT_EQ(InputCodeFromName("A"), 65);
    EXPECT_EQ(InputCodeFromName("Z"), 90);
    EXPECT_EQ(InputCodeFromName("0"), 48);
    EXPECT_EQ(InputCodeFromName("9"), 57);
    EXPECT_EQ(InputCodeFromName("LBRACKET"), 219);
    EXPECT_EQ(InputCodeFromName("RBRACKET"), 221);
    EXPECT_EQ(InputCodeFromName("KP_PLUS"), 107);
    EXPECT_EQ(InputCodeFromName("KP_MINUS"), 109);
    EXPECT_EQ(InputCodeFromName("PAGEUP"), 33);
    EXPECT_EQ(InputCodeFromName("PAGEDOWN"), 34);
    // A recording names them so too.
    EXPECT_EQ(InputName(vk::PageUp), "PAGEUP");
    EXPECT_EQ(InputName(vk::PageDown), "PAGEDOWN");
    EXPECT_EQ(InputCodeFromName("27"), 27);
    EXPECT_EQ(InputCodeFromName("255"), 255);
    for (const char* bad : {"F0", "F13", "F01", "256", "0x1B", "ESCAPEE", "", "-5", "AB"})
        EXPECT_EQ(InputCodeFromName(bad), -1) << bad;
}

TEST(InputScript, SettingsComeFirstAndLookLinesTurn) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(ParseInputScript("setting keys = modern\nsetting bind.quit = Q\n3 look -40 7\n", s, error)) << error;
    ASSERT_EQ(s.settings.size(), 2u);
    EXPECT_EQ(s.settings[1], (std::pair<std::string, std::string>{"bind.quit", "Q"}));
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].kind, ScriptEvent::Kind::Look);
    EXPECT_EQ(s.events[0].x, -40);
    EXPECT_EQ(s.events[0].y, 7);
    for (const char* bad : {"1 tap A\nsetting keys = modern\n", "setting keys = sideways\n", "setting keys\n",
                            "2 look 5\n", "2 look 5 999999\n"})
        EXPECT_FALSE(ParseInputScript(bad, s, error)) << bad;
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

TEST(InputScript, ParsesEveryEventKind) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(
        ParseInputScript("# a demo\n"
                         "\n"
                         "0 down Z   # walk back\n"
                         "3 up z\n"
                         "3 tap LBRACKET\n"
                         "4 mouse 160 120\n"
                         "5 click right\n"
                         "5 click left\n"
                         "9 close\n",
                         s, error))
        << error;
    ASSERT_EQ(s.events.size(), 7u);
    EXPECT_EQ(s.events[0].kind, ScriptEvent::Kind::Down);
    EXPECT_EQ(s.events[0].key, 90);
    EXPECT_EQ(s.events[0].line, 3);
    EXPECT_EQ(s.events[2].kind, ScriptEvent::Kind::Tap);
    EXPECT_EQ(s.events[3].x, 160);
    EXPECT_EQ(s.events[3].y, 120);
    EXPECT_TRUE(s.events[4].right);
    EXPECT_FALSE(s.events[5].right);
    EXPECT_EQ(s.events[6].kind, ScriptEvent::Kind::Close);
    EXPECT_EQ(s.events[6].frame, 9);
}

TEST(InputScript, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* expect;
    } cases[] = {
        {"0 down ESC\n1 down NOPE\n", "line 2: unknown key 'NOPE'"},
        {"x down ESC\n", "line 1:"},
        {"-1 down ESC\n", "line 1:"},
        {"99999999999 down ESC\n", "line 1:"},
        {"5 down ESC\n4 up ESC\n", "line 2:"},
        {"1 leap\n", "line 1: unknown event 'leap'"},
        {"1 jump now\n", "line 1:"},
        {"9 down A\n4 jump\n3 up A\n", "line 3:"},  // only the jump line goes back
        {"1 down\n", "line 1:"},
        {"1 down A B\n", "line 1:"},
        {"1 mouse 320 0\n", "line 1:"},
        {"1 mouse 0 240\n", "line 1:"},
        {"1 mouse 5\n", "line 1:"},
        {"1 click middle\n", "line 1:"},
        {"1 close now\n", "line 1:"},
        {"1\n", "line 1:"},
    };
    for (const Case& c : cases) {
        InputScript s;
        std::string error;
        EXPECT_FALSE(ParseInputScript(c.text, s, error)) << c.text;
        EXPECT_EQ(error.rfind(c.expect, 0), 0u) << c.text << " gave: " << error;
    }
}

class ScriptedInput : public ::testing::Test {
protected:
    testing::FakePlatform backend;
    void SetUp() override { ASSERT_EQ(backend.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok); }
    ScriptedPlatform Make(const char* text) {
        InputScript s;
        std::string error;
        EXPECT_TRUE(ParseInputScript(text, s, error)) << error;
        return ScriptedPlatform(backend, s, 320, 240);
    }
};

TEST_F(ScriptedInput, KeysFollowTheirFrames) {
    ScriptedPlatform p = Make("1 down A\n3 up A\n4 tap B\n");
    p.BeginFrame(0);
    EXPECT_FALSE(p.IsKeyHeld('A'));
    p.BeginFrame(1);
    EXPECT_TRUE(p.IsKeyHeld('A'));
    p.BeginFrame(2);
    EXPECT_TRUE(p.IsKeyHeld('A'));
    p.BeginFrame(3);
    EXPECT_FALSE(p.IsKeyHeld('A'));
    p.BeginFrame(4);
    EXPECT_TRUE(p.IsKeyHeld('B'));
    p.BeginFrame(5);
    EXPECT_FALSE(p.IsKeyHeld('B'));
    // The real key state still counts.
    backend.SetKey('C', true);
    EXPECT_TRUE(p.IsKeyHeld('C'));
}

TEST_F(ScriptedInput, EventsOfSkippedFramesStillApply) {
    // A frame count restored from a save can jump; events are not lost.
    ScriptedPlatform p = Make("2 down A\n7 click left\n");
    p.BeginFrame(10);
    EXPECT_TRUE(p.IsKeyHeld('A'));
    EXPECT_EQ(p.PollMessage(), MessageKind::LeftButtonDown);
    EXPECT_EQ(p.PollMessage(), MessageKind::None);
}

TEST_F(ScriptedInput, AJumpLineWaitsForTheCounterToJumpToItsFrame) {
    // A load at frame 9 puts the counter back to 4, so frame 5 follows;
    // two loads in a row come back to frame 5 twice.
    ScriptedPlatform p = Make("9 down F7\n5 jump\n5 jump\n5 up F7\n6 click left\n");
    for (int64_t f = 0; f <= 9; ++f) p.BeginFrame(f);
    EXPECT_TRUE(p.IsKeyHeld(118));
    p.BeginFrame(10);  // counting on, not a jump: the script waits
    p.BeginFrame(11);
    EXPECT_TRUE(p.IsKeyHeld(118));
    p.BeginFrame(5);  // the first load
    EXPECT_TRUE(p.IsKeyHeld(118));
    p.BeginFrame(6);  // counting on from there: still waiting for the second
    EXPECT_EQ(p.PollMessage(), MessageKind::None);
    p.BeginFrame(5);  // the second load
    EXPECT_FALSE(p.IsKeyHeld(118));
    EXPECT_EQ(p.PollMessage(), MessageKind::None);
    p.BeginFrame(6);
    EXPECT_EQ(p.PollMessage(), MessageKind::LeftButtonDown);
}

TEST_F(ScriptedInput, MessagesJoinTheRealOnesInOrder) {
    ScriptedPlatform p = Make("0 click right\n0 click left\n0 close\n");
    backend.PushMessage(MessageKind::Other);
    p.BeginFrame(0);
    EXPECT_EQ(p.PollMessage(), MessageKind::RightButtonDown);
    EXPECT_EQ(p.PollMessage(), MessageKind::LeftButtonDown);
    EXPECT_EQ(p.PollMessage(), MessageKind::Close);
    EXPECT_EQ(p.PollMessage(), MessageKind::Other);
    EXPECT_EQ(p.PollMessage(), MessageKind::None);
}

TEST_F(ScriptedInput, CursorReadsBackAsTheScriptedPixelAtEveryZoom) {
    for (int zoom = 1; zoom <= 4; ++zoom) {
        backend.DestroyGlWindow();
        ASSERT_EQ(backend.CreateGlWindow("GAME", 320 * zoom, 240 * zoom, 16), WindowStep::Ok);
        backend.MoveWindow(37, 11, 320 * zoom, 240 * zoom);
        for (int x : {0, 1, 7, 159, 160, 318, 319}) {
            for (int y : {0, 1, 3, 90, 120, 238, 239}) {
                std::string text = "0 mouse " + std::to_string(x) + " " + std::to_string(y) + "\n";
                ScriptedPlatform p = Make(text.c_str());
                p.BeginFrame(0);
                EXPECT_EQ(MouseX(p, 320), x) << "zoom " << zoom;
                EXPECT_EQ(MouseY(p, 240), y) << "zoom " << zoom;
            }
        }
    }
}

TEST_F(ScriptedInput, SleepsAreCounted) {
    ScriptedPlatform p = Make("");
    p.Sleep(300);
    p.Sleep(120);
    EXPECT_EQ(p.SleptMilliseconds(), 420u);
    EXPECT_EQ(backend.VirtualMilliseconds(), 420u);
}

TEST(MousePosition, FollowsTheWindowRectangle) {
    ScreenRect r{0, 0, 640, 480};
    // Bottom screen row is offset 1 of the 480-pixel span: row 0; the top row: 239.
    EXPECT_EQ(MouseYFrom({10, 479}, r, 240), 0);
    EXPECT_EQ(MouseYFrom({10, 0}, r, 240), 239);
    EXPECT_EQ(MouseXFrom({0, 10}, r, 320), 0);
    EXPECT_EQ(MouseXFrom({639, 10}, r, 320), 319);
    // Outside the window: clamped.
    EXPECT_EQ(MouseXFrom({-50, 10}, r, 320), 0);
    EXPECT_EQ(MouseXFrom({5000, 10}, r, 320), 319);
    EXPECT_EQ(MouseYFrom({10, 900}, r, 240), 0);
    EXPECT_EQ(MouseYFrom({10, -900}, r, 240), 239);
    // A window without extent gives 0 instead of dividing by zero.
    EXPECT_EQ(MouseXFrom({10, 10}, ScreenRect{5, 5, 5, 5}, 320), 0);
    EXPECT_EQ(MouseYFrom({10, 10}, ScreenRect{5, 9, 5, 2}, 240), 0);
}

}  // namespace
}  // namespace delver
